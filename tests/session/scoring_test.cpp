#include "session/session.h"

#include "bullet.h"
#include "menu.h"
#include "plane.h"
#include "tank.h"

#include <SDL/SDL_ttf.h>
#include <functional>
#include <gtest/gtest.h>

namespace {

const char* const leftwon = "left player won!!! press space to continue";

// Readies a strike for the next frame: the bullet flies (cannon in the middle) into the plane's
// band at x + 10 (x - 10 for the right bullet), where the plane will have moved to cover it.
void lineup(bullet* b, plane* p, int x)
{
    const int ahead = b->side == 'l' ? 10 : -10;
    const int y = 350 - (p->height - 1) * 80;
    p->flying = 1;
    p->expstage = 0;
    p->crossing = 0;
    p->pos.w = static_cast<Uint16>(p->pic->w);
    p->pos.h = static_cast<Uint16>(p->pic->h);
    p->pos.y = static_cast<Sint16>(y);
    p->pos.x = static_cast<Sint16>(x + ahead - 20 + (p->dir == 'l' ? p->speed : -p->speed));
    b->fired = 1;
    b->pos.x = static_cast<Sint16>(x);
    b->pos.y = static_cast<Sint16>(y + 10);
}

// How many pixels of the text, rendered solid, differ at (x, y) on the screen: the glyphs from
// its colour, and, given a background, the rest of its box from that.
int misses(SDL_Surface* screen, TTF_Font* font, const char* text, SDL_Color colour, int x, int y,
           const Uint32* background = nullptr)
{
    SDL_Surface* r = TTF_RenderText_Solid(font, text, colour);
    if (!r)
        return -1;
    const Uint32 ink = SDL_MapRGB(screen->format, colour.r, colour.g, colour.b);
    int bad = 0;
    for (int j = 0; j < r->h && y + j < screen->h; j++)
        for (int i = 0; i < r->w && x + i < screen->w; i++) {
            const bool glyph = static_cast<Uint8*>(r->pixels)[j * r->pitch + i] != 0;
            if (glyph || background)
                bad += pixel(screen, x + i, y + j) != (glyph ? ink : *background);
        }
    SDL_FreeSurface(r);
    return bad;
}

// The points beside the tank, exactly: black digits on the ground green.
int showing(const zevostate& st, tank* t, int points)
{
    const char text[4] = {static_cast<char>('0' + points / 10), static_cast<char>('0' + points % 10), ' ', 0};
    const Uint32 green = rgb(st.screen, 37, 226, 27);
    return misses(st.screen, t->font, text, {0, 0, 0, 0}, t->scorerect.x, t->scorerect.y, &green);
}

// Both sides' points as main counts them and as the tanks show them.
void expectpoints(const zevostate& st, int left, int right, int frame)
{
    EXPECT_EQ(left, *st.leftpoints) << "frame " << frame;
    EXPECT_EQ(right, *st.rightpoints) << "frame " << frame;
    EXPECT_EQ(left, st.lefttank->score) << "frame " << frame;
    EXPECT_EQ(right, st.righttank->score) << "frame " << frame;
    EXPECT_EQ(0, showing(st, st.lefttank, left)) << "frame " << frame;
    EXPECT_EQ(0, showing(st, st.righttank, right)) << "frame " << frame;
}

void expectready(bullet* b, int frame)
{
    EXPECT_EQ(0, b->fired) << b->side << " frame " << frame;
    EXPECT_EQ(b->side == 'l' ? 80 : 720, b->pos.x) << b->side << " frame " << frame;
    EXPECT_EQ(540, b->pos.y) << b->side << " frame " << frame;
}

// Each strike: one point to the striking side, shown beside its tank, one explosion, the bullet
// ready again. A struck plane flies on until its explosion starts, so both bullets can strike it.
TEST(scoring, strikes)
{
    session::script s;
    s.start();
    s.frames = 8;
    s.onframe = [&](const zevostate& st, int f) {
        if (f == 2) {
            lineup(st.leftbullet, st.planes[1], 400);
            lineup(st.rightbullet, st.planes[1], 420);
        }
        if (f == 3) {
            expectpoints(st, 1, 1, f);
            EXPECT_EQ(2, session::count(s.sounds, session::explosion, f));
            expectready(st.leftbullet, f);
            expectready(st.rightbullet, f);
            EXPECT_EQ(1, st.planes[1]->expstage);
            lineup(st.leftbullet, st.planes[2], 400);
        }
        if (f == 4) {
            expectpoints(st, 2, 1, f);
            EXPECT_EQ(1, session::count(s.sounds, session::explosion, f));
            expectready(st.leftbullet, f);
            EXPECT_EQ(0, st.planes[1]->flying);
            EXPECT_EQ(2, st.planes[1]->expstage);
        }
    };
    EXPECT_EQ(0, s.run());
    EXPECT_EQ(3, session::count(s.sounds, session::explosion));
    EXPECT_EQ(0, session::count(s.sounds, session::applause));
}

// A game won in frame 3: both sides stand at 24 and one or both are lined up to strike; the win
// wait is handed `wait` from its flip. Checks the flip, then the game goes on.
struct wingame {
    session::script s;
    session::script wait;
    bool left = true, right = false;
    int winflips = 0;
    std::function<void(const zevostate&)> after; // at the end of the frame after the win

    void run()
    {
        s.start();
        s.frames = 6;
        s.onframe = [&](const zevostate& st, int f) {
            if (f == 1) {
                *st.leftpoints = *st.rightpoints = 24; // 24 alone wins nothing
                st.lefttank->score = st.righttank->score = 24;
            }
            if (f == 2) {
                EXPECT_EQ(0, session::count(s.sounds, session::applause));
                EXPECT_EQ(0, st.panel->leftwins + st.panel->rightwins);
                if (left)
                    lineup(st.leftbullet, st.planes[3], 400);
                if (right)
                    lineup(st.rightbullet, st.planes[3], 420);
            }
            if (f == 3)
                expectpoints(st, 0, 0, f);
            if (f == 4 && after)
                after(st);
        };
        s.onflip = [&](const zevostate& st, int f) {
            if (f != 3 || winflips++ > 0)
                return;
            EXPECT_EQ(1, st.panel->leftwins);
            EXPECT_EQ(0, st.panel->rightwins);
            EXPECT_EQ(0, showing(st, st.lefttank, 25)); // until Space
            EXPECT_EQ(0, misses(st.screen, st.lefttank->font, leftwon, {255, 255, 255, 0}, 300, 300));
            EXPECT_EQ(1, session::count(s.sounds, session::applause, 3));
            s.now(wait);
        };
        EXPECT_EQ(0, s.run());
        EXPECT_EQ(2, winflips); // the win's and the frame's own
        EXPECT_EQ(7, s.frame);
        EXPECT_EQ(1, session::count(s.sounds, session::applause));
    }
};

// During the wait only a Space press counts; everything else is gone for good.
TEST(scoring, winwaitsforspace)
{
    wingame g;
    g.wait.keyup(0, SDLK_SPACE);
    g.wait.keydown(0, SDLK_a);
    g.wait.keydown(0, SDLK_w);
    g.wait.click(0, 150 + 73 + 80, 100 + 93 + 18);
    g.wait.close(0);
    g.wait.keydown(0, SDLK_SPACE);
    g.after = [](const zevostate& st) {
        EXPECT_EQ(0, *st.quitflag);
        EXPECT_EQ('m', *st.leftcannon);
        EXPECT_EQ('h', *st.lefttype);
        EXPECT_EQ(0, st.leftbullet->fired);
    };
    g.run();
    EXPECT_EQ(0, session::count(g.s.sounds, session::shot));
}

// Both sides past 24 in one frame: the left side wins and the reset leaves the right side nothing.
TEST(scoring, bothreach25)
{
    wingame g;
    g.right = true;
    g.wait.keydown(0, SDLK_SPACE);
    g.run();
    EXPECT_EQ(2, session::count(g.s.sounds, session::explosion));
}

// Stays in the win wait: a Space held since before the win, its release and all other input.
void staysinwait()
{
    wingame g;
    g.s.keydown(3, SDLK_SPACE);
    g.s.keyup(4, SDLK_b); // keeps the script going, so nothing ends the wait for the test
    g.wait.keyup(0, SDLK_SPACE);
    g.wait.keydown(0, SDLK_a);
    g.wait.click(0, 400, 300);
    g.wait.close(0);
    g.wait.keyup(0, SDLK_a);
    g.run();
}

TEST(scoring, releaseandheldspacedonotendwait)
{
    EXPECT_EXIT(staysinwait(), ::testing::ExitedWithCode(3), "stuck in frame 3");
}

} // namespace
