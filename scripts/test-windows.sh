#!/bin/sh
# Plays the Windows zip under Wine, as a player would: unpacked into a clean
# folder of a fresh Wine prefix, on a virtual display of its own.
#   - the title screen is pics/pantalla.bmp, pixel for pixel;
#   - a key starts a game, which then plays 10 s with the disk audio driver;
#   - every instrument the tune plays is mapped by timidity.cfg to a shipped,
#     non-silent patch, and the recorded music is not silent;
#   - Escape, in play and then on the title screen, quits with status 0;
#   - started from another folder, the game still finds its data.
# The prefix has no drive Z:, so nothing on the host (an installed patch set,
# say) can stand in for what the zip lacks.
#
# Usage: scripts/test-windows.sh [ZIP]   (default: build-windows/korvane-0.2-win64.zip)
set -eu
. "$(dirname "$0")/xvfb.sh"
cd "$(dirname "$0")/.."
top=$(pwd)
zip=${1:-$top/build-windows/korvane-0.2-win64.zip}
case $zip in /*) ;; *) zip=$top/$zip ;; esac
[ -f "$zip" ] || { echo "no $zip: run scripts/build-windows.sh first" >&2; exit 1; }

./scripts/install-deps.sh wine xvfb xdotool imagemagick sox unzip

PLAY_SECONDS=10
MIN_MUSIC_RMS=0.01      # per second of play, full scale 1
MIN_PATCH_LEVELS=16     # distinct byte values in a patch's first sample
RATE=22050              # the game's mixer: 16-bit big-endian mono
GUS_SAMPLE_DATA=335     # headers before a patch's first sample: 129 + 63 + 47 + 96
GUS_SAMPLE_SIZE=247     # where the first sample's length is (32-bit little-endian)

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-wine.XXXXXX")
WINEPREFIX=$work/prefix
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="  # no .NET or browser engine for a fresh prefix
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
xvfb_pid="" game_pid=""
cleanup() {
    if [ -n "$game_pid" ]; then kill "$game_pid" 2>/dev/null || true; fi
    if [ -d "$WINEPREFIX" ]; then wineserver -k 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

fail() {
    echo "FAIL: $*" >&2
    for log in "$game_dir"/stdout.txt "$game_dir"/stderr.txt "$work"/wine-*.log; do
        [ -s "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }
    done
    exit 1
}

# The screen is larger than the window, so all of it is drawn and can be read.
start_xvfb 800x600x24 "$work/xvfb.log" || exit 1

echo "creating a Wine prefix"
wine wineboot --init >"$work/wine-boot.log" 2>&1
wineserver --wait
rm -f "$WINEPREFIX/dosdevices/z:"
drive_c=$WINEPREFIX/drive_c
unzip -q "$zip" -d "$drive_c"
game_dir=$drive_c/Korvane
for file in korvane.exe SDL.dll SDL_mixer.dll SDL_ttf.dll timidity.cfg README.txt \
    LICENSE-font.txt licences/SDL.txt licences/SDL_mixer.txt licences/Timidity.txt \
    licences/SDL_ttf.txt licences/FreeType.txt licences/freepats.txt licences/GPL-2.txt \
    licences/mingw-w64.txt; do
    [ -s "$game_dir/$file" ] || fail "the zip has no Korvane/$file"
done

# Every instrument of the tune, its timidity.cfg line, and its patch.
check_patches() {
    od -An -v -tu1 -w1 "$game_dir/sounds/zelmorta.mid" |
        awk -f packaging/windows/midi-instruments.awk | sort -u >"$work/instruments"
    [ -s "$work/instruments" ] || fail "the tune plays no notes"
    while read -r kind number; do
        section="bank 0"
        [ "$kind" = drum ] && section="drumset 0"
        patch=$(tr -d '\r' <"$game_dir/timidity.cfg" | awk -v section="$section" -v number="$number" '
            $1 == "dir" { dir = $2 }
            /^(bank|drumset)[[:space:]]/ { current = $1 " " $2; next }
            current == section && $1 == number { print dir "/" $2; exit }')
        [ -n "$patch" ] || fail "timidity.cfg has no patch for $kind $number"
        [ -f "$game_dir/$patch" ] || fail "$kind $number: $patch is not in the zip"
        [ "$(head -c 8 "$game_dir/$patch")" = GF1PATCH ] || fail "$patch is not a patch"
        levels=$(od -An -v -tu1 -w1 -j "$GUS_SAMPLE_SIZE" "$game_dir/$patch" |
            awk -v skip=$((GUS_SAMPLE_DATA - GUS_SAMPLE_SIZE)) '
                NR <= 4 { size += $1 * 256 ^ (NR - 1); next }
                NR > skip && NR <= skip + size { seen[$1] = 1 }
                END { for (b in seen) n++; print n + 0 }')
        [ "$levels" -ge "$MIN_PATCH_LEVELS" ] ||
            fail "$patch is silent ($levels byte values in its sample)"
        echo "$kind $number: $patch, $levels byte values"
    done <"$work/instruments"
}

# Starts the game from a Windows folder, waits for its window and checks that
# the title screen is exactly the title picture.
start_game() {
    folder=$1 audio=$2
    (cd "$folder" && SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$audio" \
        exec timeout 300 wine 'C:\Korvane\korvane.exe' >"$work/wine-game.log" 2>&1) &
    game_pid=$!
    window=""
    for _ in $(seq 300); do
        window=$(xdotool search --name '^Korvane' 2>/dev/null | head -n 1) || true
        [ -n "$window" ] && break
        kill -0 "$game_pid" 2>/dev/null || fail "the game quit before showing its window"
        sleep 0.1
    done
    [ -n "$window" ] || fail "the game window did not appear"
    differing=""
    for _ in $(seq 50); do
        if import -window "$window" "$work/title.png" 2>/dev/null; then
            differing=$(compare -metric AE "$work/title.png" "$game_dir/pics/pantalla.bmp" \
                null: 2>&1) || true
        fi
        [ "$differing" = 0 ] && break
        sleep 0.2
    done
    [ "$differing" = 0 ] || fail "the title screen differs from pics/pantalla.bmp in $differing pixels"
    xdotool windowfocus "$window"
}

# Escape leaves play for the title screen and ends the game from there; it is
# sent again until the game has ended, which must be with status 0.
escape_ends_game() {
    xdotool key Escape
    ! kill -0 "$game_pid" 2>/dev/null
}
quit_with_escape() {
    wait_until 30 escape_ends_game || fail "Escape did not end the game within 30 s"
    status=0
    wait "$game_pid" || status=$?
    game_pid=""
    [ "$status" -eq 0 ] || fail "the game exited with status $status"
}

# Whether the recording holds the title's silence before play and then
# PLAY_SECONDS of play, with a second to spare for the start. The disk driver
# writes as fast as the machine lets it, so the test waits for the bytes.
played_enough() {
    recorded=$(wc -c <"$raw" 2>/dev/null || echo 0)
    [ "$recorded" -ge $((title_bytes + (PLAY_SECONDS + 1) * RATE * 2)) ]
}

# The RMS level of each second of play in a recording: the leading silence
# of the title screen cut off, since the music starts with the first play frame.
music_levels() {
    for second in $(seq 0 $((PLAY_SECONDS - 1))); do
        sox -t raw -r "$RATE" -e signed -b 16 -B -c 1 "$1" -n \
            silence 1 0.05 0.1% trim "$second" 1 stat 2>&1 | awk '/^RMS +amplitude/ { print $3 }'
    done
}

check_patches

echo "playing for $PLAY_SECONDS s"
raw=$drive_c/play.raw
start_game "$game_dir" 'C:\play.raw'
title_bytes=$(wc -c <"$raw" 2>/dev/null || echo 0)
xdotool key Return
wait_until 120 played_enough || fail "not $PLAY_SECONDS s of sound recorded within 120 s"
quit_with_escape
echo "title, start, play and quit: ok"

levels=$(music_levels "$raw" | tr '\n' ' ')
echo "music RMS per second of play: $levels"
quiet=$(echo "$levels" | awk -v min="$MIN_MUSIC_RMS" -v want="$PLAY_SECONDS" '
    { for (i = 1; i <= NF; i++) if ($i >= min) loud++ } END { print want - loud }')
[ "$quiet" -eq 0 ] || fail "the music is silent in $quiet of $PLAY_SECONDS seconds of play"

echo "starting from another folder"
mkdir -p "$drive_c/Elsewhere"
start_game "$drive_c/Elsewhere" 'C:\Elsewhere\title.raw'
quit_with_escape
[ -e "$WINEPREFIX/dosdevices/z:" ] && fail "Wine brought back drive Z:, so host files were in reach"
echo "Windows zip: ok"
