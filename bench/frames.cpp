// Plays a fixed session of N frames (computer against computer), for counting instructions.
#include "common.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    session::script s;
    computerduel(s, argc > 1 ? std::atoi(argv[1]) : 1000);
    const int status = s.run();
    std::printf("frames %d status %d\n", s.frame, status);
    return status;
}
