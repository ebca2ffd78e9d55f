#ifndef ZEVO_MAIN_H
#define ZEVO_MAIN_H

class plane;

// Relaunches one of the nine formations at random, or nothing.
void newwave(plane* plane1, plane* plane2, plane* plane3, plane* plane4, plane* plane5);

#endif
