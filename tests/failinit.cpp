// Preloaded into the game: its first SDL_Init fails, so SDL starts its video late, in SDL_SetVideoMode.
#include <SDL/SDL.h>
#include <dlfcn.h>

extern "C" int SDL_Init(Uint32 flags)
{
    static int calls = 0;
    if (calls++ == 0) {
        SDL_SetError("refused for the test");
        return -1;
    }
    auto real = reinterpret_cast<int (*)(Uint32)>(dlsym(RTLD_NEXT, "SDL_Init"));
    return real(flags);
}
