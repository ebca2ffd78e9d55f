#include "artstup.h"
#include "background.h"
#include "bullet.h"
#include "plane.h"
#include "session/session.h"

#include <SDL/SDL_mixer.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

namespace {

// Keeps what is written and counts the flushes, so a line ended with std::endl can be told apart.
struct capture : std::stringbuf {
    int flushes = 0;
    int sync() override
    {
        flushes++;
        return std::stringbuf::sync();
    }
};

class artstuptest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_EQ(0, SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO));
        screen = SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE);
        ASSERT_NE(nullptr, screen);
        ASSERT_EQ(0, Mix_OpenAudio(22050, AUDIO_S16MSB, 2, 4096));
        shot = Mix_LoadWAV("sound/shot.wav");
        ASSERT_NE(nullptr, shot);
        back.reset(new background(screen));
        for (int band = 1; band <= 5; band++)
            planes[band - 1].reset(new plane(screen, 1, 'r', 5, band, back.get()));
        plane* p[5];
        for (int i = 0; i < 5; i++)
            p[i] = planes[i].get();
        left.reset(new bullet(screen, 'l', p[0], p[1], p[2], p[3], p[4], back.get(), shot));
        right.reset(new bullet(screen, 'r', p[0], p[1], p[2], p[3], p[4], back.get(), shot));
        leftplayer.reset(new artstup(p[0], p[1], p[2], p[3], p[4], left.get()));
        rightplayer.reset(new artstup(p[0], p[1], p[2], p[3], p[4], right.get()));
        // everything flies rightwards at 600 unless a test says otherwise
        for (auto& q : planes)
            q->pos.x = 600;
        rec.built = true;
        rec.state.sounds[session::shot] = shot;
    }
    void TearDown() override
    {
        session::current = nullptr;
        leftplayer.reset();
        rightplayer.reset();
        left.reset();
        right.reset();
        std::fill(std::begin(planes), std::end(planes), nullptr);
        back.reset();
        Mix_FreeChunk(shot);
        Mix_CloseAudio();
        SDL_Quit();
    }

    plane* band(int b) { return planes[b - 1].get(); }
    void flying(std::vector<int> bands)
    {
        for (auto& q : planes)
            q->flying = 0;
        for (int b : bands)
            band(b)->flying = 1;
    }
    artstup& player(char side) { return side == 'l' ? *leftplayer : *rightplayer; }
    // One call with rand(), time() and the sounds under the recorder's control, stdout captured.
    char call(char side, char skill)
    {
        std::streambuf* const saved = std::cout.rdbuf(&out);
        session::current = &rec;
        const char got = player(side).moveshot(side, skill);
        session::current = nullptr;
        std::cout.rdbuf(saved);
        return got;
    }

    SDL_Surface* screen = nullptr;
    Mix_Chunk* shot = nullptr;
    std::unique_ptr<background> back;
    std::unique_ptr<plane> planes[5];
    std::unique_ptr<bullet> left, right;
    std::unique_ptr<artstup> leftplayer, rightplayer;
    session::script rec;
    capture out;
};

// An idle bullet is fired, with its shot, answering the middle position; idiotic aims at the
// lowest flying plane; with nothing flying the target stays what it was.
TEST_F(artstuptest, idle)
{
    for (char side : {'l', 'r'})
        for (char skill : {'i', 's'}) {
            bullet& b = side == 'l' ? *left : *right;
            const Sint16 x = b.pos.x, y = b.pos.y;
            b.fired = 0;
            rec.sounds.clear();
            EXPECT_EQ('m', call(side, skill)) << side << skill;
            EXPECT_EQ(1, b.fired) << side << skill;
            EXPECT_EQ(x, b.pos.x) << side << skill;
            EXPECT_EQ(y, b.pos.y) << side << skill;
            ASSERT_EQ(1u, rec.sounds.size()) << side << skill;
            EXPECT_EQ(session::shot, rec.sounds[0].which) << side << skill;
        }
    EXPECT_EQ(band(1), rightplayer->target);
    flying({3, 5});
    right->fired = 0;
    call('r', 's');
    EXPECT_EQ(band(3), rightplayer->target);

    const int srands = rec.srands, rands = rec.randcalls;
    flying({});
    for (char skill : {'i', 's'})
        for (plane* before : {static_cast<plane*>(nullptr), band(2)}) {
            leftplayer->target = before;
            left->fired = 0;
            EXPECT_EQ('m', call('l', skill)) << skill;
            EXPECT_EQ(before, leftplayer->target) << skill;
            EXPECT_EQ(1, left->fired) << skill;
        }
    EXPECT_EQ(srands + 2, rec.srands); // extrem idiotic seeds even with nothing to draw for
    EXPECT_EQ(rands, rec.randcalls);
    EXPECT_EQ("", out.str());
}

// Extrem idiotic seeds at every idle call and draws a band, one fifth of the generator's range
// each; the maximum aims at band 5 and says so once, as a whole line; the draws go on until a
// flying plane comes up.
TEST_F(artstuptest, extremidioticdraws)
{
    const int draws[][2] = {{0, 1},          {429496729, 1},  {429496730, 2},  {858993458, 2},  {858993459, 3},
                            {1288490188, 3}, {1288490189, 4}, {1717986917, 4}, {1717986918, 5}, {2147483646, 5}};
    for (const auto& d : draws) {
        rec.rands = {d[0]};
        rec.randnext = 0;
        left->fired = 0;
        EXPECT_EQ('m', call('l', 'i')) << "rand " << d[0];
        EXPECT_EQ(band(d[1]), leftplayer->target) << "rand " << d[0];
    }
    EXPECT_EQ(10, rec.srands);
    EXPECT_EQ(10, rec.randcalls);
    call('l', 'i'); // in flight: no seeding, no drawing
    EXPECT_EQ(10, rec.srands);
    EXPECT_EQ(10, rec.randcalls);
    EXPECT_EQ("", out.str());

    flying({3});
    rec.rands = {0, 2147483647, 1288490189, 858993460, 0};
    rec.randnext = 0;
    EXPECT_EQ('m', call('r', 'i'));
    EXPECT_EQ(band(3), rightplayer->target);
    EXPECT_EQ(14, rec.randcalls);
    EXPECT_EQ(11, rec.srands);
    EXPECT_EQ("random in artstup::moveshot reached 5\n", out.str());
    EXPECT_EQ(1, out.flushes);
    EXPECT_EQ(1, right->fired);

    flying({5});
    rec.rands = {2147483647};
    rec.randnext = 0;
    right->fired = 0;
    call('r', 'i');
    EXPECT_EQ(band(5), rightplayer->target);
}

struct steer {
    char side, skill;
    int band; // the target's
    char dir;
    int speed, tx, ty, bx, by;
    std::vector<int> fly;
    char want;
    int wantband;
};

// Steering a bullet in flight. The planes not named fly rightwards at 5 pixels per frame at x 600.
TEST_F(artstuptest, steering)
{
    const steer cases[] = {
        // extrem idiotic: a three-way rule, with the right side's "less than"; the target's flight is not looked at
        {'l', 'i', 3, 'r', 5, 400, 200, 300, 250, {}, 'm', 3}, // dx 100, dy 50
        {'l', 'i', 3, 'r', 5, 401, 200, 300, 250, {}, 'd', 3}, // dx 101
        {'l', 'i', 3, 'r', 5, 300, 200, 300, 250, {}, 'u', 3}, // straight above
        {'l', 'i', 3, 'r', 5, 300, 300, 300, 250, {}, 'd', 3}, // straight below
        {'r', 'i', 3, 'l', 5, 400, 200, 500, 250, {}, 'u', 3}, // dx 100, dy 50
        {'r', 'i', 3, 'l', 5, 490, 200, 500, 250, {}, 'm', 3}, // dx 10, dy 50
        {'r', 'i', 3, 'l', 5, 399, 200, 500, 250, {}, 'd', 3}, // dx 101
        {'r', 'i', 3, 'l', 5, 500, 200, 500, 250, {}, 'm', 3}, // straight above
        // idiotic, above the target: retarget high among bands 5, 4, 3 only
        {'l', 's', 1, 'l', 5, 200, 350, 300, 300, {1, 2}, 'u', 1},
        {'l', 's', 1, 'l', 5, 200, 350, 300, 300, {1, 2, 4}, 'd', 4},
        {'l', 's', 1, 'l', 5, 200, 350, 300, 300, {1, 3, 4}, 'd', 4},
        {'r', 's', 2, 'r', 5, 200, 270, 300, 260, {1, 2}, 'd', 2},
        {'r', 's', 2, 'r', 5, 200, 270, 300, 260, {2, 3}, 'd', 3},
        // idiotic, a target flying away faster than 10
        {'l', 's', 1, 'r', 10, 200, 350, 300, 400, {1, 4}, 'u', 1},
        {'l', 's', 1, 'r', 11, 200, 350, 300, 400, {1, 4}, 'd', 4},
        {'l', 's', 1, 'r', 11, 200, 350, 300, 400, {1, 2}, 'u', 1},
        {'l', 's', 1, 'l', 11, 400, 350, 300, 400, {1, 4}, 'd', 1}, // flying towards the tank
        {'r', 's', 1, 'l', 10, 400, 350, 300, 400, {1, 5}, 'u', 1},
        {'r', 's', 1, 'l', 11, 400, 350, 300, 400, {1, 5}, 'u', 5},
        // idiotic, the rules in order
        {'l', 's', 2, 'l', 5, 350, 301, 300, 381, {2}, 'd', 2}, // dy 80
        {'l', 's', 2, 'l', 5, 350, 301, 300, 382, {2}, 'u', 2}, // dy 81
        {'l', 's', 2, 'r', 5, 400, 270, 300, 300, {2}, 'd', 2},
        {'l', 's', 2, 'r', 5, 300, 270, 300, 300, {2}, 'u', 2},
        {'l', 's', 2, 'r', 5, 300, 270, 300, 270, {2}, 'm', 2},
        {'l', 's', 1, 'l', 5, 300, 350, 300, 340, {1}, 'd', 1}, // just above: dx 0 > -20
        {'l', 's', 2, 'l', 5, 200, 270, 300, 320, {2}, 'u', 2},
        {'r', 's', 2, 'r', 5, 350, 301, 300, 381, {2}, 'd', 2}, // dy 80
        {'r', 's', 2, 'r', 5, 350, 301, 300, 382, {2}, 'u', 2}, // dy 81
        {'r', 's', 2, 'l', 5, 200, 270, 300, 320, {2}, 'd', 2},
        {'r', 's', 2, 'r', 5, 200, 270, 300, 320, {2}, 'u', 2}, // dx 100, dy 50
        {'r', 's', 2, 'r', 5, 290, 270, 300, 320, {2}, 'm', 2}, // dx 10, dy 50
        {'r', 's', 2, 'r', 5, 199, 270, 300, 320, {2}, 'd', 2}, // dx 101, dy 50
        {'r', 's', 2, 'l', 5, 300, 270, 300, 270, {2}, 'm', 2},
    };
    int n = 0;
    for (const steer& c : cases) {
        flying(c.fly);
        for (int b = 1; b <= 5; b++) {
            band(b)->pos.x = 600;
            band(b)->pos.y = static_cast<Sint16>(350 - (b - 1) * 80);
            band(b)->dir = 'r';
            band(b)->speed = 5;
        }
        plane* t = band(c.band);
        t->dir = c.dir;
        t->speed = c.speed;
        t->pos.x = static_cast<Sint16>(c.tx);
        t->pos.y = static_cast<Sint16>(c.ty);
        bullet& b = c.side == 'l' ? *left : *right;
        b.fired = 1;
        b.pos.x = static_cast<Sint16>(c.bx);
        b.pos.y = static_cast<Sint16>(c.by);
        player(c.side).target = t;
        rec.sounds.clear();
        EXPECT_EQ(c.want, call(c.side, c.skill)) << "case " << n;
        EXPECT_EQ(band(c.wantband), player(c.side).target) << "case " << n;
        EXPECT_TRUE(rec.sounds.empty()) << "case " << n;
        n++;
    }
    EXPECT_EQ(0, rec.srands);
    EXPECT_EQ(0, rec.randcalls);
}

// A bullet that was in flight before the side had anything to aim at keeps the middle position.
TEST_F(artstuptest, inflightwithouttarget)
{
    for (char side : {'l', 'r'})
        for (char skill : {'i', 's'}) {
            bullet& b = side == 'l' ? *left : *right;
            b.fired = 1;
            b.pos.y = 20; // above every plane
            EXPECT_EQ('m', call(side, skill)) << side << skill;
            EXPECT_EQ(nullptr, player(side).target) << side << skill;
            EXPECT_EQ(1, b.fired);
        }
}

} // namespace
