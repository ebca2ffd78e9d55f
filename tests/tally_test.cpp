#include "session.h"

#include "background.h"
#include "menu.h"

#include <SDL/SDL_ttf.h>
#include <gtest/gtest.h>

// The games-won tally at every opening of the menu: the true count of each side and the colon,
// with no digit of an older text over a count.
TEST(tally, ateveryopening)
{
    ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO));
    ASSERT_EQ(0, TTF_Init());
    SDL_Surface* screen = SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE);
    TTF_Font* font[3] = {TTF_OpenFont("pix/astronbo.ttf", 16), TTF_OpenFont("pix/astronbo.ttf", 24),
                         TTF_OpenFont("pix/astronbo.ttf", 32)};
    ASSERT_TRUE(screen && font[0] && font[1] && font[2]);
    SDL_Event event;
    background back(screen);
    const SDL_Color white = {255, 255, 255, 0};
    auto draw = [&](SDL_Surface* on, const char* text, int x, bool clean, SDL_Surface* from) {
        SDL_Surface* t = TTF_RenderText_Solid(font[2], text, white);
        SDL_Rect at = {static_cast<Sint16>(x), 40, static_cast<Uint16>(t->w), static_cast<Uint16>(t->h)};
        if (clean)
            SDL_BlitSurface(from, &at, on, &at);
        SDL_BlitSurface(t, nullptr, on, &at);
        SDL_FreeSurface(t);
    };
    for (char side : {'l', 'r'}) {
        menu panel(screen, font[0], font[1], font[2], &event, &back);
        for (int wins = 1; wins <= 99; wins++) {
            panel.addwin(side);
            if (wins != 4 && wins != 10 && wins != 16 && wins != 30 && wins != 99)
                continue;
            SDL_Event start{};
            start.type = SDL_MOUSEBUTTONDOWN;
            start.button.x = 150 + 300;
            start.button.y = 100 + 370;
            SDL_PushEvent(&start);
            panel.run();
            // what the panel should show: both tally texts, then the count over its own area
            SDL_Surface* want = SDL_ConvertSurface(panel.cleanpic, panel.cleanpic->format, SDL_SWSURFACE);
            draw(want, "0          :", 191, false, nullptr);
            draw(want, "0", 336, false, nullptr);
            const char count[4] = {char('0' + wins / 10), char('0' + wins % 10), ' ', 0};
            draw(want, count, side == 'l' ? 191 : 336, true, panel.cleanpic);
            for (int y = 21; y < 81; y++)
                for (int x = 166; x < 386; x++)
                    ASSERT_EQ(pixel(want, x, y), pixel(panel.menupic, x, y))
                        << "side " << side << ", " << wins << " wins: panel pixel (" << x << "," << y << ")";
            SDL_FreeSurface(want);
        }
    }
    for (TTF_Font* f : font)
        TTF_CloseFont(f);
    TTF_Quit();
    SDL_Quit();
}
