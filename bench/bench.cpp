// The game's own work against one reference: a fill of the whole 800x600x16 screen, the cost of
// touching every pixel once. Every figure is reported as a ratio to it, measured in the same run.
#include "common.h"

#include "background.h"
#include "main.h"
#include "plane.h"

#include <SDL/SDL.h>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using clocktype = std::chrono::steady_clock;

double seconds(clocktype::time_point since)
{
    return std::chrono::duration<double>(clocktype::now() - since).count();
}

// The reference, in seconds per fill.
double fullfill()
{
    SDL_Init(SDL_INIT_VIDEO);
    SDL_Surface* screen = SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE);
    const int n = 2000;
    const auto start = clocktype::now();
    for (int i = 0; i < n; i++)
        SDL_FillRect(screen, nullptr, static_cast<Uint32>(i));
    const double t = seconds(start) / n;
    SDL_Quit();
    return t;
}

double reference = 0;

void report(benchmark::State& state, double persecond)
{
    state.counters["us"] = persecond * 1e6;
    state.counters["fills"] = persecond / reference;
}

void fill(benchmark::State& state)
{
    for (auto _ : state)
        reference = fullfill();
    report(state, reference);
}

// An ordinary frame, waves and explosions included.
void frame(benchmark::State& state)
{
    // ZEVO_BENCH_FRAMES shortens the run, for a smoke test
    const char* const given = std::getenv("ZEVO_BENCH_FRAMES");
    const int frames = given ? std::atoi(given) : 100000;
    for (auto _ : state) {
        session::script s;
        computerduel(s, frames);
        long startkb = 0;
        clocktype::time_point start;
        s.onframe = [&](const zevostate&, int f) {
            if (f == 0) {
                start = clocktype::now();
                startkb = residentkb();
            }
        };
        s.run();
        const double t = seconds(start) / frames;
        report(state, t);
        state.counters["kb_start"] = static_cast<double>(startkb);
        state.counters["kb_end"] = static_cast<double>(residentkb());
    }
}

// Start-up up to the first menu's flip.
void startup(benchmark::State& state)
{
    for (auto _ : state) {
        session::script s;
        s.play("0:start");
        s.frames = 0;
        double t = 0;
        const auto start = clocktype::now();
        s.onflip = [&](const zevostate&, int) {
            if (t == 0)
                t = seconds(start);
        };
        s.run();
        report(state, t);
    }
}

// A sky repaint and a five-plane wave launch, on the objects main builds.
void repaintandwave(benchmark::State& state, bool wave)
{
    for (auto _ : state) {
        session::script s;
        s.play("0:start");
        s.frames = 0;
        double t = 0;
        s.onstart = [&](const zevostate& game) {
            const int n = wave ? 200 : 2000;
            const auto start = clocktype::now();
            for (int i = 0; i < n; i++) {
                if (wave) {
                    s.rands.assign(1, 214748365); // draw 1: all five planes
                    s.randnext = 0;
                    newwave(game.planes[0], game.planes[1], game.planes[2], game.planes[3], game.planes[4]);
                } else {
                    game.planes[0]->back->drawsky(); // the background main built
                }
            }
            t = seconds(start) / n;
        };
        s.run();
        report(state, t);
    }
}

void repaint(benchmark::State& state)
{
    repaintandwave(state, false);
}

void wave(benchmark::State& state)
{
    repaintandwave(state, true);
}

} // namespace

BENCHMARK(fill)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(repaint)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(wave)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(startup)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(frame)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
