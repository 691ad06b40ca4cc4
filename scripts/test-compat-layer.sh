#!/bin/sh
# Plays the built game on the SDL 1.2 compatibility layer (SDL 1.2 over SDL2),
# on a system whose own SDL 1.2 is the classic library. The layer is the one
# scripts/fetch-compat-layer.sh unpacked (./test.sh runs it while it installs
# the packages); LD_LIBRARY_PATH points the game at it. Nothing here reaches
# the network.
#
# On a virtual display it starts a game, plays 10 s of music written to a file
# (which must not be silent), quits with Escape (status 0), and then, in a
# second game, loses the X server during play: the game must end by itself
# with a failure status. Every step waits for what it needs (the window, the
# music, the game's end) up to a generous bound, never for a fixed time.
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
# A second of the mix is 22050 frames of 16-bit stereo, the mixer's format on
# the layer. The disk driver writes it faster or slower than real time as the
# machine allows, so the test waits for the bytes, never for the seconds.
bytes_per_second=$((22050 * 2 * 2))
# Most of the 10 s of music is sound: at least a quarter of its bytes are not zero.
least_sound_share=4
# The watchdog ends a game that lost its display 500 ms after its exit handlers
# start, and a game stuck in them never ends: twenty times the grace leaves a
# loaded machine room and still tells the two apart.
lost_x_seconds=10

if system_sdl_is_layer; then
    echo "SKIP: the system's SDL 1.2 ($(pkg-config --modversion sdl)) is the compatibility layer; the whole suite runs on it"
    exit "$SKIP"
fi
layer=$(compat_lib "$scripts/..")
if [ ! -e "$layer/libSDL-1.2.so.0" ]; then
    echo "FAIL: the compatibility layer has not been fetched (no $layer/libSDL-1.2.so.0);"
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

game_window_shown() {
    window=$(xdotool search --name '^Korvane' 2>/dev/null | head -n 1)
    [ -n "$window" ]
}

game_ended() {
    ! kill -0 "$game_pid" 2>/dev/null
}

# Non-zero bytes of the sound file: the title screen writes only silence.
sounding_bytes() {
    tr -d '\000' <"$SDL_DISKAUDIOFILE" 2>/dev/null | wc -c
}

# A key press for the title screen, true once the music sounds. Return starts
# a game there and does nothing in play; it is sent again until it lands.
started_playing() {
    xdotool key --window "$window" Return 2>/dev/null
    [ "$(sounding_bytes)" -gt 0 ]
}

# Escape leaves play for the title screen and quits from there; it is sent
# again until the game has ended.
quit_with_escape() {
    xdotool key --window "$window" Escape 2>/dev/null
    game_ended
}

played_enough() {
    [ "$(wc -c <"$SDL_DISKAUDIOFILE")" -ge "$((play_start + play_bytes))" ]
}

# start_game SOUND_FILE: runs the game in the data folder with its mix written
# to SOUND_FILE, waits for its window and starts a game.
start_game() {
    export SDL_DISKAUDIOFILE="$1"
    (cd "$data" && exec "$game") >"$work/game.log" 2>&1 &
    game_pid=$!
    wait_until 20 game_window_shown || { cat "$work/game.log"; echo "FAIL: no game window"; exit 1; }
    wait_until 20 started_playing || { cat "$work/game.log"; echo "FAIL: no game started"; exit 1; }
}

# end_game SECONDS [ACTION]: sets status to the game's exit status once it has
# ended, running ACTION meanwhile, or kills it and sets "running" if it is still
# going after SECONDS.
end_game() {
    if wait_until "$1" "${2:-game_ended}"; then
        wait "$game_pid"
        status=$?
    else
        kill -9 "$game_pid"
        status=running
    fi
    game_pid=""
}

unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=disk
start_xvfb 640x480x24 "$work/xvfb.log" || { echo "FAIL: Xvfb did not start"; exit 1; }

# --- Play, then Escape until the game ends -------------------------------------
start_game "$work/music.raw"
play_start=$(wc -c <"$SDL_DISKAUDIOFILE")
play_bytes=$((play_seconds * bytes_per_second))
wait_until $((6 * play_seconds)) played_enough || fail "not $play_seconds s of sound written"
end_game 20 quit_with_escape
[ "$status" = 0 ] || fail "Escape ended the game with status $status: $(cat "$work/game.log")"

played=$(tail -c +"$((play_start + 1))" "$work/music.raw" | head -c "$play_bytes" | wc -c)
sounding=$(tail -c +"$((play_start + 1))" "$work/music.raw" | head -c "$play_bytes" |
    tr -d '\000' | wc -c)
echo "play: $played bytes of sound written, $sounding of them not zero"
[ "$played" -gt 0 ] || fail "no sound was written during play"
[ "$((sounding * least_sound_share))" -ge "$played" ] || fail "the music is silent"

# --- The X server goes away during play ---------------------------------------
start_game "$work/lost-x.raw"
kill "$xvfb_pid" && wait "$xvfb_pid" 2>/dev/null
xvfb_pid=""
end_game "$lost_x_seconds"
echo "X server lost: the game ended with status $status"
case $status in
running) fail "the game was still running $lost_x_seconds s after losing its X server" ;;
0) fail "the game exited with status 0 after losing its X server" ;;
*) [ "$status" -lt 128 ] || fail "the game died of signal $((status - 128)) after losing its X server" ;;
esac

[ "$failures" -eq 0 ] || exit 1
echo "PASS"
