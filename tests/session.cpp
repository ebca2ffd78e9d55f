#include "session.h"

#include "menu.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <unistd.h>

namespace session {

script* current = nullptr;

const SDL_Rect buttons[10] = {
    {280, 344, 155, 56}, {0, 0, 80, 80},    {31, 216, 110, 62}, {31, 292, 110, 62}, {300, 248, 30, 30},
    {400, 248, 30, 30},  {73, 93, 177, 37}, {321, 93, 177, 37}, {73, 130, 177, 40}, {321, 130, 177, 37},
};

SDL_Event keyevent(SDLKey key, bool down)
{
    SDL_Event e;
    e.key = {
        Uint8(down ? SDL_KEYDOWN : SDL_KEYUP), 0, Uint8(down ? SDL_PRESSED : SDL_RELEASED), {0, key, KMOD_NONE, 0}};
    return e;
}

SDL_Event press(int x, int y)
{
    SDL_Event e;
    e.button = {SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_LEFT, SDL_PRESSED, Uint16(x), Uint16(y)};
    return e;
}

SDL_Event pressed(const SDL_Rect& panel, int which)
{
    const SDL_Rect& b = buttons[which];
    return press(panel.x + b.x + b.w / 2, panel.y + b.y + b.h / 2);
}

void script::play(const std::string& words)
{
    const char* const names[] = {"start",    "quit",      "reset",     "sound",      "slower", "faster",
                                 "leftkind", "rightkind", "leftskill", "rightskill", "close"};
    const char* const keynames[] = {"a", "d", "w", "up", "left", "right", "esc", "space"};
    const SDLKey keys[] = {SDLK_a, SDLK_d, SDLK_w, SDLK_UP, SDLK_LEFT, SDLK_RIGHT, SDLK_ESCAPE, SDLK_SPACE};
    std::istringstream in(words);
    for (std::string word; in >> word;) {
        const size_t colon = word.find(':'), star = word.find('*');
        const std::string what = word.substr(colon + 1, star - colon - 1);
        const long which = std::find(names, names + 11, what) - names;
        for (int i = star == std::string::npos ? 1 : std::stoi(word.substr(star + 1)); i > 0; i--)
            at(std::stoi(word),
               which == 10 ? SDL_Event{SDL_QUIT}
               : which < 10
                   ? pressed({150, 100, 0, 0}, int(which))
                   : keyevent(keys[std::find(keynames, keynames + 8, what.substr(1)) - keynames], what[0] == '+'));
    }
}

int script::run()
{
    lcg = seed;
    std::streambuf* const saved = std::cout.rdbuf(printed.rdbuf());
    current = this;
    const int status = zevomain();
    current = nullptr;
    std::cout.rdbuf(saved);
    return status;
}

} // namespace session

using session::current;

// Constructor seams: the real constructor, then a note of the object in the running session.
#define SEAM(symbol, params, args, note)                                                                               \
    extern "C" void __real_##symbol params;                                                                            \
    extern "C" void __wrap_##symbol params                                                                             \
    {                                                                                                                  \
        __real_##symbol args;                                                                                          \
        if (zevostate* st = current ? &current->state : nullptr)                                                       \
            note;                                                                                                      \
    }
SEAM(_ZN4tankC1EcP11SDL_SurfaceP9_TTF_Font, (tank * self, char side, SDL_Surface* s, TTF_Font* f), (self, side, s, f),
     (side == 'l' ? st->lefttank : st->righttank) = self)
SEAM(_ZN5planeC1EP11SDL_SurfaceiciiP10background,
     (plane * self, SDL_Surface* s, int kind, char dir, int speed, int band, background* b),
     (self, s, kind, dir, speed, band, b), st->planes[(band + 4) % 5] = self)
SEAM(_ZN6bulletC1EP11SDL_SurfacecP5planeS3_S3_S3_S3_P10backgroundP9Mix_Chunk,
     (bullet * self, SDL_Surface* s, char side, plane* p1, plane* p2, plane* p3, plane* p4, plane* p5, background* b,
      Mix_Chunk* shot),
     (self, s, side, p1, p2, p3, p4, p5, b, shot), (side == 'l' ? st->leftbullet : st->rightbullet) = self)
SEAM(_ZN4menuC1EP11SDL_SurfaceP9_TTF_FontS3_S3_P9SDL_EventP10background,
     (menu * self, SDL_Surface* s, TTF_Font* f16, TTF_Font* f24, TTF_Font* f32, SDL_Event* e, background* b),
     (self, s, f16, f24, f32, e, b), (st->panel = self, current->onstart ? current->onstart(*st) : void()))

extern "C" {
int __real_SDL_PollEvent(SDL_Event* event);
void __real_SDL_Delay(Uint32 ms);
int __real_SDL_Flip(SDL_Surface* screen);
int __real_rand(void);
void __real_srand(unsigned seed);
int __real_Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunksize);
int __real_Mix_PlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks);
Mix_Chunk* __real_Mix_LoadWAV_RW(SDL_RWops* src, int freesrc);

// When nothing is due: the close button in the end frame once the script is spent, again in the
// next frame if a menu ate it. A menu or win wait left waiting gets a click on start (on quit after
// the end frame), a release of Space and a press of it, so every session ends; one that takes
// none is stuck.
int __wrap_SDL_PollEvent(SDL_Event* event)
{
    if (!current)
        return __real_SDL_PollEvent(event);
    session::script& s = *current;
    if (s.next < s.queue.size() && s.queue[s.next].first <= s.frame) {
        *event = s.queue[s.next++].second;
        s.idle = 0;
    } else if (s.next >= s.queue.size() && s.frame >= s.frames && s.closedframe != s.frame) {
        s.closedframe = s.frame;
        *event = SDL_Event{SDL_QUIT};
    } else if (++s.idle < 3) { // a closing menu finds nothing, then the frame loop: no wait yet
        return 0;
    } else if (!s.state.panel || ++s.nudges > 1000) {
        std::cerr << "session stuck in frame " << s.frame << std::endl;
        _exit(3);
    } else {
        s.idle = 0;
        const int button = s.frame >= s.frames ? session::quit : session::start;
        const int step = s.nudges % 3; // 1 the click, 2 Space up, 0 Space down
        if (step == 1)
            *event = session::pressed(s.state.panel->menurect, button);
        else
            *event = session::keyevent(SDLK_SPACE, step == 0);
        s.nudged += step == 1 ? (button == session::quit ? 'q' : 'c') : step == 2 ? 'u' : 's';
    }
    return 1;
}

void __wrap_SDL_Delay(Uint32 ms)
{
    if (!current)
        return __real_SDL_Delay(ms);
    current->delay = ms;
    current->idle = current->nudges = 0;
    if (current->frame > current->frames + 10) {
        std::cerr << "session did not end at the close button" << std::endl;
        _exit(3);
    }
    if (current->onframe)
        current->onframe(current->state, current->frame);
    current->frame++;
}

int __wrap_SDL_Flip(SDL_Surface* screen)
{
    const int result = __real_SDL_Flip(screen);
    if (current && current->onflip)
        current->onflip(current->state, current->frame);
    return result;
}

int __wrap_rand(void)
{
    if (!current)
        return __real_rand();
    session::script& s = *current;
    s.randcalls++;
    if (s.randnext < s.rands.size())
        return s.rands[s.randnext++];
    s.lcg = s.lcg * 1103515245u + 12345u;
    return static_cast<int>((s.lcg >> 1) % 2147483647);
}

void __wrap_srand(unsigned seed)
{
    if (!current)
        return __real_srand(seed);
    current->srands++;
}

int __wrap_Mix_OpenAudio(int frequency, Uint16 format, int channels, int chunksize)
{
    if (current)
        current->buffer = chunksize; // what the mixer cannot be asked afterwards
    return __real_Mix_OpenAudio(frequency, format, channels, chunksize);
}

int __wrap_Mix_PlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks)
{
    if (current) {
        Mix_Chunk* const* known = current->state.sounds;
        const bool once = channel == -1 && loops == 0 && ticks < 1; // on the first free channel, no time limit
        current->sounds += !once ? '!' : chunk ? "psea?"[std::find(known, known + 4, chunk) - known] : '?';
    }
    return __real_Mix_PlayChannelTimed(channel, chunk, loops, ticks);
}

Mix_Chunk* __wrap_Mix_LoadWAV_RW(SDL_RWops* src, int freesrc)
{
    Mix_Chunk* const chunk = __real_Mix_LoadWAV_RW(src, freesrc);
    if (current && current->loads < 4)
        current->state.sounds[current->loads++] = chunk;
    return chunk;
}

} // extern "C"

Uint32 pixel(SDL_Surface* s, int x, int y)
{
    Uint32 v = 0; // the surface's own bytes, in the order a pixel value has them on this machine
    std::memcpy(&v, static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
                s->format->BytesPerPixel);
    return v;
}
