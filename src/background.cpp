#include "background.h"

#include <SDL/SDL_image.h>
#include <cstdlib>
#include <iostream>

namespace {

const Uint8 skycolours[10][3] = {
    {213, 201, 229}, {195, 171, 227}, {188, 149, 241}, {166, 166, 244}, {157, 157, 202},
    {115, 115, 236}, {154, 154, 255}, {199, 215, 251}, {217, 222, 234}, {182, 224, 227},
};

} // namespace

SDL_Surface* loadpic(const char* path)
{
    SDL_Surface* pic = IMG_Load(path);
    if (!pic)
        std::cout << "couldnt load " << path << ": " << IMG_GetError() << std::endl;
    return pic;
}

SDL_Surface* inscreenformat(SDL_Surface* pic)
{
    SDL_Surface* const converted = pic ? SDL_DisplayFormat(pic) : nullptr;
    if (!converted)
        return pic;
    SDL_FreeSurface(pic);
    return converted;
}

void colourkey(SDL_Surface* pic, SDL_Surface* screen)
{
    if (pic)
        SDL_SetColorKey(pic, SDL_SRCCOLORKEY | SDL_RLEACCEL, SDL_MapRGB(screen->format, 0, 0, 0));
}

background::background(SDL_Surface* screen)
    : screen(screen), ground(nullptr), groundrect(), bandrect(), groundsrc(), bandheight(80), pick(0), colour(),
      palette(), loaded(0)
{
    for (int i = 0; i < 10; i++)
        palette[i] = SDL_MapRGB(screen->format, skycolours[i][0], skycolours[i][1], skycolours[i][2]);
    bandrect.x = 0;
    bandrect.w = 800;
    bandrect.h = 80;
    bandheight = 80;
    ground = inscreenformat(loadpic("pix/hintergrund.png"));
    if (!ground)
        return;
    loaded = 1;
    groundrect.x = 0;
    groundrect.y = s16(600 - ground->h);
    groundsrc.x = 0;
    groundsrc.y = 0;
    groundsrc.w = static_cast<Uint16>(ground->w);
    groundsrc.h = 150;
    SDL_BlitSurface(ground, nullptr, screen, &groundrect);
    drawsky();
}

background::~background()
{
    SDL_FreeSurface(ground);
}

void background::drawsky()
{
    for (int i = 0; i < 5; i++) {
        const int k = randdraw(10.0);
        pick = k;
        // rand() at its maximum gives 10, one past the palette: show the last colour instead
        colour[i] = palette[k < 10 ? k : 9];
    }
    for (int i = 0; i < 5; i++) {
        bandrect.y = s16((4 - i) * bandheight);
        SDL_FillRect(screen, &bandrect, colour[i]);
    }
    SDL_BlitSurface(ground, &groundsrc, screen, &groundrect);
}
