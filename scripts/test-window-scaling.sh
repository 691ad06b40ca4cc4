#!/bin/sh
# Plays the built game on the SDL 1.2 compatibility layer under virtual
# desktops of several sizes and checks the window the game chooses there: the
# largest whole factor k that fits the desktop, with crisp pixels. The layer is
# the system's SDL 1.2 where it already is the layer, and otherwise the one
# scripts/fetch-compat-layer.sh unpacked, reached through LD_LIBRARY_PATH.
#
# On each desktop the window must reach its size and show the title picture
# with every pixel made a k by k block (so the screenshot sampled down by k is
# the picture itself). On the first, Return must start a game and Escape bring
# the title back; everywhere Escape on the title must end the game with
# status 0. A player's own setting of the layer's variables must win.
#
# Every wait is for a condition, with a generous bound; nothing reaches the
# network.
#
# Usage: test-window-scaling.sh GAME DATA_DIR
set -u
scripts=$(cd "$(dirname "$0")" && pwd)
. "$scripts/xvfb.sh"
. "$scripts/compat-layer.sh"

[ $# -eq 2 ] || { echo "usage: $0 GAME DATA_DIR" >&2; exit 2; }
game=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
data=$(cd "$2" && pwd) || exit 2
title=$data/pics/pantalla.bmp
# Bounds, in seconds, on each wait: far above what any of them takes.
window_wait=20
picture_wait=20
exit_wait=10
# A screenshot of a window that vanishes meanwhile can wait forever.
screenshot_wait=10

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! system_sdl_is_layer; then
    layer=$(compat_lib "$scripts/..")
    if [ ! -e "$layer/libSDL-1.2.so.0" ]; then
        echo "FAIL: the compatibility layer is not fetched ($layer/libSDL-1.2.so.0 is missing);"
        echo "      run ./test.sh --deps-only, or scripts/fetch-compat-layer.sh, with the archive in reach"
        exit 1
    fi
    LD_LIBRARY_PATH=$layer${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
    export LD_LIBRARY_PATH
fi
echo "the game runs on SDL $(ldd "$game" | sed -n 's/.*libSDL-1.2.so.0 => \([^ ]*\).*/\1/p')"

# ImageMagick 7 (Debian 13) runs its tools through "magick"; 6 (Debian 12)
# has one command per tool.
im=""
command -v magick >/dev/null 2>&1 && im=magick

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-scaling.XXXXXX") || exit 1
xvfb_pid="" game_pid=""
# stop_game: ends the game if it still runs, and its X server.
stop_game() {
    [ -n "$game_pid" ] && kill -9 "$game_pid" 2>/dev/null && wait "$game_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    game_pid="" xvfb_pid=""
}
cleanup() {
    stop_game
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

unset SDL_VIDEODRIVER SDL12COMPAT_WINDOW_SCALING SDL12COMPAT_SCALE_METHOD
export SDL_AUDIODRIVER=dummy

# start_game DESKTOP [VARIABLE=VALUE]: a fresh Xvfb of that size, the game in
# its data folder (with that variable set), and its window in $window.
start_game() {
    start_xvfb "$1x24" "$work/xvfb.log" || { echo "FAIL: Xvfb did not start"; exit 1; }
    (cd "$data" && exec env ${2:+"$2"} timeout -s KILL 120 "$game") >"$work/game.log" 2>&1 &
    game_pid=$!
    window=""
    wait_until "$window_wait" find_window
    [ -n "$window" ] || { cat "$work/game.log"; echo "FAIL: no game window on $1"; exit 1; }
}

find_window() {
    window=$(xdotool search --name '^Korvane' 2>/dev/null | head -n 1)
    [ -n "$window" ]
}

# window_size: the game window's inner size, WIDTHxHEIGHT.
window_size() {
    xwininfo -id "$window" 2>/dev/null |
        sed -n 's/^ *Width: *\([0-9]*\)/\1/p; s/^ *Height: *\([0-9]*\)/\1/p' | paste -sd x -
}

# differing REFERENCE: how many pixels of a screenshot of the window differ
# from REFERENCE (an error message if the two cannot be compared).
differing() {
    timeout -s KILL "$screenshot_wait" $im import -window "$window" "$work/shot.png" 2>/dev/null ||
        { echo "no screenshot"; return; }
    $im compare -metric AE "$work/shot.png" "$1" null: 2>&1 | cut -d' ' -f1
}

shows() {
    [ "$(differing "$1")" = 0 ]
}

shows_other_than() {
    case $(differing "$1") in
    [1-9]*) return 0 ;;
    *) return 1 ;;
    esac
}

game_ended() {
    ! kill -0 "$game_pid" 2>/dev/null
}

# wait_exit: sets status to the game's exit status, or to "running" when it
# has not ended within the bound (it is ended then).
wait_exit() {
    status=running
    if wait_until "$exit_wait" game_ended; then
        wait "$game_pid"
        status=$?
        game_pid=""
    fi
}

# check_title DESKTOP WIDTH HEIGHT: the window is WIDTHxHEIGHT and shows the
# title picture enlarged by WIDTH/640 with nearest-neighbour sampling; false
# (after a failure is counted) if it never does.
check_title() {
    scale=$(($2 / 640))
    reference=$work/title-x$scale.png
    $im convert "$title" -sample "$2x$3" "$reference"
    if wait_until "$picture_wait" shows "$reference"; then
        echo "$1: window $(window_size), the title picture with each pixel a ${scale}x$scale block"
        [ "$(window_size)" = "$2x$3" ] || fail "$1: the window is $(window_size), not ${2}x$3"
    else
        fail "$1: the window ($(window_size)) never showed the title picture at ${2}x$3" \
            "($(differing "$reference") pixels differ)"
        stop_game
        return 1
    fi
}

# quit_from_title DESKTOP: Escape on the title ends the game with status 0.
quit_from_title() {
    xdotool key --window "$window" Escape 2>/dev/null
    wait_exit
    [ "$status" = 0 ] || fail "$1: Escape on the title ended the game with status $status: $(cat "$work/game.log")"
    stop_game
}

# --- 1920x1080: a 2x window that keys still drive ---------------------------
start_game 1920x1080
if check_title 1920x1080 1280 960; then
    xdotool key --window "$window" Return 2>/dev/null
    wait_until "$picture_wait" shows_other_than "$reference" || fail "1920x1080: Return did not start a game"
    xdotool key --window "$window" Escape 2>/dev/null
    wait_until "$picture_wait" shows "$reference" || fail "1920x1080: Escape in play did not bring the title back"
    quit_from_title 1920x1080
fi

# --- 3840x2160 and 800x600: 4x, and the original window ---------------------
for case in 3840x2160:2560:1920 800x600:640:480; do
    desktop=${case%%:*}
    size=${case#*:}
    start_game "$desktop"
    check_title "$desktop" "${size%:*}" "${size#*:}" && quit_from_title "$desktop"
done

# --- The player's own setting wins --------------------------------------------
# A factor of 1 gives the original window; a scaling method alone leaves the
# factor to the layer's default, which is 1 too.
for setting in SDL12COMPAT_WINDOW_SCALING=1 SDL12COMPAT_SCALE_METHOD=linear; do
    start_game 1920x1080 "$setting"
    check_title "1920x1080 with $setting" 640 480 && quit_from_title "1920x1080 with $setting"
done

[ "$failures" -eq 0 ] || exit 1
echo "PASS"
