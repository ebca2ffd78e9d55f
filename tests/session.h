#ifndef ZEVO_TESTS_SESSION_H
#define ZEVO_TESTS_SESSION_H

// Scripted sessions: the real main, run frame by frame in this process. Link-time seams deliver
// the script's events, answer rand() and time(), skip every SDL_Delay, and catch the objects main
// builds as their constructors run, so a test can read the playfield between frames.
//
// Frames are counted by main's SDL_Delay calls: frame 0 is the first frame after the first menu.
// An event scripted for frame n goes to the first poll once frame n has begun: frame 0's to the
// first menu, frame n's to that frame's event phase or to a menu or win wait that it opens.

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

class background;
class bullet;
class menu;
class plane;
class tank;

int zevomain();

// What main builds, caught at construction.
struct zevostate {
    SDL_Surface* screen;
    background* back;
    tank* lefttank;
    tank* righttank;
    plane* planes[5]; // band 1 first
    bullet* leftbullet;
    bullet* rightbullet;
    menu* panel;
    Mix_Chunk* sounds[4]; // planes, shot, explosion, applause, as main loads them
};

namespace session {

// The menu's ten buttons, in the panel picture's coordinates; the panel stands at (150, 100).
enum menubutton { start, quit, reset, sound, slower, faster, leftkind, rightkind, leftskill, rightskill };
extern const SDL_Rect buttons[10];

struct script {
    void at(int frame, const SDL_Event& e);
    void key(int frame, SDLKey key, bool down);
    void keydown(int frame, SDLKey k) { key(frame, k, true); }
    void keyup(int frame, SDLKey k) { key(frame, k, false); }
    void click(int frame, int x, int y); // a press; the menu ignores releases
    void button(int frame, int which);   // a click in the middle of a menu button
    void close(int frame);
    void start() { button(0, session::start); }
    // From a callback: an event for whatever polls next, ahead of the rest of the script.
    void now(const SDL_Event& e);
    void nowkey(SDLKey key);

    std::vector<int> rands;  // what rand() returns first, in order; then a fixed generator
    size_t randnext = 0;
    unsigned seed = 12345;   // of that generator
    long clock = 1000000000; // what time() returns
    int frames = 100;        // the close button is pressed in this frame, once the script is done

    std::function<void(const zevostate&)> onstart;          // objects built, before the first menu
    std::function<void(const zevostate&, int frame)> onflip; // after every SDL_Flip
    std::function<void(const zevostate&, int frame)> onframe; // at each frame's end, after its flip

    int run(); // runs main; returns its exit status

    // What the run did.
    zevostate state{};
    int frame = 0; // frames completed
    Uint32 delay = 0; // the last wait
    std::vector<std::pair<int, char>> sounds; // frame, and 'p', 's', 'e', 'a' or '?'
    std::vector<int> volumes;                 // Mix_Volume(-1, v): the v
    int randcalls = 0;
    int srands = 0;
    int loads = 0; // sounds loaded
    std::ostringstream printed; // what main writes to stdout, as it writes it
    std::string out;            // all of it, once main has returned

    struct scheduled {
        int frame;
        SDL_Event event;
    };
    std::vector<scheduled> queue;
    size_t next = 0;
    unsigned lcg = 0;
    long idle = 0; // empty polls in a row
    int closedframe = -1;
    int nudges = 0;
};

// The running script; outside a session every seam passes its call through, except that a test
// may set it to answer rand() from a script.
extern script* current;

} // namespace session

// What rand() returns for a draw of k out of 10 (10 only at the generator's maximum).
inline int drawof(int k)
{
    return k < 10 ? k * 214748365 : 2147483647;
}
// The ten sky colours, in palette order.
extern const Uint8 skytable[10][3];

// Screen helpers, exact pixel values.
Uint32 pixel(SDL_Surface* s, int x, int y);
Uint32 rgb(SDL_Surface* s, Uint8 r, Uint8 g, Uint8 b);
bool solid(SDL_Surface* s, int x, int y, int w, int h, Uint32 value); // every pixel is the value

#endif
