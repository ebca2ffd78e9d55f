#include "session/session.h"

#include "menu.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <sstream>
#include <unistd.h>

extern "C" {
int __real_SDL_PollEvent(SDL_Event* event);
void __real_SDL_Delay(Uint32 ms);
int __real_SDL_Flip(SDL_Surface* screen);
SDL_Surface* __real_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags);
int __real_rand(void);
void __real_srand(unsigned seed);
time_t __real_time(time_t* t);
int __real_Mix_PlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks);
int __real_Mix_Volume(int channel, int volume);
}

namespace session {

script* current = nullptr;

const SDL_Rect buttons[10] = {
    {280, 344, 155, 56}, {0, 0, 80, 80},    {31, 216, 110, 62}, {31, 292, 110, 62}, {300, 248, 30, 30},
    {400, 248, 30, 30},  {73, 93, 177, 37}, {321, 93, 177, 37}, {73, 130, 177, 40}, {321, 130, 177, 37},
};

void script::at(int when, const SDL_Event& e)
{
    queue.push_back({when, e});
}

void script::keydown(int when, SDLKey key)
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    at(when, e);
}

void script::keyup(int when, SDLKey key)
{
    SDL_Event e{};
    e.type = SDL_KEYUP;
    e.key.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    e.key.keysym.sym = key;
    at(when, e);
}

void script::tap(int when, SDLKey key)
{
    keydown(when, key);
    keyup(when, key);
}

void script::press(int when, int x, int y, Uint8 button)
{
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = button;
    e.button.state = SDL_PRESSED;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    at(when, e);
}

void script::click(int when, int x, int y, Uint8 button)
{
    press(when, x, y, button);
    SDL_Event e = queue.back().event;
    e.type = SDL_MOUSEBUTTONUP;
    e.button.type = SDL_MOUSEBUTTONUP;
    e.button.state = SDL_RELEASED;
    at(when, e);
}

void script::now(const SDL_Event& e)
{
    queue.insert(queue.begin() + static_cast<long>(next), scheduled{frame, e});
}

void script::now(const script& batch)
{
    std::vector<scheduled> events = batch.queue;
    for (scheduled& e : events)
        e.frame = frame;
    queue.insert(queue.begin() + static_cast<long>(next), events.begin(), events.end());
}

void script::nowkey(SDLKey key)
{
    script batch;
    batch.keydown(0, key);
    now(batch);
}

void script::button(int when, int which)
{
    const SDL_Rect& b = buttons[which];
    click(when, 150 + b.x + b.w / 2, 100 + b.y + b.h / 2);
}

void script::close(int when)
{
    SDL_Event e{};
    e.type = SDL_QUIT;
    at(when, e);
}

int script::run()
{
    // events in frame order; those of one frame in the order they were scripted
    std::stable_sort(queue.begin(), queue.end(),
                     [](const scheduled& a, const scheduled& b) { return a.frame < b.frame; });
    lcg = seed;
    std::ostringstream captured;
    std::streambuf* const saved = std::cout.rdbuf(captured.rdbuf());
    current = this;
    const int status = zevomain();
    current = nullptr;
    std::cout.rdbuf(saved);
    out = captured.str();
    return status;
}

int count(const std::vector<played>& sounds, int which, int frame)
{
    int n = 0;
    for (const played& p : sounds)
        n += p.which == which && (frame < 0 || p.frame == frame);
    return n;
}

std::vector<int> framesof(const std::vector<played>& sounds, int which)
{
    std::vector<int> frames;
    for (const played& p : sounds)
        if (p.which == which)
            frames.push_back(p.frame);
    return frames;
}

// Once the script is done: the close button at the end frame; a menu or a win wait that is
// still open then gets Space and a click on its quit button, so every session ends.
static int ending(script& s, SDL_Event* event)
{
    // a menu open in that frame drops the close request: it comes again in the next frame
    if (s.frame >= s.frames && s.closedframe != s.frame) {
        s.closedframe = s.frame;
        *event = SDL_Event{};
        event->type = SDL_QUIT;
        return 1;
    }
    if (s.idle < 20000)
        return 0;
    s.idle = 0;
    if (!s.built) {
        std::cerr << "session stuck before main built its objects" << std::endl;
        _exit(3);
    }
    static int turn = 0;
    *event = SDL_Event{};
    if (turn++ % 2 == 0) {
        event->type = SDL_KEYDOWN;
        event->key.type = SDL_KEYDOWN;
        event->key.keysym.sym = SDLK_SPACE;
    } else {
        const SDL_Rect& panel = s.state.panel->menurect;
        event->type = SDL_MOUSEBUTTONDOWN;
        event->button.type = SDL_MOUSEBUTTONDOWN;
        event->button.button = SDL_BUTTON_LEFT;
        event->button.x = static_cast<Uint16>(panel.x + 40);
        event->button.y = static_cast<Uint16>(panel.y + 40);
    }
    return 1;
}

} // namespace session

using session::current;

void zevowatch(const zevostate& state)
{
    if (!current)
        return;
    current->state = state;
    current->built = true;
    if (current->onstart)
        current->onstart(state);
}

extern "C" {

int __wrap_SDL_PollEvent(SDL_Event* event)
{
    if (!current)
        return __real_SDL_PollEvent(event);
    session::script& s = *current;
    if (s.next < s.queue.size() && s.queue[s.next].frame <= s.frame) {
        *event = s.queue[s.next++].event;
        s.idle = 0;
        return 1;
    }
    if (s.next >= s.queue.size() && session::ending(s, event))
        return 1;
    if (++s.idle > 50000000L) {
        std::cerr << "session stuck in frame " << s.frame
                  << ": main waits for input that the script gives only in a later frame" << std::endl;
        _exit(3);
    }
    return 0;
}

void __wrap_SDL_Delay(Uint32 ms)
{
    if (!current) {
        __real_SDL_Delay(ms);
        return;
    }
    session::script& s = *current;
    s.delays.push_back(ms);
    s.idle = 0;
    if (s.onframe)
        s.onframe(s.state, s.frame);
    s.frame++;
}

int __wrap_SDL_Flip(SDL_Surface* screen)
{
    const int result = __real_SDL_Flip(screen);
    if (current) {
        current->flips++;
        current->idle = 0;
        if (current->onflip && current->built)
            current->onflip(current->state, current->frame);
    }
    return result;
}

SDL_Surface* __wrap_SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    if (current)
        current->videomodes++;
    return __real_SDL_SetVideoMode(width, height, bpp, flags);
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
    return static_cast<int>((s.lcg >> 1) & 0x7fffffffu) % 2147483647;
}

void __wrap_srand(unsigned seed)
{
    if (!current) {
        __real_srand(seed);
        return;
    }
    current->srands++;
}

time_t __wrap_time(time_t* t)
{
    if (!current)
        return __real_time(t);
    if (t)
        *t = current->clock;
    return current->clock;
}

int __wrap_Mix_PlayChannelTimed(int channel, Mix_Chunk* chunk, int loops, int ticks)
{
    if (current) {
        int which = session::other;
        for (int i = 0; i < 4; i++)
            if (current->built && chunk && chunk == current->state.sounds[i])
                which = i;
        current->sounds.push_back({current->frame, which});
    }
    return __real_Mix_PlayChannelTimed(channel, chunk, loops, ticks);
}

int __wrap_Mix_Volume(int channel, int volume)
{
    if (current && channel == -1 && volume >= 0)
        current->volumes.push_back(volume);
    return __real_Mix_Volume(channel, volume);
}

} // extern "C"

const Uint8 skytable[10][3] = {
    {213, 201, 229}, {195, 171, 227}, {188, 149, 241}, {166, 166, 244}, {157, 157, 202},
    {115, 115, 236}, {154, 154, 255}, {199, 215, 251}, {217, 222, 234}, {182, 224, 227},
};

Uint32 pixel(SDL_Surface* s, int x, int y)
{
    const Uint8* row = static_cast<const Uint8*>(s->pixels) + y * s->pitch;
    switch (s->format->BytesPerPixel) {
    case 1:
        return row[x];
    case 2:
        return reinterpret_cast<const Uint16*>(row)[x];
    case 3: {
        const Uint8* p = row + 3 * x;
        return SDL_BYTEORDER == SDL_LIL_ENDIAN ? p[0] | p[1] << 8 | p[2] << 16 : p[2] | p[1] << 8 | p[0] << 16;
    }
    default:
        return reinterpret_cast<const Uint32*>(row)[x];
    }
}

Uint32 rgb(SDL_Surface* s, Uint8 r, Uint8 g, Uint8 b)
{
    return SDL_MapRGB(s->format, r, g, b);
}

bool solid(SDL_Surface* s, int x, int y, int w, int h, Uint32 value)
{
    for (int j = y; j < y + h; j++)
        for (int i = x; i < x + w; i++)
            if (pixel(s, i, j) != value)
                return false;
    return true;
}
