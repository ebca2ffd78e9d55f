# Installs what the game needs on Debian 12 and puts the font in place. Sourced by ./play and ./test.

# Two set-ups at once would build into the same folders: the second waits here for the first.
# ./play lets go before it starts the game.
exec 9>.setup.lock
flock 9

playpackages="g++ cmake make pkg-config libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev libsdl-mixer1.2-dev fonts-liberation"
testpackages="libgtest-dev libgmock-dev libbenchmark-dev python3 python3-pil xvfb xdotool x11-apps imagemagick valgrind"

setup() {
    local wanted="$playpackages"
    [ "${1:-}" = test ] && wanted="$wanted $testpackages"
    local missing=""
    for p in $wanted; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
    done
    if [ -n "$missing" ]; then
        echo "installing:$missing"
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo=sudo
        $sudo apt-get update -q
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $missing
    fi
    # the game's font: Liberation Sans Narrow Bold, under the name the game opens
    local font=/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf
    cmp -s "$font" pix/astronbo.ttf || cp "$font" pix/astronbo.ttf
}

build() {
    local dir="$1"
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
