#include "background.h"
#include "session/session.h"

#include <gtest/gtest.h>

namespace {

struct sky : ::testing::Test {
    SDL_Surface* screen = nullptr;
    session::script s;

    void SetUp() override
    {
        ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO)) << SDL_GetError();
        screen = SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE);
        ASSERT_NE(nullptr, screen) << SDL_GetError();
        session::current = &s;
    }
    void TearDown() override
    {
        session::current = nullptr;
        SDL_Quit();
    }

    // Band i + 1 covers rows 320 - 80 i to 399 - 80 i and shows the table colour of draw k[i].
    void expectbands(const background& b, const int (&k)[5], const char* when)
    {
        for (int i = 0; i < 5; i++) {
            const int e = k[i] < 10 ? k[i] : 9;
            const Uint32 want = rgb(screen, skytable[e][0], skytable[e][1], skytable[e][2]);
            EXPECT_EQ(want, b.colour[i]) << when << ", band " << i + 1;
            EXPECT_TRUE(solid(screen, 0, 320 - 80 * i, 800, 80, want))
                << when << ", band " << i + 1 << ": pixel (0, " << 320 - 80 * i << ") is "
                << pixel(screen, 0, 320 - 80 * i) << ", expected " << want;
        }
        EXPECT_EQ(0, b.bandrect.x);
        EXPECT_EQ(0, b.bandrect.y);
        EXPECT_EQ(800, b.bandrect.w);
        EXPECT_EQ(80, b.bandrect.h);
    }

    // First screen row from top that differs from the picture's rows from picrow on; -1 if none.
    int firstdiff(SDL_Surface* pic, int top, int picrow, int rows)
    {
        for (int y = 0; y < rows; y++)
            for (int x = 0; x < 800; x++)
                if (pixel(screen, x, top + y) != pixel(pic, x, picrow + y))
                    return top + y;
        return -1;
    }
};

TEST_F(sky, bandsafterrepaints)
{
    const int first[5] = {3, 0, 9, 5, 7};
    const int second[5] = {10, 1, 2, 8, 4};
    for (int k : first)
        s.rands.push_back(drawof(k));
    for (int k : second)
        s.rands.push_back(drawof(k));

    background b(screen);
    ASSERT_EQ(1, b.loaded);
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(rgb(screen, skytable[i][0], skytable[i][1], skytable[i][2]), b.palette[i]) << "palette " << i;
    EXPECT_EQ(5, s.randcalls);
    EXPECT_EQ(7, b.pick);
    EXPECT_EQ(0, b.groundrect.x);
    EXPECT_EQ(400, b.groundrect.y);
    EXPECT_EQ(80, b.bandheight);
    expectbands(b, first, "first paint");

    // the generator's maximum draws one past the palette: the last colour shows, nothing is read beyond
    b.drawsky();
    EXPECT_EQ(10, s.randcalls);
    expectbands(b, second, "second paint");
}

TEST_F(sky, groundrepaint)
{
    background b(screen);
    ASSERT_EQ(1, b.loaded);
    ASSERT_EQ(800, b.ground->w);
    ASSERT_EQ(200, b.ground->h);
    SDL_Surface* const pic = SDL_ConvertSurface(b.ground, screen->format, SDL_SWSURFACE);
    ASSERT_NE(nullptr, pic);

    EXPECT_EQ(-1, firstdiff(pic, 400, 0, 200)) << "the whole picture after construction";

    // what the tanks and scores would be: a repaint leaves rows 550 on alone
    const Uint32 mark = rgb(screen, 250, 10, 120);
    SDL_Rect below = {0, 400, 800, 200};
    SDL_FillRect(screen, &below, mark);
    b.drawsky();
    EXPECT_EQ(-1, firstdiff(pic, 400, 0, 150)) << "rows 400 to 549 after a repaint";
    EXPECT_TRUE(solid(screen, 0, 550, 800, 50, mark)) << "rows 550 to 599 after a repaint";
    for (int i = 0; i < 5; i++)
        EXPECT_TRUE(solid(screen, 0, 320 - 80 * i, 800, 80, b.colour[i])) << "band " << i + 1;
    SDL_FreeSurface(pic);
}

} // namespace
