#!/bin/sh
# Measures the real game under a virtual X server, with the dummy audio driver:
# time from launch to the title picture, CPU share of one core on the title
# screen and in play, peak resident memory with the music playing, and the
# durations of 1,000 play frames. Prints a report; other developers' builds
# skew it, so it starts and ends with the machine's load.
#
# Usage: measure.sh [--display N]
# Its virtual X server runs on display N when given (or MEASURE_DISPLAY=N),
# and on the first free display otherwise.
set -eu
display=${MEASURE_DISPLAY:-}
case ${1:-} in
--display) display=${2:?--display needs a display number} ;;
"") ;;
*) echo "usage: $0 [--display N]" >&2; exit 2 ;;
esac
display=${display#:}
cd "$(dirname "$0")/.."
root=$(pwd)
./scripts/install-deps.sh build-essential cmake pkg-config \
    libsdl1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev timgm6mb-soundfont \
    libbenchmark-dev libx11-dev xvfb xdotool x11-utils

if [ ! -d data/pics ] || [ ! -d data/levels ]; then
    echo "data/pics and data/levels are needed; generate the data first" >&2
    exit 1
fi
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKORVANE_BENCH=ON -DKORVANE_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" \
    --target korvane korvane_frame_times korvane_title_probe >/dev/null

bin=$root/build-bench
seconds=10        # length of each CPU measurement
launches=5        # launches timed to the title picture
frames=1000       # play frames timed
clock_ticks=$(getconf CLK_TCK)

# The virtual X server. Given a display, it takes that one or fails if it is in
# use; otherwise it tries numbers until one is free. Either way it writes the
# number to descriptor 3 once it is listening, so a display is never shared.
xvfb=""
scratch=$(mktemp -d)
cleanup() {
    if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null || true; fi
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
Xvfb ${display:+":$display"} -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset \
    3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
xvfb=$!
until [ -s "$scratch/display" ]; do
    if ! kill -0 "$xvfb" 2>/dev/null; then
        cat "$scratch/xvfb.log" >&2
        echo "Xvfb did not start${display:+ on display :$display}" >&2
        exit 1
    fi
    sleep 0.1
done
export DISPLAY=":$(head -n 1 "$scratch/display")" SDL_AUDIODRIVER=dummy

# User plus system time of every thread of process $1, in clock ticks.
cpu_ticks() {
    sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

# Nanoseconds on a CPU of the threads whose schedstat files are given: the
# scheduler's own accounting, finer than the clock ticks.
cpu_ns() {
    cat "$@" | awk '{ ns += $1 } END { printf "%.0f", ns }'
}

# Percent of one core that process $1 uses over $seconds seconds: by
# /proc/PID/stat, then by the scheduler for all threads and for the main
# thread alone (the rest is the mixer's and SDL's audio threads).
cpu_share() {
    ticks_before=$(cpu_ticks "$1")
    all_before=$(cpu_ns /proc/"$1"/task/*/schedstat)
    main_before=$(cpu_ns "/proc/$1/task/$1/schedstat")
    start=$(date +%s.%N)
    sleep "$seconds"
    ticks_after=$(cpu_ticks "$1")
    all_after=$(cpu_ns /proc/"$1"/task/*/schedstat)
    main_after=$(cpu_ns "/proc/$1/task/$1/schedstat")
    end=$(date +%s.%N)
    awk -v ticks="$((ticks_after - ticks_before))" -v hz="$clock_ticks" \
        -v all="$((all_after - all_before))" -v main="$((main_after - main_before))" \
        -v s="$start" -v e="$end" 'BEGIN {
            span = e - s
            printf "%.2f (scheduler: %.3f, main thread %.3f)", 100 * ticks / hz / span,
                100 * all / 1e9 / span, 100 * main / 1e9 / span
        }'
}

# Median of the numbers on standard input.
median() {
    sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Starts the game through the probe; sets probe, game and title_ms.
launch() {
    out=$(mktemp)
    (cd data && exec "$bin/bench/korvane_title_probe" "$bin/korvane" pics/pantalla.bmp) >"$out" &
    probe=$!
    until [ -s "$out" ] || ! kill -0 "$probe" 2>/dev/null; do
        sleep 0.01
    done
    line=$(cat "$out")
    rm -f "$out"
    game=$(echo "$line" | awk '{ print $2 }')
    title_ms=$(echo "$line" | awk '{ print $6 }')
    [ -n "$title_ms" ] || { echo "the game did not reach its title screen" >&2; exit 1; }
}

# The ship stands still and may lose its last life: a space bar press every
# second starts a new game from the title and does nothing in play.
keep_playing() {
    while sleep 1; do
        xdotool key space
    done
}

# Escape leaves the title screen and ends the game; the probe reaps it.
quit_game() {
    xdotool key Escape
    wait "$probe"
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)

title_times=""
for _ in $(seq "$launches"); do
    launch
    title_times="$title_times $title_ms"
    quit_game
done

launch
sleep 1
title_cpu=$(cpu_share "$game")
xdotool key space
sleep 0.5
xdotool keydown Shift_L
keep_playing &
keeper=$!
sleep 1
play_cpu=$(cpu_share "$game")
peak_kb=$(awk '/VmHWM/ { print $2 }' "/proc/$game/status")
kill "$keeper"
xdotool keyup Shift_L
xdotool key Escape
sleep 0.3
quit_game

(cd data && exec "$bin/bench/korvane_frame_times" "$frames") >"$bin/frame_times.txt" &
timer=$!
sleep 1
xdotool keydown Shift_L
wait "$timer"
xdotool keyup Shift_L

load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo "machine: $(nproc) cores, $(sed -n 's/^model name\t*: //p' /proc/cpuinfo | head -n 1)," \
    "$(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)"
echo "load average (1, 5, 15 min): before $load_before, after $load_after"
echo "launch to title picture, ms:$title_times (median $(echo "$title_times" | tr ' ' '\n' | sed '/^$/d' | median))"
echo "CPU, % of one core over ${seconds} s: title $title_cpu, play with Shift held $play_cpu"
echo "peak resident memory (VmHWM) in play, music on: $((peak_kb / 1024)) MiB ($peak_kb kB)"
echo "play frames (korvane_frame_times, Shift held):"
sed 's/^/  /' "$bin/frame_times.txt"
