#include "session/session.h"

#include <gtest/gtest.h>

// The close button ends the run normally.
TEST(session, closebuttonendsrun)
{
    session::script s;
    s.start();
    s.frames = 10;
    EXPECT_EQ(0, s.run());
    EXPECT_EQ(11u, s.delays.size());
    for (Uint32 d : s.delays)
        EXPECT_EQ(25u, d);
    EXPECT_EQ("", s.out);
}
