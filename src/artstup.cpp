#include "artstup.h"

#include "background.h"
#include "bullet.h"
#include "plane.h"

#include <SDL/SDL_mixer.h>
#include <cstdlib>
#include <ctime>
#include <iostream>

artstup::artstup(plane* plane1, plane* plane2, plane* plane3, plane* plane4, plane* plane5, bullet* ownbullet)
    : planes{plane1, plane2, plane3, plane4, plane5}, target(nullptr), ownbullet(ownbullet)
{
}

void artstup::fire()
{
    ownbullet->fired = 1;
    Mix_PlayChannelTimed(-1, ownbullet->shot, 0, -1);
}

void artstup::retargethigh()
{
    // bands 1 and 2 are never chosen this way
    for (int band = 5; band >= 3; band--) {
        if (planes[band - 1]->flying == 1) {
            target = planes[band - 1];
            return;
        }
    }
}

char artstup::moveshot(char side, char skill)
{
    if (skill == 'i')
        return skilli(side);
    if (skill == 's')
        return skills(side);
    return 'm';
}

char artstup::skilli(char side)
{
    if (ownbullet->fired == 0) {
        srand(static_cast<unsigned>(time(nullptr)));
        bool any = false;
        for (plane* p : planes)
            any = any || p->flying == 1;
        if (any) {
            do {
                int k = randdraw(5.0);
                if (k > 4) {
                    k = 4;
                    std::cout << "random in artstup::moveshot reached 5" << std::endl;
                }
                target = planes[k];
            } while (target->flying != 1);
        }
        fire();
        return 'm';
    }
    // nothing to aim at yet: a person fired this side's bullet before the computer took over
    if (!target)
        return 'm';
    const int bx = ownbullet->pos.x, by = ownbullet->pos.y;
    const int tx = target->pos.x, ty = target->pos.y;
    const int dy = by - ty;
    if (side == 'l') {
        const int dx = tx - bx;
        if (dx > 2 * dy)
            return 'd';
        if (dy > 2 * dx)
            return 'u';
        return 'm';
    }
    if (side == 'r') {
        const int dx = bx - tx;
        if (dx > 2 * dy)
            return 'd';
        if (dy < 2 * dx)
            return 'u';
        return 'm';
    }
    return 'm';
}

char artstup::skills(char side)
{
    if (ownbullet->fired == 0) {
        for (plane* p : planes) {
            if (p->flying == 1) {
                target = p;
                break;
            }
        }
        fire();
        return 'm';
    }
    if (!target)
        return 'm';
    if (ownbullet->pos.y < target->pos.y)
        retargethigh();
    const bool left = side == 'l';
    // a target that flies away from this side's tank faster than the bullet can follow
    if (target->speed > 10 && target->dir == (left ? 'r' : 'l'))
        retargethigh();
    const int bx = ownbullet->pos.x, by = ownbullet->pos.y;
    const int tx = target->pos.x, ty = target->pos.y;
    const char dir = target->dir;
    const int dy = by - ty;
    const int dx = left ? tx - bx : bx - tx;
    if (left) {
        if (tx < bx && dir == 'r')
            return 'u';
        if (dir == 'l' && dy > 80)
            return 'u';
        if (dir == 'r' && tx > bx)
            return 'd';
        if (tx > bx && dir == 'l')
            return 'd';
        if (dx > 2 * dy)
            return 'd';
        if (dy > 2 * dx)
            return 'u';
        return 'm';
    }
    if (side == 'r') {
        if (tx > bx && dir == 'l')
            return 'u';
        if (dir == 'r' && dy > 80)
            return 'u';
        if (dir == 'l' && tx < bx)
            return 'd';
        if (tx > bx && dir == 'r')
            return 'd';
        if (dx > 2 * dy)
            return 'd';
        if (dy < 2 * dx)
            return 'u';
        return 'm';
    }
    return 'm';
}
