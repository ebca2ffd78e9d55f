#include "session/session.h"

#include "bullet.h"
#include "menu.h"
#include "plane.h"
#include "tank.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>

// Random input thrown at the real game, checking after every frame that its state is one the
// rules allow. A seed fixes everything a session gets: input, random draws and the end.

namespace {

const int framespersession = 5000;
const int seedsperbatch = 25;

// Panel buttons on screen: x, y, w, h. The quit button is kept apart: a press inside it ends the run.
struct box {
    int x, y, w, h;
};
const box panel = {150, 100, 500, 420};
const box quitbox = {150, 100, 80, 80};
const box startbox = {150 + 280, 100 + 344, 155, 56};
const box buttons[] = {
    startbox,
    {150 + 31, 100 + 216, 110, 62},  // reset
    {150 + 31, 100 + 292, 110, 62},  // sound
    {150 + 300, 100 + 248, 30, 30},  // <
    {150 + 400, 100 + 248, 30, 30},  // >
    {150 + 73, 100 + 93, 177, 37},   // left kind
    {150 + 321, 100 + 93, 177, 37},  // right kind
    {150 + 73, 100 + 130, 177, 40},  // left skill
    {150 + 321, 100 + 130, 177, 37}, // right skill
};
const box slower = buttons[3];
const box faster = buttons[4];

bool strictlyinside(const box& b, int x, int y)
{
    return x > b.x && x < b.x + b.w && y > b.y && y < b.y + b.h;
}

const SDLKey gamekeys[] = {SDLK_w, SDLK_a, SDLK_d, SDLK_UP, SDLK_RIGHT, SDLK_LEFT};
const SDLKey otherkeys[] = {SDLK_SPACE,    SDLK_s,   SDLK_DOWN,  SDLK_RETURN, SDLK_LSHIFT,
                            SDLK_CAPSLOCK, SDLK_q,   SDLK_F1,    SDLK_TAB,    SDLK_0,
                            SDLK_UNKNOWN,  SDLK_KP8, SDLK_RCTRL, SDLK_PAUSE,  SDLK_DELETE};
const Uint8 othertypes[] = {SDL_ACTIVEEVENT,   SDL_MOUSEMOTION, SDL_VIDEORESIZE, SDL_VIDEOEXPOSE,
                            SDL_JOYBUTTONDOWN, SDL_SYSWMEVENT,  SDL_USEREVENT};

// One seed's script, with what it expects of the run's end.
class hostile {
  public:
    explicit hostile(unsigned seed) : g(seed) {}

    session::script s;
    int lastframe = 0; // the frame in which the run is expected to end

    void build(int frames)
    {
        s.frames = frames;
        s.seed = static_cast<unsigned>(g());
        s.clock = 1000000000L + static_cast<long>(g() % 100000);
        // rand() at its extremes now and then: 0, and the maximum that scales to one past the range
        const double extreme = chance(0.5) ? 0.0 : real(0.0, 0.1);
        for (int i = 0; i < 20000; i++) {
            const double r = real(0.0, 1.0);
            s.rands.push_back(r < extreme / 2 ? 0 : r < extreme ? 2147483647 : static_cast<int>(g() & 0x7fffffff));
        }
        const double keyrate = real(0.01, 0.6);
        // from a menu or two to about fifty in a run
        const double escrate = 0.0002 * std::pow(50.0, real(0.0, 1.0));
        const double noiserate = real(0.0, 0.3);
        const double closerate = real(0.0, 0.004);

        // the first menu, with start somewhere among the clicks; a side is often a computer from
        // the start, so that games are won
        for (int side = 5; side <= 6; side++)
            if (chance(0.6))
                clickin(0, buttons[side]);
        menuburst(0);
        // how the run ends: the harness's close button at the last frame, a close request, or quit
        const int ending = static_cast<int>(g() % 4);
        lastframe = frames;
        if (ending == 1 || ending == 2)
            lastframe = frames / 2 + static_cast<int>(g() % static_cast<unsigned>(frames / 2));
        for (int f = 1; f < lastframe; f++) {
            if (chance(keyrate))
                keys(f, 1 + static_cast<int>(g() % 3));
            if (chance(noiserate))
                noise(f, false);
            if (chance(closerate)) {
                // a close request that an Escape menu in the same frame takes back
                s.close(f);
                if (chance(0.5))
                    keys(f, 1);
                escape(f);
            } else if (chance(escrate)) {
                escape(f);
            }
        }
        if (ending == 1) {
            keys(lastframe, 1);
            s.close(lastframe);
            keys(lastframe, 2);
        } else if (ending == 2) {
            keys(lastframe, 1);
            s.keydown(lastframe, SDLK_ESCAPE);
            for (int i = g() % 5; i > 0; i--)
                menuevent(lastframe);
            clickin(lastframe, quitbox);
            for (int i = g() % 5; i > 0; i--)
                menuevent(lastframe);
        }
    }

    // A win waits for Space in the middle of a frame, so the script cannot know the frame ahead:
    // once the win message is up, junk and then Space are slipped in front of what is queued.
    void winwait()
    {
        session::script extra;
        for (int i = g() % 4; i > 0; i--)
            noiseinto(extra, 0);
        if (chance(0.3))
            extra.close(0); // lost: the wait drops it
        extra.keyup(0, SDLK_SPACE);
        extra.keydown(0, SDLK_SPACE);
        for (int i = g() % 3; i > 0; i--)
            noiseinto(extra, 0);
        s.now(extra);
    }

  private:
    std::mt19937 g;

    bool chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(g) < p; }
    double real(double a, double b) { return std::uniform_real_distribution<double>(a, b)(g); }
    int between(int a, int b) { return std::uniform_int_distribution<int>(a, b)(g); }
    Uint8 anybutton() { return static_cast<Uint8>(between(1, 5)); }

    // Presses and releases of the game's keys and others, each at random: keys are held for a
    // while, released twice, or released without a press.
    void keys(int f, int n)
    {
        for (int i = 0; i < n; i++) {
            const SDLKey key = chance(0.8) ? gamekeys[g() % 6] : otherkeys[g() % 15];
            if (chance(0.5))
                s.keydown(f, key);
            else
                s.keyup(f, key);
        }
    }

    // A point anywhere on the screen but inside quit.
    void anywhere(int& x, int& y)
    {
        do {
            x = between(0, 799);
            y = between(0, 599);
        } while (strictlyinside(quitbox, x, y));
    }

    void noiseinto(session::script& into, int f)
    {
        SDL_Event e{};
        int x, y;
        anywhere(x, y);
        switch (g() % 5) {
        case 0:
            into.press(f, x, y, anybutton());
            break;
        case 1: {
            into.press(f, x, y, anybutton());
            SDL_Event& up = into.queue.back().event;
            up.type = SDL_MOUSEBUTTONUP;
            up.button.type = SDL_MOUSEBUTTONUP;
            up.button.state = SDL_RELEASED;
            break;
        }
        case 2:
            e.type = SDL_MOUSEMOTION;
            e.motion.type = SDL_MOUSEMOTION;
            e.motion.x = static_cast<Uint16>(x);
            e.motion.y = static_cast<Uint16>(y);
            e.motion.xrel = static_cast<Sint16>(between(-50, 50));
            e.motion.yrel = static_cast<Sint16>(between(-50, 50));
            into.at(f, e);
            break;
        case 3:
            e.type = othertypes[g() % 7];
            into.at(f, e);
            break;
        default:
            into.keydown(f, otherkeys[g() % 15]);
            break;
        }
    }

    void noise(int f, bool closes)
    {
        noiseinto(s, f);
        if (closes)
            s.close(f);
    }

    // A point strictly inside a box, or on its border now and then.
    void clickin(int f, const box& b, Uint8 button = SDL_BUTTON_LEFT)
    {
        s.click(f, between(b.x + 1, b.x + b.w - 1), between(b.y + 1, b.y + b.h - 1), button);
    }

    void clickborder(int f, const box& b)
    {
        const int x = chance(0.5) ? (chance(0.5) ? b.x : b.x + b.w) : between(b.x, b.x + b.w);
        const int y = x == b.x || x == b.x + b.w ? between(b.y, b.y + b.h) : (chance(0.5) ? b.y : b.y + b.h);
        if (!strictlyinside(quitbox, x, y))
            s.click(f, x, y, anybutton());
    }

    // Anything a menu may get, except a press inside quit.
    void menuevent(int f)
    {
        const int kind = static_cast<int>(g() % 10);
        if (kind < 3) {
            int x, y;
            anywhere(x, y);
            if (chance(0.8))
                s.click(f, x, y, anybutton());
            else
                s.press(f, x, y, anybutton());
        } else if (kind < 6) {
            clickin(f, buttons[1 + g() % 8], anybutton());
        } else if (kind < 7) {
            clickborder(f, chance(0.3) ? panel : chance(0.2) ? quitbox : buttons[g() % 9]);
        } else if (kind < 8 && chance(0.4)) {
            // far towards one end of the speed range
            const box& b = chance(0.5) ? slower : faster;
            for (int i = between(1, 60); i > 0; i--)
                clickin(f, b);
        } else if (kind < 9) {
            keys(f, 1);
        } else {
            noise(f, chance(0.3));
        }
    }

    void menuburst(int f)
    {
        for (int i = between(0, 8); i > 0; i--)
            menuevent(f);
        clickin(f, startbox, chance(0.8) ? SDL_BUTTON_LEFT : anybutton());
        for (int i = between(0, 3); i > 0; i--)
            menuevent(f);
    }

    void escape(int f)
    {
        s.keydown(f, SDLK_ESCAPE);
        if (chance(0.3))
            s.keyup(f, SDLK_ESCAPE);
        menuburst(f);
    }
};

const int bandy[5] = {350, 270, 190, 110, 30};

// What the rules allow at the end of any frame; empty when all holds.
std::string broken(const zevostate& st, const session::script& s)
{
    std::ostringstream o;
    const int points[2] = {*st.leftpoints, *st.rightpoints};
    const tank* tanks[2] = {st.lefttank, st.righttank};
    const char* sides[2] = {"left", "right"};
    for (int i = 0; i < 2; i++) {
        // a side at 25 wins and is set back to 0 within the frame
        if (points[i] < 0 || points[i] > 24)
            o << sides[i] << " points " << points[i] << "; ";
        if (tanks[i]->score != points[i])
            o << sides[i] << " tank shows " << tanks[i]->score << " for points " << points[i] << "; ";
    }
    for (int i = 0; i < 5; i++) {
        const plane* p = st.planes[i];
        const int f = p->flying, e = p->expstage;
        const bool state = (f == 1 && (e == 0 || e == 1)) || (f == 0 && (e == 0 || (e >= 2 && e <= 5)));
        if (!state)
            o << "plane " << i + 1 << " flying " << f << " expstage " << e << "; ";
        const int y = e >= 2 ? bandy[i] - 20 : bandy[i];
        if (p->pos.y != y || p->height != i + 1)
            o << "plane " << i + 1 << " y " << p->pos.y << " (expected " << y << ") height " << p->height << "; ";
        if (p->crossing == 1 && (p->src.x < 0 || p->src.x + p->src.w != p->pic->w))
            o << "plane " << i + 1 << " crossing with window x " << p->src.x << " w " << p->src.w << "; ";
        if ((p->dir != 'l' && p->dir != 'r') || p->speed <= 0)
            o << "plane " << i + 1 << " dir " << p->dir << " speed " << p->speed << "; ";
    }
    const bullet* bullets[2] = {st.leftbullet, st.rightbullet};
    for (int i = 0; i < 2; i++) {
        const bullet* b = bullets[i];
        const int x = b->pos.x, y = b->pos.y;
        if (b->fired == 0 && (x != (i == 0 ? 80 : 720) || y != 540))
            o << sides[i] << " bullet rests at " << x << "," << y << "; ";
        if (b->fired == 1 && (x <= 0 || x > 800 || y <= 0 || y > 540))
            o << sides[i] << " bullet flies at " << x << "," << y << "; ";
        if (b->fired != 0 && b->fired != 1)
            o << sides[i] << " bullet fired " << b->fired << "; ";
    }
    const int cannons[2] = {*st.leftcannon, *st.rightcannon};
    for (int i = 0; i < 2; i++)
        if (cannons[i] != 'u' && cannons[i] != 'm' && cannons[i] != 'd')
            o << sides[i] << " cannon " << cannons[i] << "; ";
    const menu& m = *st.panel;
    if (m.gamespeed < 0 || m.gamespeed > 50 || *st.gamespeed != m.gamespeed)
        o << "game speed " << *st.gamespeed << ", menu " << m.gamespeed << "; ";
    if ((m.lefttype != 'h' && m.lefttype != 'c') || (m.righttype != 'h' && m.righttype != 'c') ||
        *st.lefttype != m.lefttype || *st.righttype != m.righttype)
        o << "kinds " << char(*st.lefttype) << char(*st.righttype) << ", menu " << m.lefttype << m.righttype << "; ";
    if ((m.leftskill != 'i' && m.leftskill != 's') || (m.rightskill != 'i' && m.rightskill != 's') ||
        *st.leftskill != m.leftskill || *st.rightskill != m.rightskill)
        o << "skills " << char(*st.leftskill) << char(*st.rightskill) << ", menu " << m.leftskill << m.rightskill
          << "; ";
    if (m.sound != 0 && m.sound != 1)
        o << "sound " << m.sound << "; ";
    if (s.delays.back() != static_cast<Uint32>(50 - *st.gamespeed))
        o << "waited " << s.delays.back() << " ms at speed " << *st.gamespeed << "; ";
    return o.str();
}

// What a batch of seeds went through, so that a generator gone tame shows.
struct coverage {
    std::set<std::string> players; // kind and skill of a side, e.g. "ci"
    std::set<int> speeds;
    int wins = 0;
    int strikes = 0;
    int shortruns = 0;
};

std::string replayline(unsigned seed)
{
    char exe[4096] = {}, dir[4096] = {};
    if (readlink("/proc/self/exe", exe, sizeof exe - 1) < 0)
        exe[0] = '\0';
    if (!getcwd(dir, sizeof dir))
        dir[0] = '\0';
    const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
    std::ostringstream o;
    o << "cd " << dir << " && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ZEVO_HOSTILE_SEED=" << seed << " " << exe
      << " --gtest_filter=" << t->test_suite_name() << "." << t->name();
    return o.str();
}

// Returns false once a seed has failed.
bool runseed(unsigned seed, coverage& seen)
{
    const std::string replay = replayline(seed);
    // printed first, so that a crash or a hang still names its seed
    std::fprintf(stderr, "seed %u; replay: %s\n", seed, replay.c_str());
    hostile h(seed);
    h.build(framespersession);
    session::script& s = h.s;
    std::string fault;
    int faultframe = -1;
    int lastpoints[2] = {0, 0};
    s.onflip = [&](const zevostate& st, int) {
        if (*st.leftpoints > 24 || *st.rightpoints > 24) {
            seen.wins++;
            h.winwait();
        }
    };
    s.onframe = [&](const zevostate& st, int f) {
        seen.players.insert(std::string(1, char(*st.lefttype)) + char(*st.leftskill));
        seen.players.insert(std::string(1, char(*st.righttype)) + char(*st.rightskill));
        seen.speeds.insert(*st.gamespeed);
        seen.strikes += (*st.leftpoints == lastpoints[0] + 1) + (*st.rightpoints == lastpoints[1] + 1);
        lastpoints[0] = *st.leftpoints;
        lastpoints[1] = *st.rightpoints;
        if (faultframe < 0) {
            fault = broken(st, s);
            if (!fault.empty())
                faultframe = f;
        }
        // the record of every wait and sound is not needed here
        if (s.delays.size() > 4096) {
            s.delays.erase(s.delays.begin(), s.delays.end() - 1);
            s.sounds.clear();
        }
    };
    const int status = s.run();
    EXPECT_EQ(-1, faultframe) << "seed " << seed << ", frame " << faultframe << ": " << fault
                              << "\n  replay: " << replay;
    EXPECT_EQ(0, status) << "seed " << seed << "\n  replay: " << replay;
    // a close request taken back by an Escape menu, or any other stray quit, ends the run early
    EXPECT_EQ(h.lastframe + 1, s.frame) << "seed " << seed << ": run ended in another frame\n  replay: " << replay;
    seen.shortruns += h.lastframe < framespersession;
    return faultframe < 0 && status == 0 && h.lastframe + 1 == s.frame;
}

void runbatch(int batch)
{
    const unsigned first = static_cast<unsigned>(batch * seedsperbatch);
    const char* chosen = std::getenv("ZEVO_HOSTILE_SEED");
    coverage seen;
    if (chosen) {
        const unsigned seed = static_cast<unsigned>(std::strtoul(chosen, nullptr, 10));
        if (seed < first || seed >= first + seedsperbatch)
            GTEST_SKIP() << "seed " << seed << " belongs to another batch";
        runseed(seed, seen);
        return;
    }
    int failures = 0;
    for (unsigned seed = first; seed < first + seedsperbatch && failures < 3; seed++)
        failures += !runseed(seed, seen);
    if (failures)
        return;
    // the seeds together must have reached every corner they are meant to reach
    for (const char* p : {"hi", "hs", "ci", "cs"})
        EXPECT_TRUE(seen.players.count(p)) << "no frame with a side played as " << p;
    EXPECT_TRUE(seen.speeds.count(0)) << "speed 0 never reached";
    EXPECT_TRUE(seen.speeds.count(50)) << "speed 50 never reached";
    EXPECT_GT(seen.wins, 0);
    EXPECT_GT(seen.strikes, 100);
    EXPECT_GT(seen.shortruns, 0);
}

} // namespace

// 8 batches of 25 seeds, 5000 frames each, so that they run side by side.
TEST(hostile, batch0)
{
    runbatch(0);
}
TEST(hostile, batch1)
{
    runbatch(1);
}
TEST(hostile, batch2)
{
    runbatch(2);
}
TEST(hostile, batch3)
{
    runbatch(3);
}
TEST(hostile, batch4)
{
    runbatch(4);
}
TEST(hostile, batch5)
{
    runbatch(5);
}
TEST(hostile, batch6)
{
    runbatch(6);
}
TEST(hostile, batch7)
{
    runbatch(7);
}
