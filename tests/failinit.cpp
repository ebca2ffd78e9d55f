// Preloaded into the game: its first SDL_Init fails, so SDL starts its video late, in SDL_SetVideoMode;
// with ZEVO_FAIL=TTF_Init, TTF_Init fails instead.
#include <SDL/SDL.h>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

static bool fails(const char* name)
{
    const char* chosen = std::getenv("ZEVO_FAIL");
    return std::strcmp(chosen ? chosen : "SDL_Init", name) == 0;
}

extern "C" int SDL_Init(Uint32 flags)
{
    static int calls = 0;
    if (fails("SDL_Init") && calls++ == 0) {
        SDL_SetError("refused for the test");
        return -1;
    }
    auto real = reinterpret_cast<int (*)(Uint32)>(dlsym(RTLD_NEXT, "SDL_Init"));
    return real(flags);
}

extern "C" int TTF_Init()
{
    if (fails("TTF_Init"))
        return -1;
    auto real = reinterpret_cast<int (*)()>(dlsym(RTLD_NEXT, "TTF_Init"));
    return real();
}
