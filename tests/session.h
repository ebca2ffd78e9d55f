#ifndef ZEVO_TESTS_SESSION_H
#define ZEVO_TESTS_SESSION_H

// Scripted sessions: the real main, frame by frame in this process, fed by link-time seams. A frame
// ends at main's SDL_Delay; frame 0 is the first after the first menu. An event scripted for frame n
// goes to the first poll once frame n has begun: that frame's events, or a menu it opens.

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

class bullet;
class menu;
class plane;
class tank;
int zevomain();

struct zevostate {
    tank *lefttank, *righttank;
    plane* planes[5]; // band 1 first
    bullet *leftbullet, *rightbullet;
    menu* panel;
    Mix_Chunk* sounds[4]; // planes, shot, explosion, applause
};

namespace session {

// The menu's ten buttons, in the panel picture's coordinates; the panel stands at (150, 100).
enum menubutton { start, quit, reset, sound, slower, faster, leftkind, rightkind, leftskill, rightskill };
extern const SDL_Rect buttons[10];

SDL_Event keyevent(SDLKey key, bool down);
SDL_Event press(int x, int y);
SDL_Event pressed(const SDL_Rect& panel, int which); // in the middle of a menu button

struct script {
    // Input, in frame order, as words "FRAME:WHAT": +KEY and -KEY press and release a (a, d, w, up, left, right,
    // esc, space), a button's name clicks it, *N after it repeats it, "close" is the close button.
    void play(const std::string& words);
    void at(int frame, const SDL_Event& e) { queue.push_back({frame, e}); }
    void key(int frame, SDLKey k, bool down) { at(frame, keyevent(k, down)); }
    void click(int frame, int x, int y) { at(frame, press(x, y)); } // the menu ignores releases

    std::vector<int> rands; // what rand() returns first, in order; then a fixed generator
    size_t randnext = 0;
    unsigned seed = 12345; // of that generator
    int frames = 100;      // the close button is pressed in this frame, once the script is done

    std::function<void(const zevostate&)> onstart;            // objects built, before the first menu
    std::function<void(const zevostate&, int frame)> onflip;  // after every SDL_Flip
    std::function<void(const zevostate&, int frame)> onframe; // at each frame's end

    int run(); // main's exit status

    zevostate state{};
    int frame = 0;      // frames completed
    Uint32 delay = 0;   // the last wait
    std::string sounds; // played, as p, s, e, a (? for another chunk, ! for one not played once on a free channel)
    int randcalls = 0, srands = 0, loads = 0, buffer = 0;
    std::ostringstream printed; // main's stdout, as it writes it
    std::string nudged;         // what waits were given: c a click on start, q on quit, u Space up, s down

    std::vector<std::pair<int, SDL_Event>> queue; // frame, event
    size_t next = 0;
    unsigned lcg = 0;
    int idle = 0, nudges = 0, closedframe = -1;
};

// The running script; outside a session every seam passes through, but a test may set it to
// answer rand() from a script.
extern script* current;

} // namespace session

Uint32 pixel(SDL_Surface* s, int x, int y);

#endif
