#!/bin/sh
# Records the real game's mix with SDL's disk audio driver and reports on it:
#  1. 60 s with fire held while the ship sweeps left and right shooting raiders
#     down, recorded at the pace of a sound card: the share of mixed samples at
#     full scale (|s| >= 32000) and how far each explosion rises above the firing
#     bed in the 100 ms after it starts;
#  2. the music alone, rendered as fast as the machine goes, past its first loop:
#     the longest quiet stretch at the loop point.
# The video driver is the dummy one; bench/audio_probe.c plays the keys and logs
# where each sound starts. The disk file holds the mixer's own format: 22050 Hz
# mono, signed 16-bit big-endian.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
./scripts/install-deps.sh build-essential cmake pkg-config \
    libsdl1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev timgm6mb-soundfont \
    libbenchmark-dev libx11-dev sox

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKORVANE_BENCH=ON -DKORVANE_TESTS=OFF >/dev/null
cmake --build build-bench -j "$(nproc)" --target korvane korvane_audio_probe >/dev/null

rate=22050
chunk=4096                                      # samples in one mixer pass
pass_ms=$(( (chunk * 1000 + rate - 1) / rate )) # one pass at a sound card's pace
fire_ms=60000
music_seconds=90                                # past the first loop of the tune

work=$(mktemp -d)
game=""
cleanup() {
    if [ -n "$game" ]; then
        kill "$game" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Runs the game in the background with the probe; $1 names the recording,
# the rest are environment settings. Sets $game.
start_game() {
    name=$1
    shift
    (cd data && exec env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=disk \
        SDL_DISKAUDIOFILE="$work/$name.raw" KORVANE_PROBE_LOG="$work/$name.log" \
        LD_PRELOAD="$root/build-bench/bench/libkorvane_audio_probe.so" "$@" \
        "$root/build-bench/korvane" >/dev/null 2>"$work/$name.err") &
    game=$!
}

# Fails if the game has ended on its own.
check_game() {
    if ! kill -0 "$game" 2>/dev/null; then
        echo "the game ended before the recording was complete:" >&2
        cat "$work"/*.err >&2
        exit 1
    fi
}

# Ends the game as a window close would and waits for it.
stop_game() {
    kill -TERM "$game"
    wait "$game" || true
    game=""
}

# Samples the device wrote before the mixer first ran.
lead_in() {
    bytes=$(wc -c <"$work/$1.raw")
    mixed=$(awk '$1 == "end" { print $2 }' "$work/$1.log")
    echo $((bytes / 2 - mixed))
}

# The recording $1 as "index value" lines, values in sample units.
samples() {
    sox -t raw -r "$rate" -e signed -b 16 -c 1 -B "$work/$1.raw" -t dat - |
        awk '!/^;/ { printf "%d %.0f\n", n++, $2 * 32768 }'
}

# 1. Held fire.
start_game fire KORVANE_PROBE_FIRE_MS="$fire_ms" SDL_DISKAUDIODELAY="$pass_ms"
until grep -q '^fire-end' "$work/fire.log" 2>/dev/null; do
    check_game
    sleep 1
done
stop_game
shot=$(soxi -s data/sounds/disparo.wav)
boom=$(soxi -s data/sounds/explosion.wav)
samples fire | awk -v lead="$(lead_in fire)" -v chunk="$chunk" -v rate="$rate" \
    -v shot="$shot" -v boom="$boom" -v logfile="$work/fire.log" '
    function db(rms) { return rms > 0 ? 20 * log(rms / 32768) / log(10) : -999 }
    function sorted(a, n,    i, j, v) {    # insertion sort of a[1..n]; returns n
        for (i = 2; i <= n; i++) {
            v = a[i]
            for (j = i - 1; j > 0 && a[j] > v; j--) a[j + 1] = a[j]
            a[j + 1] = v
        }
        return n
    }
    BEGIN {
        window = int(rate / 10)    # the 100 ms after a sound starts
        while ((getline line < logfile) > 0) {
            split(line, f, " ")
            if (f[1] == "effect" && f[4] >= 0) {
                first = first == "" ? f[2] : first
                if (f[3] == boom) {
                    booms[++nbooms] = f[2] / chunk
                    for (b = f[2] / chunk; b * chunk < f[2] + boom; b++) loud[b] = 1
                } else if (f[3] == shot) {
                    shots++
                }
            } else if (f[1] == "fire-end") {
                last = f[2]
            }
        }
    }
    {
        at = $1 - lead
        if (at < first || at >= last) next
        count++
        sum2 += $2 * $2
        if ($2 >= 32000 || $2 <= -32000) full++
        if (at % chunk < window) pass2[int(at / chunk)] += $2 * $2
    }
    END {
        for (b = int(first / chunk); b < int(last / chunk); b++) {
            if (!(b in loud)) bed[++nbed] = sqrt(pass2[b] / window)
        }
        n = sorted(bed, nbed)
        bedRms = bed[int((n + 1) / 2)]
        for (i = 1; i <= nbooms; i++) {
            if (booms[i] * chunk < last) rise[++m] = db(sqrt(pass2[booms[i]] / window)) - db(bedRms)
        }
        m = sorted(rise, m)
        printf "held fire: %.1f s mixed, %d shot sounds, %d explosions\n", count / rate, shots, m
        printf "full-scale samples (|s| >= 32000): %d of %d, %.3f%%; RMS %.1f dBFS\n", full, count, 100 * full / count, db(sqrt(sum2 / count))
        printf "firing bed, first 100 ms of a pass without explosion (median of %d): %.1f dBFS RMS\n", n, db(bedRms)
        if (m > 0) printf "explosion rise over the bed in its first 100 ms: min %.1f dB, median %.1f dB, max %.1f dB\n", rise[1], rise[int((m + 1) / 2)], rise[m]
    }'

# 2. The music's loop point.
start_game music KORVANE_PROBE_EFFECTS=0 SDL_DISKAUDIODELAY=0
until grep -q '^music' "$work/music.log" 2>/dev/null; do
    check_game
    sleep 0.1
done
music=$(awk '$1 == "music" { print $2 }' "$work/music.log")
while [ $(($(wc -c <"$work/music.raw") / 2)) -lt $((music + music_seconds * rate + 2 * chunk)) ]; do
    check_game
    sleep 0.2
done
stop_game
samples music | awk -v lead="$(lead_in music)" -v start="$music" -v rate="$rate" \
    -v seconds="$music_seconds" '
    # Runs of 10 ms windows whose RMS is below a level, from 10 s into the tune on.
    function track(level, rms, t) {
        if (rms < 32768 * 10 ^ (level / 20)) {
            run[level] = run[level] == "" ? t : run[level]
            if (t + step - run[level] > longest[level]) {
                longest[level] = t + step - run[level]
                from[level] = run[level]
            }
        } else {
            run[level] = ""
        }
    }
    BEGIN { size = int(rate / 100); step = size / rate }
    {
        t = ($1 - lead - start) / rate
        if (t < 10 || t >= seconds) next
        sum2 += $2 * $2
        if (++n == size) {
            rms = sqrt(sum2 / n)
            track(-50, rms, t)
            track(-60, rms, t)
            sum2 = n = 0
        }
    }
    END {
        for (level = -50; level >= -60; level -= 10)
            printf "music: longest stretch below %d dBFS: %.2f s, from %.2f s into the tune\n", level, longest[level], from[level] - step
    }'
