#ifndef ZEVO_MAIN_H
#define ZEVO_MAIN_H

class plane;

// Relaunches one of the nine formations at random, or nothing.
void newwave(plane* plane1, plane* plane2, plane* plane3, plane* plane4, plane* plane5);

#ifdef ZEVO_TEST
#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
class artstup;
class background;
class bullet;
class menu;
class tank;
// What main lends the scripted-session tests, so they can read the playfield between frames.
struct zevostate {
    SDL_Surface* screen;
    background* back;
    tank* lefttank;
    tank* righttank;
    plane* planes[5];
    bullet* leftbullet;
    bullet* rightbullet;
    menu* panel;
    artstup* leftplayer;
    artstup* rightplayer;
    int* leftcannon;
    int* rightcannon;
    int* leftpoints;
    int* rightpoints;
    int* quitflag;
    int* gamespeed;
    int* lefttype;
    int* righttype;
    int* leftskill;
    int* rightskill;
    Mix_Chunk* sounds[4]; // planes, shot, explosion, applause
};
void zevowatch(const zevostate& state);
#endif

#endif
