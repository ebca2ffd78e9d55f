#include "session.h"

#include "bullet.h"
#include "plane.h"
#include "tank.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Recorded sessions of the real main: fixed input and random draws, and what every frame did,
// compared line by line with tests/golden/NAME.txt. ZEVO_REGOLD=1 writes the records anew: do it
// only for a change of behaviour that is meant, and read the diff before keeping it.

namespace {

const char* const header = "# frame, its wait, points left:right; planes of bands 1-5 x,y,flying,expstage; left and "
                           "right bullet x,y,fired; rand() and srand() calls; sounds (planes shot explosion "
                           "applause); volumes; screen checksums of the frame's flips; what was printed";

Uint32 checksum(SDL_Surface* s)
{
    Uint32 h = 2166136261u;
    for (int y = 0; y < s->h; y++) {
        const Uint16* row = reinterpret_cast<const Uint16*>(static_cast<const Uint8*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; x++)
            h = (h ^ row[x]) * 16777619u;
    }
    return h;
}

struct recorder {
    session::script& s;
    std::vector<std::string> lines{header};
    std::string flips;
    size_t sounds = 0, volumes = 0, out = 0;
    int rands = 0, srands = 0;

    void frame(const zevostate& st, int f)
    {
        char line[512];
        int n = std::snprintf(line, sizeof line, "%d d%u %d:%d", f, s.delay, st.lefttank->score,
                              st.righttank->score);
        for (const plane* p : st.planes)
            n += std::snprintf(line + n, sizeof line - n, " %d,%d,%d,%d", p->pos.x, p->pos.y, p->flying, p->expstage);
        for (const bullet* b : {st.leftbullet, st.rightbullet})
            n += std::snprintf(line + n, sizeof line - n, " %d,%d,%d", b->pos.x, b->pos.y, b->fired);
        std::snprintf(line + n, sizeof line - n, " r%d s%d", s.randcalls - rands, s.srands - srands);
        rands = s.randcalls;
        srands = s.srands;
        std::string text = line;
        text += " ";
        for (; sounds < s.sounds.size(); sounds++)
            text += s.sounds[sounds].second;
        for (; volumes < s.volumes.size(); volumes++)
            text += " v" + std::to_string(s.volumes[volumes]);
        text += " #" + flips;
        flips.clear();
        const std::string printed = s.printed.str();
        if (printed.size() > out) {
            text += " \"";
            for (char c : printed.substr(out))
                text += c == '\n' ? std::string("\\n") : std::string(1, c);
            text += "\"";
        }
        out = printed.size();
        lines.push_back(text);
    }
};

// Runs the session and compares it with its record. A win wait gets a close request and a W,
// which it must drop, then Space.
void replay(session::script& s, const std::string& name)
{
    recorder rec{s, {header}, "", 0, 0, 0, 0, 0};
    s.onflip = [&](const zevostate& st, int) {
        char hash[16];
        std::snprintf(hash, sizeof hash, "%s%08x", rec.flips.empty() ? "" : "/", checksum(st.screen));
        rec.flips += hash;
        if (st.lefttank->score > 24 || st.righttank->score > 24) {
            SDL_Event close{};
            close.type = SDL_QUIT;
            s.nowkey(SDLK_SPACE);
            s.nowkey(SDLK_w);
            s.now(close);
        }
    };
    s.onframe = [&](const zevostate& st, int f) { rec.frame(st, f); };
    const int status = s.run();
    rec.lines.push_back("exit " + std::to_string(status) + " after " + std::to_string(s.frame) + " frames");
    const std::string path = "tests/golden/" + name + ".txt";
    const char* regold = std::getenv("ZEVO_REGOLD");
    if (regold && std::string(regold) == "1") {
        std::ofstream file(path);
        for (const std::string& line : rec.lines)
            file << line << '\n';
        ASSERT_TRUE(file.good()) << "could not write " << path;
        return;
    }
    std::ifstream file(path);
    ASSERT_TRUE(file.good()) << "no record " << path << "; ZEVO_REGOLD=1 writes it";
    std::vector<std::string> expected;
    for (std::string line; std::getline(file, line);)
        expected.push_back(line);
    for (size_t i = 0; i < expected.size() && i < rec.lines.size(); i++)
        ASSERT_EQ(expected[i], rec.lines[i]) << path << " line " << i + 1 << " is the first to differ\n" << header;
    ASSERT_EQ(expected.size(), rec.lines.size()) << path << ": lines recorded";
}

} // namespace

// Computer against computer, idiotic on the left, extrem idiotic on the right: waves, strikes on
// both sides, explosions and repaints, the first win with its wait, and the game after it.
TEST(golden, computerduel)
{
    session::script s;
    s.seed = 2024;
    s.button(0, session::leftkind);
    s.button(0, session::rightkind);
    s.button(0, session::leftskill);
    for (int i = 0; i < 10; i++)
        s.button(0, session::faster);
    s.start();
    s.frames = 2200;
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
    s.keyup(130, SDLK_d);
    s.keydown(131, SDLK_RIGHT); // the right cannon up while a bullet flies
    s.keyup(140, SDLK_RIGHT);
    s.frames = 220;
    replay(s, "keyboardplay");
}

// A person against the computer, with Escape menus and every button: a close request that the
// menu takes back, a key released while the menu is open, speed, sound, reset, kinds and skills,
// and at last quit.
TEST(golden, escapemenu)
{
    session::script s;
    s.seed = 99;
    s.button(0, session::rightkind);
    s.button(0, session::sound); // off: every channel silent
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
    s.button(150, session::rightskill);
    s.button(150, session::rightkind);
    s.button(150, session::leftkind);
    s.button(150, session::leftskill);
    s.button(150, session::start);
    s.keydown(170, SDLK_w);
    s.keydown(230, SDLK_ESCAPE);
    s.button(230, session::leftkind);
    s.button(230, session::rightkind); // the computer again, from where it stands
    s.button(230, session::rightskill);
    for (int i = 0; i < 30; i++)
        s.button(230, session::slower); // stops at 0
    s.button(230, session::sound);
    s.button(230, session::start);
    s.keydown(330, SDLK_ESCAPE);
    s.button(330, session::quit);
    s.frames = 1000;
    replay(s, "escapemenu");
}

// Random draws at their extremes: the generator's maximum (a draw of 10 paints palette entry 9,
// launches no wave and gives the computer a draw of 5), then 0, with both skills playing.
TEST(golden, extremedraws)
{
    session::script s;
    s.rands.assign(300, 2147483647);
    s.rands.resize(600, 0);
    s.button(0, session::leftkind);
    s.button(0, session::rightkind);
    s.button(0, session::rightskill);
    s.start();
    s.frames = 400;
    replay(s, "extremedraws");
}
