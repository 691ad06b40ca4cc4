#!/bin/sh
# Takes the README's two screenshots: the title screen and a moment of play.
# Runs the built game inside data/ on a virtual display, silent, and writes
# docs/screenshot-title.png and docs/screenshot-play.png.
#
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build-pkg)
# Needs xvfb, xdotool and imagemagick.
set -eu
. "$(dirname "$0")/xvfb.sh"
cd "$(dirname "$0")/.."
top=$(pwd)
build=${1:-build-pkg}
case $build in /*) ;; *) build=$top/$build ;; esac

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target korvane -j 2 >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-shots.XXXXXX")
xvfb_pid="" game_pid=""
cleanup() {
    if [ -n "$game_pid" ]; then kill "$game_pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# A screen the size of the game's window, so nothing but the game shows.
start_xvfb 640x480x24 "$work/xvfb.log" || exit 1
export SDL_AUDIODRIVER=dummy

(cd data && exec timeout 60 "$build/korvane") &
game_pid=$!
window=""
for _ in $(seq 100); do
    window=$(xdotool search --name '^Korvane' 2>/dev/null | head -n 1) || true
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "the game window did not appear" >&2; exit 1; }
xdotool windowfocus "$window"

shoot() {
    import -window "$window" -strip -define png:exclude-chunks=date,time "png:$1"
    echo "wrote $1"
}

sleep 1
shoot docs/screenshot-title.png

# Start a game, then weave left and right with the gun held down until the
# raiders have come down and the shots fill the screen.
xdotool key Return
sleep 1
xdotool keydown Shift_L
for direction in Left Right Right Left Up Left Right; do
    xdotool keydown "$direction"
    sleep 0.5
    xdotool keyup "$direction"
done
shoot docs/screenshot-play.png
xdotool keyup Shift_L

# Escape back to the title screen, and Escape again to quit.
xdotool key Escape
sleep 0.5
xdotool key Escape
wait "$game_pid" || true
game_pid=""
