#!/bin/sh
# Installs what is missing, builds everything and runs every test: the suite,
# the same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and a
# short run of each fuzz target.
set -e
cd "$(dirname "$0")"
./scripts/install-deps.sh build-essential cmake pkg-config \
    libsdl1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev timgm6mb-soundfont libgtest-dev \
    xvfb xdotool desktop-file-utils appstream valgrind clang libclang-rt-14-dev

jobs="$(nproc)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

./scripts/test-sanitize.sh
FUZZ_SECONDS=30 ./scripts/test-fuzz.sh
