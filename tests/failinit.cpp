// Preloaded into the game. ZEVO_FAIL names the call that fails: "SDL_Init 1" (the default, so that
// SDL starts its video late, in SDL_SetVideoMode), "TTF_Init 1", "TTF_OpenFont 2", ...; or a signal,
// "SIGINT" or "SIGTERM", that TTF_Init raises, between SDL's start and the window.
#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

static const char* const chosen = std::getenv("ZEVO_FAIL") ? std::getenv("ZEVO_FAIL") : "SDL_Init 1";

static bool fails(const char* name, int call)
{
    char which[64];
    std::snprintf(which, sizeof which, "%s %d", name, call);
    return std::strcmp(chosen, which) == 0;
}

extern "C" int SDL_Init(Uint32 flags)
{
    static int calls = 0;
    if (fails("SDL_Init", ++calls)) {
        SDL_SetError("refused for the test");
        return -1;
    }
    auto real = reinterpret_cast<int (*)(Uint32)>(dlsym(RTLD_NEXT, "SDL_Init"));
    return real(flags);
}

extern "C" int TTF_Init()
{
    if (std::strncmp(chosen, "SIG", 3) == 0)
        std::raise(std::strcmp(chosen, "SIGINT") == 0 ? SIGINT : SIGTERM);
    if (fails("TTF_Init", 1))
        return -1;
    auto real = reinterpret_cast<int (*)()>(dlsym(RTLD_NEXT, "TTF_Init"));
    return real();
}

extern "C" TTF_Font* TTF_OpenFont(const char* file, int size)
{
    static int calls = 0;
    if (fails("TTF_OpenFont", ++calls))
        return nullptr;
    auto real = reinterpret_cast<TTF_Font* (*)(const char*, int)>(dlsym(RTLD_NEXT, "TTF_OpenFont"));
    return real(file, size);
}
