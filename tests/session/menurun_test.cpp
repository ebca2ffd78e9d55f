#include "session/session.h"

#include "background.h"
#include "menu.h"
#include "plane.h"
#include "tank.h"

#include <SDL/SDL_ttf.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// The panel's corner on the screen.
const int px = 150, py = 100;

struct button {
    int x, y, w, h; // on the panel
};
const button start{280, 344, 155, 56}, quit{0, 0, 80, 80}, reset{31, 216, 110, 62}, sound{31, 292, 110, 62},
    slower{300, 248, 30, 30}, faster{400, 248, 30, 30}, leftkind{73, 93, 177, 37}, rightkind{321, 93, 177, 37},
    leftskill{73, 130, 177, 40}, rightskill{321, 130, 177, 37};

using point = std::pair<int, int>;

// Screen points on the four sides of a button, or one pixel inside each of them.
std::vector<point> sides(const button& b, int in)
{
    const int mx = px + b.x + b.w / 2, my = py + b.y + b.h / 2;
    return {{px + b.x + in, my}, {px + b.x + b.w - in, my}, {mx, py + b.y + in}, {mx, py + b.y + b.h - in}};
}
point middle(const button& b)
{
    return sides(b, b.w / 2)[0];
}

void click(session::script& s, int frame, const button& b)
{
    s.click(frame, middle(b).first, middle(b).second);
}

// What the panel should show: its picture with these texts, besides the labels that never change.
struct view {
    std::string lefttype = "human", righttype = "human", leftskill, rightskill, sound = "on", speed = "25 ",
                start = "start";
    // the widest sound text erased so far: its box takes the bottom rows of "sound is" with it
    std::string soundcut;
};

// The whole panel on the screen against the clean picture with the texts drawn in white.
::testing::AssertionResult shows(const zevostate& st, const view& v)
{
    const menu& m = *st.panel;
    SDL_Surface* want = SDL_ConvertSurface(m.cleanpic, m.cleanpic->format, SDL_SWSURFACE);
    const struct {
        std::string text;
        TTF_Font* font;
        int x, y;
    } labels[] = {{"0          :", m.font32, 191, 40}, {"0", m.font32, 336, 40},
                  {"reset", m.font24, 60, 222},        {"score", m.font24, 60, 240},
                  {"sound is", m.font24, 45, 300},     {"gamespeed", m.font24, 317, 222},
                  {"<", m.font32, 300, 248},           {">", m.font32, 400, 248},
                  {"quit", m.font24, 12, 10},          {"", nullptr, 0, 0},
                  {v.lefttype, m.font24, 120, 103},    {v.righttype, m.font24, 364, 103},
                  {v.start, m.font24, 340, 370},       {v.sound, m.font24, 74, 320},
                  {v.speed, m.font24, 342, 252},       {v.leftskill, m.font24, 112, 142},
                  {v.rightskill, m.font24, 334, 142}};
    for (const auto& l : labels) {
        if (!l.font && !v.soundcut.empty()) {
            int w = 0, h = 0;
            TTF_SizeText(m.font24, v.soundcut.c_str(), &w, &h);
            SDL_Rect cut = {74, 320, static_cast<Uint16>(w), static_cast<Uint16>(h)};
            SDL_BlitSurface(m.cleanpic, &cut, want, &cut);
        }
        if (l.text.empty())
            continue;
        SDL_Surface* t = TTF_RenderText_Solid(l.font, l.text.c_str(), SDL_Color{255, 255, 255, 255});
        SDL_Rect at = {static_cast<Sint16>(l.x), static_cast<Sint16>(l.y), 0, 0};
        SDL_BlitSurface(t, nullptr, want, &at);
        SDL_FreeSurface(t);
    }
    int wrong = 0;
    std::string first;
    for (int y = 0; y < want->h; y++)
        for (int x = 0; x < want->w; x++) {
            Uint8 r, g, b;
            SDL_GetRGB(pixel(want, x, y), want->format, &r, &g, &b);
            const Uint32 expected = rgb(st.screen, r, g, b), got = pixel(st.screen, px + x, py + y);
            if (expected != got && wrong++ == 0)
                first = "panel (" + std::to_string(x) + ", " + std::to_string(y) + ") expected " +
                        std::to_string(expected) + ", got " + std::to_string(got);
        }
    SDL_FreeSurface(want);
    if (wrong == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong << " pixels differ, first at " << first;
}

// Clicks in the first menu, then start; what `seen` reads at each flip of that menu.
template <class F> std::vector<std::string> firstmenu(const std::vector<point>& clicks, F seen)
{
    session::script s;
    for (const point& p : clicks)
        s.click(0, p.first, p.second);
    s.start();
    s.frames = 1;
    std::vector<std::string> trace;
    s.onflip = [&](const zevostate& st, int) {
        if (s.sounds.empty()) // main plays the planes sound once the first menu is closed
            trace.push_back(seen(*st.panel));
    };
    EXPECT_EQ(0, s.run());
    EXPECT_EQ(2u, s.delays.size()) << "the menu was left by the start button";
    return trace;
}

std::vector<point> join(std::vector<point> a, const std::vector<point>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string str(int n)
{
    return std::to_string(n);
}
std::string str(char c)
{
    return {c};
}

// One flip per press that works; a press on a button's border does nothing.
TEST(menurun, buttonsworkinsidenotonborder)
{
    using list = std::vector<std::string>;
    auto speed = [](const menu& m) { return str(m.gamespeed); };
    auto kinds = [](const menu& m) { return str(m.lefttype) + m.leftskill + m.righttype + m.rightskill; };
    auto both = [](const button& b) { return join(sides(b, 0), sides(b, 1)); };
    EXPECT_EQ((list{"25", "24", "23", "22", "21"}), firstmenu(both(slower), speed));
    EXPECT_EQ((list{"25", "26", "27", "28", "29"}), firstmenu(both(faster), speed));
    EXPECT_EQ((list{"0", "1", "1", "1", "1"}), firstmenu(both(reset), [](const menu& m) { return str(m.resetscore); }));
    EXPECT_EQ((list{"1", "0", "1", "0", "1"}), firstmenu(both(sound), [](const menu& m) { return str(m.sound); }));
    EXPECT_EQ((list{"hihi", "cihi", "hihi", "cihi", "hihi"}), firstmenu(both(leftkind), kinds));
    EXPECT_EQ((list{"hihi", "hici", "hihi", "hici", "hihi"}), firstmenu(both(rightkind), kinds));
    // the skills work only while their side is the computer
    EXPECT_EQ((list{"hihi", "cihi", "cshi", "cihi", "cshi", "cihi"}),
              firstmenu(join({middle(leftkind)}, both(leftskill)), kinds));
    EXPECT_EQ((list{"hihi", "hici", "hics", "hici", "hics", "hici"}),
              firstmenu(join({middle(rightkind)}, both(rightskill)), kinds));
    // at the panel's height 130 the kind buttons have ended and the skill buttons not yet begun
    EXPECT_EQ((list{"hihi", "cihi", "cici"}),
              firstmenu({middle(leftkind), middle(rightkind), {px + 100, py + 130}, {px + 400, py + 130}}, kinds));
}

TEST(menurun, startandquitbuttons)
{
    {
        SCOPED_TRACE("start's border"); // the session's own fallback has to quit this menu
        session::script s;
        for (const point& p : sides(start, 0))
            s.click(0, p.first, p.second);
        s.frames = 3;
        EXPECT_EQ(0, s.run());
        EXPECT_TRUE(s.delays.empty());
    }
    {
        SCOPED_TRACE("quit's border, start inside");
        session::script s;
        // the tally piece leaves the panel's rectangle small; opening the menu must restore it
        s.onstart = [](const zevostate& st) { st.panel->addwin('x'); };
        for (const point& p : sides(quit, 0))
            s.click(0, p.first, p.second);
        const std::vector<point> in = sides(start, 1);
        for (int i = 0; i < 4; i++) {
            if (i > 0)
                s.tap(i, SDLK_ESCAPE);
            s.click(i, in[i].first, in[i].second);
        }
        s.frames = 5;
        EXPECT_EQ(0, s.run());
        EXPECT_EQ(6u, s.delays.size());
        EXPECT_EQ(0, s.state.panel->quit);
        EXPECT_EQ(4, s.state.panel->opencount);
        EXPECT_EQ(500, s.state.panel->menurect.w);
        EXPECT_EQ(420, s.state.panel->menurect.h);
    }
    for (const point& p : sides(quit, 1)) {
        SCOPED_TRACE("quit at " + str(p.first) + ", " + str(p.second));
        session::script s;
        s.click(0, p.first, p.second);
        s.frames = 3;
        EXPECT_EQ(0, s.run());
        EXPECT_TRUE(s.delays.empty()) << "no frame after quit";
        EXPECT_EQ(1, s.state.panel->quit);
        ASSERT_EQ(1u, s.sounds.size());
        EXPECT_EQ(session::planes, s.sounds[0].which);
        EXPECT_TRUE(s.volumes.empty());
        EXPECT_EQ("", s.out);
    }
}

TEST(menurun, speedstopsat0and50)
{
    std::vector<point> clicks(26, middle(slower));
    clicks.insert(clicks.end(), 51, middle(faster));
    session::script s;
    for (const point& p : clicks)
        s.click(0, p.first, p.second);
    s.start();
    s.frames = 1;
    std::string speeds;
    s.onflip = [&](const zevostate& st, int) {
        if (!s.sounds.empty())
            return;
        const int n = st.panel->gamespeed;
        speeds += str(n) + " ";
        view v;
        v.speed = {char('0' + n / 10), char('0' + n % 10), ' '};
        if (n % 25 == 0) {
            EXPECT_TRUE(shows(st, v)) << "speed " << n;
        }
    };
    std::string want;
    for (int n = 25; n >= 0; n--)
        want += str(n) + " ";
    for (int n = 1; n <= 50; n++)
        want += str(n) + " ";
    EXPECT_EQ(0, s.run());
    EXPECT_EQ(want, speeds);
    ASSERT_FALSE(s.delays.empty());
    EXPECT_EQ(0u, s.delays[0]);
}

TEST(menurun, kindandskilltexts)
{
    session::script s;
    for (const button& b :
         {leftkind, leftskill, leftkind, leftskill, leftkind, rightkind, rightkind, rightskill, rightkind, rightskill})
        click(s, 0, b);
    s.start();
    s.frames = 1;
    std::vector<view> want(9);
    want[1].lefttype = "computer", want[1].leftskill = "extrem idiotic";
    want[2] = want[1], want[2].leftskill = "idiotic";
    want[3] = want[2], want[3].lefttype = "human", want[3].leftskill = ""; // skill click dead: no flip
    want[4] = want[2];
    want[5] = want[4], want[5].righttype = "computer", want[5].rightskill = "extrem idiotic";
    want[6] = want[4];
    want[7] = want[5];
    want[8] = want[7], want[8].rightskill = "idiotic";
    size_t flip = 0;
    s.onflip = [&](const zevostate& st, int) {
        if (s.sounds.empty() && flip < want.size()) {
            EXPECT_TRUE(shows(st, want[flip])) << "flip " << flip;
        }
        flip += s.sounds.empty();
    };
    s.onframe = [&](const zevostate& st, int) {
        const char got[] = {char(*st.lefttype), char(*st.leftskill), char(*st.righttype), char(*st.rightskill), 0};
        EXPECT_STREQ("cscs", got) << "main's copies";
    };
    EXPECT_EQ(0, s.run());
    EXPECT_EQ(want.size(), flip);
}

// The first menu says "start", every later one "back to game"; the volume follows the sound button.
TEST(menurun, openingsandsound)
{
    session::script s;
    click(s, 0, sound);
    s.start();
    for (int f : {2, 4, 6}) {
        s.tap(f, SDLK_ESCAPE);
        click(s, f, sound);
        click(s, f, start);
    }
    s.tap(8, SDLK_ESCAPE);
    click(s, 8, start);
    s.frames = 10;
    // the menu's flips come first in their frame: the entry's, then the sound button's
    const int menuflips[11] = {2, 0, 2, 0, 2, 0, 2, 0, 1};
    int flip = 0;
    s.onflip = [&](const zevostate& st, int f) {
        if (flip++ >= menuflips[f])
            return;
        view v;
        if (f > 0)
            v.start = "back to game";
        v.sound = (flip == 2) == (f % 4 == 0) ? "off" : "on";
        if (f > 0 || flip == 2)
            v.soundcut = f > 2 || (f == 2 && flip == 2) ? "off" : "on";
        EXPECT_TRUE(shows(st, v)) << "frame " << f << ", flip " << flip;
    };
    s.onframe = [&](const zevostate&, int) { flip = 0; };
    EXPECT_EQ(0, s.run());
    // off in the first menu; then each Escape menu sets the volume as it closes
    EXPECT_EQ((std::vector<int>{0, 80, 0, 80, 80}), s.volumes);
    EXPECT_EQ(5, s.state.panel->opencount);
}

TEST(menurun, resetzeroestalliesandpoints)
{
    session::script s;
    s.start();
    s.tap(2, SDLK_ESCAPE);
    click(s, 2, reset);
    click(s, 2, start);
    s.tap(4, SDLK_ESCAPE);
    click(s, 4, start);
    s.frames = 5;
    bool sawreset = false;
    s.onframe = [&](const zevostate& st, int f) {
        if (f == 1) {
            for (int i = 0; i < 3; i++)
                st.panel->addwin('l');
            for (int i = 0; i < 12; i++)
                st.panel->addwin('r');
            for (int i = 0; i < 7; i++)
                st.lefttank->addpoint();
            for (int i = 0; i < 3; i++)
                st.righttank->addpoint();
            *st.leftpoints = 7;
            *st.rightpoints = 3;
        }
        if (f == 2 || f == 4) {
            SCOPED_TRACE("frame " + str(f));
            EXPECT_EQ(f == 2, st.panel->resetscore);
            EXPECT_EQ(0, st.panel->leftwins);
            EXPECT_EQ(0, st.panel->rightwins);
            EXPECT_EQ(f == 2 ? 0 : 2, *st.leftpoints);
            EXPECT_EQ(0, *st.rightpoints);
            // black "00 " on the ground green beside both tanks
            SDL_Surface* t = TTF_RenderText_Solid(st.panel->font24, "00 ", SDL_Color{0, 0, 0, 255});
            for (int x0 : {120, 660})
                for (int y = 0; y < t->h; y++)
                    for (int x = 0; x < t->w; x++) {
                        const bool ink = static_cast<Uint8*>(t->pixels)[y * t->pitch + x] != 0;
                        ASSERT_EQ(ink ? rgb(st.screen, 0, 0, 0) : rgb(st.screen, 37, 226, 27),
                                  pixel(st.screen, x0 + x, 570 + y))
                            << "at " << x0 + x << ", " << 570 + y;
                    }
            SDL_FreeSurface(t);
            if (f == 2)
                *st.leftpoints = 2;
        }
    };
    s.onflip = [&](const zevostate& st, int f) {
        if (f == 2 && st.panel->resetscore == 1 && !sawreset) {
            sawreset = true;
            view v;
            v.start = "back to game";
            EXPECT_TRUE(shows(st, v));
        }
    };
    EXPECT_EQ(0, s.run());
    EXPECT_TRUE(sawreset);
}

// The menu is modal: the game stands still and loses what the menu takes from the queue.
TEST(menurun, menueatsreleasesandclose)
{
    session::script s;
    s.start();
    s.keydown(3, SDLK_a);
    s.keydown(3, SDLK_LEFT);
    s.tap(5, SDLK_ESCAPE);
    s.keyup(5, SDLK_a);
    s.keyup(5, SDLK_LEFT);
    s.close(5);
    SDL_Event up{};
    up.type = up.button.type = SDL_MOUSEBUTTONUP;
    up.button.button = SDL_BUTTON_LEFT;
    up.button.x = static_cast<Uint16>(middle(sound).first);
    up.button.y = static_cast<Uint16>(middle(sound).second);
    s.at(5, up);
    click(s, 5, start);
    s.frames = 8;
    std::vector<int> before;
    auto where = [](const zevostate& st) {
        std::vector<int> at;
        for (plane* p : st.planes)
            at.insert(at.end(), {p->pos.x, p->flying, p->expstage});
        return at;
    };
    int menuflips = 0;
    s.onflip = [&](const zevostate& st, int f) {
        if (f == 5 && st.panel->opencount == 2 && menuflips++ == 0) {
            EXPECT_EQ(before, where(st)) << "nothing moves while the menu is open";
        }
    };
    s.onframe = [&](const zevostate& st, int f) {
        if (f == 4)
            before = where(st);
        if (f >= 5) {
            EXPECT_EQ('u', *st.leftcannon) << "frame " << f;
            EXPECT_EQ('d', *st.rightcannon) << "frame " << f;
            EXPECT_EQ(1, st.panel->sound) << "frame " << f;
        }
    };
    EXPECT_EQ(0, s.run());
    EXPECT_EQ(9u, s.delays.size()) << "the close button was lost in the menu";
    EXPECT_EQ(2, menuflips) << "the flip of the menu, and the frame's";
}

// Closing repaints the whole sky in new colours over the panel, and the ground below it.
TEST(menurun, skyrepaintedonclose)
{
    session::script s;
    s.rands = {0, 0, 0, 0, 0, 2147483646, 2147483646, 2147483646, 2147483646, 2147483646};
    s.start();
    s.frames = 1;
    bool open = false;
    s.onflip = [&](const zevostate& st, int) {
        if (!s.sounds.empty())
            return;
        open = true;
        for (Uint32 c : st.back->colour)
            EXPECT_EQ(st.back->palette[0], c);
        EXPECT_TRUE(shows(st, view{}));
    };
    s.onframe = [&](const zevostate& st, int f) {
        if (f != 0)
            return;
        for (Uint32 c : st.back->colour)
            EXPECT_EQ(st.back->palette[9], c);
        // the planes have made their first move at the edges
        EXPECT_TRUE(solid(st.screen, 100, 0, 600, 400, st.back->palette[9]));
        SDL_Surface* g = st.back->ground;
        int wrong = 0;
        for (int y = 400; y < 520; y++)
            for (int x = 150; x < 650; x++) {
                Uint8 r, gr, b;
                SDL_GetRGB(pixel(g, x, y - 400), g->format, &r, &gr, &b);
                wrong += rgb(st.screen, r, gr, b) != pixel(st.screen, x, y);
            }
        EXPECT_EQ(0, wrong) << "pixels of the panel left on the ground";
    };
    EXPECT_EQ(0, s.run());
    EXPECT_TRUE(open);
}

} // namespace
