#include "main.h"

#include "artstup.h"
#include "background.h"
#include "bullet.h"
#include "menu.h"
#include "plane.h"
#include "tank.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <SDL/SDL_ttf.h>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <iostream>

namespace {

struct launch {
    int type; // picture kind 1..3; 0, an empty launch, leaves the plane of that band alone
    char dir;
    int speed; // pixels per frame
};

// The nine formations, by draw 1..9; band 1 first.
const launch formations[9][5] = {
    {{1, 'l', 10}, {1, 'l', 10}, {1, 'l', 10}, {1, 'l', 10}, {1, 'l', 10}},
    {{}, {}, {2, 'l', 12}, {2, 'r', 18}, {2, 'l', 12}},
    {{3, 'l', 5}, {3, 'r', 5}, {2, 'l', 10}, {2, 'r', 10}, {2, 'l', 10}},
    {{}, {}, {}, {}, {2, 'l', 15}},
    {{3, 'l', 20}, {2, 'l', 15}, {1, 'r', 15}, {1, 'l', 10}, {1, 'r', 10}},
    {{}, {3, 'r', 17}, {}, {3, 'r', 17}, {3, 'r', 17}},
    {{1, 'l', 10}, {1, 'r', 10}, {}, {}, {}},
    {{1, 'l', 18}, {2, 'r', 8}, {2, 'r', 8}, {2, 'r', 8}, {3, 'l', 18}},
    {{2, 'l', 17}, {2, 'l', 13}, {}, {}, {1, 'r', 10}},
};

// The planes and the menu live until the process ends. They are made here and nowhere else, so
// that a leak checker can be told about exactly these.
template <class T, class... Args> [[gnu::noinline]] T* forever(Args... args)
{
    return new T(args...);
}

void play(Mix_Chunk* sound)
{
    Mix_PlayChannelTimed(-1, sound, 0, -1);
}

// SDL's own handlers push a quit event, taking the event queue's lock: a signal that lands inside
// SDL_PollEvent, where the menus and the win wait spend their time, deadlocks there. The game keeps
// no data, so a signal simply ends it. SDL installs its handlers at every start of its video.
void defaultsignals()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

} // namespace

void newwave(plane* plane1, plane* plane2, plane* plane3, plane* plane4, plane* plane5)
{
    const int k = randdraw(10.0);
    // 0, and 10 when rand() returns its maximum, launch nothing
    if (k < 1 || k > 9)
        return;
    plane* const planes[5] = {plane1, plane2, plane3, plane4, plane5};
    const launch* row = formations[k - 1];
    for (int i = 0; i < 5; i++)
        if (row[i].type != 0)
            planes[i]->reset(row[i].type, row[i].dir, row[i].speed);
    for (int i = 0; i < 5; i++)
        if (row[i].type != 0)
            planes[i]->flying = 1;
}

int main()
{
    SDL_Surface* screen = nullptr;
    SDL_Event event;

    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_NOPARACHUTE | SDL_INIT_EVENTTHREAD) < 0) {
        std::cout << "Could not initialize SDL:" << SDL_GetError() << std::endl;
        SDL_Quit();
    }
    defaultsignals();
    if (TTF_Init() < 0)
        std::cout << "could not initialize SDL_TTF" << std::flush;
    TTF_Font* const font16 = TTF_OpenFont("pix/astronbo.ttf", 16);
    if (!font16) {
        std::cout << "couldnt open font" << std::flush;
        return 1;
    }
    TTF_Font* const font24 = TTF_OpenFont("pix/astronbo.ttf", 24);
    if (!font24) {
        std::cout << "couldnt open font" << std::flush;
        return 1;
    }
    TTF_Font* const font32 = TTF_OpenFont("pix/astronbo.ttf", 32);
    if (!font32) {
        std::cout << "couldnt open font" << std::flush;
        return 1;
    }

    Mix_Chunk* planessound = nullptr;
    Mix_Chunk* shotsound = nullptr;
    Mix_Chunk* explosionsound = nullptr;
    Mix_Chunk* applausesound = nullptr;
    // Everything that start-up opened, closed in order; a failed start-up ends here too.
    auto shutdown = [&]() {
        Mix_FreeChunk(planessound);
        Mix_FreeChunk(shotsound);
        Mix_FreeChunk(explosionsound);
        Mix_FreeChunk(applausesound);
        Mix_CloseAudio();
        TTF_CloseFont(font16);
        TTF_CloseFont(font24);
        TTF_CloseFont(font32);
        TTF_Quit();
        SDL_FreeSurface(screen);
        SDL_Quit();
    };

    screen = SDL_SetVideoMode(800, 600, 16, SDL_HWSURFACE | SDL_RLEACCEL | SDL_DOUBLEBUF);
    if (!screen) {
        // every object draws into the screen, so there is no way on without one
        std::cout << "fensterfehler :" << SDL_GetError() << std::flush;
        shutdown();
        return 1;
    }
    // a failed SDL_Init leaves the video to start here, with SDL's handlers
    defaultsignals();
    SDL_WM_SetCaption("ZEVO version 0.4", nullptr);
    Mix_OpenAudio(22050, AUDIO_S16MSB, 2, 4096);
    Mix_AllocateChannels(16);
    planessound = Mix_LoadWAV_RW(SDL_RWFromFile("sound/planes.wav", "rb"), 1);
    shotsound = Mix_LoadWAV_RW(SDL_RWFromFile("sound/shot.wav", "rb"), 1);
    explosionsound = Mix_LoadWAV_RW(SDL_RWFromFile("sound/explosion.wav", "rb"), 1);
    applausesound = Mix_LoadWAV_RW(SDL_RWFromFile("sound/applause.wav", "rb"), 1);
    // a sound that did not load stays silent; the mixer would crash setting its volume
    if (shotsound)
        Mix_VolumeChunk(shotsound, 64);
    if (planessound)
        Mix_VolumeChunk(planessound, 100);
    if (explosionsound)
        Mix_VolumeChunk(explosionsound, 86);
    if (applausesound)
        Mix_VolumeChunk(applausesound, 120);

    int leftcannon = 'm';
    int rightcannon = 'm';
    srand(static_cast<unsigned>(time(nullptr)));
    int leftpoints = 0;
    int rightpoints = 0;
    const SDL_Color white = {255, 255, 255, 255};

    background back(screen);
    if (!back.loaded) {
        shutdown();
        return 1;
    }
    tank lefttank('l', screen, font24);
    if (!lefttank.loaded) {
        shutdown();
        return 1;
    }
    tank righttank('r', screen, font24);
    if (!righttank.loaded) {
        shutdown();
        return 1;
    }
    // every plane reads the explosion pictures: stop at the first that fails, with one message
    plane* const plane1 = forever<plane>(screen, 1, 'l', 10, 1, &back);
    plane* const plane2 = plane1->loaded ? forever<plane>(screen, 2, 'r', 10, 2, &back) : nullptr;
    plane* const plane3 = plane2 && plane2->loaded ? forever<plane>(screen, 3, 'l', 10, 3, &back) : nullptr;
    plane* const plane4 = plane3 && plane3->loaded ? forever<plane>(screen, 1, 'r', 10, 4, &back) : nullptr;
    plane* const plane5 = plane4 && plane4->loaded ? forever<plane>(screen, 2, 'l', 10, 5, &back) : nullptr;
    if (!plane5 || !plane5->loaded) {
        shutdown();
        return 1;
    }
    bullet leftbullet(screen, 'l', plane1, plane2, plane3, plane4, plane5, &back, shotsound);
    bullet rightbullet(screen, 'r', plane1, plane2, plane3, plane4, plane5, &back, shotsound);
    if (!leftbullet.loaded || !rightbullet.loaded) {
        shutdown();
        return 1;
    }
    lefttank.draw('m');
    righttank.draw('m');
    menu* const panel = forever<menu>(screen, font16, font24, font32, &event, &back);
    if (!panel->loaded) {
        shutdown();
        return 1;
    }
    artstup leftplayer(plane1, plane2, plane3, plane4, plane5, &leftbullet);
    artstup rightplayer(plane1, plane2, plane3, plane4, plane5, &rightbullet);

    int quitflag = 0;
    int gamespeed = 0;
    int lefttype = 'h';
    int righttype = 'h';
    int leftskill = 'i';
    int rightskill = 'i';
    panel->run();
    quitflag = panel->quit;
    gamespeed = panel->gamespeed;
    if (panel->sound == 0)
        Mix_Volume(-1, 0);
    righttype = panel->righttype;
    lefttype = panel->lefttype;
    leftskill = panel->leftskill;
    rightskill = panel->rightskill;
    play(planessound);

    // Both displays show "00 ": addpoint always adds one before it shows the number.
    auto zeropoints = [&]() {
        leftpoints = 0;
        rightpoints = 0;
        lefttank.score = -1;
        righttank.score = -1;
        lefttank.addpoint();
        righttank.addpoint();
    };
    auto escapemenu = [&]() {
        panel->run();
        quitflag = panel->quit; // replaces a close request taken earlier in the frame
        gamespeed = panel->gamespeed;
        lefttype = panel->lefttype;
        righttype = panel->righttype;
        leftskill = panel->leftskill;
        rightskill = panel->rightskill;
        if (panel->resetscore == 1)
            zeropoints();
        if (panel->sound == 1)
            Mix_Volume(-1, 80);
        else if (panel->sound == 0)
            Mix_Volume(-1, 0);
    };
    auto strike = [&](bullet& shot, tank& side, int& points) {
        plane* const struck = shot.collide();
        if (!struck)
            return;
        play(explosionsound);
        plane* const byband[5] = {plane1, plane2, plane3, plane4, plane5};
        if (struck->height >= 1 && struck->height <= 5)
            byband[struck->height - 1]->expstage = 1;
        side.addpoint();
        points++;
        shot.reset();
    };
    auto win = [&](char side, const char* message) {
        panel->addwin(side);
        SDL_Surface* const text = TTF_RenderText_Solid(font24, message, white);
        play(applausesound);
        SDL_Rect at = {300, 300, 0, 0};
        SDL_BlitSurface(text, nullptr, screen, &at);
        SDL_Flip(screen);
        SDL_FreeSurface(text);
        int spaces = 0;
        while (spaces == 0) {
            while (SDL_PollEvent(&event))
                if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_SPACE)
                    spaces++;
        }
        zeropoints();
    };

    while (quitflag == 0) {
        if (lefttype == 'c')
            leftcannon = leftplayer.moveshot('l', static_cast<char>(leftskill));
        if (righttype == 'c')
            rightcannon = rightplayer.moveshot('r', static_cast<char>(rightskill));

        while (SDL_PollEvent(&event)) {
            if (event.type == SDL_KEYDOWN) {
                switch (event.key.keysym.sym) {
                case SDLK_w:
                    leftbullet.fired = 1;
                    play(leftbullet.shot);
                    break;
                case SDLK_a:
                    lefttank.draw('u');
                    leftcannon = 'u';
                    break;
                case SDLK_d:
                    lefttank.draw('d');
                    leftcannon = 'd';
                    break;
                case SDLK_UP:
                    rightbullet.fired = 1;
                    play(rightbullet.shot);
                    break;
                case SDLK_RIGHT:
                    righttank.draw('u');
                    rightcannon = 'u';
                    break;
                case SDLK_LEFT:
                    righttank.draw('d');
                    rightcannon = 'd';
                    break;
                case SDLK_ESCAPE:
                    escapemenu();
                    break;
                default:
                    break;
                }
            } else if (event.type == SDL_KEYUP) {
                // a release only acts if the cannon still stands where that key put it
                const SDLKey key = event.key.keysym.sym;
                if ((key == SDLK_a && leftcannon == 'u') || (key == SDLK_d && leftcannon == 'd')) {
                    lefttank.draw('m');
                    leftcannon = 'm';
                } else if ((key == SDLK_RIGHT && rightcannon == 'u') || (key == SDLK_LEFT && rightcannon == 'd')) {
                    righttank.draw('m');
                    rightcannon = 'm';
                }
            } else if (event.type == SDL_QUIT) {
                quitflag++;
            }
        }

        const bool busy = plane1->flying == 1 || plane2->flying == 1 || plane3->flying == 1 || plane4->flying == 1 ||
                          plane5->flying == 1 || plane1->expstage > 0 || plane2->expstage > 0 || plane3->expstage > 0 ||
                          plane4->expstage > 0 || plane5->expstage > 0;
        if (!busy) {
            newwave(plane1, plane2, plane3, plane4, plane5);
            play(planessound);
        } else {
            for (plane* p : {plane1, plane2, plane3, plane4, plane5})
                if (p->flying == 1)
                    p->move();
            for (plane* p : {plane1, plane2, plane3, plane4, plane5})
                if (p->expstage > 0)
                    p->explode();
            rightbullet.move(static_cast<char>(rightcannon));
            leftbullet.move(static_cast<char>(leftcannon));
            strike(rightbullet, righttank, rightpoints);
            strike(leftbullet, lefttank, leftpoints);
        }

        if (leftpoints > 24)
            win('l', "left player won!!! press space to continue");
        if (rightpoints > 24)
            win('r', "right player won!!! press space to continue");

        SDL_Flip(screen);
        SDL_Delay(static_cast<Uint32>(50 - gamespeed));
    }

    shutdown();
    return 0;
}
