#include "session/session.h"

#include "bullet.h"
#include "menu.h"
#include "plane.h"
#include "tank.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// The first menu's kind and skill buttons, by side.
void computer(session::script& s, char side, char skill)
{
    s.button(0, side == 'l' ? session::leftkind : session::rightkind);
    if (skill == 's')
        s.button(0, side == 'l' ? session::leftskill : session::rightskill);
}

std::vector<Uint32> grab(SDL_Surface* screen, const SDL_Rect& r)
{
    std::vector<Uint32> v;
    for (int y = r.y; y < r.y + r.h; y++)
        for (int x = r.x; x < r.x + r.w; x++)
            v.push_back(pixel(screen, x, y));
    return v;
}

struct seen {
    int fired, cannon, x, y;
    std::vector<Uint32> tankpic;
};

// The left side by the computer: it fires in the frame after its bullet is readied, answering
// the middle position then, and never redraws its tank: the picture is the one a key drew last.
void firesassoonasready(char skill)
{
    session::script s;
    computer(s, 'l', skill);
    s.start();
    s.keydown(150, SDLK_a);
    s.frames = 400;
    std::vector<seen> log;
    s.onframe = [&](const zevostate& st, int f) {
        if (f == 0) {
            EXPECT_EQ('c', *st.lefttype);
            EXPECT_EQ(skill, *st.leftskill);
        }
        log.push_back({st.leftbullet->fired, *st.leftcannon, st.leftbullet->pos.x, st.leftbullet->pos.y,
                       grab(st.screen, st.lefttank->pos)});
    };
    ASSERT_EQ(0, s.run());
    int readied = 0, steered = 0;
    for (int f = 0; f < static_cast<int>(log.size()); f++) {
        const bool fires = f == 0 || log[f - 1].fired == 0;
        readied += f > 0 && fires;
        steered += log[f].cannon != 'm';
        EXPECT_EQ(fires ? 1 : 0, session::count(s.sounds, session::shot, f)) << "frame " << f;
        if (fires) {
            EXPECT_EQ(1, log[f].fired) << "frame " << f;
        }
        if (fires && f != 150) {
            EXPECT_EQ('m', log[f].cannon) << "frame " << f;
            // a wave launched in that frame leaves the bullets where they are (frame 0's planes
            // sound is the game's start)
            const bool moved = session::count(s.sounds, session::planes, f) == (f == 0 ? 1 : 0);
            EXPECT_EQ(moved ? 90 : 80, log[f].x) << "frame " << f;
            EXPECT_EQ(moved ? 530 : 540, log[f].y) << "frame " << f;
        }
        EXPECT_TRUE(log[f < 150 ? 0 : 150].tankpic == log[f].tankpic) << "tank redrawn by frame " << f;
    }
    EXPECT_TRUE(log[149].tankpic != log[150].tankpic) << "A did not draw the tank";
    EXPECT_GE(readied, 5);
    EXPECT_GE(steered, 20);
}

TEST(computer, extremidioticfiresassoonasready)
{
    firesassoonasready('i');
}

TEST(computer, idioticfiresassoonasready)
{
    firesassoonasready('s');
}

// The computer against itself for a few thousand frames: both sides score, and waves keep coming.
void againstitself(char skill)
{
    session::script s;
    computer(s, 'l', skill);
    computer(s, 'r', skill);
    s.start();
    s.frames = 5000;
    int leftscored = 0, rightscored = 0, lastleft = 0, lastright = 0;
    s.onframe = [&](const zevostate& st, int f) {
        if (f == 0) {
            EXPECT_EQ('c', *st.lefttype);
            EXPECT_EQ('c', *st.righttype);
            EXPECT_EQ(skill, *st.leftskill);
            EXPECT_EQ(skill, *st.rightskill);
        }
        leftscored += *st.leftpoints == lastleft + 1;
        rightscored += *st.rightpoints == lastright + 1;
        lastleft = *st.leftpoints;
        lastright = *st.rightpoints;
    };
    EXPECT_EQ(0, s.run());
    EXPECT_EQ(s.frames + 1, s.frame);
    EXPECT_GE(leftscored, 10);
    EXPECT_GE(rightscored, 10);
    EXPECT_GE(session::count(s.sounds, session::planes), 10);
    EXPECT_EQ("", s.out);
}

TEST(computer, againstitselfextremidiotic)
{
    againstitself('i');
}

TEST(computer, againstitselfidiotic)
{
    againstitself('s');
}

} // namespace
