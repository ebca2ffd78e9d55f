#!/usr/bin/env bash
# Takes the README's screenshots from the real game window: docs/menu.png (the first menu) and
# docs/play.png (a game in play, left cannon up, a shot on its way).
# Usage: tools/screenshots.sh [GAME]   (GAME defaults to build/zevo; run ./play or ./test first)
set -euo pipefail
cd "$(dirname "$0")/.."
game=$(realpath "${1:-build/zevo}")
[ -x "$game" ] || { echo "no game at $game: build it first" >&2; exit 1; }

tmp=$(mktemp -d)
xpid=""
gpid=""
cleanup() {
    [ -n "$gpid" ] && kill "$gpid" 2>/dev/null || true
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# -noreset: the game's first X connection is a probe, and a reset then would refuse its second
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$tmp/display" 2>/dev/null &
xpid=$!
for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    sleep 0.1
done
[ -s "$tmp/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(tr -d '\n' <"$tmp/display")"

SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$game" >/dev/null &
gpid=$!
win=""
for _ in $(seq 300); do
    win=$(xdotool search --name '^ZEVO version 0.4$' 2>/dev/null | head -1) && [ -n "$win" ] && break
    sleep 0.1
done
[ -n "$win" ] || { echo "the game's window did not show" >&2; exit 1; }

shot() {
    xwd -silent -id "$win" | convert xwd:- -strip -define png:exclude-chunks=date,time "$1"
}

# the menu is up once the panel's picture shows at (150,100); its white labels are the only difference
for _ in $(seq 300); do
    shot "$tmp/now.png"
    differ=$(convert "$tmp/now.png" -crop 500x420+150+100 +repage pix/menu.png -fuzz 3% \
        -metric AE -compare -format '%[distortion]' info: 2>/dev/null || echo 210000)
    [ "${differ%.*}" -lt 20000 ] && break
    sleep 0.1
done
xdotool mousemove --window "$win" 400 50
xdotool windowfocus "$win"
mkdir -p docs
shot docs/menu.png

# start, let the planes come in, raise the left cannon and fire
xdotool mousemove --window "$win" 507 472 click 1
sleep 1.2
xdotool keydown a
sleep 0.2
xdotool key w
sleep 0.35
shot docs/play.png
xdotool keyup a

xdotool key Escape
sleep 0.3
xdotool mousemove --window "$win" 190 140 click 1
wait "$gpid" || true
gpid=""
identify docs/menu.png docs/play.png
