#include "background.h"
#include "bullet.h"
#include "plane.h"

#include <gtest/gtest.h>

TEST(bullet, pathsandhits)
{
    SDL_Surface* screen = SDL_Init(SDL_INIT_VIDEO) ? nullptr : SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE);
    background back(screen);
    plane p[5] = {
        {screen, 1, 'l', 10, 1, &back}, {screen, 1, 'l', 10, 2, &back}, {screen, 1, 'l', 10, 3, &back},
        {screen, 1, 'l', 10, 4, &back}, {screen, 1, 'l', 10, 5, &back},
    };
    bullet b[2] = {{screen, 'l', &p[0], &p[1], &p[2], &p[3], &p[4], &back, nullptr},
                   {screen, 'r', &p[0], &p[1], &p[2], &p[3], &p[4], &back, nullptr}};
    // Each frame steps by that frame's cannon: up 15; middle 10 ahead and 10 up; down 15 ahead and 5 up.
    const struct {
        const char* cannons;
        const char* path[2]; // left, right
    } paths[] = {
        {"uuu", {" 80,525 80,510 80,495", " 720,525 720,510 720,495"}},
        {"mmm", {" 90,530 100,520 110,510", " 710,530 700,520 690,510"}},
        {"ddd", {" 95,535 110,530 125,525", " 705,535 690,530 675,525"}},
        {"dmuum", {" 95,535 105,525 105,510 105,495 115,485", " 705,535 695,525 695,510 695,495 685,485"}},
    };
    for (const auto& r : paths)
        for (int s = 0; s < 2; s++) {
            b[s].fired = 1;
            std::string path;
            for (const char* c = r.cannons; *c; c++)
                b[s].move(*c), path += " " + std::to_string(b[s].pos.x) + "," + std::to_string(b[s].pos.y);
            EXPECT_EQ(r.path[s], path) << "lr"[s] << " steered " << r.cannons;
            b[s].reset();
        }
    // Touching rectangles strike, one pixel of gap misses; only the plane of the band that holds the
    // row just above the bullet's top edge counts, and only while it flies.
    const struct {
        const char* what;
        int x, y, band, ty, flying, expstage, struck; // the plane of `band` stands at (400, ty), 56 by 22
    } hits[] = {
        {"touching above", 420, 184, 3, 190, 1, 0, 3}, {"gap above", 420, 183, 3, 190, 1, 0, 0},
        {"touching below", 420, 212, 3, 190, 1, 0, 3}, {"gap below", 420, 213, 3, 190, 1, 0, 0},
        {"touching left", 394, 200, 3, 190, 1, 0, 3},  {"gap left", 393, 200, 3, 190, 1, 0, 0},
        {"touching right", 456, 200, 3, 190, 1, 0, 3}, {"gap right", 457, 200, 3, 190, 1, 0, 0},
        {"exploding", 420, 200, 3, 190, 0, 3, 0},      {"down", 420, 200, 3, 190, 0, 0, 0},
        {"top in band 3", 420, 240, 2, 236, 1, 0, 0},  {"top in band 2", 420, 241, 2, 236, 1, 0, 2},
    };
    for (const auto& r : hits) {
        plane& t = p[r.band - 1];
        t.pos = {400, Sint16(r.ty), 56, 22}, t.flying = r.flying, t.expstage = r.expstage;
        b[0].pos = {Sint16(r.x), Sint16(r.y), 6, 6};
        const plane* struck = b[0].collide();
        EXPECT_EQ(r.struck, struck ? struck->height : 0) << r.what;
    }
    SDL_Quit();
}
