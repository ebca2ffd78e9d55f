#include "common.h"

#include <cstdio>
#include <unistd.h>

void computerduel(session::script& s, int frames)
{
    const int x = 150, y = 100;            // the panel's corner on the screen
    s.click(0, x + 73 + 10, y + 93 + 10);  // left player: computer
    s.click(0, x + 321 + 10, y + 93 + 10); // right player: computer
    for (int i = 0; i < 25; i++)
        s.click(0, x + 400 + 10, y + 248 + 10); // ">" up to speed 50
    s.start();
    s.frames = frames;
}

long residentkb()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}
