#include "session.h"

#include "bullet.h"
#include "plane.h"
#include "tank.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

// Recorded sessions of the real main, compared line by line with tests/golden/NAME.txt.
// ZEVO_REGOLD=1 writes them anew: only for a change of behaviour that is meant; read the diff.
// A win wait is sent a close request and a W, which it must drop, then Space.

// Computer against computer (idiotic left, extrem idiotic right): waves, strikes on both sides,
// explosions and repaints, a win with its wait, and the game after it. Two people at the keyboard:
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
        {"computerduel", 2024, 2200, 0, "0:leftkind 0:rightkind 0:leftskill 0:faster*10 0:start"},
        {"keyboardplay", 7, 220, 0,
         "0:start 3:+w 4:+up 5:+left 6:+a 8:+w 10:+d 14:-a 18:-d 60:-left 70:+a 70:+w 75:+right 75:+up 80:-left "
         "110:-a 110:-right 115:+d 115:+w 116:+up 130:-d 131:+right 140:-right"},
        {"escapemenu", 99, 1000, 0,
         "0:rightkind 0:sound 0:start 20:+a 20:+w 150:close 150:+esc 150:-esc 150:-a 150:faster*30 150:sound "
         "150:reset 150:rightskill 150:rightkind 150:leftkind 150:leftskill 150:start 170:+w 230:+esc 230:leftkind "
         "230:rightkind 230:rightskill 230:slower*60 230:sound 230:start 330:+esc 330:quit"},
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
               "first); rand and srand calls; volume; sounds; #screen at each flip; stdout\n";
        std::string flips;
        size_t out = 0;
        s.onflip = [&](const zevostate& st, int) {
            Uint32 h = 2166136261u;
            for (int y = 0; y < 600; y++)
                for (int x = 0; x < 800; x++) // the screen is 16-bit
                    h = (h ^ static_cast<const Uint16*>(st.screen->pixels)[y * st.screen->pitch / 2 + x]) * 16777619u;
            char hash[10];
            std::snprintf(hash, sizeof hash, "/%08x", h);
            flips += hash;
            if (st.lefttank->score > 24 || st.righttank->score > 24) {
                SDL_Event space{SDL_KEYDOWN}, w{SDL_KEYDOWN};
                space.key.keysym.sym = SDLK_SPACE;
                w.key.keysym.sym = SDLK_w;
                for (const SDL_Event& e : {space, w, SDL_Event{SDL_QUIT}})
                    s.now(e); // each goes ahead of the one before
            }
        };
        s.onframe = [&](const zevostate& st, int f) {
            got << f << ' ' << s.delay << ' ' << st.lefttank->score << ':' << st.righttank->score;
            for (const plane* p : st.planes)
                got << ' ' << p->pos.x << ',' << p->pos.y << ',' << p->flying << ',' << p->expstage;
            for (const bullet* b : {st.leftbullet, st.rightbullet})
                got << ' ' << b->pos.x << ',' << b->pos.y << ',' << b->fired;
            got << " r" << s.randcalls << ',' << s.srands << " v" << Mix_Volume(-1, -1) << ' ' << s.sounds << " #"
                << flips.substr(1);
            const std::string said = s.printed.str().substr(out);
            for (char c : said.empty() ? said : " " + said)
                got << (c == '\n' ? std::string("\\n") : std::string(1, c));
            got << '\n';
            out += said.size();
            s.randcalls = s.srands = 0;
            s.sounds.clear();
            flips.clear();
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
