#include "artstup.h"
#include "background.h"
#include "bullet.h"
#include "plane.h"
#include "session.h"

#include <gtest/gtest.h>

// Planes fly leftwards at 5 from x 800 but for the one aimed at. Per row: the cannon, the band aimed at,
// whether the resting bullet was fired, srand() called, rand() called how often, the draw of 5 told.
TEST(artstup, choices)
{
    const struct {
        const char *what, *flying;       // flying: the bands whose plane flies
        char side, skill, dir;           // dir: of the plane aimed at
        int band, speed, tx, ty, bx, by; // the plane aimed at; the bullet, resting at (0, 0)
        std::vector<int> draws;          // rand()'s answers, as draws of 0 to 5
        const char* want;
    } rows[] = {
        {"nothing flies", "", 'l', 'i', 'r', 2, 5, 600, 270, 0, 0, {}, "m 2 fires seeds"},
        {"nothing flies", "", 'r', 's', 'r', 2, 5, 600, 270, 0, 0, {}, "m 2 fires"},
        {"the lowest flying plane", "35", 'r', 's', 'r', 1, 5, 600, 350, 0, 0, {}, "m 3 fires"},
        {"draws until one flies", "3", 'l', 'i', 'r', 1, 5, 600, 350, 0, 0, {0, 5, 4, 2}, "m 3 fires seeds 4 draws 5!"},
        {"a draw of 5 is band 5", "12345", 'r', 'i', 'r', 1, 5, 600, 350, 0, 0, {5}, "m 5 fires seeds 1 draws 5!"},
        {"dx 100, dy 50", "12345", 'l', 'i', 'r', 3, 5, 400, 200, 300, 250, {}, "m 3"},
        {"dx 101, dy 50", "12345", 'l', 'i', 'r', 3, 5, 401, 200, 300, 250, {}, "d 3"},
        {"dx 100, dy 50", "12345", 'r', 'i', 'l', 3, 5, 400, 200, 500, 250, {}, "u 3"},
        {"straight above, struck by the other side", "", 'l', 'i', 'r', 3, 5, 300, 190, 300, 250, {}, "u 3"},
        {"above the target, only 1 and 2 fly", "12", 'l', 's', 'l', 1, 5, 200, 350, 300, 300, {}, "u 1"},
        {"above the target: 4 before 3", "134", 'l', 's', 'l', 1, 5, 200, 350, 300, 300, {}, "u 4"},
        {"away at 10", "14", 'l', 's', 'r', 1, 10, 200, 350, 300, 400, {}, "u 1"},
        {"away at 11: retarget high", "14", 'l', 's', 'r', 1, 11, 200, 350, 300, 400, {}, "u 4"},
        {"away at 11: retarget high", "15", 'r', 's', 'l', 1, 11, 400, 350, 500, 400, {}, "u 5"},
        {"towards the tank at 11", "15", 'r', 's', 'r', 1, 11, 400, 350, 500, 400, {}, "u 1"},
        {"towards the tank, dy 80", "2", 'l', 's', 'l', 2, 5, 350, 301, 300, 381, {}, "d 2"},
        {"towards the tank, dy 81", "2", 'l', 's', 'l', 2, 5, 350, 301, 300, 382, {}, "u 2"},
    };
    SDL_Surface* screen = SDL_Init(SDL_INIT_VIDEO) ? nullptr : SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE);
    background back(screen);
    plane p[5] = {
        {screen, 1, 'l', 5, 1, &back}, {screen, 1, 'l', 5, 2, &back}, {screen, 1, 'l', 5, 3, &back},
        {screen, 1, 'l', 5, 4, &back}, {screen, 1, 'l', 5, 5, &back},
    };
    for (const auto& r : rows) {
        for (int i = 0; i < 5; i++)
            p[i].flying = strchr(r.flying, '1' + i) != nullptr;
        plane& t = p[r.band - 1];
        t.dir = r.dir, t.speed = r.speed, t.pos.x = Sint16(r.tx), t.pos.y = Sint16(r.ty);
        bullet b(screen, r.side, &p[0], &p[1], &p[2], &p[3], &p[4], &back, nullptr);
        b.fired = r.by > 0, b.pos.x = Sint16(r.bx), b.pos.y = Sint16(r.by);
        artstup a(&p[0], &p[1], &p[2], &p[3], &p[4], &b);
        a.target = &t;
        session::script rec;
        for (int k : r.draws)
            rec.rands.push_back(drawof(2 * k));
        session::current = &rec;
        testing::internal::CaptureStdout();
        std::string got = {a.moveshot(r.side, r.skill), ' ', char('0' + a.target->height)};
        const std::string out = testing::internal::GetCapturedStdout();
        session::current = nullptr;
        got += std::string(r.by == 0 && b.fired ? " fires" : "") + (rec.srands ? " seeds" : "");
        got += rec.randcalls ? " " + std::to_string(rec.randcalls) + " draws" : "";
        got += out == "random in artstup::moveshot reached 5\n" ? " 5!" : out;
        EXPECT_EQ(r.want, got) << r.what << " (side " << r.side << ", skill " << r.skill << ")";
    }
    SDL_Quit();
}
