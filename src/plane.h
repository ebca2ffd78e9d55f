#ifndef ZEVO_PLANE_H
#define ZEVO_PLANE_H

#include <SDL/SDL.h>

class background;

// One aircraft, bound for life to one sky band (1 lowest .. 5 highest).
class plane {
  public:
    plane(SDL_Surface* screen, int type, char dir, int speed, int band, background* back);
    ~plane();
    plane(const plane&) = delete;
    plane& operator=(const plane&) = delete;

    void move();
    void hit();
    void explode();
    void reset(int type, char dir, int speed);

    SDL_Surface* pic;
    SDL_Surface* screen;
    SDL_Surface* exppic[4];
    SDL_Rect pos; // last drawn rectangle, as the clipping wrote it back: the next erase
    SDL_Rect src; // window into pic while crossing a screen edge
    int speed;    // pixels per frame
    int height;   // band, 1..5
    int crossing;
    int expstage; // 0 none, 1 struck, 2..5 after exp1..exp4
    int flying;
    char dir; // 'l' leftwards, 'r' rightwards
    background* back;
    int loaded; // 0 when a picture could not be read at construction

  private:
    SDL_Surface* flightpic(int type, char dir);
    Uint32 bandcolour() const;
};

#endif
