#!/bin/sh
# Builds and runs the frame-cost benchmark: the busiest play frame against the
# floor of its raw blits, headless. Extra arguments go to Google Benchmark.
set -e
cd "$(dirname "$0")/.."
./scripts/install-deps.sh build-essential cmake pkg-config \
    libsdl1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev timgm6mb-soundfont \
    libbenchmark-dev libx11-dev

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKORVANE_BENCH=ON -DKORVANE_TESTS=OFF >/dev/null
cmake --build build-bench --target korvane_bench -j "$(nproc)"
cd data
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy exec ../build-bench/bench/korvane_bench "$@"
