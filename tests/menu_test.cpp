#include "background.h"
#include "menu.h"
#include "session.h"

#include <SDL/SDL_ttf.h>
#include <gtest/gtest.h>

// The real menu, its polls answered by a session script: one press, then, if the menu is still
// open, the session's own nudge on start.
struct menutest : testing::Test {
    SDL_Surface* screen = SDL_Init(SDL_INIT_VIDEO) ? nullptr : SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE);
    TTF_Font* font = TTF_Init() ? nullptr : TTF_OpenFont("pix/astronbo.ttf", 32);
    session::script s;
    SDL_Event event;
    background back{screen};
    menu* m = (session::current = &s, new menu(screen, font, font, font, &event, &back));

    bool closedby(int x, int y) // runs the menu
    {
        s.queue = {{0, session::press(x, y)}}, s.next = 0, s.nudges = 0;
        m->run();
        return s.nudges == 0;
    }
    ~menutest() { session::current = nullptr, delete m, TTF_CloseFont(font), TTF_Quit(), SDL_Quit(); }
};

// Each opening starts with both sides the computer at "extrem idiotic", speed 25 and sound on, and
// gets one press. Per row: quit, speed, sound, reset, kinds and skills, and whether the menu closed,
// after a press one pixel inside an edge of the button; a press on the edge changes nothing.
TEST_F(menutest, buttonsattheirborders)
{
    const struct {
        int button;
        const char* inside;
    } rows[] = {
        {session::start, "0 25 1 0 ccii closed"}, {session::quit, "1 25 1 0 ccii closed"},
        {session::reset, "0 25 1 1 ccii"},        {session::sound, "0 25 0 0 ccii"},
        {session::slower, "0 24 1 0 ccii"},       {session::faster, "0 26 1 0 ccii"},
        {session::leftkind, "0 25 1 0 hcii"},     {session::rightkind, "0 25 1 0 chii"},
        {session::leftskill, "0 25 1 0 ccsi"},    {session::rightskill, "0 25 1 0 ccis"},
    };
    ASSERT_TRUE(screen && font);
    const SDL_Rect panel = m->menurect;
    for (const auto& r : rows) {
        const SDL_Rect& b = session::buttons[r.button];
        const int x = panel.x + b.x, y = panel.y + b.y, mx = x + b.w / 2, my = y + b.h / 2;
        for (int in = 0; in < 2; in++)
            for (auto pt : {std::make_pair(x + in, my), {x + b.w - in, my}, {mx, y + in}, {mx, y + b.h - in}}) {
                m->quit = 0, m->gamespeed = 25, m->sound = 1;
                m->lefttype = m->righttype = 'c', m->leftskill = m->rightskill = 'i';
                const bool closed = closedby(pt.first, pt.second);
                char now[32];
                snprintf(now, sizeof now, "%d %d %d %d %c%c%c%c%s", m->quit, m->gamespeed, m->sound, m->resetscore,
                         m->lefttype, m->righttype, m->leftskill, m->rightskill, closed ? " closed" : "");
                EXPECT_EQ(in ? r.inside : "0 25 1 0 ccii", std::string(now)) << "at " << pt.first << "," << pt.second;
            }
    }
}

// The games-won tally at every opening: each side's true count and the colon, with no digit of an
// older text over a count.
TEST_F(menutest, tallyateveryopening)
{
    ASSERT_TRUE(screen && font);
    const SDL_Color white = {255, 255, 255, 0};
    auto draw = [&](SDL_Surface* on, const char* text, int x, bool clean) {
        SDL_Surface* t = TTF_RenderText_Solid(font, text, white);
        SDL_Rect at = {Sint16(x), 40, Uint16(t->w), Uint16(t->h)};
        if (clean)
            SDL_BlitSurface(m->cleanpic, &at, on, &at);
        SDL_BlitSurface(t, nullptr, on, &at);
        SDL_FreeSurface(t);
    };
    for (char side : {'l', 'r'}) {
        delete m;
        m = new menu(screen, font, font, font, &event, &back);
        for (int wins = 1; wins <= 99; wins++) {
            m->addwin(side);
            if (wins != 4 && wins != 10 && wins != 16 && wins != 30 && wins != 99)
                continue;
            closedby(0, 0);
            // both tally texts, then the count over its own area
            SDL_Surface* want = SDL_ConvertSurface(m->cleanpic, m->cleanpic->format, SDL_SWSURFACE);
            draw(want, "0          :", 191, false);
            draw(want, "0", 336, false);
            const char count[4] = {char('0' + wins / 10), char('0' + wins % 10), ' ', 0};
            draw(want, count, side == 'l' ? 191 : 336, true);
            for (int y = 21; y < 81; y++)
                for (int x = 166; x < 386; x++)
                    ASSERT_EQ(pixel(want, x, y), pixel(m->menupic, x, y))
                        << side << " side, " << wins << " wins: panel pixel (" << x << "," << y << ")";
            SDL_FreeSurface(want);
        }
    }
}
