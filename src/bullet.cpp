#include "bullet.h"

#include "background.h"
#include "plane.h"

bullet::bullet(SDL_Surface* screen, char side, plane* plane1, plane* plane2, plane* plane3, plane* plane4,
               plane* plane5, background* back, Mix_Chunk* shot)
    : pic(nullptr), screen(screen), ground(back->ground), pos(), groundsrc(), oldpos(), targetpos(),
      bandheight(back->bandheight), target(nullptr), plane1(plane1), plane2(plane2), plane3(plane3), plane4(plane4),
      plane5(plane5), back(back), shot(shot), fired(0), side(side), loaded(0)
{
    pic = loadpic(side == 'l' ? "pix/leftbullet.png" : "pix/rightbullet.png");
    if (!pic)
        return;
    colourkey(pic, screen);
    pos.x = side == 'l' ? 80 : 720;
    pos.y = 540;
    pos.w = static_cast<Uint16>(pic->w);
    pos.h = static_cast<Uint16>(pic->h);
    groundsrc.w = pos.w;
    groundsrc.h = pos.h;
    loaded = 1;
}

bullet::~bullet()
{
    SDL_FreeSurface(pic);
}

void bullet::erase()
{
    const int y = pos.y;
    const int b = bandheight;
    oldpos = pos;
    if (y > 400) {
        // the ground picture's top row lies on screen row 400
        groundsrc.x = pos.x;
        groundsrc.y = s16(y - 400);
        SDL_BlitSurface(ground, &groundsrc, screen, &pos);
        return;
    }
    // the band is the one that holds the row just above the top edge
    const int band = y > 4 * b ? 1 : y > 3 * b ? 2 : y > 2 * b ? 3 : y > b ? 4 : 5;
    SDL_FillRect(screen, &pos, back->colour[band - 1]);
    const int edge = (6 - band) * b;
    if (y > edge - pic->h) {
        oldpos.y = s16(edge);
        if (band == 1) {
            groundsrc.x = oldpos.x;
            groundsrc.y = 0;
            SDL_BlitSurface(ground, &groundsrc, screen, &oldpos);
        } else {
            SDL_FillRect(screen, &oldpos, back->colour[band - 2]);
        }
    }
}

void bullet::move(char cannon)
{
    if (fired != 1)
        return;
    erase();
    const int ahead = side == 'l' ? 1 : -1; // the left bullet travels rightwards
    switch (cannon) {
    case 'u':
        pos.y = s16(pos.y - 15);
        break;
    case 'm':
        pos.x = s16(pos.x + 10 * ahead);
        pos.y = s16(pos.y - 10);
        break;
    case 'd':
        pos.x = s16(pos.x + 15 * ahead);
        pos.y = s16(pos.y - 5);
        break;
    default:
        break;
    }
    SDL_BlitSurface(pic, nullptr, screen, &pos);
}

plane* bullet::collide()
{
    // a blit beyond the top or left edge has already moved pos.y or pos.x to 0
    if (pos.y <= 0 || pos.x <= 0 || pos.x > 800) {
        reset();
        return nullptr;
    }
    if (pos.y > 400)
        return nullptr;
    const int y = pos.y;
    const int b = bandheight;
    target = y > 4 * b ? plane1 : y > 3 * b ? plane2 : y > 2 * b ? plane3 : y > b ? plane4 : plane5;
    if (target->flying == 0)
        return nullptr;
    targetpos = target->pos;
    const int bx = pos.x, by = pos.y, bw = pos.w, bh = pos.h;
    const int tx = targetpos.x, ty = targetpos.y, tw = targetpos.w, th = targetpos.h;
    if (by + bh < ty || by > ty + th || bx + bw < tx || bx > tx + tw)
        return nullptr;
    target->hit();
    return target;
}

void bullet::reset()
{
    erase();
    pos.x = side == 'l' ? 80 : 720;
    pos.y = 540;
    fired = 0;
}
