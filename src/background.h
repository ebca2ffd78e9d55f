#ifndef ZEVO_BACKGROUND_H
#define ZEVO_BACKGROUND_H

#include <SDL/SDL.h>

// The sky's five bands and the ground: the reference that every moving object erases with.
class background {
  public:
    explicit background(SDL_Surface* screen);
    ~background();
    background(const background&) = delete;
    background& operator=(const background&) = delete;

    void drawsky();

    SDL_Surface* screen;
    SDL_Surface* ground;
    SDL_Rect groundrect;
    SDL_Rect bandrect;
    SDL_Rect groundsrc;
    int bandheight;
    int pick;
    Uint32 colour[5]; // colour[0] is band 1, the lowest
    Uint32 palette[10];
    int loaded; // 0 when the ground picture could not be read; main then ends the run
};

// Helpers that every drawing object shares.

// IMG_Load that says on stdout which file failed; null then.
SDL_Surface* loadpic(const char* path);
// The picture converted to the screen's format, so that showing it copies pixels instead of
// converting each one; the same pixels reach the screen. For pictures without a colour key.
SDL_Surface* inscreenformat(SDL_Surface* pic);
// Black, in the screen's format, as the run-length accelerated transparent colour.
void colourkey(SDL_Surface* pic, SDL_Surface* screen);
// Rectangle fields are 16 bits and wrap modulo 65536; this keeps the wrap defined.
inline Sint16 s16(int v)
{
    const Uint16 u = static_cast<Uint16>(v);
    return u < 32768 ? static_cast<Sint16>(u) : static_cast<Sint16>(static_cast<int>(u) - 65536);
}
// "07 ": tens digit, ones digit, blank, terminator.
inline void twodigits(char* str, int n)
{
    str[0] = static_cast<char>('0' + n / 10);
    str[1] = static_cast<char>('0' + n % 10);
    str[2] = ' ';
    str[3] = '\0';
}
// One draw of the system generator scaled to 0..scale (scale only when rand() returns its maximum).
inline int randdraw(double scale)
{
    return static_cast<int>((rand() / 2147483647.0) * scale);
}

#endif
