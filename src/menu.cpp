#include "menu.h"

#include "background.h"

#include <SDL/SDL_image.h>
#include <iostream>

namespace {

const SDL_Color white = {255, 255, 255, 255};

SDL_Rect rect(int x, int y, int w, int h)
{
    SDL_Rect r;
    r.x = s16(x);
    r.y = s16(y);
    r.w = static_cast<Uint16>(w);
    r.h = static_cast<Uint16>(h);
    return r;
}

} // namespace

menu::menu(SDL_Surface* screen, TTF_Font* font16, TTF_Font* font24, TTF_Font* font32, SDL_Event* event,
           background* back)
    : menupic(nullptr), cleanpic(nullptr), screen(screen), leftwinstext(nullptr), rightwinstext(nullptr),
      soundtext(nullptr), speedtext(nullptr), starttext(nullptr), lefttypetext(nullptr), righttypetext(nullptr),
      leftskilltext(nullptr), rightskilltext(nullptr), event(event), menurect(), leftwinsrect(), rightwinsrect(),
      leftwinserase(), rightwinserase(), tallyrect(), startbutton(), quitbutton(), resetbutton(), soundbutton(),
      soundrect(), fasterbutton(), slowerbutton(), speedrect(), startrect(), lefttypebutton(), righttypebutton(),
      leftskillbutton(), rightskillbutton(), lefttyperect(), righttyperect(), rightskillrect(), leftskillrect(),
      font16(font16), font24(font24), font32(font32), back(back), leftwins(0), rightwins(0), sound(1), speedstr(),
      leftwinsstr(), rightwinsstr(), lefttype('h'), righttype('h'), leftskill('i'), rightskill('i'), gamespeed(25),
      opencount(0), quit(0), resetscore(0), loaded(0)
{
    menupic = loadpic("pix/menu.png");
    cleanpic = menupic ? loadpic("pix/menu.png") : nullptr;
    if (!cleanpic)
        return;
    // every button must lie inside the panel and the panel on the screen, or the menu could never
    // be left
    if (menupic->w < 499 || menupic->w > 800 || menupic->h < 401) {
        std::cout << "pix/menu.png is " << menupic->w << "x" << menupic->h
                  << " pixels: the panel must be 499 to 800 pixels wide and at least 401 high" << std::endl;
        return;
    }
    loaded = 1;
    menurect = rect(400 - menupic->w / 2, 100, menupic->w, menupic->h);
    leftwinsrect = rect(191, 40, 0, 0);
    rightwinsrect = rect(336, 40, 0, 0);
    leftwinserase = rect(161, 40, 100, 45);
    rightwinserase = rect(300, 40, 100, 45);
    tallyrect = rect(166, 21, 220, 60);
    startbutton = rect(280, 344, 155, 56);
    quitbutton = rect(0, 0, 80, 80);
    resetbutton = rect(31, 216, 110, 62);
    soundbutton = rect(31, 292, 110, 62);
    soundrect = rect(74, 320, 0, 0);
    fasterbutton = rect(400, 248, 30, 30);
    slowerbutton = rect(300, 248, 30, 30);
    speedrect = rect(342, 252, 0, 0);
    startrect = rect(340, 370, 0, 0);
    lefttypebutton = rect(73, 93, 177, 37);
    righttypebutton = rect(321, 93, 177, 37);
    leftskillbutton = rect(73, 130, 177, 40);
    rightskillbutton = rect(321, 130, 177, 37);
    lefttyperect = rect(120, 103, 0, 0);
    righttyperect = rect(364, 103, 0, 0);
    rightskillrect = rect(334, 142, 0, 0);
    leftskillrect = rect(112, 142, 0, 0);

    label("0          :", font32, &leftwinsrect, &leftwinstext);
    label("0", font32, &rightwinsrect, &rightwinstext);
    label("human", font24, &lefttyperect, &lefttypetext);
    label("human", font24, &righttyperect, &righttypetext);
    label("start", font24, &startrect, &starttext);
    SDL_Rect at = rect(60, 222, 0, 0);
    label("reset", font24, &at, nullptr);
    at = rect(60, 240, 0, 0);
    label("score", font24, &at, nullptr);
    at = rect(45, 300, 0, 0);
    label("sound is", font24, &at, nullptr);
    label("on", font24, &soundrect, &soundtext);
    at = rect(317, 222, 0, 0);
    label("gamespeed", font24, &at, nullptr);
    at = rect(300, 248, 0, 0);
    label("<", font32, &at, nullptr);
    at = rect(400, 248, 0, 0);
    label(">", font32, &at, nullptr);
    at = rect(12, 10, 0, 0);
    label("quit", font24, &at, nullptr);
    colourkey(leftwinstext, screen);
    colourkey(rightwinstext, screen);
}

menu::~menu()
{
    SDL_FreeSurface(menupic);
    SDL_FreeSurface(cleanpic);
    SDL_FreeSurface(leftwinstext);
    SDL_FreeSurface(rightwinstext);
    SDL_FreeSurface(soundtext);
    SDL_FreeSurface(speedtext);
    SDL_FreeSurface(starttext);
    SDL_FreeSurface(lefttypetext);
    SDL_FreeSurface(righttypetext);
    SDL_FreeSurface(leftskilltext);
    SDL_FreeSurface(rightskilltext);
}

// Renders a label onto the panel; keep receives the text, or it is dropped once drawn.
void menu::label(const char* text, TTF_Font* font, SDL_Rect* at, SDL_Surface** keep)
{
    SDL_Surface* rendered = TTF_RenderText_Solid(font, text, white);
    drawtext(rendered, at);
    if (keep)
        settext(keep, rendered);
    else
        SDL_FreeSurface(rendered);
}

void menu::settext(SDL_Surface** field, SDL_Surface* text)
{
    SDL_FreeSurface(*field);
    *field = text;
}

// The blit writes the text's size back into the rectangle; the next erase covers exactly it.
void menu::drawtext(SDL_Surface* text, SDL_Rect* at)
{
    SDL_BlitSurface(text, nullptr, menupic, at);
}

void menu::erase(SDL_Rect* area)
{
    SDL_BlitSurface(cleanpic, area, menupic, area);
}

void menu::show()
{
    SDL_BlitSurface(menupic, nullptr, screen, &menurect);
}

void menu::addwin(char side)
{
    if (side == 'l' || side == 'r') {
        const bool left = side == 'l';
        int& wins = left ? leftwins : rightwins;
        SDL_Rect& at = left ? leftwinsrect : rightwinsrect;
        char* str = left ? leftwinsstr : rightwinsstr;
        wins++;
        erase(&at);
        twodigits(str, wins);
        // the count is not kept: the tally texts stay what construction or a reset rendered
        SDL_Surface* count = TTF_RenderText_Solid(font32, str, white);
        drawtext(count, &at);
        SDL_FreeSurface(count);
    }
    // the piece lands at the panel's corner, not where it lies in the panel
    SDL_BlitSurface(menupic, &tallyrect, screen, &menurect);
}

int menu::inside(const SDL_Rect& button) const
{
    const int x = event->button.x;
    const int y = event->button.y;
    return x > menurect.x + button.x && x < menurect.x + button.x + button.w && y > menurect.y + button.y &&
           y < menurect.y + button.y + button.h;
}

void menu::drawspeed()
{
    erase(&speedrect);
    twodigits(speedstr, gamespeed);
    settext(&speedtext, TTF_RenderText_Solid(font24, speedstr, white));
    drawtext(speedtext, &speedrect);
}

void menu::kind(char* type, char skill, SDL_Surface** typetext, SDL_Rect* typerect, SDL_Surface** skilltext,
                SDL_Rect* skillrect)
{
    if (*type == 'h') {
        erase(typerect);
        settext(typetext, TTF_RenderText_Solid(font24, "computer", white));
        drawtext(*typetext, typerect);
        // the skill's place is blank while the side is human: nothing to erase first
        settext(skilltext, TTF_RenderText_Solid(font24, skill == 'i' ? "extrem idiotic" : "idiotic", white));
        drawtext(*skilltext, skillrect);
        *type = 'c';
    } else if (*type == 'c') {
        erase(typerect);
        settext(typetext, TTF_RenderText_Solid(font24, "human", white));
        drawtext(*typetext, typerect);
        erase(skillrect);
        *type = 'h';
    } else {
        return;
    }
    show();
    SDL_Flip(screen);
}

void menu::toggleskill(char* skill, SDL_Surface** skilltext, SDL_Rect* skillrect)
{
    if (*skill != 's' && *skill != 'i')
        return;
    const bool toextrem = *skill == 's';
    erase(skillrect);
    settext(skilltext, TTF_RenderText_Solid(font24, toextrem ? "extrem idiotic" : "idiotic", white));
    drawtext(*skilltext, skillrect);
    *skill = toextrem ? 'i' : 's';
    show();
    SDL_Flip(screen);
}

void menu::run()
{
    // The tally texts lead with a '0' that lands on a count's first digit. Below 10 that digit is
    // a '0' too; from 10 on the count is drawn again over it. The right text is a lone '0', which
    // also would shrink the area that addwin erases next to one digit, so it is left out.
    drawtext(leftwinstext, &leftwinsrect);
    if (leftwins >= 10) {
        SDL_Surface* count = TTF_RenderText_Solid(font32, leftwinsstr, white);
        SDL_Rect at = rect(leftwinsrect.x, leftwinsrect.y, count ? count->w : 0, count ? count->h : 0);
        erase(&at);
        drawtext(count, &at);
        SDL_FreeSurface(count);
    }
    drawspeed();
    // the show also gives menurect back the full size that addwin's tally piece took from it
    show();
    opencount++;
    if (opencount == 2) {
        erase(&startrect);
        settext(&starttext, TTF_RenderText_Solid(font24, "back to game", white));
        drawtext(starttext, &startrect);
        show();
    }
    SDL_Flip(screen);
    resetscore = 0;

    int leave = 0;
    for (;;) {
        if (!SDL_PollEvent(event)) {
            if (leave > 0)
                break;
            continue;
        }
        if (event->type != SDL_MOUSEBUTTONDOWN)
            continue;
        const int x = event->button.x;
        const int y = event->button.y;
        if (!(x > menurect.x && x < menurect.x + menurect.w && y > menurect.y && y < menurect.y + menurect.h))
            continue;
        // every button is tested for every press, in this order
        if (inside(startbutton))
            leave++;
        if (inside(quitbutton)) {
            quit = 1;
            leave++;
        }
        if (inside(resetbutton)) {
            resetscore = 1;
            leftwins = 0;
            rightwins = 0;
            settext(&leftwinstext, TTF_RenderText_Solid(font32, "0          :", white));
            settext(&rightwinstext, TTF_RenderText_Solid(font32, "0", white));
            erase(&leftwinserase);
            erase(&rightwinserase);
            drawtext(leftwinstext, &leftwinsrect);
            drawtext(rightwinstext, &rightwinsrect);
            show();
            SDL_Flip(screen);
        }
        if (inside(soundbutton)) {
            erase(&soundrect);
            settext(&soundtext, TTF_RenderText_Solid(font24, sound == 1 ? "off" : "on", white));
            drawtext(soundtext, &soundrect);
            sound = sound == 1 ? 0 : 1;
            show();
            SDL_Flip(screen);
        }
        if (inside(slowerbutton) && gamespeed > 0) {
            gamespeed--;
            drawspeed();
            show();
            SDL_Flip(screen);
        }
        if (inside(fasterbutton) && gamespeed < 50) {
            gamespeed++;
            drawspeed();
            show();
            SDL_Flip(screen);
        }
        if (inside(lefttypebutton))
            kind(&lefttype, leftskill, &lefttypetext, &lefttyperect, &leftskilltext, &leftskillrect);
        if (inside(righttypebutton))
            kind(&righttype, rightskill, &righttypetext, &righttyperect, &rightskilltext, &rightskillrect);
        if (inside(leftskillbutton) && lefttype == 'c')
            toggleskill(&leftskill, &leftskilltext, &leftskillrect);
        if (inside(rightskillbutton) && righttype == 'c')
            toggleskill(&rightskill, &rightskilltext, &rightskillrect);
    }
    back->drawsky();
}
