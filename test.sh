#!/bin/sh
# Installs what is missing, checks the formatting, builds everything and runs
# every test: the suite (which also plays the game on the SDL 1.2
# compatibility layer where the system's SDL 1.2 is the classic library), the
# same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and a
# short run of each fuzz target. Works on Debian 12 and Debian 13.
#
# Usage: ./test.sh [--deps-only]   (--deps-only: install the packages and stop)
set -e
cd "$(dirname "$0")"
./scripts/install-deps.sh build-essential cmake pkg-config \
    libsdl1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev timgm6mb-soundfont libgtest-dev \
    xvfb xdotool desktop-file-utils appstream lintian valgrind clang clang-format libclang-rt-dev \
    libsdl2-2.0-0 x11-utils imagemagick
./scripts/fetch-compat-layer.sh
[ "${1:-}" = "--deps-only" ] && exit 0

./scripts/check-format.sh

jobs="$(nproc)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

./scripts/test-sanitize.sh
FUZZ_SECONDS=30 ./scripts/test-fuzz.sh
