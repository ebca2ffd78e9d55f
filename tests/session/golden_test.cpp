#include "session/session.h"

#include "bullet.h"
#include "plane.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

// Recorded sessions: fixed input and random draws, and what every frame left on the playfield,
// compared line by line with the record kept in tests/golden. Any change of behaviour shows as
// a difference; ZEVO_REGOLD=1 writes the records anew (look at the diff before keeping it).

namespace {

// One line per frame: frame, points left:right, each plane x,y,flying,expstage (band 1 first),
// each bullet x,y,fired (left first), cannons left and right.
const char* const header = "# frame left:right points; planes of bands 1 to 5 x,y,flying,expstage; "
                           "left and right bullet x,y,fired; left and right cannon";
std::string summary(const zevostate& st, int f)
{
    char line[256];
    int n = std::snprintf(line, sizeof line, "%d %d:%d", f, *st.leftpoints, *st.rightpoints);
    for (const plane* p : st.planes)
        n += std::snprintf(line + n, sizeof line - n, " %d,%d,%d,%d", p->pos.x, p->pos.y, p->flying, p->expstage);
    for (const bullet* b : {st.leftbullet, st.rightbullet})
        n += std::snprintf(line + n, sizeof line - n, " %d,%d,%d", b->pos.x, b->pos.y, b->fired);
    std::snprintf(line + n, sizeof line - n, " %c%c", char(*st.leftcannon), char(*st.rightcannon));
    return line;
}

// Space for a win wait, slipped in as soon as the message is up.
void spaceonwin(session::script& s)
{
    s.onflip = [&s](const zevostate& st, int) {
        if (*st.leftpoints > 24 || *st.rightpoints > 24)
            s.nowkey(SDLK_SPACE);
    };
}

// Runs the session and compares its frames with tests/golden/<name>.txt.
void replay(session::script& s, const std::string& name)
{
    std::vector<std::string> actual = {header};
    s.onframe = [&actual](const zevostate& st, int f) { actual.push_back(summary(st, f)); };
    spaceonwin(s);
    ASSERT_EQ(0, s.run()) << s.out;
    const std::string path = "tests/golden/" + name + ".txt";
    if (std::getenv("ZEVO_REGOLD") && std::string(std::getenv("ZEVO_REGOLD")) == "1") {
        std::ofstream out(path);
        for (const std::string& line : actual)
            out << line << '\n';
        ASSERT_TRUE(out.good()) << "could not write " << path;
        return;
    }
    std::ifstream in(path);
    ASSERT_TRUE(in.good()) << "no record " << path << "; ZEVO_REGOLD=1 writes it";
    std::vector<std::string> expected;
    for (std::string line; std::getline(in, line);)
        expected.push_back(line);
    for (size_t i = 0; i < expected.size() && i < actual.size(); i++)
        ASSERT_EQ(expected[i], actual[i]) << path << " line " << i + 1 << " is the first to differ\n" << header;
    ASSERT_EQ(expected.size(), actual.size()) << path << ": frames recorded";
}

} // namespace

// Computer against computer, idiotic on the left, extrem idiotic on the right: waves drawn,
// strikes on both sides, explosions and repaints, up to the first win and the game after it.
TEST(golden, computerduel)
{
    session::script s;
    s.seed = 2024;
    s.button(0, session::leftkind);
    s.button(0, session::rightkind);
    s.button(0, session::leftskill);
    s.button(0, session::start);
    s.frames = 2130;
    replay(s, "computerduel");
}

// Two people at the keyboard: firing, steering up, down and back, held and overlapping cannon
// keys, firing again in flight, bullets leaving at the top and at both sides.
TEST(golden, keyboardplay)
{
    session::script s;
    s.seed = 7;
    s.start();
    s.keydown(3, SDLK_w);
    s.keydown(4, SDLK_UP);
    s.keydown(5, SDLK_LEFT); // right cannon down: the right bullet runs low and leftwards
    s.keydown(6, SDLK_a);    // left cannon up: straight up
    s.keydown(8, SDLK_w);    // fired again in flight: nothing changes
    s.keydown(10, SDLK_d);   // down while up is held
    s.keyup(14, SDLK_a);     // releasing up leaves it down
    s.keyup(18, SDLK_d);     // and now the middle
    s.keyup(60, SDLK_LEFT);
    s.keydown(70, SDLK_a);
    s.keydown(70, SDLK_w); // straight up to the top edge, through band 1 to band 5
    s.keydown(75, SDLK_RIGHT);
    s.keydown(75, SDLK_UP);
    s.keyup(80, SDLK_LEFT); // a release that changes nothing
    s.keyup(110, SDLK_a);
    s.keyup(110, SDLK_RIGHT);
    s.keydown(115, SDLK_d);
    s.keydown(115, SDLK_w); // low and rightwards, out at the right edge
    s.keydown(116, SDLK_UP);
    s.frames = 220;
    replay(s, "keyboardplay");
}

// A person against the computer, with Escape menus: a close request that the menu takes back,
// a key released while the menu is open, faster, reset score, the right side turned human,
// and at last quit.
TEST(golden, escapemenu)
{
    session::script s;
    s.seed = 99;
    s.button(0, session::rightkind);
    s.button(0, session::start);
    s.keydown(20, SDLK_a);
    s.keydown(20, SDLK_w);
    s.close(150);
    s.keydown(150, SDLK_ESCAPE);
    s.keyup(150, SDLK_ESCAPE);
    s.keyup(150, SDLK_a); // lost with the menu: the cannon stays up
    for (int i = 0; i < 5; i++)
        s.button(150, session::faster);
    s.button(150, session::sound);
    s.button(150, session::reset);
    s.button(150, session::rightkind);
    s.button(150, session::start);
    s.keydown(170, SDLK_w);
    s.keydown(190, SDLK_a);
    s.keyup(192, SDLK_a);
    s.keydown(230, SDLK_ESCAPE);
    s.button(230, session::rightkind); // the computer again, from where it stands
    s.button(230, session::slower);
    s.button(230, session::start);
    s.keydown(330, SDLK_ESCAPE);
    s.button(330, session::quit);
    s.frames = 1000;
    replay(s, "escapemenu");
    EXPECT_EQ(331, s.frame);
}
