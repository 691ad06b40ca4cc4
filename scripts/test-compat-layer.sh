#!/bin/sh
# Plays the built game on the SDL 1.2 compatibility layer (SDL 1.2 over SDL2),
# on a system whose own SDL 1.2 is the classic library. The layer is the one
# scripts/fetch-compat-layer.sh unpacked (./test.sh runs it while it installs
# the packages); LD_LIBRARY_PATH points the game at it. Nothing here reaches
# the network.
#
# On a virtual display it starts a game, plays 10 s with the music written to
# a file (which must not be silent), quits with Escape, Escape (status 0), and
# then, in a second game, loses the X server during play: the game must exit
# at once with a failure status.
#
# Usage: test-compat-layer.sh GAME DATA_DIR
# Exits 77 (a skip for CTest) only where the system's SDL 1.2 already is the
# layer: the whole suite runs on it then.
set -u
scripts=$(cd "$(dirname "$0")" && pwd)
. "$scripts/xvfb.sh"
. "$scripts/compat-layer.sh"

SKIP=77
[ $# -eq 2 ] || { echo "usage: $0 GAME DATA_DIR" >&2; exit 2; }
game=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
data=$(cd "$2" && pwd) || exit 2
play_seconds=10
# Most of the 10 s of music is sound: at least a quarter of its bytes are not zero.
least_sound_share=4

if system_sdl_is_layer; then
    echo "SKIP: the system's SDL 1.2 ($(pkg-config --modversion sdl)) is the compatibility layer; the whole suite runs on it"
    exit "$SKIP"
fi
layer=$(compat_lib "$scripts/..")
if [ ! -e "$layer/libSDL-1.2.so.0" ]; then
    echo "FAIL: the compatibility layer is not fetched ($layer/libSDL-1.2.so.0 is missing);"
    echo "      run ./test.sh --deps-only, or scripts/fetch-compat-layer.sh, with the archive in reach"
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-compat.XXXXXX") || exit 1
xvfb_pid="" game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill -9 "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

LD_LIBRARY_PATH=$layer${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
export LD_LIBRARY_PATH
case $(ldd "$game") in
*"$layer/libSDL-1.2.so.0"*) ;;
*) echo "FAIL: the game does not load the layer from $layer"; exit 1 ;;
esac
echo "the game runs on $(ls "$layer"/libSDL-1.2.so.1.*)"

# start_x: a fresh Xvfb on a free display, in DISPLAY.
start_x() {
    start_xvfb 640x480x24 "$work/xvfb.log" || { echo "FAIL: Xvfb did not start"; exit 1; }
}

# start_game: runs the game in the data folder, waits for its window and
# presses Return on the title screen.
start_game() {
    (cd "$data" && exec timeout -s KILL 60 "$game") >"$work/game.log" 2>&1 &
    game_pid=$!
    window=""
    for _ in $(seq 100); do
        window=$(xdotool search --name '^Korvane' 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || { cat "$work/game.log"; echo "FAIL: no game window"; exit 1; }
    sleep 0.5
    xdotool key --window "$window" Return 2>/dev/null
}

# wait_game SECONDS: sets status to the game's exit status once it has ended,
# or kills it and sets "running" if it is still going after SECONDS.
wait_game() {
    for _ in $(seq $(($1 * 10))); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$game_pid" 2>/dev/null; then
        kill -9 "$game_pid"
        status=running
    else
        wait "$game_pid"
        status=$?
    fi
    game_pid=""
}

unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/music.raw"

# --- Play, then Escape, Escape ------------------------------------------------
start_x
start_game
size_at_start=$(wc -c <"$work/music.raw" 2>/dev/null || echo 0)
sleep "$play_seconds"
xdotool key --window "$window" Escape 2>/dev/null
sleep 0.5
xdotool key --window "$window" Escape 2>/dev/null
wait_game 5
[ "$status" = 0 ] || fail "Escape, Escape ended the game with status $status: $(cat "$work/game.log")"

# Only what was written during play counts: the title screen is silent.
played=$(tail -c +"$((size_at_start + 1))" "$work/music.raw" | wc -c)
sounding=$(tail -c +"$((size_at_start + 1))" "$work/music.raw" | tr -d '\000' | wc -c)
echo "play: $played bytes of sound written, $sounding of them not zero"
[ "$played" -gt 0 ] || fail "no sound was written during play"
[ "$((sounding * least_sound_share))" -ge "$played" ] || fail "the music is silent"

# --- The X server goes away during play ---------------------------------------
export SDL_AUDIODRIVER=dummy
start_game
sleep 1
kill "$xvfb_pid" && wait "$xvfb_pid" 2>/dev/null
xvfb_pid=""
wait_game 2
echo "X server lost: the game ended with status $status"
case $status in
running) fail "the game was still running 2 s after losing its X server" ;;
0) fail "the game exited with status 0 after losing its X server" ;;
*) [ "$status" -lt 128 ] || fail "the game died of signal $((status - 128)) after losing its X server" ;;
esac

[ "$failures" -eq 0 ] || exit 1
echo "PASS"
