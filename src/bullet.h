#ifndef ZEVO_BULLET_H
#define ZEVO_BULLET_H

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>

class background;
class plane;

// One side's steerable bullet.
class bullet {
  public:
    bullet(SDL_Surface* screen, char side, plane* plane1, plane* plane2, plane* plane3, plane* plane4, plane* plane5,
           background* back, Mix_Chunk* shot);
    ~bullet();
    bullet(const bullet&) = delete;
    bullet& operator=(const bullet&) = delete;

    void move(char cannon);
    plane* collide();
    void reset();

    SDL_Surface* pic;
    SDL_Surface* screen;
    SDL_Surface* ground;
    SDL_Rect pos;
    SDL_Rect groundsrc;
    SDL_Rect oldpos;
    SDL_Rect targetpos;
    int bandheight;
    plane* target;
    plane* plane1;
    plane* plane2;
    plane* plane3;
    plane* plane4;
    plane* plane5;
    background* back;
    Mix_Chunk* shot;
    int fired;
    char side;
    int loaded; // 0 when the picture could not be read

  private:
    void erase();
};

#endif
