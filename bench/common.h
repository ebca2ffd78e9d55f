#ifndef ZEVO_BENCH_COMMON_H
#define ZEVO_BENCH_COMMON_H

#include "session.h"

// A session of computer against computer at game speed 50, set up with the first menu's buttons.
void computerduel(session::script& s, int frames);
// Resident memory of this process, in kilobytes.
long residentkb();

#endif
