#!/bin/sh
# Installs what is missing, builds Korvane and plays it. The game reads its
# files relative to its working directory, so it runs inside data/.
set -e
cd "$(dirname "$0")"
./scripts/install-deps.sh build-essential cmake pkg-config \
    libsdl1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev timgm6mb-soundfont
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=OFF >/dev/null
cmake --build build --target korvane -j "$(nproc)"
cd data
exec ../build/korvane "$@"
