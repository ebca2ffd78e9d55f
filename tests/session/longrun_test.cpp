#include "session/session.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Resident memory of this process, in bytes.
long resident()
{
    long pages = 0, rss = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return -1;
    const int n = std::fscanf(f, "%ld %ld", &pages, &rss);
    std::fclose(f);
    return n == 2 ? rss * sysconf(_SC_PAGESIZE) : -1;
}

} // namespace

// A million frames of computer against computer at full speed: games are won and started again,
// waves come and go, the sky is repainted thousands of times, and memory stays where it was.
TEST(longrun, memoryflat)
{
    const int frames = 1000000;
    session::script s;
    s.button(0, session::leftkind);
    s.button(0, session::rightkind);
    for (int i = 0; i < 25; i++)
        s.button(0, session::faster); // up to 50
    s.start();
    // Two computers can lock into a cycle in which neither ever strikes the last plane of a wave;
    // a cannon key now and then, and a change of skill in an Escape menu, keep the games going.
    const SDLKey cannonkeys[4] = {SDLK_a, SDLK_d, SDLK_RIGHT, SDLK_LEFT};
    for (int f = 997, i = 0; f < frames; f += 997, i++)
        s.tap(f, cannonkeys[i % 4]);
    for (int f = 10007, i = 0; f < frames; f += 10007, i++) {
        s.keydown(f, SDLK_ESCAPE);
        s.button(f, i % 2 ? session::rightskill : session::leftskill);
        s.button(f, session::start); // back to game
    }
    s.frames = frames;
    long early = -1, late = -1;
    int wins = 0, latewins = 0, strikes = 0, lastpoints = 0;
    s.queue.reserve(s.queue.size() + 5000); // room for the Spaces: the harness's memory stays put too
    s.onflip = [&](const zevostate& st, int) {
        if (*st.leftpoints > 24 || *st.rightpoints > 24) {
            wins++;
            latewins += s.frame >= frames / 2;
            s.nowkey(SDLK_SPACE); // for the win wait
        }
    };
    s.onframe = [&](const zevostate& st, int f) {
        const int points = *st.leftpoints + *st.rightpoints;
        strikes += points == lastpoints + 1 || points == lastpoints + 2 ? points - lastpoints : 0;
        lastpoints = points;
        // the harness's own records would grow with the run; keep them short
        if (s.delays.size() > 1024) {
            s.delays.clear();
            s.sounds.clear();
        }
        if (f == 10000)
            early = resident();
        if (f == frames - 1)
            late = resident();
    };
    EXPECT_EQ(0, s.run());
    EXPECT_EQ(frames + 1, s.frame);
    ASSERT_GT(early, 0);
    ASSERT_GT(late, 0);
    std::fprintf(stderr,
                 "resident memory: %ld kB at frame 10000, %ld kB at frame %d; %d wins (%d in the second half), "
                 "%d strikes\n",
                 early / 1024, late / 1024, frames - 1, wins, latewins, strikes);
    EXPECT_LE(late - early, 1024 * 1024) << "resident memory grew from " << early << " to " << late << " bytes";
    // the run really played, to its end: games were won all along
    EXPECT_GT(wins, 100);
    EXPECT_GT(latewins, 50);
}
