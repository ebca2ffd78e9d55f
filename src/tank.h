#ifndef ZEVO_TANK_H
#define ZEVO_TANK_H

#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

// One side's anti-aircraft tank and the points shown beside it.
class tank {
  public:
    tank(char side, SDL_Surface* screen, TTF_Font* font);
    ~tank();
    tank(const tank&) = delete;
    tank& operator=(const tank&) = delete;

    void draw(char cannon);
    void addpoint();

    char side;
    TTF_Font* font;
    SDL_Surface* uppic;
    SDL_Surface* middlepic;
    SDL_Surface* downpic;
    SDL_Surface* scoretext;
    SDL_Rect pos;
    SDL_Rect scorerect;
    SDL_Surface* screen;
    char scorestr[4];
    int score; // the number on display; main sets -1 before addpoint to show "00 "
    Uint32 green;
    int loaded; // 0 when a picture could not be read
};

#endif
