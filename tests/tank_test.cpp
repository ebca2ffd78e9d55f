#include "tank.h"

#include "session/session.h"

#include <SDL/SDL_image.h>
#include <gtest/gtest.h>
#include <string>

namespace {

// First pixel of the area that differs from want(x, y), or "".
template <class F> std::string differs(SDL_Surface* s, int x0, int y0, int w, int h, F want)
{
    for (int y = y0; y < y0 + h; y++)
        for (int x = x0; x < x0 + w; x++)
            if (pixel(s, x, y) != want(x, y))
                return "(" + std::to_string(x) + "," + std::to_string(y) + ") is " + std::to_string(pixel(s, x, y)) +
                       ", expected " + std::to_string(want(x, y));
    return "";
}

class tanktest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO));
        ASSERT_NE(nullptr, screen = SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE));
        ASSERT_EQ(0, TTF_Init());
        ASSERT_NE(nullptr, font = TTF_OpenFont("pix/astronbo.ttf", 24));
        green = rgb(screen, 37, 226, 27);
        magenta = rgb(screen, 255, 0, 255);
    }
    void TearDown() override
    {
        if (font)
            TTF_CloseFont(font);
        TTF_Quit();
        SDL_Quit();
    }

    std::string off(int x, int y, int w, int h, Uint32 value)
    {
        return differs(screen, x, y, w, h, [&](int, int) { return value; });
    }
    // The picture file at (x0, y0), its black see-through to the green.
    std::string shows(const std::string& file, int x0, int y0)
    {
        SDL_Surface* pic = IMG_Load(file.c_str());
        if (!pic)
            return "cannot read " + file;
        const std::string d = differs(screen, x0, y0, pic->w, pic->h, [&](int x, int y) {
            Uint8 r, g, b;
            SDL_GetRGB(pixel(pic, x - x0, y - y0), pic->format, &r, &g, &b);
            return r || g || b ? rgb(screen, r, g, b) : green;
        });
        SDL_FreeSurface(pic);
        return d.empty() ? d : file + " " + d;
    }
    // 120 by 30 pixels from the score's place against a fresh rendering of the text over `under`
    // (and over the old text in the ground green, when given).
    std::string score(int x0, const char* text, Uint32 under, const char* old = nullptr)
    {
        SDL_Surface* ref = block(120, 30, under);
        const SDL_Color groundgreen = {37, 226, 27, 0}, black = {0, 0, 0, 0};
        for (SDL_Surface* t :
             {old ? TTF_RenderText_Solid(font, old, groundgreen) : nullptr, TTF_RenderText_Solid(font, text, black)}) {
            SDL_BlitSurface(t, nullptr, ref, nullptr);
            SDL_FreeSurface(t);
        }
        const std::string d =
            differs(screen, x0, 570, 120, 30, [&](int x, int y) { return pixel(ref, x - x0, y - 570); });
        SDL_FreeSurface(ref);
        return d.empty() ? d : std::string("\"") + text + "\" " + d;
    }
    SDL_Surface* block(int w, int h, Uint32 value)
    {
        const SDL_PixelFormat* f = screen->format;
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, f->Rmask, f->Gmask, f->Bmask, 0);
        SDL_FillRect(s, nullptr, value);
        return s;
    }

    SDL_Surface* screen = nullptr;
    TTF_Font* font = nullptr;
    Uint32 green = 0, magenta = 0;
};

} // namespace

TEST_F(tanktest, placesandpictures)
{
    SDL_FillRect(screen, nullptr, magenta);
    tank left('l', screen, font), right('r', screen, font);
    EXPECT_EQ("", off(0, 0, 800, 600, magenta)) << "building a tank draws nothing";
    EXPECT_EQ(50, left.pos.x);
    EXPECT_EQ(706, right.pos.x) << "the up picture ends at 750";
    EXPECT_EQ(120, left.scorerect.x);
    EXPECT_EQ(660, right.scorerect.x);
    for (tank* t : {&left, &right}) {
        EXPECT_EQ(550, t->pos.y);
        EXPECT_EQ(44, t->pos.w);
        EXPECT_EQ(44, t->pos.h);
        EXPECT_EQ(570, t->scorerect.y);
        EXPECT_EQ(0, t->score);
        EXPECT_EQ(green, t->green);
        const std::string kind = t == &left ? "pix/lefttank" : "pix/righttank";
        for (char c : std::string("mudmm")) {
            t->draw(c);
            EXPECT_EQ("", shows(kind + (c == 'u' ? "up" : c == 'm' ? "middle" : "down") + ".png", t->pos.x, 550));
        }
        t->draw('x');
        EXPECT_EQ("", off(t->pos.x, 550, 44, 44, green)) << "an unknown position leaves the green only";
        EXPECT_EQ("", off(t->pos.x - 1, 549, 46, 1, magenta)) << "nothing drawn above the tank";
    }
}

TEST_F(tanktest, smallerpictureleavesnothingofalarger)
{
    SDL_FillRect(screen, nullptr, magenta);
    tank left('l', screen, font), right('r', screen, font);
    const Uint32 red = rgb(screen, 255, 0, 0), blue = rgb(screen, 0, 0, 255), yellow = rgb(screen, 255, 255, 0);
    for (tank* t : {&left, &right}) {
        const int x = t->pos.x;
        for (SDL_Surface* p : {t->uppic, t->middlepic, t->downpic})
            SDL_FreeSurface(p);
        t->uppic = block(60, 50, red);
        t->middlepic = block(20, 10, blue);
        t->downpic = block(30, 70, yellow); // runs past the screen's bottom
        t->draw('m');
        EXPECT_EQ("", off(x, 550, 20, 10, blue));
        EXPECT_EQ("", off(x + 20, 550, 24, 44, green)) << "the first fill is the size of the real up picture";
        EXPECT_EQ("", off(x + 44, 550, 16, 50, magenta));
        t->draw('u');
        EXPECT_EQ("", off(x, 550, 60, 50, red));
        t->draw('m');
        EXPECT_EQ("", off(x, 550, 20, 10, blue));
        EXPECT_EQ("", off(x + 20, 550, 40, 50, green)) << "right of the middle picture";
        EXPECT_EQ("", off(x, 560, 20, 40, green)) << "below the middle picture";
        EXPECT_EQ("", off(x + 60, 550, 1, 50, magenta)) << "the fill reaches no further than the last picture";
        t->draw('d');
        t->draw('d');
        EXPECT_EQ("", off(x, 550, 30, 50, yellow));
        EXPECT_EQ(50, t->pos.h) << "clipped by the screen's bottom";
        t->draw('m');
        EXPECT_EQ("", off(x + 20, 550, 10, 50, green));
        EXPECT_EQ("", off(x, 560, 20, 40, green));
    }
}

TEST_F(tanktest, points)
{
    tank left('l', screen, font), right('r', screen, font);
    // nothing was on display before the first point, so its erase paints nothing
    SDL_FillRect(screen, nullptr, magenta);
    for (tank* t : {&left, &right}) {
        t->addpoint();
        EXPECT_EQ(1, t->score);
        EXPECT_STREQ("01 ", t->scorestr);
        EXPECT_EQ("", score(t->scorerect.x, "01 ", magenta)) << t->side;
        int w = 0, h = 0;
        TTF_SizeText(font, "01 ", &w, &h);
        ASSERT_NE(nullptr, t->scoretext);
        EXPECT_EQ(w, t->scoretext->w) << "the black text is kept";
        EXPECT_EQ(w, t->scorerect.w);
        EXPECT_EQ(h, t->scorerect.h);
    }
    // the erase repaints the old glyphs only: the tank beside the right score must survive it
    left.addpoint();
    EXPECT_EQ("", score(120, "02 ", magenta, "01 "));

    // from here on over green, as in the game: any digit left over shows as black
    SDL_FillRect(screen, nullptr, green);
    left.score = 0;
    for (int n = 1; n <= 25; n++) {
        left.addpoint();
        if (n % 2) // the right side counts half as fast, so its texts differ
            right.addpoint();
        const int r = 1 + (n + 1) / 2;
        const char lwant[4] = {char('0' + n / 10), char('0' + n % 10), ' ', 0};
        const char rwant[4] = {char('0' + r / 10), char('0' + r % 10), ' ', 0};
        EXPECT_STREQ(lwant, left.scorestr);
        EXPECT_EQ("", score(120, lwant, green)) << "point " << n;
        EXPECT_EQ("", score(660, rwant, green)) << "point " << n;
    }
    for (int round = 0; round < 2; round++) // a reset, then one of what already shows zero
        for (tank* t : {&left, &right}) {
            t->score = -1;
            t->addpoint();
            EXPECT_EQ(0, t->score);
            EXPECT_STREQ("00 ", t->scorestr);
            EXPECT_EQ("", score(t->scorerect.x, "00 ", green)) << t->side << " round " << round;
        }
}
