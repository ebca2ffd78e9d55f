#ifndef ZEVO_MENU_H
#define ZEVO_MENU_H

#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

class background;

// The settings and games-won panel, worked with the mouse.
class menu {
  public:
    menu(SDL_Surface* screen, TTF_Font* font16, TTF_Font* font24, TTF_Font* font32, SDL_Event* event, background* back);
    ~menu();
    menu(const menu&) = delete;
    menu& operator=(const menu&) = delete;

    void run();
    void addwin(char side);

    SDL_Surface* menupic;  // the panel as shown: every label is drawn onto it
    SDL_Surface* cleanpic; // never drawn on: the source of every erase
    SDL_Surface* screen;
    SDL_Surface* leftwinstext;
    SDL_Surface* rightwinstext;
    SDL_Surface* soundtext;
    SDL_Surface* speedtext;
    SDL_Surface* starttext;
    SDL_Surface* lefttypetext;
    SDL_Surface* righttypetext;
    SDL_Surface* leftskilltext;
    SDL_Surface* rightskilltext;
    SDL_Event* event;

    // All but menurect are in the panel picture's own coordinates.
    SDL_Rect menurect;
    SDL_Rect leftwinsrect;
    SDL_Rect rightwinsrect;
    SDL_Rect leftwinserase;
    SDL_Rect rightwinserase;
    SDL_Rect tallyrect;
    SDL_Rect startbutton;
    SDL_Rect quitbutton;
    SDL_Rect resetbutton;
    SDL_Rect soundbutton;
    SDL_Rect soundrect;
    SDL_Rect fasterbutton;
    SDL_Rect slowerbutton;
    SDL_Rect speedrect;
    SDL_Rect startrect;
    SDL_Rect lefttypebutton;
    SDL_Rect righttypebutton;
    SDL_Rect leftskillbutton;
    SDL_Rect rightskillbutton;
    SDL_Rect lefttyperect;
    SDL_Rect righttyperect;
    SDL_Rect rightskillrect;
    SDL_Rect leftskillrect;

    TTF_Font* font16;
    TTF_Font* font24;
    TTF_Font* font32;
    background* back;

    int leftwins;
    int rightwins;
    int sound; // 1 on, 0 off
    char speedstr[4];
    char leftwinsstr[4];
    char rightwinsstr[4];
    char lefttype; // 'h' human, 'c' computer
    char righttype;
    char leftskill; // 'i' extrem idiotic, 's' idiotic
    char rightskill;
    int gamespeed; // 0..50; a frame waits 50 - gamespeed milliseconds
    int opencount;
    int quit;
    int resetscore;
    int loaded; // 0 when the panel picture could not be read

  private:
    void label(const char* text, TTF_Font* font, SDL_Rect* rect, SDL_Surface** keep);
    void settext(SDL_Surface** field, SDL_Surface* text);
    void drawtext(SDL_Surface* text, SDL_Rect* rect);
    void erase(SDL_Rect* rect);
    void show();
    int inside(const SDL_Rect& button) const;
    void kind(char* type, char skill, SDL_Surface** typetext, SDL_Rect* typerect, SDL_Surface** skilltext,
              SDL_Rect* skillrect);
    void toggleskill(char* skill, SDL_Surface** skilltext, SDL_Rect* skillrect);
    void drawspeed();
};

#endif
