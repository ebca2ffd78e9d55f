#include "session.h"

#include "background.h"
#include "bullet.h"
#include "plane.h"
#include "tank.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iomanip>
#include <random>
#include <sstream>

// Recorded sessions of the real main, compared line by line with tests/golden/NAME.txt.
// ZEVO_REGOLD=1 writes them anew: only for a change of behaviour that is meant; read the diff.
// A win wait is left by the session's nudges, which the records show: a click and a release of
// Space, which it must drop, then a press of Space.

// Computer against computer (idiotic left, extrem idiotic right): waves, strikes on both sides,
// explosions and repaints, three games each ended by a win and its wait: the left wins, then with
// the skills swapped in an Escape menu the right, then with them swapped back the left, each from
// zero points. Two people at the keyboard:
// firing, steering, held and overlapping cannon keys (a release acts only where its key put the
// cannon), firing again in flight, bullets leaving at the top and both sides. A person against the
// computer with Escape menus and every button: a close request that the menu takes back, a key
// released while it is open, speed to both ends, sound, reset, kinds, skills, quit. Random draws at
// their extremes: the generator's maximum (palette entry 9, no wave, a computer's draw of 5), then 0.
TEST(golden, sessions)
{
    const struct {
        const char* name;
        unsigned seed;
        int frames, maxdraws;
        const char* script;
    } sessions[] = {
        {"computerduel", 2024, 6320, 0,
         "0:leftkind 0:rightkind 0:leftskill 0:faster*10 0:start 2100:+esc 2100:leftskill 2100:rightskill 2100:start "
         "4720:+esc 4720:leftskill 4720:rightskill 4720:reset 4720:start"},
        {"keyboardplay", 7, 220, 0,
         "0:start 3:+w 4:+up 5:+left 6:+a 8:+w 10:+d 14:-a 18:-d 60:-left 70:+a 70:+w 75:+right 75:+up 80:-left "
         "110:-a 110:-right 115:+d 115:+w 116:+up 130:-d 131:+right 140:-right 150:+d 167:-d"},
        {"escapemenu", 99, 1000, 0,
         "0:rightkind 0:sound 0:start 20:+a 20:+w 150:close 150:+esc 150:-esc 150:-a 150:faster*30 150:sound "
         "150:reset 150:rightskill*3 150:rightkind 150:leftkind 150:leftskill 150:start 170:+w 230:+esc 230:leftkind "
         "230:rightkind 230:slower*60 230:sound 230:start 330:+esc 330:quit"},
        {"extremedraws", 12345, 400, 300, "0:leftkind 0:rightkind 0:rightskill 0:start"},
    };
    for (const auto& r : sessions) {
        session::script s;
        s.seed = r.seed;
        s.frames = r.frames;
        s.rands.assign(r.maxdraws, 2147483647);
        s.rands.resize(2 * r.maxdraws, 0);
        s.play(r.script);
        std::ostringstream got;
        got << "# frame wait left:right points; planes x,y,flying,expstage (band 1 first); bullets x,y,fired (left "
               "first); rand and srand calls; volume; sounds; #screen at each flip; nudges; stdout\n";
        // what start-up set: the window, the mixer and each sound's volume
        s.onstart = [&](const zevostate& st) {
            const SDL_Surface* screen = SDL_GetVideoSurface();
            char* title = nullptr;
            SDL_WM_GetCaption(&title, nullptr);
            int rate = 0, channels = 0;
            Uint16 format = 0;
            Mix_QuerySpec(&rate, &format, &channels);
            got << "start " << screen->w << 'x' << screen->h << 'x' << int(screen->format->BitsPerPixel) << " \""
                << title << "\" audio " << rate << ',' << std::hex << format << std::dec << ',' << channels << ','
                << s.buffer << " on " << Mix_AllocateChannels(-1) << " channels, volumes";
            for (Mix_Chunk* sound : st.sounds)
                got << ' ' << Mix_VolumeChunk(sound, -1);
            got << '\n';
        };
        std::ostringstream flips;
        size_t out = 0;
        s.onflip = [&](const zevostate&, int) {
            const SDL_Surface* screen = SDL_GetVideoSurface();
            Uint32 h = 2166136261u;
            for (int y = 0; y < 600; y++)
                for (int x = 0; x < 800; x++) // the screen is 16-bit
                    h = (h ^ static_cast<const Uint16*>(screen->pixels)[y * screen->pitch / 2 + x]) * 16777619u;
            flips << '/' << std::hex << std::setw(8) << std::setfill('0') << h << std::dec;
        };
        s.onframe = [&](const zevostate& st, int f) {
            got << f << ' ' << s.delay << ' ' << st.lefttank->score << ':' << st.righttank->score;
            for (const plane* p : st.planes)
                got << ' ' << p->pos.x << ',' << p->pos.y << ',' << p->flying << ',' << p->expstage;
            for (const bullet* b : {st.leftbullet, st.rightbullet})
                got << ' ' << b->pos.x << ',' << b->pos.y << ',' << b->fired;
            got << " r" << s.randcalls << ',' << s.srands << " v" << Mix_Volume(-1, -1) << ' ' << s.sounds << " #"
                << flips.str().substr(1);
            if (!s.nudged.empty())
                got << " nudged " << s.nudged;
            const std::string said = s.printed.str().substr(out);
            for (char c : said.empty() ? said : " " + said)
                got << (c == '\n' ? std::string("\\n") : std::string(1, c));
            got << '\n';
            out += said.size();
            s.randcalls = s.srands = 0;
            s.sounds.clear();
            s.nudged.clear();
            flips.str("");
        };
        const int status = s.run();
        got << "exit " << status << " after " << s.frame << " frames\n";
        const std::string path = std::string("tests/golden/") + r.name + ".txt";
        if (std::getenv("ZEVO_REGOLD") && std::string(std::getenv("ZEVO_REGOLD")) == "1") {
            EXPECT_TRUE(std::ofstream(path) << got.str()) << "could not write " << path;
            continue;
        }
        std::ifstream file(path);
        std::istringstream actual(got.str());
        std::string want, line;
        for (int i = 1; bool(std::getline(file, want)) | bool(std::getline(actual, line)); i++)
            ASSERT_EQ(want, line) << path << " line " << i << " is the first to differ; ZEVO_REGOLD=1 rewrites it";
    }
}

namespace {

// What must hold after every frame, whatever the input: planes in their bands, bullets flying or
// ready at their tanks, and points below the winning count.
std::string broken(const zevostate& st)
{
    for (int i = 0; i < 5; i++) {
        const plane* p = st.planes[i];
        if (p->flying < 0 || p->flying > 1 || p->expstage < 0 || p->expstage > 5 ||
            p->pos.y != 350 - 80 * i - (p->expstage > 1 ? 20 : 0))
            return "plane of band " + std::to_string(i + 1) + " at y " + std::to_string(p->pos.y);
    }
    for (const bullet* b : {st.leftbullet, st.rightbullet})
        if (b->fired != 1 && (b->fired != 0 || b->pos.x != (b->side == 'l' ? 80 : 720) || b->pos.y != 540))
            return std::string("bullet ") + b->side + " neither flying nor ready";
    const int points = std::max(st.lefttank->score, st.righttank->score);
    return std::min(st.lefttank->score, st.righttank->score) < 0 || points > 24 ? "points " + std::to_string(points)
                                                                                : "";
}

} // namespace

// Random keys, releases and clicks anywhere but on quit, several a frame, and a menu now and then
// (each costs as much as a hundred frames); random draws with the extremes often. Menus and win
// waits are left by the session's own nudges. ZEVO_HOSTILE_SEEDS=FIRST,COUNT picks the seeds.
TEST(hostile, seeds)
{
    unsigned first = 0, count = 200;
    std::sscanf(std::getenv("ZEVO_HOSTILE_SEEDS") ? std::getenv("ZEVO_HOSTILE_SEEDS") : "", "%u,%u", &first, &count);
    for (unsigned seed = first; seed < first + count; seed++) {
        std::mt19937 g(seed);
        session::script s;
        s.seed = seed;
        s.frames = 5000;
        for (int i = 0; i < 20000; i++)
            s.rands.push_back(g() % 3 == 0 ? 0 : g() % 3 == 0 ? 2147483647 : static_cast<int>(g() % 2147483647));
        const SDLKey keys[] = {SDLK_a, SDLK_d, SDLK_w, SDLK_LEFT, SDLK_RIGHT, SDLK_UP, SDLK_SPACE, SDLK_q, SDLK_ESCAPE};
        for (int f = 0; f < s.frames; f++)
            for (unsigned n = g() % 4; n > 0; n--) {
                const int x = static_cast<int>(g() % 800), y = static_cast<int>(g() % 600);
                if (g() % 3 == 0)
                    s.click(f, x < 240 && y < 190 ? x + 240 : x, y);
                else
                    s.key(f, keys[g() % 200 == 0 ? 8 : g() % 8], g() % 2);
            }
        std::string fault;
        s.onframe = [&](const zevostate& st, int f) {
            if (fault.empty() && !(fault = broken(st)).empty())
                fault += " after frame " + std::to_string(f);
        };
        EXPECT_EQ(0, s.run()) << "seed " << seed;
        EXPECT_EQ("", fault) << "rerun: ZEVO_HOSTILE_SEEDS=" << seed
                             << ",1 build/tests/zevotests --gtest_filter=hostile.*";
    }
}
