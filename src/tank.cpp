#include "tank.h"

#include "background.h"

#include <SDL/SDL_image.h>

tank::tank(char side, SDL_Surface* screen, TTF_Font* font)
    : side(side), font(font), uppic(nullptr), middlepic(nullptr), downpic(nullptr), scoretext(nullptr), pos(),
      scorerect(), screen(screen), scorestr(), score(0), green(0), loaded(0)
{
    const bool left = side == 'l';
    uppic = loadpic(left ? "pix/lefttankup.png" : "pix/righttankup.png");
    middlepic = uppic ? loadpic(left ? "pix/lefttankmiddle.png" : "pix/righttankmiddle.png") : nullptr;
    downpic = middlepic ? loadpic(left ? "pix/lefttankdown.png" : "pix/righttankdown.png") : nullptr;
    if (!downpic)
        return;
    pos.x = left ? 50 : s16(750 - uppic->w);
    scorerect.x = left ? 120 : 660;
    pos.y = 550;
    pos.w = static_cast<Uint16>(uppic->w);
    pos.h = static_cast<Uint16>(uppic->h);
    scorerect.y = 570;
    colourkey(uppic, screen);
    colourkey(middlepic, screen);
    colourkey(downpic, screen);
    green = SDL_MapRGB(screen->format, 37, 226, 27);
    score = 0;
    loaded = 1;
}

tank::~tank()
{
    SDL_FreeSurface(uppic);
    SDL_FreeSurface(middlepic);
    SDL_FreeSurface(downpic);
    SDL_FreeSurface(scoretext);
}

void tank::draw(char cannon)
{
    // the fill covers the picture drawn last, so a smaller one leaves nothing of a larger one
    SDL_FillRect(screen, &pos, green);
    SDL_Surface* pic = cannon == 'u' ? uppic : cannon == 'm' ? middlepic : cannon == 'd' ? downpic : nullptr;
    if (pic)
        SDL_BlitSurface(pic, nullptr, screen, &pos);
}

void tank::addpoint()
{
    // the old number goes by drawing the same text again in the ground green
    const SDL_Color groundgreen = {37, 226, 27, 255};
    const SDL_Color black = {0, 0, 0, 255};
    SDL_FreeSurface(scoretext);
    scoretext = TTF_RenderText_Solid(font, scorestr, groundgreen);
    SDL_BlitSurface(scoretext, nullptr, screen, &scorerect);
    score++;
    twodigits(scorestr, score);
    SDL_FreeSurface(scoretext);
    scoretext = TTF_RenderText_Solid(font, scorestr, black);
    SDL_BlitSurface(scoretext, nullptr, screen, &scorerect);
}
