#include "session.h"

#include "bullet.h"
#include "plane.h"
#include "tank.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

// Recorded sessions of the real main, compared line by line with tests/golden/NAME.txt.
// ZEVO_REGOLD=1 writes them anew: only for a change of behaviour that is meant; read the diff.

namespace {

const char* const header = "# frame wait left:right points; planes x,y,flying,expstage (band 1 first); bullets "
                           "x,y,fired (left first); rand and srand calls; sounds; volumes; #screen at each flip; stdout";

std::string hex(Uint32 v)
{
    char s[16];
    std::snprintf(s, sizeof s, "/%08x", v);
    return s;
}

// A win wait is sent a close request and a W, which it must drop, then Space.
void replay(session::script& s, const std::string& name)
{
    std::vector<std::string> lines = {header};
    std::string flips;
    size_t sounds = 0, volumes = 0, out = 0;
    s.onflip = [&](const zevostate& st, int) {
        Uint32 h = 2166136261u;
        for (int y = 0; y < 600; y++)
            for (int x = 0; x < 800; x++) // the screen is 16-bit
                h = (h ^ static_cast<const Uint16*>(st.screen->pixels)[y * st.screen->pitch / 2 + x]) * 16777619u;
        flips += hex(h);
        if (st.lefttank->score > 24 || st.righttank->score > 24) {
            SDL_Event space{SDL_KEYDOWN}, w{SDL_KEYDOWN};
            space.key.keysym.sym = SDLK_SPACE;
            w.key.keysym.sym = SDLK_w;
            for (const SDL_Event& e : {space, w, SDL_Event{SDL_QUIT}})
                s.now(e); // each goes ahead of the one before
        }
    };
    s.onframe = [&](const zevostate& st, int f) {
        char line[256];
        int n = std::snprintf(line, sizeof line, "%d %u %d:%d", f, s.delay, st.lefttank->score, st.righttank->score);
        for (const plane* p : st.planes)
            n += std::snprintf(line + n, sizeof line - n, " %d,%d,%d,%d", p->pos.x, p->pos.y, p->flying, p->expstage);
        for (const bullet* b : {st.leftbullet, st.rightbullet})
            n += std::snprintf(line + n, sizeof line - n, " %d,%d,%d", b->pos.x, b->pos.y, b->fired);
        std::snprintf(line + n, sizeof line - n, " r%d,%d ", s.randcalls, s.srands);
        s.randcalls = s.srands = 0;
        std::string text = line + s.sounds.substr(sounds);
        for (sounds = s.sounds.size(); volumes < s.volumes.size(); volumes++)
            text += " v" + std::to_string(s.volumes[volumes]);
        text += " #" + flips.substr(1);
        const std::string said = s.printed.str().substr(out);
        for (char c : said.empty() ? said : " " + said)
            text += c == '\n' ? std::string("\\n") : std::string(1, c);
        out = s.printed.str().size();
        lines.push_back(text);
        flips.clear();
    };
    lines.push_back("exit " + std::to_string(s.run()) + " after " + std::to_string(s.frame) + " frames");
    const std::string path = "tests/golden/" + name + ".txt";
    if (std::getenv("ZEVO_REGOLD") && std::string(std::getenv("ZEVO_REGOLD")) == "1") {
        std::ofstream file(path);
        for (const std::string& line : lines)
            file << line << '\n';
        ASSERT_TRUE(file.good()) << "could not write " << path;
        return;
    }
    std::ifstream file(path);
    ASSERT_TRUE(file.good()) << "no record " << path << "; ZEVO_REGOLD=1 writes it";
    size_t i = 0;
    for (std::string line; std::getline(file, line); i++)
        ASSERT_EQ(line, i < lines.size() ? lines[i] : "") << path << " line " << i + 1 << " is the first to differ\n"
                                                          << header;
    ASSERT_EQ(i, lines.size()) << path << ": lines recorded";
}

} // namespace

// Computer against computer, idiotic on the left, extrem idiotic on the right: waves, strikes on
// both sides, explosions and repaints, the first win with its wait, and the game after it.
TEST(golden, computerduel)
{
    session::script s;
    s.seed = 2024;
    s.play("0:leftkind 0:rightkind 0:leftskill 0:faster*10 0:start");
    s.frames = 2200;
    replay(s, "computerduel");
}

// Two people at the keyboard: firing, steering up, down and back, held and overlapping cannon
// keys (a release acts only where its key put the cannon), firing again in flight, bullets
// leaving at the top and at both sides.
TEST(golden, keyboardplay)
{
    session::script s;
    s.seed = 7;
    s.play("0:start 3:+w 4:+up 5:+left 6:+a 8:+w 10:+d 14:-a 18:-d 60:-left 70:+a 70:+w 75:+right 75:+up "
           "80:-left 110:-a 110:-right 115:+d 115:+w 116:+up 130:-d 131:+right 140:-right");
    s.frames = 220;
    replay(s, "keyboardplay");
}

// A person against the computer, with Escape menus and every button: a close request that the
// menu takes back, a key released while the menu is open, speed to both ends, sound, reset,
// kinds and skills, and at last quit.
TEST(golden, escapemenu)
{
    session::script s;
    s.seed = 99;
    s.play("0:rightkind 0:sound 0:start 20:+a 20:+w 150:close 150:+esc 150:-esc 150:-a 150:faster*30 150:sound "
           "150:reset 150:rightskill 150:rightkind 150:leftkind 150:leftskill 150:start 170:+w 230:+esc 230:leftkind "
           "230:rightkind 230:rightskill 230:slower*60 230:sound 230:start 330:+esc 330:quit");
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
    s.play("0:leftkind 0:rightkind 0:rightskill 0:start");
    s.frames = 400;
    replay(s, "extremedraws");
}
