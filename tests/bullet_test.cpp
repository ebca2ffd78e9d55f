#include "bullet.h"

#include "background.h"
#include "plane.h"
#include "session/session.h"

#include <SDL/SDL_image.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::string str(const SDL_Rect& r)
{
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" + std::to_string(r.h);
}

bool inside(const SDL_Rect& r, int x, int y)
{
    return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
}

class bullettest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO));
        ASSERT_NE(nullptr, screen = SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE));
        back = new background(screen);
        ASSERT_EQ(1, back->loaded);
        // five different band colours, so that a wrong band shows
        paintsky({{200, 40, 40}, {40, 200, 40}, {40, 40, 200}, {200, 200, 40}, {40, 200, 200}});
        for (int i = 0; i < 5; i++) {
            planes[i] = new plane(screen, 1 + i % 3, 'l', 10, i + 1, back);
            planes[i]->flying = 0; // idle unless a test places it
        }
        left = new bullet(screen, 'l', planes[0], planes[1], planes[2], planes[3], planes[4], back, nullptr);
        right = new bullet(screen, 'r', planes[0], planes[1], planes[2], planes[3], planes[4], back, nullptr);
        ASSERT_TRUE((pics[0] = IMG_Load("pix/leftbullet.png")) && (pics[1] = IMG_Load("pix/rightbullet.png")));
    }
    void TearDown() override
    {
        delete left;
        delete right;
        for (plane* p : planes)
            delete p;
        delete back;
        for (SDL_Surface* p : pics)
            SDL_FreeSurface(p);
        SDL_Quit();
    }

    // Repaints the sky and takes the scene without bullets, to compare with.
    void paintsky(std::vector<std::vector<Uint8>> c)
    {
        for (int i = 0; i < 5; i++) {
            back->colour[i] = rgb(screen, c[i][0], c[i][1], c[i][2]);
            SDL_Rect band = {0, Sint16(320 - 80 * i), 800, 80};
            SDL_FillRect(screen, &band, back->colour[i]);
        }
        scene.clear();
        for (int y = 0; y < 600; y++)
            for (int x = 0; x < 800; x++)
                scene.push_back(pixel(screen, x, y));
    }

    // First pixel of the area (clipped to the screen) that differs from the scene, or, inside
    // `bullet`, from the bullet's picture over the scene.
    std::string trace(int x0, int y0, int w, int h, const bullet* b = nullptr)
    {
        const SDL_Rect none = {0, 0, 0, 0}, drawn = b ? b->pos : none;
        for (int y = std::max(y0, 0); y < std::min(y0 + h, 600); y++)
            for (int x = std::max(x0, 0); x < std::min(x0 + w, 800); x++) {
                Uint32 want = scene[y * 800 + x];
                if (inside(drawn, x, y)) {
                    if (drawn.w != 6 || drawn.h != 6)
                        continue; // partly off the screen
                    SDL_Surface* pic = pics[b->side == 'l' ? 0 : 1];
                    Uint8 r, g, bl;
                    SDL_GetRGB(pixel(pic, x - drawn.x, y - drawn.y), pic->format, &r, &g, &bl);
                    if (r || g || bl)
                        want = rgb(screen, r, g, bl);
                }
                if (pixel(screen, x, y) != want)
                    return "(" + std::to_string(x) + "," + std::to_string(y) + ") is " +
                           std::to_string(pixel(screen, x, y)) + ", expected " + std::to_string(want);
            }
        return "";
    }

    static int failures()
    {
        return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
    }

    // Fires b from its start and steers it with the cannons (repeated), as the frame loop does:
    // move, then collide. Checks every frame until the bullet is readied.
    void fly(bullet& b, const std::string& cannons)
    {
        const int ahead = b.side == 'l' ? 1 : -1, startx = b.side == 'l' ? 80 : 720, before = failures();
        int x = startx, y = 540;
        b.fired = 1;
        for (int f = 0; f < 200; f++) {
            const char c = cannons[f % cannons.size()];
            x += c == 'u' ? 0 : ahead * (c == 'm' ? 10 : 15);
            y -= c == 'u' ? 15 : c == 'm' ? 10 : 5;
            const std::string where = std::string(1, b.side) + " \"" + cannons.substr(0, 12) + "\" frame " +
                                      std::to_string(f) + " at " + std::to_string(x) + "," + std::to_string(y);
            b.move(c);
            // what the clipping blit leaves in pos
            SDL_Rect want = {Sint16(std::max(x, 0)), Sint16(std::max(y, 0)), 0, 0};
            const int w = std::min(x + 6, 800) - want.x, h = std::min(y + 6, 600) - want.y;
            if (w > 0 && h > 0)
                want.w = Uint16(w), want.h = Uint16(h);
            EXPECT_EQ(str(want), str(b.pos)) << where;
            EXPECT_EQ("", trace(x - 30, y - 10, 66, 46, &b)) << where;
            EXPECT_EQ(nullptr, b.collide()) << where;
            const bool gone = y <= 0 || x <= 0 || x > 800;
            EXPECT_EQ(gone ? 0 : 1, b.fired) << where;
            if (failures() > before)
                return;
            if (gone) {
                EXPECT_EQ(startx, b.pos.x) << where;
                EXPECT_EQ(540, b.pos.y) << where;
                EXPECT_EQ("", trace(0, 0, 800, 600)) << "after the flight, " << where;
                return;
            }
        }
        ADD_FAILURE() << "never readied: " << cannons;
    }

    static void place(plane* p, SDL_Rect r, int flying = 1, int expstage = 0)
    {
        p->pos = r;
        p->flying = flying;
        p->expstage = expstage;
    }
    static void aim(bullet* b, int x, int y, Uint16 size = 6)
    {
        b->pos = {Sint16(x), Sint16(y), size, size};
        b->fired = 1;
    }

    SDL_Surface* screen = nullptr;
    background* back = nullptr;
    plane* planes[5] = {};
    bullet* left = nullptr;
    bullet* right = nullptr;
    SDL_Surface* pics[2] = {};
    std::vector<Uint32> scene;
};

} // namespace

// Every cannon position for both sides, steering mid-flight, and the exits at the top (y 0
// exactly, and partly out), at the left (x 0 exactly, and partly out) and at the right (x 800
// exactly, partly out, and beyond).
TEST_F(bullettest, flights)
{
    for (bullet* b : {left, right}) {
        b->move('m');
        EXPECT_EQ(nullptr, b->collide());
        EXPECT_EQ("", trace(0, 0, 800, 600)) << b->side << ": a resting bullet is not drawn";
        for (std::string c : {"u", "m", "d", "uumdd", "dmmu", "mdu"})
            fly(*b, c);
    }
    fly(*left, std::string(45, 'd') + "mmmmd");  // 795 partly out, then 810
    fly(*right, std::string(45, 'd') + "mmmmm"); // -5, partly out at the left
    fly(*left, std::string(35, 'u') + "mm");     // -5, partly out at the top

    // after leaving at the right the resting bullet has no size, yet the next flight's first
    // erase covers the whole start rectangle, whatever was drawn there
    fly(*left, "d");
    EXPECT_EQ("80,540 0x0", str(left->pos));
    SDL_Rect start = {80, 540, 6, 6};
    SDL_FillRect(screen, &start, rgb(screen, 255, 0, 255));
    left->fired = 1;
    left->move('u');
    EXPECT_EQ("", trace(60, 520, 40, 40, left));
}

// The band is the one of the row just above the top edge, for the hit test and for the erase.
TEST_F(bullettest, bandboundaries)
{
    struct row {
        int y, band, edge; // band 0: over the ground; edge: where the erase moves oldpos
    } rows[] = {{401, 0, 401}, {400, 1, 400}, {395, 1, 400}, {394, 1, 394}, {321, 1, 321}, {320, 2, 320},
                {315, 2, 320}, {241, 2, 241}, {240, 3, 240}, {161, 3, 161}, {160, 4, 160}, {81, 4, 81},
                {80, 5, 80},   {75, 5, 80},   {74, 5, 74},   {1, 5, 1}};
    for (int round = 0; round < 2; round++) {
        if (round == 1) // the erase follows the sky's new colours
            paintsky({{90, 90, 90}, {250, 130, 0}, {0, 130, 250}, {130, 0, 130}, {250, 250, 250}});
        for (const row& r : rows) {
            const std::string where = "y " + std::to_string(r.y) + ", round " + std::to_string(round);
            for (plane* p : planes)
                place(p, {290, Sint16(r.y - 5), 40, 20});
            aim(left, 300, r.y);
            SDL_Rect drawn = left->pos;
            SDL_BlitSurface(left->pic, nullptr, screen, &drawn);
            plane* const want = r.band ? planes[r.band - 1] : nullptr;
            EXPECT_EQ(want, left->collide()) << where;
            for (int i = 0; i < 5; i++)
                EXPECT_EQ(planes[i] == want ? 1 : 0, planes[i]->expstage) << "plane " << i + 1 << ", " << where;
            EXPECT_EQ(1, left->fired) << "a strike does not stop the bullet, " << where;
            left->reset();
            EXPECT_EQ(r.edge, left->oldpos.y) << where;
            EXPECT_EQ("", trace(280, r.y - 20, 50, 50)) << where;
            EXPECT_EQ(0, left->fired);
            EXPECT_EQ(80, left->pos.x);
            EXPECT_EQ(540, left->pos.y);
        }
    }
}

// The left bullet at x 800 exactly is out of sight but flies on and is tested as an empty
// rectangle; beyond 800 it is readied.
TEST_F(bullettest, screenedges)
{
    struct edge {
        bullet* b;
        int x, y, readied;
    } cases[] = {{left, 300, 0, 1}, {left, 300, 1, 0},   {right, 0, 200, 1},  {right, 1, 200, 0},
                 {left, 0, 200, 1}, {left, 800, 200, 0}, {left, 801, 200, 1}, {right, 801, 200, 1}};
    for (const edge& e : cases) {
        aim(e.b, e.x, e.y);
        EXPECT_EQ(nullptr, e.b->collide());
        EXPECT_EQ(e.readied ? 0 : 1, e.b->fired) << e.b->side << " at " << e.x << "," << e.y;
        e.b->reset();
    }
    EXPECT_EQ("", trace(0, 0, 800, 600));

    aim(left, 790, 300);
    left->move('m');
    EXPECT_EQ("800,290 0x0", str(left->pos));
    EXPECT_EQ(nullptr, left->collide());
    EXPECT_EQ(1, left->fired);
    left->move('u');
    EXPECT_EQ("800,275 0x0", str(left->pos)) << "rises unseen";
    EXPECT_EQ("", trace(0, 0, 800, 600));
    struct target {
        Sint16 x, y;
        bool hit;
    } targets[] = {{740, 260, true}, {739, 260, false}, {800, 260, true}, {801, 260, false},
                   {740, 275, true}, {740, 276, false}, {740, 249, true}, {740, 248, false}};
    for (const target& t : targets) {
        place(planes[1], {t.x, t.y, 60, 26});
        EXPECT_EQ(t.hit ? planes[1] : nullptr, left->collide()) << "plane at " << t.x << "," << t.y;
    }
    left->move('m');
    EXPECT_EQ(nullptr, left->collide());
    EXPECT_EQ(0, left->fired) << "readied beyond 800";
    EXPECT_EQ("", trace(0, 0, 800, 600));
}

// Rectangles that touch strike, on each side; one more pixel of gap misses. Only the plane of
// the bullet's band counts, and only while it flies; both bullets may strike it in one frame.
TEST_F(bullettest, strikes)
{
    plane* const band2 = planes[1];
    plane* const band3 = planes[2];
    const SDL_Rect t = {400, 190, 56, 22};
    struct shot {
        int x, y;
        bool hit;
        const char* what;
    } shots[] = {
        {420, 184, true, "touching above"}, {420, 183, false, "gap above"},    {420, 212, true, "touching below"},
        {420, 213, false, "gap below"},     {394, 200, true, "touching left"}, {393, 200, false, "gap left"},
        {456, 200, true, "touching right"}, {457, 200, false, "gap right"},    {394, 184, true, "touching corner"}};
    for (const shot& s : shots) {
        place(band3, t);
        aim(left, s.x, s.y);
        EXPECT_EQ(s.hit ? band3 : nullptr, left->collide()) << s.what;
        EXPECT_EQ(s.hit ? 1 : 0, band3->expstage) << s.what;
        EXPECT_EQ(s.x, left->pos.x) << s.what;
        EXPECT_EQ(1, left->fired) << s.what;
    }

    // sums beyond 16 bits
    place(band3, {-100, 190, 65535, 22});
    EXPECT_EQ(band3, left->collide()) << "a plane reaching past x 32767";
    place(band3, {400, 190, 56, 65535});
    aim(left, 420, 230);
    EXPECT_EQ(band3, left->collide()) << "a plane reaching past y 32767";
    place(band3, {400, 190, 56, 22});
    aim(left, 300, 200, 65535);
    EXPECT_EQ(band3, left->collide()) << "a bullet reaching past x 32767";

    // band 3 by the top edge, though the picture reaches into band 2's rows
    place(band3, {600, 190, 56, 22});
    place(band2, {400, 236, 56, 22});
    aim(left, 420, 238);
    EXPECT_EQ(nullptr, left->collide());
    EXPECT_EQ(0, band2->expstage);

    aim(left, 420, 200);
    place(band3, t, 0, 3);
    EXPECT_EQ(nullptr, left->collide()) << "exploding";
    EXPECT_EQ(3, band3->expstage);
    place(band3, t, 0, 0);
    EXPECT_EQ(nullptr, left->collide()) << "down";
    EXPECT_EQ(0, band3->expstage);

    place(band3, t);
    aim(right, 430, 200);
    EXPECT_EQ(band3, right->collide());
    EXPECT_EQ(band3, left->collide()) << "struck again by the other bullet in the same frame";
}
