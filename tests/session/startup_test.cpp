#include "session/session.h"
#include "tank.h"

#include <SDL/SDL_ttf.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Runs the script in a copy of the data files that breakit has spoilt.
int inbrokencopy(session::script& s, const std::function<void(const fs::path&)>& breakit)
{
    const fs::path home = fs::current_path();
    const fs::path dir = fs::temp_directory_path() / ("zevodata-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy(home / "pix", dir / "pix", fs::copy_options::recursive);
    fs::copy(home / "sound", dir / "sound", fs::copy_options::recursive);
    breakit(dir);
    fs::current_path(dir);
    const int status = s.run();
    fs::current_path(home);
    fs::remove_all(dir);
    return status;
}

// Everything that start-up opened has been closed again.
void expectshutdown()
{
    EXPECT_EQ(0u, SDL_WasInit(SDL_INIT_EVERYTHING));
    EXPECT_EQ(0, TTF_WasInit());
}

} // namespace

TEST(startup, missingfont)
{
    session::script s;
    s.start();
    EXPECT_EQ(1, inbrokencopy(s, [](const fs::path& d) { fs::remove(d / "pix/astronbo.ttf"); }));
    EXPECT_EQ("couldnt open font", s.out);
    EXPECT_EQ(0, s.videomodes) << "no window before the font";
    EXPECT_FALSE(s.built);
}

// A run of its own: the font failure above leaves the libraries open.
TEST(startup, missingground)
{
    session::script s;
    s.start();
    EXPECT_EQ(1, inbrokencopy(s, [](const fs::path& d) { fs::remove(d / "pix/hintergrund.png"); }));
    const std::string head = "couldnt load pix/hintergrund.png: ";
    EXPECT_EQ(head, s.out.substr(0, head.size())) << s.out;
    EXPECT_GT(s.out.size(), head.size() + 1) << "the loader's error text";
    EXPECT_EQ('\n', s.out.back()) << s.out;
    EXPECT_FALSE(s.built);
    EXPECT_EQ(0, s.flips);
    expectshutdown();
}

TEST(startup, silentwithoutsounds)
{
    session::script s;
    s.start();
    s.frames = 5;
    EXPECT_EQ(0, inbrokencopy(s, [](const fs::path& d) {
                  for (const char* f : {"planes", "shot", "explosion", "applause"})
                      fs::remove(d / "sound" / (std::string(f) + ".wav"));
              }));
    EXPECT_EQ("", s.out);
    ASSERT_TRUE(s.built);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(nullptr, s.state.sounds[i]) << "sound " << i;
    EXPECT_EQ(6u, s.delays.size());
    EXPECT_FALSE(s.sounds.empty()) << "the planes sound is still asked for";
    expectshutdown();
}

TEST(startup, quitinfirstmenu)
{
    session::script s;
    s.button(0, session::quit);
    EXPECT_EQ(0, s.run());
    EXPECT_TRUE(s.delays.empty()) << "no frame may run";
    ASSERT_EQ(1u, s.sounds.size());
    EXPECT_EQ(session::planes, s.sounds[0].which);
    EXPECT_TRUE(s.volumes.empty());
    EXPECT_EQ("", s.out);
    expectshutdown();
}

TEST(startup, firstmenusound)
{
    int channel = -2;
    session::script off;
    off.button(0, session::sound);
    off.start();
    off.frames = 2;
    off.onframe = [&](const zevostate&, int f) {
        if (f == 0)
            channel = Mix_Volume(0, -1);
    };
    EXPECT_EQ(0, off.run());
    EXPECT_EQ(std::vector<int>{0}, off.volumes);
    EXPECT_EQ(0, channel);
    ASSERT_FALSE(off.sounds.empty());
    EXPECT_EQ(session::planes, off.sounds[0].which);
    EXPECT_EQ(0, off.sounds[0].frame);

    // left on: nothing is set, the mixer keeps its full volume
    session::script on;
    on.start();
    on.frames = 2;
    on.onframe = off.onframe;
    EXPECT_EQ(0, on.run());
    EXPECT_TRUE(on.volumes.empty());
    EXPECT_EQ(MIX_MAX_VOLUME, channel);
}

// Both tanks stand with their cannons in the middle when the first menu shows.
TEST(startup, tanksbeforefirstmenu)
{
    session::script s;
    s.start();
    s.frames = 1;
    int checked = 0;
    s.onflip = [&](const zevostate& st, int) {
        if (checked++)
            return;
        EXPECT_EQ('m', *st.leftcannon);
        EXPECT_EQ('m', *st.rightcannon);
        SDL_Surface* const screen = st.screen;
        for (const tank* t : {st.lefttank, st.righttank}) {
            // the middle picture over the ground green, drawn apart in the screen's format
            const int w = t->middlepic->w, h = t->middlepic->h;
            SDL_Surface* want = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 16, screen->format->Rmask,
                                                     screen->format->Gmask, screen->format->Bmask, 0);
            SDL_FillRect(want, nullptr, rgb(screen, 37, 226, 27));
            SDL_BlitSurface(t->middlepic, nullptr, want, nullptr);
            const int x0 = t->side == 'l' ? 50 : 750 - t->uppic->w;
            int bad = 0;
            for (int y = 0; y < h; y++)
                for (int x = 0; x < w; x++)
                    bad += pixel(screen, x0 + x, 550 + y) != pixel(want, x, y);
            EXPECT_EQ(0, bad) << "pixels of the " << t->side << " tank that differ from its middle picture";
            SDL_FreeSurface(want);
        }
    };
    EXPECT_EQ(0, s.run());
    EXPECT_GT(checked, 0);
}
