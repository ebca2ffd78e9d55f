#include "plane.h"

#include "background.h"

#include <iostream>

namespace {

const char* const flightpaths[3][2] = {
    {"pix/p1r.png", "pix/p1l.png"},
    {"pix/p2r.png", "pix/p2l.png"},
    {"pix/p3r.png", "pix/p3l.png"},
};
const char* const exppaths[4] = {"pix/exp1.png", "pix/exp2.png", "pix/exp3.png", "pix/exp4.png"};

} // namespace

plane::plane(SDL_Surface* screen, int type, char dir, int speed, int band, background* back)
    : pic(nullptr), screen(screen), exppic(), pos(), src(), speed(speed), height(band), crossing(0), expstage(0),
      flying(1), dir(dir), back(back), loaded(0)
{
    pic = flightpic(type, dir);
    if (!pic)
        return;
    pos.x = dir == 'l' ? 800 : s16(-pic->w);
    colourkey(pic, screen);
    for (int i = 0; i < 4; i++) {
        exppic[i] = loadpic(exppaths[i]);
        if (!exppic[i])
            return;
    }
    for (int i = 0; i < 4; i++)
        colourkey(exppic[i], screen);
    if (band >= 1 && band <= 5) {
        pos.y = s16(350 - (band - 1) * 80);
    } else {
        std::cout << "error: unknown height" << std::flush;
        pos.y = 0;
    }
    pos.w = static_cast<Uint16>(pic->w);
    pos.h = static_cast<Uint16>(pic->h);
    src = pos;
    src.y = 0;
    crossing = 0;
    loaded = 1;
}

plane::~plane()
{
    SDL_FreeSurface(pic);
    for (SDL_Surface* exp : exppic)
        SDL_FreeSurface(exp);
}

SDL_Surface* plane::flightpic(int type, char dir)
{
    // no caller passes another kind or direction; these fall back to kind 1 flying rightwards
    const int kind = type >= 1 && type <= 3 ? type - 1 : 0;
    return loadpic(flightpaths[kind][dir == 'l' ? 1 : 0]);
}

Uint32 plane::bandcolour() const
{
    const int band = height >= 1 && height <= 5 ? height : 1;
    return back->colour[band - 1];
}

void plane::move()
{
    // every fill and blit writes the clipped rectangle back into pos: that is how a plane
    // slides in and out at the edges
    SDL_FillRect(screen, &pos, bandcolour());
    const int width = pic->w;
    if (dir == 'r') {
        if (pos.x > 799) {
            pos.x = 0;
            crossing = 1;
            src.x = s16(width);
            src.w = 0;
        }
        if (crossing == 1) {
            src.x = s16(src.x - speed);
            src.w = static_cast<Uint16>(src.w + speed);
            SDL_BlitSurface(pic, &src, screen, &pos);
            if (src.w >= width)
                crossing = 0;
        } else {
            pos.x = s16(pos.x + speed);
            SDL_BlitSurface(pic, nullptr, screen, &pos);
        }
    } else if (dir == 'l') {
        if (pos.x <= 0 && crossing == 0) {
            crossing = 1;
            pos.x = 0;
            src.x = 0;
            src.w = static_cast<Uint16>(width);
        }
        if (crossing == 1) {
            src.x = s16(src.x + speed);
            src.w = static_cast<Uint16>(src.w - speed);
            SDL_BlitSurface(pic, &src, screen, &pos);
            if (src.x >= width) {
                crossing = 0;
                pos.x = s16(width + 800);
            }
        } else {
            pos.x = s16(pos.x - speed);
            SDL_BlitSurface(pic, nullptr, screen, &pos);
        }
    }
}

void plane::hit()
{
    expstage = 1;
}

void plane::explode()
{
    flying = 0;
    if (expstage == 1) {
        pos.x = s16(pos.x + 4);
        pos.y = s16(pos.y - 20);
    }
    expstage++;
    if (expstage >= 2 && expstage <= 5)
        SDL_BlitSurface(exppic[expstage - 2], nullptr, screen, &pos);
    if (expstage == 6) {
        SDL_FillRect(screen, &pos, bandcolour());
        expstage = 0;
        back->drawsky();
        pos.x = s16(pos.x - 4);
        pos.y = s16(pos.y + 20);
    }
}

void plane::reset(int type, char dir, int speed)
{
    // the new picture is read before the old one goes, so a failed read leaves a plane to fly
    SDL_Surface* fresh = flightpic(type, dir);
    if (fresh) {
        SDL_FreeSurface(pic);
        pic = fresh;
        colourkey(pic, screen);
    }
    this->speed = speed;
    this->dir = dir;
    flying = 1;
    pos.x = dir == 'l' ? 800 : s16(-pic->w);
    pos.w = static_cast<Uint16>(pic->w);
    pos.h = static_cast<Uint16>(pic->h);
    src = pos;
    src.y = 0;
    crossing = 0;
}
