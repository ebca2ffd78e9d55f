#include "menu.h"

#include "session/session.h"

#include <SDL/SDL_image.h>
#include <SDL/SDL_ttf.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every pixel of a's area (ax, ay, w, h) as b shows it at (bx, by), in b's own format.
::testing::AssertionResult same(SDL_Surface* a, int ax, int ay, SDL_Surface* b, int bx, int by, int w, int h)
{
    int wrong = 0;
    std::string first;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            Uint8 r, g, bl;
            SDL_GetRGB(pixel(a, ax + x, ay + y), a->format, &r, &g, &bl);
            const Uint32 want = SDL_MapRGB(b->format, r, g, bl);
            const Uint32 got = pixel(b, bx + x, by + y);
            if (want != got && wrong++ == 0)
                first = "at (" + std::to_string(bx + x) + ", " + std::to_string(by + y) + ") expected " +
                        std::to_string(want) + ", got " + std::to_string(got);
        }
    if (wrong == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong << " pixels differ, first " << first;
}

::testing::AssertionResult same(SDL_Surface* a, SDL_Surface* b)
{
    return same(a, 0, 0, b, 0, 0, a->w, a->h);
}

std::string box(const SDL_Rect& r)
{
    return std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.w) + " " + std::to_string(r.h);
}

SDL_Surface* copy(SDL_Surface* s)
{
    return SDL_ConvertSurface(s, s->format, SDL_SWSURFACE);
}

class menutest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO));
        screen = SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE);
        ASSERT_NE(nullptr, screen);
        ASSERT_EQ(0, TTF_Init());
        font16 = TTF_OpenFont("pix/astronbo.ttf", 16);
        font24 = TTF_OpenFont("pix/astronbo.ttf", 24);
        font32 = TTF_OpenFont("pix/astronbo.ttf", 32);
        ASSERT_TRUE(font16 && font24 && font32);
        SDL_FillRect(screen, nullptr, marker());
        panel = new menu(screen, font16, font24, font32, &event, nullptr);
        ASSERT_TRUE(panel->menupic && panel->cleanpic);
    }
    void TearDown() override
    {
        delete panel;
        for (SDL_Surface* s : owned)
            SDL_FreeSurface(s);
        for (TTF_Font* f : {font16, font24, font32})
            if (f)
                TTF_CloseFont(f);
        TTF_Quit();
        SDL_Quit();
    }
    SDL_Surface* keep(SDL_Surface* s)
    {
        owned.push_back(s);
        return s;
    }
    // Draws text in white the way a label looks, returning its rectangle.
    SDL_Rect stamp(SDL_Surface* pic, TTF_Font* font, const char* text, int x, int y)
    {
        SDL_Surface* t = TTF_RenderText_Solid(font, text, SDL_Color{255, 255, 255, 255});
        SDL_Rect at = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
        SDL_BlitSurface(t, nullptr, pic, &at);
        SDL_FreeSurface(t);
        return at;
    }
    // addwin for the side must swap the count text at its place for text, and show the tally piece.
    void expectcount(char side, const char* text)
    {
        SCOPED_TRACE(std::string("addwin('") + side + "') showing \"" + (text ? text : "") + "\"");
        SDL_Surface* expected = keep(copy(panel->menupic));
        SDL_Rect old = side == 'l' ? panel->leftwinsrect : side == 'r' ? panel->rightwinsrect : SDL_Rect{};
        SDL_Surface* const kept = side == 'l' ? panel->leftwinstext : panel->rightwinstext;
        SDL_FillRect(screen, nullptr, marker());
        panel->addwin(side);
        if (text) {
            SDL_BlitSurface(panel->cleanpic, &old, expected, &old);
            const SDL_Rect now = stamp(expected, font32, text, old.x, old.y);
            EXPECT_EQ(box(now), box(side == 'l' ? panel->leftwinsrect : panel->rightwinsrect));
            EXPECT_EQ(kept, side == 'l' ? panel->leftwinstext : panel->rightwinstext);
        }
        EXPECT_TRUE(same(expected, panel->menupic));
        // the piece goes to the panel's corner, not where it lies in the panel
        EXPECT_TRUE(same(panel->menupic, 166, 21, screen, 150, 100, 220, 60));
        EXPECT_TRUE(solid(screen, 0, 0, 800, 100, marker()));
        EXPECT_TRUE(solid(screen, 370, 100, 430, 60, marker()));
        EXPECT_TRUE(solid(screen, 0, 160, 800, 440, marker()));
        EXPECT_EQ("150 100 220 60", box(panel->menurect));
    }
    Uint32 marker() { return rgb(screen, 8, 16, 24); }

    SDL_Surface* screen = nullptr;
    TTF_Font* font16 = nullptr;
    TTF_Font* font24 = nullptr;
    TTF_Font* font32 = nullptr;
    SDL_Event event{};
    menu* panel = nullptr;
    std::vector<SDL_Surface*> owned;
};

// The panel stands centred across the screen, whatever its picture's width.
TEST_F(menutest, placedbypicturewidth)
{
    char dir[] = "/tmp/menupanelXXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    const std::string pix = std::string(dir) + "/pix", file = pix + "/menu.png";
    ASSERT_EQ(0, mkdir(pix.c_str(), 0700));
    char home[4096];
    ASSERT_NE(nullptr, getcwd(home, sizeof home));
    const struct {
        int w, h, x;
    } cases[] = {{500, 430, 150}, {501, 430, 150}, {499, 401, 151}, {800, 401, 0}};
    for (const auto& c : cases) {
        // the loader knows the picture by its content, so a bitmap does under the panel's name
        SDL_Surface* pic = SDL_CreateRGBSurface(SDL_SWSURFACE, c.w, c.h, 24, 0xff0000, 0xff00, 0xff, 0);
        SDL_FillRect(pic, nullptr, SDL_MapRGB(pic->format, 90, 40, 20));
        ASSERT_EQ(0, SDL_SaveBMP(pic, file.c_str()));
        SDL_FreeSurface(pic);
        ASSERT_EQ(0, chdir(dir));
        menu m(screen, font16, font24, font32, &event, nullptr);
        ASSERT_EQ(0, chdir(home));
        EXPECT_EQ(box({Sint16(c.x), 100, Uint16(c.w), Uint16(c.h)}), box(m.menurect));
    }
    std::remove(file.c_str());
    // without its picture the panel reports it and holds nothing
    ASSERT_EQ(0, chdir(dir));
    testing::internal::CaptureStdout();
    {
        menu m(screen, font16, font24, font32, &event, nullptr);
        EXPECT_EQ(0, m.loaded);
        EXPECT_EQ(nullptr, m.menupic);
    }
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(0, chdir(home));
    EXPECT_EQ(0u, out.find("couldnt load ")) << out;
    rmdir(pix.c_str());
    rmdir(dir);
}

TEST_F(menutest, labelsandsettings)
{
    struct label {
        const char* text;
        TTF_Font* font;
        int x, y;
        SDL_Surface* kept;
        SDL_Rect* rect;
    };
    const label labels[] = {
        {"0          :", font32, 191, 40, panel->leftwinstext, &panel->leftwinsrect},
        {"0", font32, 336, 40, panel->rightwinstext, &panel->rightwinsrect},
        {"human", font24, 120, 103, panel->lefttypetext, &panel->lefttyperect},
        {"human", font24, 364, 103, panel->righttypetext, &panel->righttyperect},
        {"start", font24, 340, 370, panel->starttext, &panel->startrect},
        {"reset", font24, 60, 222, nullptr, nullptr},
        {"score", font24, 60, 240, nullptr, nullptr},
        {"sound is", font24, 45, 300, nullptr, nullptr},
        {"on", font24, 74, 320, panel->soundtext, &panel->soundrect},
        {"gamespeed", font24, 317, 222, nullptr, nullptr},
        {"<", font32, 300, 248, nullptr, nullptr},
        {">", font32, 400, 248, nullptr, nullptr},
        {"quit", font24, 12, 10, nullptr, nullptr},
    };
    SDL_Surface* expected = keep(IMG_Load("pix/menu.png"));
    SDL_Surface* clean = keep(IMG_Load("pix/menu.png"));
    ASSERT_TRUE(expected && clean);
    for (const label& l : labels) {
        const SDL_Rect at = stamp(expected, l.font, l.text, l.x, l.y);
        if (!l.rect)
            continue;
        SCOPED_TRACE(l.text);
        EXPECT_EQ(box(at), box(*l.rect));
        ASSERT_NE(nullptr, l.kept);
        EXPECT_EQ(box({0, 0, at.w, at.h}), box({0, 0, Uint16(l.kept->w), Uint16(l.kept->h)}));
    }
    EXPECT_TRUE(same(expected, panel->menupic));
    EXPECT_TRUE(same(clean, panel->cleanpic));
    EXPECT_TRUE(solid(screen, 0, 0, 800, 600, marker())) << "nothing reaches the screen before the menu opens";

    // the tally texts are drawn over the counts later: black must not cover them
    for (SDL_Surface* t : {panel->leftwinstext, panel->rightwinstext}) {
        EXPECT_TRUE(t->flags & SDL_SRCCOLORKEY);
        EXPECT_TRUE(t->flags & (SDL_RLEACCELOK | SDL_RLEACCEL));
        Uint8 r, g, b;
        SDL_GetRGB(t->format->colorkey, t->format, &r, &g, &b);
        EXPECT_EQ(0, r + g + b);
    }
    EXPECT_EQ(nullptr, panel->speedtext);
    EXPECT_EQ(nullptr, panel->leftskilltext);
    EXPECT_EQ(nullptr, panel->rightskilltext);
    EXPECT_EQ("342 252 0 0", box(panel->speedrect));
    EXPECT_EQ("112 142 0 0", box(panel->leftskillrect));
    EXPECT_EQ("334 142 0 0", box(panel->rightskillrect));
    EXPECT_EQ("150 100 500 420", box(panel->menurect));
    EXPECT_EQ(1, panel->sound);
    EXPECT_EQ(25, panel->gamespeed);
    const char kinds[] = {panel->lefttype, panel->righttype, panel->leftskill, panel->rightskill, 0};
    EXPECT_STREQ("hhii", kinds);
    EXPECT_EQ(0, panel->leftwins + panel->rightwins + panel->quit + panel->resetscore + panel->opencount);
}

TEST_F(menutest, addwin)
{
    expectcount('l', "01 "); // the colon goes with the old text
    EXPECT_EQ(1, panel->leftwins);
    EXPECT_EQ(0, panel->rightwins);
    expectcount('r', "01 ");
    expectcount('l', "02 ");
    expectcount('x', nullptr);
    expectcount('\0', nullptr);
    EXPECT_EQ(2, panel->leftwins);
    EXPECT_EQ(1, panel->rightwins);
    panel->leftwins = 9;
    expectcount('l', "10 ");
    panel->rightwins = 98;
    expectcount('r', "99 ");
    expectcount('r', ":0 ");
    EXPECT_EQ(100, panel->rightwins);
    panel->leftwins = 123;
    expectcount('l', "<4 ");
}

} // namespace
