#include "background.h"
#include "plane.h"
#include "session.h"

#include <gtest/gtest.h>

// The plane flies a 50 by 20 strip whose column c is green 10 + c. Per move: its x, then the strip
// columns that its last row shows, "first-last@x", and "?" when they are not one run (a trail).
TEST(plane, crossestheedges)
{
    SDL_Surface* screen = SDL_Init(SDL_INIT_VIDEO) ? nullptr : SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE);
    background back(screen);
    plane p(screen, 1, 'r', 10, 1, &back);
    SDL_FreeSurface(p.pic);
    p.pic = SDL_CreateRGBSurface(SDL_SWSURFACE, 50, 20, 16, 0xf800, 0x7e0, 0x1f, 0);
    for (int i = 0; i < 50 * 20; i++) // rows of 100 bytes: no padding
        static_cast<Uint16*>(p.pic->pixels)[i] = Uint16(0xf800 | (10 + i % 50) << 5);
    auto shown = [&](int y) {
        std::vector<int> xs, cs;
        for (int x = 0; x < 800; x++)
            if (pixel(screen, x, y) != back.colour[0])
                xs.push_back(x), cs.push_back(int(pixel(screen, x, y) >> 5 & 63) - 10);
        const int n = int(xs.size());
        return n ? " " + std::to_string(cs[0]) + "-" + std::to_string(cs[n - 1]) + "@" + std::to_string(xs[0]) +
                       (cs[n - 1] - cs[0] + 1 == n ? "" : "?")
                 : "";
    };
    const struct {
        int x, speed;
        char dir;
        std::vector<std::string> moves;
    } rows[] = {
        {795, 10, 'r', {"805", "0 40-49@0", "0 30-49@0", "0 20-49@0", "0 10-49@0", "0 0-49@0", "10 0-49@10"}},
        // the last window step overshoots: the whole strip lands at -src.x and flies on from there
        {795, 15, 'r', {"810", "0 35-49@0", "0 20-49@0", "0 5-49@0", "10 0-49@10", "25 0-49@25"}},
        {5, 15, 'l', {"0 10-49@0", "0 15-49@0", "0 30-49@0", "0 45-49@0", "850", "835", "820", "805", "790 0-9@790"}},
        // the crossing starts from the whole width, whatever part had been visible
        {5, 25, 'l', {"0 20-49@0", "0 25-49@0", "850", "825", "800", "775 0-24@775", "750 0-49@750"}},
    };
    for (const auto& r : rows) {
        back.drawsky();
        p.pos = {Sint16(r.x), 350, 50, 20}, p.src = {Sint16(r.x), 0, 50, 20};
        p.crossing = 0, p.dir = r.dir, p.speed = r.speed;
        SDL_BlitSurface(p.pic, nullptr, screen, &p.pos); // where the move before left it
        std::vector<std::string> seen(r.moves.size());
        for (std::string& s : seen)
            p.move(), s = std::to_string(p.pos.x) + shown(369);
        EXPECT_EQ(r.moves, seen) << "from x " << r.x << " at " << r.speed << " towards " << r.dir;
    }
    SDL_Quit();
}
