#include "background.h"
#include "plane.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const int bandy[5] = {350, 270, 190, 110, 30};
const int picsize[4][2] = {{0, 0}, {60, 26}, {78, 32}, {56, 22}}; // by kind
const int expsize[4] = {24, 38, 54, 68};

// Runs f with rand() answering the draws ks first; returns how many times rand() was called.
template <class F> int withdraws(const std::vector<int>& ks, F f)
{
    session::script s;
    for (int k : ks)
        s.rands.push_back(drawof(k));
    session::current = &s;
    f();
    session::current = nullptr;
    return s.randcalls;
}

template <class F> std::string stdoutof(F f)
{
    std::ostringstream o;
    std::streambuf* const saved = std::cout.rdbuf(o.rdbuf());
    f();
    std::cout.rdbuf(saved);
    return o.str();
}

std::string str(const SDL_Rect& r)
{
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" + std::to_string(r.h);
}
std::string str(int x, int y, int w, int h)
{
    return str(
        SDL_Rect{static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w), static_cast<Uint16>(h)});
}

struct step {
    std::string seen; // strip columns on the screen, "first-last@x"
    int x, w, srcx, srcw, crossing;
};

// A plane of band 1 flying a 50 by 20 strip whose every column has its own colour, over a sky of
// known colours.
class planes : public ::testing::Test {
  protected:
    SDL_Surface* screen = nullptr;
    background* back = nullptr;
    plane* p = nullptr;

    void SetUp() override
    {
        ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO));
        screen = SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE);
        ASSERT_NE(nullptr, screen);
        withdraws({0, 0, 0, 0, 0}, [&] { back = new background(screen); });
        p = new plane(screen, 1, 'r', 10, 1, back);
        SDL_FreeSurface(p->pic);
        const SDL_PixelFormat* f = screen->format;
        p->pic = SDL_CreateRGBSurface(SDL_SWSURFACE, 50, 20, 16, f->Rmask, f->Gmask, f->Bmask, f->Amask);
        for (int c = 0; c < 50; c++) {
            SDL_Rect r = {static_cast<Sint16>(c), 0, 1, 20};
            SDL_FillRect(p->pic, &r, colourof(c));
        }
    }
    void TearDown() override
    {
        delete p;
        delete back;
        SDL_Quit();
    }

    Uint32 colourof(int c) const { return rgb(screen, 255, static_cast<Uint8>(4 * (c + 10)), 0); }
    Uint32 sky() const { return back->colour[0]; }

    // Puts the strip at x on a clean band, as a relaunch would leave it.
    void start(int x, char dir, int speed)
    {
        SDL_Rect band = {0, 320, 800, 80};
        SDL_FillRect(screen, &band, sky());
        p->pos = {static_cast<Sint16>(x), 350, 50, 20};
        p->src = p->pos;
        p->src.y = 0;
        p->crossing = 0;
        p->dir = dir;
        p->speed = speed;
    }

    // strip column at (x, y); -1 for the band's sky, -2 for anything else
    int column(int x, int y) const
    {
        const Uint32 v = pixel(screen, x, y);
        if (v == sky())
            return -1;
        for (int c = 0; c < 50; c++)
            if (v == colourof(c))
                return c;
        return -2;
    }
    std::string row(int y) const
    {
        std::string out;
        for (int x = 0; x < 800;) {
            const int c = column(x, y);
            if (c == -1) {
                x++;
                continue;
            }
            int end = x + 1;
            while (end < 800 && column(end, y) == (c == -2 ? -2 : c + end - x))
                end++;
            out += (out.empty() ? "" : " ") +
                   (c == -2 ? "?" : std::to_string(c) + "-" + std::to_string(c + end - x - 1)) + "@" +
                   std::to_string(x);
            x = end;
        }
        return out;
    }
    // what the player sees of the strip, on its top and bottom rows
    std::string shown() const
    {
        const std::string top = row(350), bottom = row(369);
        return top == bottom ? top : top + " / " + bottom;
    }

    void fly(const std::vector<step>& steps)
    {
        for (size_t i = 0; i < steps.size(); i++) {
            SCOPED_TRACE("move " + std::to_string(i + 1));
            const step& e = steps[i];
            p->move();
            EXPECT_EQ(e.seen, shown());
            EXPECT_EQ(str(e.x, 350, e.w, e.w ? 20 : 0), str(p->pos));
            EXPECT_EQ(str(e.srcx, 0, e.srcw, 20), str(p->src));
            EXPECT_EQ(e.crossing, p->crossing);
        }
    }
};

} // namespace

TEST_F(planes, crossestherightedge)
{
    start(775, 'r', 10);
    fly({{"0-14@785", 785, 15, 775, 50, 0},
         {"0-4@795", 795, 5, 775, 50, 0},
         {"", 805, 0, 775, 50, 0},
         {"40-49@0", 0, 10, 40, 10, 1},
         {"30-49@0", 0, 20, 30, 20, 1},
         {"20-49@0", 0, 30, 20, 30, 1},
         {"10-49@0", 0, 40, 10, 40, 1},
         {"0-49@0", 0, 50, 0, 50, 0},
         {"0-49@10", 10, 50, 0, 50, 0},
         {"0-49@20", 20, 50, 0, 50, 0}});

    // the last window step overshoots: the whole strip lands at x = -src.x and flies on from there
    start(785, 'r', 15);
    fly({{"", 800, 0, 785, 50, 0},
         {"35-49@0", 0, 15, 35, 15, 1},
         {"20-49@0", 0, 30, 20, 30, 1},
         {"5-49@0", 0, 45, 5, 45, 1},
         {"0-49@10", 10, 50, -10, 60, 0},
         {"0-49@25", 25, 50, -10, 60, 0}});
}

TEST_F(planes, crossestheleftedge)
{
    start(5, 'l', 15);
    fly({{"10-49@0", 0, 40, 5, 50, 0},
         {"15-49@0", 0, 35, 15, 35, 1},
         {"30-49@0", 0, 20, 30, 20, 1},
         {"45-49@0", 0, 5, 45, 5, 1},
         {"", 850, 0, 60, 65526, 0},
         {"", 835, 0, 60, 65526, 0},
         {"", 820, 0, 60, 65526, 0},
         {"", 805, 0, 60, 65526, 0},
         {"0-9@790", 790, 10, 60, 65526, 0},
         {"0-24@775", 775, 25, 60, 65526, 0}});
}

TEST_F(planes, launches)
{
    for (int speed : {10, 17}) {
        SCOPED_TRACE("rightwards at " + std::to_string(speed));
        start(-50, 'r', speed);
        fly({{"0-49@" + std::to_string(speed), speed, 50, -50, 50, 0}});
    }
    for (int speed : {15, 12}) {
        SCOPED_TRACE("leftwards at " + std::to_string(speed));
        start(800, 'l', speed);
        const int x = 800 - speed;
        fly({{"0-" + std::to_string(speed - 1) + "@" + std::to_string(x), x, speed, 800, 50, 0},
             {"0-" + std::to_string(2 * speed - 1) + "@" + std::to_string(x - speed), x - speed, 2 * speed, 800, 50,
              0}});
    }
    SCOPED_TRACE("leftwards, faster than the strip is wide");
    start(800, 'l', 60);
    fly({{"0-49@740", 740, 50, 800, 50, 0}});
}

// each band erases with its own colour, as it stands at the time of the erase
TEST_F(planes, erasesinitsbandcolour)
{
    for (int band = 1; band <= 5; band++) {
        SCOPED_TRACE("band " + std::to_string(band));
        plane q(screen, 1, 'r', 10, band, back);
        q.move();
        const Uint32 fresh = rgb(screen, 10, static_cast<Uint8>(40 * band), 90);
        back->colour[band - 1] = fresh;
        q.move();
        EXPECT_TRUE(solid(screen, 10, bandy[band - 1], 10, q.pic->h, fresh));
        EXPECT_NE(fresh, pixel(screen, 9, bandy[band - 1]));
    }
}

TEST_F(planes, explodesandrepaintsthesky)
{
    const Uint32 colours[4] = {rgb(screen, 255, 0, 0), rgb(screen, 0, 255, 0), rgb(screen, 0, 0, 255),
                               rgb(screen, 255, 0, 255)};
    const SDL_PixelFormat* f = screen->format;
    for (int i = 0; i < 4; i++) {
        SDL_FreeSurface(p->exppic[i]);
        p->exppic[i] =
            SDL_CreateRGBSurface(SDL_SWSURFACE, expsize[i], expsize[i], 16, f->Rmask, f->Gmask, f->Bmask, f->Amask);
        SDL_FillRect(p->exppic[i], nullptr, colours[i]);
    }
    start(290, 'r', 10);
    p->move();
    ASSERT_EQ("0-49@300", shown());

    p->hit();
    p->hit(); // a second bullet in the same frame changes nothing
    EXPECT_EQ(1, p->expstage);
    EXPECT_EQ(1, p->flying);
    for (int i = 0; i < 4; i++) {
        SCOPED_TRACE("explosion step " + std::to_string(i + 1));
        p->explode();
        EXPECT_EQ(0, p->flying);
        EXPECT_EQ(i + 2, p->expstage);
        const int n = expsize[i];
        EXPECT_EQ(str(304, 330, n, n), str(p->pos));
        EXPECT_TRUE(solid(screen, 304, 330, n, n, colours[i]));
        EXPECT_NE(colours[i], pixel(screen, 303, 340));
        EXPECT_NE(colours[i], pixel(screen, 304 + n, 340));
        EXPECT_NE(colours[i], pixel(screen, 310, 329));
        EXPECT_NE(colours[i], pixel(screen, 310, 330 + n));
        // nothing is erased between the pictures: the plane stays beneath them
        EXPECT_EQ(colourof(0), pixel(screen, 300, 360));
        if (i == 0) {
            EXPECT_EQ(colourof(40), pixel(screen, 340, 360));
        }
    }

    const int ks[5] = {3, 7, 1, 9, 5};
    EXPECT_EQ(5, withdraws({3, 7, 1, 9, 5}, [&] { p->explode(); }));
    EXPECT_EQ(0, p->flying);
    EXPECT_EQ(0, p->expstage);
    EXPECT_EQ(str(300, 350, 68, 68), str(p->pos));
    for (int i = 0; i < 5; i++) {
        EXPECT_EQ(back->palette[ks[i]], back->colour[i]) << "band " << i + 1;
        EXPECT_TRUE(solid(screen, 0, (4 - i) * 80, 800, 80, back->palette[ks[i]])) << "band " << i + 1;
    }
}

// a plane ready to enter at the edge of its direction, not yet drawn
void expectlaunched(const plane& q, int kind, char dir, int speed)
{
    const int w = picsize[kind][0], h = picsize[kind][1];
    ASSERT_NE(nullptr, q.pic);
    EXPECT_EQ(str(0, 0, w, h), str(0, 0, q.pic->w, q.pic->h));
    EXPECT_EQ(str(dir == 'l' ? 800 : -w, bandy[q.height - 1], w, h), str(q.pos));
    EXPECT_EQ(str(dir == 'l' ? 800 : -w, 0, w, h), str(q.src));
    EXPECT_EQ(0, q.crossing);
    EXPECT_EQ(0, q.expstage);
    EXPECT_EQ(1, q.flying);
    EXPECT_EQ(speed, q.speed);
    EXPECT_EQ(dir, q.dir);
}

TEST_F(planes, buildandrelaunch)
{
    for (int band = 1; band <= 5; band++) {
        SCOPED_TRACE("band " + std::to_string(band));
        const int kind = band % 3 + 1;
        const char dir = band % 2 ? 'l' : 'r';
        plane q(screen, kind, dir, 7, band, back);
        EXPECT_EQ(band, q.height);
        expectlaunched(q, kind, dir, 7);
        for (int i = 0; i < 4; i++)
            EXPECT_TRUE(q.exppic[i] && q.exppic[i]->w == expsize[i]) << "exp" << i + 1;
    }
    // whatever clipping, a crossing or an explosion left behind, a relaunch starts afresh
    for (int kind = 1; kind <= 3; kind++)
        for (char dir : {'l', 'r'}) {
            SCOPED_TRACE("relaunch " + std::to_string(kind) + dir);
            p->pos = {123, 350, 3, 0};
            p->src = {-7, 0, 65526, 20};
            p->crossing = 1;
            p->flying = 0;
            p->reset(kind, dir, 12 + kind);
            expectlaunched(*p, kind, dir, 12 + kind);
            EXPECT_EQ(1, p->height);
        }
}

TEST_F(planes, unreadablepicturekeepsthegamegoing)
{
    SDL_Surface* const old = p->pic;
    char dir[] = "/tmp/planesXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    char here[4096];
    ASSERT_NE(nullptr, getcwd(here, sizeof here));
    ASSERT_EQ(0, chdir(dir));
    const std::string out = stdoutof([&] { p->reset(2, 'l', 12); });
    ASSERT_EQ(0, chdir(here));
    rmdir(dir);
    EXPECT_EQ(0u, out.rfind("couldnt load pix/p2l.png", 0)) << out;
    EXPECT_EQ('\n', out.back()) << out;
    EXPECT_EQ(old, p->pic);
    EXPECT_EQ(800, p->pos.x);
    EXPECT_EQ(50, p->pos.w);
    EXPECT_EQ(1, p->flying);
    p->move();
    EXPECT_EQ("0-11@788", shown());
}

TEST_F(planes, unknownband)
{
    for (int band : {6, 0}) {
        SCOPED_TRACE("band " + std::to_string(band));
        plane* q = nullptr;
        EXPECT_EQ("error: unknown height", stdoutof([&] { q = new plane(screen, 1, 'l', 10, band, back); }));
        EXPECT_EQ(0, q->pos.y);
        for (int i = 0; i < 3; i++)
            q->move();
        EXPECT_EQ(770, q->pos.x);
        delete q;
    }
}
