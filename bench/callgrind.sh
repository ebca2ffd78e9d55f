#!/usr/bin/env bash
# Instructions per ordinary frame, counted by callgrind: the same fixed session (computer against
# computer) played for two lengths, so that start-up and shut-down cancel out. Only main's own
# thread is counted: SDL's event and audio threads run by the clock, not by the frame.
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-build-bench/bench/zevoframes}
[ -x "$frames" ] || { echo "build it first: cmake -S . -B build-bench -DZEVO_BENCH=ON && cmake --build build-bench"; exit 1; }
count() {
    local out
    out=$(mktemp)
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy valgrind --tool=callgrind --callgrind-out-file=/dev/null --toggle-collect="zevomain()" \
        "$frames" "$1" 2>"$out" >/dev/null
    sed -n 's/.*Collected : *\([0-9]*\).*/\1/p' "$out"
    rm -f "$out"
}
short=1000
long=3000
a=$(count $short)
b=$(count $long)
echo "instructions per frame: $(( (b - a) / (long - short) ))  (start-up and $short frames: $a)"
