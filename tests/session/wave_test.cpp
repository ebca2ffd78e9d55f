#include "background.h"
#include "bullet.h"
#include "main.h"
#include "plane.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct entry {
    int kind; // 0: the formation leaves this band alone
    char dir;
    int speed;
};

// by draw, band 1 first
const entry formations[11][5] = {
    {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
    {{1, 'l', 10}, {1, 'l', 10}, {1, 'l', 10}, {1, 'l', 10}, {1, 'l', 10}},
    {{0, 0, 0}, {0, 0, 0}, {2, 'l', 12}, {2, 'r', 18}, {2, 'l', 12}},
    {{3, 'l', 5}, {3, 'r', 5}, {2, 'l', 10}, {2, 'r', 10}, {2, 'l', 10}},
    {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {2, 'l', 15}},
    {{3, 'l', 20}, {2, 'l', 15}, {1, 'r', 15}, {1, 'l', 10}, {1, 'r', 10}},
    {{0, 0, 0}, {3, 'r', 17}, {0, 0, 0}, {3, 'r', 17}, {3, 'r', 17}},
    {{1, 'l', 10}, {1, 'r', 10}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
    {{1, 'l', 18}, {2, 'r', 8}, {2, 'r', 8}, {2, 'r', 8}, {3, 'l', 18}},
    {{2, 'l', 17}, {2, 'l', 13}, {0, 0, 0}, {0, 0, 0}, {1, 'r', 10}},
    {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
};
const int picsize[4][2] = {{0, 0}, {60, 26}, {78, 32}, {56, 22}};
const int bandy[5] = {350, 270, 190, 110, 30};

std::string screenof(SDL_Surface* s)
{
    return std::string(static_cast<const char*>(s->pixels), static_cast<size_t>(s->pitch) * s->h);
}

// first pixel where the screen differs from an earlier copy, or "" when none does
std::string changed(SDL_Surface* s, const std::string& before)
{
    const std::string now = screenof(s);
    for (size_t i = 0; i < now.size(); i++)
        if (now[i] != before[i])
            return "(" + std::to_string(i % s->pitch / 2) + ", " + std::to_string(i / s->pitch) + ")";
    return "";
}

std::string str(const SDL_Rect& r)
{
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" + std::to_string(r.h);
}

} // namespace

// Every draw relaunches exactly its formation, with one rand() call; the other planes stay down as
// they were.
TEST(wave, formations)
{
    ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO));
    SDL_Surface* const screen = SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE);
    ASSERT_NE(nullptr, screen);
    {
        background back(screen);
        const int kinds[5] = {1, 2, 3, 1, 2};
        plane* planes[5];
        for (int i = 0; i < 5; i++)
            planes[i] = new plane(screen, kinds[i], i % 2 ? 'r' : 'l', 10, i + 1, &back);

        std::vector<std::pair<int, int>> draws; // the draw and a rand() result that gives it
        for (int k = 0; k <= 10; k++)
            draws.push_back({k, drawof(k)});
        draws.push_back({9, 2147483646});
        for (const auto& d : draws) {
            const int k = d.first;
            SCOPED_TRACE("draw " + std::to_string(k) + " from rand() " + std::to_string(d.second));
            SDL_Surface* pics[5];
            for (int i = 0; i < 5; i++) {
                planes[i]->flying = 0;
                planes[i]->expstage = 0;
                planes[i]->crossing = 1;
                planes[i]->pos.x = 123;
                planes[i]->speed = 99;
                pics[i] = planes[i]->pic;
            }
            session::script s;
            s.rands = {d.second};
            session::current = &s;
            newwave(planes[0], planes[1], planes[2], planes[3], planes[4]);
            session::current = nullptr;
            EXPECT_EQ(1, s.randcalls);
            for (int i = 0; i < 5; i++) {
                SCOPED_TRACE("band " + std::to_string(i + 1));
                const entry& e = formations[k][i];
                const plane& q = *planes[i];
                EXPECT_EQ(0, q.expstage);
                EXPECT_EQ(bandy[i], q.pos.y);
                if (e.kind == 0) {
                    EXPECT_EQ(0, q.flying);
                    EXPECT_EQ(1, q.crossing);
                    EXPECT_EQ(pics[i], q.pic);
                    EXPECT_EQ(123, q.pos.x);
                    EXPECT_EQ(99, q.speed);
                    continue;
                }
                const int w = picsize[e.kind][0];
                EXPECT_EQ(1, q.flying);
                EXPECT_EQ(0, q.crossing);
                EXPECT_EQ(w, q.pic->w);
                EXPECT_EQ(picsize[e.kind][1], q.pic->h);
                EXPECT_EQ(e.dir, q.dir);
                EXPECT_EQ(e.speed, q.speed);
                EXPECT_EQ(str({static_cast<Sint16>(e.dir == 'l' ? 800 : -w), static_cast<Sint16>(bandy[i]),
                               static_cast<Uint16>(w), static_cast<Uint16>(picsize[e.kind][1])}),
                          str(q.pos));
            }
        }
        for (plane* q : planes)
            delete q;
    }
    SDL_Quit();
}

// With the sky empty, a frame only draws a wave and plays the planes sound, even when the draw
// launches nothing; the launched planes show from the next frame.
TEST(wave, waveframes)
{
    session::script s;
    s.start();
    s.tap(1, SDLK_w); // the left bullet is in flight from frame 1
    s.frames = 7;
    std::string screen;
    SDL_Rect planepos[5] = {};
    SDL_Rect bulletpos = {};
    int calls = 0;
    s.onframe = [&](const zevostate& st, int f) {
        if (f == 2) {
            // shoot the whole sky down at once
            for (plane* p : st.planes) {
                p->flying = 0;
                p->expstage = 0;
            }
            s.rands = {drawof(0), drawof(10), drawof(4)};
            s.randnext = 0;
            calls = s.randcalls;
        }
        if (f >= 3 && f <= 5) {
            SCOPED_TRACE("frame " + std::to_string(f));
            EXPECT_EQ("", changed(st.screen, screen));
            EXPECT_EQ(str(bulletpos), str(st.leftbullet->pos));
            EXPECT_EQ(1, st.leftbullet->fired);
            EXPECT_EQ(calls + f - 2, s.randcalls);
            for (int i = 0; i < (f == 5 ? 4 : 5); i++) {
                EXPECT_EQ(str(planepos[i]), str(st.planes[i]->pos)) << "band " << i + 1;
                EXPECT_EQ(0, st.planes[i]->flying) << "band " << i + 1;
            }
        }
        if (f == 5) {
            // draw 4: the band 5 plane alone, waiting at the right edge
            EXPECT_EQ(1, st.planes[4]->flying);
            EXPECT_EQ("800,30 78x32", str(st.planes[4]->pos));
        }
        if (f == 6) {
            EXPECT_EQ("785,30 15x32", str(st.planes[4]->pos));
            EXPECT_NE(bulletpos.y, st.leftbullet->pos.y) << "the bullet flies on";
        }
        screen = screenof(st.screen);
        for (int i = 0; i < 5; i++)
            planepos[i] = st.planes[i]->pos;
        bulletpos = st.leftbullet->pos;
    };
    EXPECT_EQ(0, s.run());
    EXPECT_EQ((std::vector<int>{0, 3, 4, 5}), session::framesof(s.sounds, session::planes));
}
