#include "background.h"
#include "plane.h"
#include "session/session.h"

#include <SDL/SDL_ttf.h>
#include <gtest/gtest.h>

namespace {

// Each band solid in the table colour of its draw, band 1 (rows 320-399) first.
void expectsky(const zevostate& st, const std::vector<int>& k, int frame)
{
    for (int i = 0; i < 5; i++) {
        const int e = k[i] < 10 ? k[i] : 9;
        const Uint32 want = rgb(st.screen, skytable[e][0], skytable[e][1], skytable[e][2]);
        EXPECT_EQ(want, st.back->colour[i]) << "frame " << frame << ", band " << i + 1;
        EXPECT_TRUE(solid(st.screen, 0, 320 - 80 * i, 800, 80, want))
            << "frame " << frame << ", band " << i + 1 << ": expected " << want << " everywhere, (0, " << 320 - 80 * i
            << ") is " << pixel(st.screen, 0, 320 - 80 * i);
    }
}

void panelclick(session::script& s, int frame, int bx, int by)
{
    s.click(frame, 150 + bx, 100 + by);
}

} // namespace

TEST(frameloop, waitsfollowgamespeed)
{
    session::script s;
    panelclick(s, 0, 315, 263); // "<"
    s.start();
    s.keydown(3, SDLK_ESCAPE);
    for (int i = 0; i < 3; i++)
        panelclick(s, 3, 415, 263); // ">"
    panelclick(s, 3, 300, 370);     // back to game
    s.frames = 5;
    EXPECT_EQ(0, s.run());
    ASSERT_EQ(6u, s.delays.size());
    for (int f = 0; f < 6; f++)
        EXPECT_EQ(f < 3 ? 26u : 23u, s.delays[f]) << "frame " << f;
}

TEST(frameloop, closebuttonends)
{
    session::script s;
    s.start();
    s.close(3);
    s.frames = 50;
    int flag = -1;
    s.onframe = [&](const zevostate& st, int f) {
        if (f == 3)
            flag = *st.quitflag;
    };
    EXPECT_EQ(0, s.run());
    EXPECT_EQ(4u, s.delays.size()) << "the frame of the close request still flips and waits";
    EXPECT_EQ(1, flag);
    EXPECT_EQ(0u, SDL_WasInit(SDL_INIT_EVERYTHING));
    EXPECT_EQ(0, TTF_WasInit());
    EXPECT_EQ("", s.out);
}

// The sky is repainted with five fresh draws after the first menu and after an explosion ends;
// a wave comes only in a frame where nothing flies or explodes.
TEST(frameloop, wavesandskyrepaints)
{
    const std::vector<int> built = {1, 2, 3, 4, 5}, aftermenu = {6, 7, 8, 9, 0}, afterexplosion = {10, 4, 4, 2, 1};
    session::script s;
    for (const std::vector<int>* k : {&built, &aftermenu})
        for (int d : *k)
            s.rands.push_back(drawof(d));
    s.rands.push_back(drawof(0)); // frame 0: nothing
    s.rands.push_back(drawof(0)); // frame 1: nothing again
    for (int d : afterexplosion)
        s.rands.push_back(drawof(d));
    s.rands.push_back(drawof(4)); // frame 7: one plane in band 5, leftwards at 15
    s.start();
    s.frames = 10;

    s.onstart = [&](const zevostate& st) {
        EXPECT_EQ(5, s.randcalls);
        expectsky(st, built, -1);
        for (plane* p : st.planes)
            p->flying = 0;
    };
    s.onframe = [&](const zevostate& st, int f) {
        const int calls[] = {11, 12, 12, 12, 12, 12, 17, 18, 18};
        if (f < 9) {
            EXPECT_EQ(calls[f], s.randcalls) << "frame " << f;
        }
        if (f == 0)
            expectsky(st, aftermenu, f);
        if (f == 1)
            st.planes[0]->hit();
        if (f >= 2 && f <= 5) {
            EXPECT_EQ(f, st.planes[0]->expstage) << "frame " << f;
        }
        if (f == 6) {
            EXPECT_EQ(0, st.planes[0]->expstage);
            expectsky(st, afterexplosion, f);
        }
        if (f == 7 || f == 8) {
            EXPECT_EQ(1, st.planes[4]->flying) << "frame " << f;
            EXPECT_EQ(f == 7 ? 800 : 785, st.planes[4]->pos.x) << "frame " << f << ": moves from the next frame on";
        }
    };
    EXPECT_EQ(0, s.run());

    // planes sound: start-up's and frame 0's, then every wave draw
    int perframe[11] = {};
    for (const session::played& p : s.sounds) {
        EXPECT_EQ(session::planes, p.which) << "frame " << p.frame;
        if (p.frame >= 0 && p.frame <= 10)
            perframe[p.frame]++;
    }
    for (int f = 0; f <= 10; f++)
        EXPECT_EQ(f == 0 ? 2 : f == 1 || f == 7 ? 1 : 0, perframe[f]) << "frame " << f;
    for (Uint32 d : s.delays)
        EXPECT_EQ(25u, d);
}
