#include "session/session.h"

#include "bullet.h"

#include <SDL/SDL_image.h>
#include <gtest/gtest.h>
#include <string>

namespace {

// The picture file at (x0, y0); its black is see-through to `under`, or not looked at when under is -1.
std::string shows(SDL_Surface* s, const std::string& file, int x0, int y0, long under)
{
    SDL_Surface* pic = IMG_Load(file.c_str());
    if (!pic)
        return "cannot read " + file;
    std::string d;
    for (int y = 0; y < pic->h && d.empty(); y++)
        for (int x = 0; x < pic->w && d.empty(); x++) {
            Uint8 r, g, b;
            SDL_GetRGB(pixel(pic, x, y), pic->format, &r, &g, &b);
            const long want = r || g || b ? long(rgb(s, r, g, b)) : under;
            if (want >= 0 && pixel(s, x0 + x, y0 + y) != Uint32(want))
                d = file + " at (" + std::to_string(x0 + x) + "," + std::to_string(y0 + y) +
                    "): " + std::to_string(pixel(s, x0 + x, y0 + y)) + ", expected " + std::to_string(want);
        }
    SDL_FreeSurface(pic);
    return d;
}

std::string tankpic(char side, char cannon)
{
    return std::string("pix/") + (side == 'l' ? "left" : "right") + "tank" +
           (cannon == 'u'   ? "up"
            : cannon == 'm' ? "middle"
                            : "down") +
           ".png";
}

} // namespace

// Holding one cannon key and pressing the other moves the cannon; a release acts only where its
// own key put the cannon. The right side runs the mirror sequence in the same frames. Both
// tanks show the middle picture from start-up on.
TEST(cannon, keysandreleases)
{
    session::script s;
    s.start();
    const SDLKey keys[2][2] = {{SDLK_a, SDLK_d}, {SDLK_LEFT, SDLK_RIGHT}};
    for (const SDLKey* k : keys) {
        s.keydown(1, k[0]);
        s.keydown(2, k[1]);
        s.keyup(3, k[0]);
        s.keyup(4, k[1]);
        s.keydown(5, k[1]);
        s.keydown(6, k[0]);
        s.keyup(7, k[1]);
        s.keyup(8, k[0]);
    }
    s.frames = 9;
    const std::string leftwant = "muddmduumm", rightwant = "mduumuddmm";
    const Uint32 marker = 0x1234;
    bool started = false;
    s.onstart = [&](const zevostate& st) {
        started = true;
        EXPECT_EQ("", shows(st.screen, tankpic('l', 'm'), 50, 550, rgb(st.screen, 37, 226, 27)));
        EXPECT_EQ("", shows(st.screen, tankpic('r', 'm'), 706, 550, rgb(st.screen, 37, 226, 27)));
    };
    s.onframe = [&](const zevostate& st, int f) {
        const Uint32 green = rgb(st.screen, 37, 226, 27);
        // a release that changes nothing draws nothing: frame 2's marker must survive frame 3
        auto dot = [&](int x, Uint32 value) {
            SDL_Rect r = {Sint16(x), 550, 1, 1};
            SDL_FillRect(st.screen, &r, value);
        };
        if (f == 3)
            for (int x : {50, 706}) {
                EXPECT_EQ(marker, pixel(st.screen, x, 550)) << "tank at x " << x << " redrawn by a release";
                dot(x, green);
            }
        const char l = leftwant[f], r = rightwant[f];
        EXPECT_EQ(l, *st.leftcannon) << "frame " << f;
        EXPECT_EQ(r, *st.rightcannon) << "frame " << f;
        EXPECT_EQ("", shows(st.screen, tankpic('l', l), 50, 550, green)) << "frame " << f;
        EXPECT_EQ("", shows(st.screen, tankpic('r', r), 706, 550, green)) << "frame " << f;
        if (f == 2)
            for (int x : {50, 706}) {
                ASSERT_EQ(green, pixel(st.screen, x, 550)) << "the marker needs a see-through corner";
                dot(x, marker);
            }
    };
    EXPECT_EQ(0, s.run());
    EXPECT_TRUE(started);
    EXPECT_EQ(10, s.frame);
}

// W fires the left bullet, the Up arrow the right one; firing one in flight only plays the sound.
TEST(cannon, firekeys)
{
    session::script s;
    s.start();
    s.tap(2, SDLK_w);
    s.keydown(3, SDLK_UP);
    s.keydown(5, SDLK_w);
    s.keydown(6, SDLK_UP);
    s.frames = 9;
    s.onframe = [&](const zevostate& st, int f) {
        struct {
            bullet* b;
            int firedat, x, ahead;
        } sides[2] = {{st.leftbullet, 2, 80, 1}, {st.rightbullet, 3, 720, -1}};
        for (auto& side : sides) {
            const int k = f < side.firedat ? 0 : f - side.firedat + 1; // frames flown with the cannon in the middle
            const char c = side.b->side;
            EXPECT_EQ(k > 0 ? 1 : 0, side.b->fired) << c << " frame " << f;
            EXPECT_EQ(side.x + side.ahead * 10 * k, side.b->pos.x) << c << " frame " << f;
            EXPECT_EQ(540 - 10 * k, side.b->pos.y) << c << " frame " << f;
            if (k > 0) {
                EXPECT_EQ("", shows(st.screen, c == 'l' ? "pix/leftbullet.png" : "pix/rightbullet.png", side.b->pos.x,
                                    side.b->pos.y, -1))
                    << "frame " << f;
            }
        }
    };
    EXPECT_EQ(0, s.run());
    EXPECT_EQ((std::vector<int>{2, 3, 5, 6}), session::framesof(s.sounds, session::shot));
}
