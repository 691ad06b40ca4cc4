#!/bin/sh
# Installs what is missing, builds everything and runs every test.
set -e
cd "$(dirname "$0")"
./scripts/install-deps.sh build-essential cmake pkg-config \
    libsdl1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev timgm6mb-soundfont libgtest-dev \
    xvfb xdotool desktop-file-utils appstream

jobs="$(nproc)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
