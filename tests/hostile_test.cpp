#include "session.h"

#include "background.h"
#include "bullet.h"
#include "plane.h"
#include "tank.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace {

// What must hold after every frame, whatever the input: planes in their bands, bullets flying or
// ready at their tanks, points below the winning count, sky bands of palette colours.
std::string broken(const zevostate& st)
{
    for (int i = 0; i < 5; i++) {
        const plane* p = st.planes[i];
        if (p->flying < 0 || p->flying > 1 || p->expstage < 0 || p->expstage > 5 ||
            p->pos.y != 350 - 80 * i - (p->expstage > 1 ? 20 : 0))
            return "plane of band " + std::to_string(i + 1) + " at y " + std::to_string(p->pos.y);
        if (std::none_of(skytable, skytable + 10, [&](const Uint8* c) {
                return st.back->colour[i] == SDL_MapRGB(st.screen->format, c[0], c[1], c[2]);
            }))
            return "band " + std::to_string(i + 1) + " of no palette colour";
    }
    for (const bullet* b : {st.leftbullet, st.rightbullet})
        if (b->fired != 1 && (b->fired != 0 || b->pos.x != (b->side == 'l' ? 80 : 720) || b->pos.y != 540))
            return std::string("bullet ") + b->side + " neither flying nor ready";
    const int points = std::max(st.lefttank->score, st.righttank->score);
    return std::min(st.lefttank->score, st.righttank->score) < 0 || points > 24 ? "points " + std::to_string(points)
                                                                                : "";
}

} // namespace

// Random keys, releases and clicks anywhere but on quit, several a frame, and a menu now and then
// (each costs as much as a hundred frames); random draws with the extremes often. Menus and win
// waits are left by the session's own nudges. ZEVO_HOSTILE_SEEDS=FIRST,COUNT picks the seeds.
TEST(hostile, seeds)
{
    unsigned first = 0, count = 200;
    std::sscanf(std::getenv("ZEVO_HOSTILE_SEEDS") ? std::getenv("ZEVO_HOSTILE_SEEDS") : "", "%u,%u", &first, &count);
    for (unsigned seed = first; seed < first + count; seed++) {
        std::mt19937 g(seed);
        session::script s;
        s.seed = seed;
        s.frames = 5000;
        for (int i = 0; i < 20000; i++)
            s.rands.push_back(g() % 3 == 0 ? 0 : g() % 3 == 0 ? 2147483647 : static_cast<int>(g() % 2147483647));
        const SDLKey keys[] = {SDLK_a, SDLK_d, SDLK_w, SDLK_LEFT, SDLK_RIGHT, SDLK_UP, SDLK_SPACE, SDLK_q, SDLK_ESCAPE};
        for (int f = 0; f < s.frames; f++)
            for (unsigned n = g() % 4; n > 0; n--) {
                const int x = static_cast<int>(g() % 800), y = static_cast<int>(g() % 600);
                if (g() % 3 == 0)
                    s.click(f, x < 240 && y < 190 ? x + 240 : x, y);
                else
                    s.key(f, keys[g() % 200 == 0 ? 8 : g() % 8], g() % 2);
            }
        std::string fault;
        s.onframe = [&](const zevostate& st, int f) {
            if (fault.empty() && !(fault = broken(st)).empty())
                fault += " after frame " + std::to_string(f);
        };
        EXPECT_EQ(0, s.run()) << "seed " << seed;
        EXPECT_EQ("", fault) << "rerun: ZEVO_HOSTILE_SEEDS=" << seed
                             << ",1 build/tests/zevotests --gtest_filter=hostile.*";
    }
}

// A million frames of computer against computer at full speed: resident memory stays flat.
TEST(longrun, memoryflat)
{
    auto residentkb = [] {
        long pages = 0, resident = 0;
        std::ifstream("/proc/self/statm") >> pages >> resident;
        return resident * (sysconf(_SC_PAGESIZE) / 1024);
    };
    session::script s;
    s.play("0:leftkind 0:rightkind 0:faster*25 0:start");
    s.frames = 1000000;
    long early = 0;
    s.onframe = [&](const zevostate&, int f) {
        s.sounds.clear(); // the record would grow
        early = f == 10000 ? residentkb() : early;
    };
    ASSERT_EQ(0, s.run());
    EXPECT_EQ(1000001, s.frame);
    EXPECT_LT(residentkb() - early, 1024) << "kB grown between frame 10,000 and the end";
}
