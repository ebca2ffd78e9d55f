#ifndef ZEVO_TESTS_SESSION_H
#define ZEVO_TESTS_SESSION_H

// Scripted sessions: the real main, run frame by frame in this process. Link-time seams deliver
// the script's input events, answer rand() and time() from the script, skip every SDL_Delay and
// let the test look at the screen after each flip and at the end of each frame.
//
// Frames are counted by main's SDL_Delay calls: frame 0 is the first frame after the first menu.
// An event scripted for frame n is delivered by the first poll made once frame n has begun, so
// frame 0's events go to the first menu (which drains the queue), frame n's to frame n's event
// phase, or to a menu or win wait that frame opens.

#include "main.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <functional>
#include <string>
#include <vector>

int zevomain();

namespace session {

enum sound { planes = 0, shot = 1, explosion = 2, applause = 3, other = -1 };

// The menu's ten buttons, in the panel picture's coordinates; the panel stands at (150, 100).
enum menubutton { start, quit, reset, sound, slower, faster, leftkind, rightkind, leftskill, rightskill };
extern const SDL_Rect buttons[10];

struct played {
    int frame;
    int which; // a sound, by the order main loads them
};

struct script {
    // Input.
    void at(int frame, const SDL_Event& e);
    void keydown(int frame, SDLKey key);
    void keyup(int frame, SDLKey key);
    void tap(int frame, SDLKey key);                                     // down and up in the same frame
    void click(int frame, int x, int y, Uint8 button = SDL_BUTTON_LEFT); // press and release
    void press(int frame, int x, int y, Uint8 button = SDL_BUTTON_LEFT); // press only
    void close(int frame);
    // A click in the middle of one of the menu's buttons.
    void button(int frame, int which);
    // From a callback: events for whatever polls next, ahead of the rest of the script. A win
    // wait polls within a frame whose own events are already taken.
    void now(const SDL_Event& e);
    void now(const script& batch); // every event that batch scripted, in its order
    void nowkey(SDLKey key);       // a key press
    // The first menu's start button, clicked before frame 0.
    void start() { button(0, session::start); }

    std::vector<int> rands;  // what rand() returns first, in order; then a fixed generator
    unsigned seed = 12345;   // of that generator
    long clock = 1000000000; // what time() returns
    int frames = 100;        // the window's close button is pressed in this frame, once the script is done

    // Called after main has built its objects, before the first menu.
    std::function<void(const zevostate&)> onstart;
    // Called after every SDL_Flip (the menu's and the win wait's too), with the frame it falls in.
    std::function<void(const zevostate&, int frame)> onflip;
    // Called at the end of each frame (main's SDL_Delay), after its flip.
    std::function<void(const zevostate&, int frame)> onframe;

    // Runs main; returns its exit status.
    int run();

    // What the run did.
    zevostate state{};
    bool built = false; // main got as far as building its objects
    int frame = 0;      // frames completed
    std::vector<Uint32> delays;
    std::vector<played> sounds; // Mix_PlayChannelTimed calls, in order
    std::vector<int> volumes;   // Mix_Volume(-1, v) calls: the v
    int flips = 0;
    int videomodes = 0;
    int srands = 0;
    int randcalls = 0;
    std::string out; // what main wrote to stdout

    // internals
    struct scheduled {
        int frame;
        SDL_Event event;
    };
    std::vector<scheduled> queue;
    size_t next = 0;
    size_t randnext = 0;
    unsigned lcg = 0;
    long idle = 0; // empty polls in a row
    int closedframe = -1;
};

// The running script, or null outside a session (the seams then pass every call through).
extern script* current;

// How often a sound was played: in all, or in one frame.
int count(const std::vector<played>& sounds, int which, int frame = -1);
// The frames in which a sound was played, once per play.
std::vector<int> framesof(const std::vector<played>& sounds, int which);

} // namespace session

// What rand() returns for a draw of k out of 10 (10 only at the generator's maximum).
inline int drawof(int k)
{
    return k < 10 ? k * 214748365 : 2147483647;
}
// The ten sky colours, in palette order.
extern const Uint8 skytable[10][3];

// Screen helpers, exact 16-bit values.
Uint32 pixel(SDL_Surface* s, int x, int y);
Uint32 rgb(SDL_Surface* s, Uint8 r, Uint8 g, Uint8 b);
// True when every pixel of the rectangle is the value.
bool solid(SDL_Surface* s, int x, int y, int w, int h, Uint32 value);

#endif
