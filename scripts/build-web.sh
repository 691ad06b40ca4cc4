#!/bin/sh
# Builds the game for the browser with Debian's emscripten: the page, the
# program and its data in build-web/korvane-web/, and korvane-0.2-web.zip.
#
# The game runs on the same libraries as on the desktop, compiled to
# WebAssembly by packaging/web/build-libs.sh: SDL2 (its browser back end), the
# SDL 1.2 compatibility layer over it, SDL_mixer, libogg, libvorbis, FreeType
# and SDL_ttf. SDL2, FreeType, SDL_mixer, libogg and libvorbis come from
# Debian's source packages; the layer and SDL_ttf from ../shared/third-party.
# The libraries are cached in KORVANE_WEB_CACHE (default
# /var/cache/korvane-web), keyed on the source versions, emcc's version,
# build-libs.sh and the layer's patch, so a second run only rebuilds the game.
# With the packages installed and the cache filled it needs no network.
#
# Usage: scripts/build-web.sh [--serve [PORT]]
#   --serve  then serves the page on http://127.0.0.1:PORT/ (default 8000) to play
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)
out=$top/build-web
web=$top/packaging/web
cache=${KORVANE_WEB_CACHE:-/var/cache/korvane-web}
jobs=$(nproc)
zip_name=korvane-0.2-web.zip
serve=""
case ${1:-} in
    --serve) serve=${2:-8000} ;;
    "") ;;
    *) echo "usage: $0 [--serve [PORT]]" >&2; exit 2 ;;
esac

./scripts/install-deps.sh emscripten nodejs dpkg-dev cmake make pkg-config zip curl \
    ca-certificates fluidsynth timgm6mb-soundfont vorbis-tools
# emscripten's node scripts need Debian's node modules (acorn).
NODE_PATH=/usr/share/nodejs
export NODE_PATH

mkdir -p "$out"
# Without the right to write there, the cache goes in the build folder.
mkdir -p "$cache" 2>/dev/null && [ -w "$cache" ] || cache=$out/cache
mkdir -p "$cache"
# shellcheck source=scripts/build-sources.sh
. ./scripts/build-sources.sh
prepare_sources "$out" "$cache/apt"

sdl2_version=$(source_version libsdl2)
ogg_version=$(source_version libogg)
vorbis_version=$(source_version libvorbis)
freetype_version=$(source_version freetype)
mixer_version=$(source_version sdl-mixer1.2)
emcc_version=$(emcc -dumpversion)
key=$(printf '%s\n' "$sdl2_version" "$ogg_version" "$vorbis_version" "$freetype_version" \
    "$mixer_version" "$compat_tree_sha256" "$ttf_tree_sha256" "$emcc_version" |
    cat - "$web/build-libs.sh" "$web/sdl12-compat-static.patch" | sha256sum | cut -c1-16)
prefix=$cache/libs-$key
echo "SDL2 $sdl2_version, layer $compat_version, SDL_mixer $mixer_version," \
    "FreeType $freetype_version, libogg $ogg_version, libvorbis $vorbis_version," \
    "SDL_ttf $ttf_version, emcc $emcc_version: library cache $prefix"

if [ ! -f "$prefix/built" ]; then
    started=$(date +%s)
    rm -rf "$prefix"
    sdl2_dir=$(debian_source libsdl2)
    compat_dir=$(compat_source)
    ogg_dir=$(debian_source libogg)
    vorbis_dir=$(debian_source libvorbis)
    freetype_dir=$(debian_source freetype)
    mixer_dir=$(debian_source sdl-mixer1.2)
    ttf_dir=$(ttf_source)
    "$web/build-libs.sh" "$prefix" "$work" "$sdl2_dir" "$compat_dir" "$ogg_dir" "$vorbis_dir" \
        "$freetype_dir" "$mixer_dir" "$ttf_dir"
    touch "$prefix/built"
    echo "libraries built in $(($(date +%s) - started)) s"
fi
for stale in "$cache"/libs-*; do
    [ "$stale" = "$prefix" ] || rm -rf "$stale"
done

# The data: the desktop's, with the tune as the desktop plays it (the MIDI
# file through FluidSynth and the TimGM6mb sound font at the mixer's rate and
# gain, 0.8 at full music volume), recorded, since the browser build has no
# MIDI player. The recording ends where FluidSynth's player stops, after the
# last sounds and its grace period, so the loop keeps the desktop's pause.
data=$out/data
rm -rf "$data"
cp -R data "$data"
rm "$data/sounds/zelmorta.mid"
fluidsynth -q -n -i -g 0.8 -r 22050 -F "$work/tune.wav" \
    /usr/share/sounds/sf2/TimGM6mb.sf2 data/sounds/zelmorta.mid >/dev/null
oggenc -Q -q 1 -o "$data/sounds/zelmorta.ogg" "$work/tune.wav"

# The game, against the cached libraries. SDL_SetVideoMode's window is the
# page's canvas; the blocking main loop yields to the browser in SDL_Delay.
# A build folder per library set: CMake remembers where it found the libraries.
game=$out/game-$key
for stale in "$out"/game-*; do
    [ "$stale" = "$game" ] || rm -rf "$stale"
done
link_flags="-Oz -sASYNCIFY -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=web \
 -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=['\$autoResumeAudioContext','\$dynCall'] \
 --preload-file $data@/"
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig emcmake cmake -S . -B "$game" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DKORVANE_TESTS=OFF -DCMAKE_EXE_LINKER_FLAGS="$link_flags" >/dev/null
rm -f "$game/korvane.js"
cmake --build "$game" --target korvane -j "$jobs"

stage=$out/korvane-web
rm -rf "$stage"
mkdir -p "$stage/licences"
cp "$game/korvane.js" "$game/korvane.wasm" "$game/korvane.data" "$web/index.html" \
    "$web/README.txt" "$stage/"
cp packaging/icons/hicolor/32x32/apps/korvane.png "$stage/icon.png"
cp "$prefix"/licences/* "$stage/licences/"
cp data/LICENSE-font.txt "$stage/licences/font.txt"
cp /usr/share/doc/timgm6mb-soundfont/copyright "$stage/licences/TimGM6mb.txt"
cp /usr/share/common-licenses/GPL-2 "$stage/licences/GPL-2.txt"

rm -f "$out/$zip_name"
(cd "$out" && TZ=UTC zip -qrX "$out/$zip_name" korvane-web)
echo "wrote build-web/$zip_name ($(stat -c %s "$out/$zip_name") bytes)"

if [ -n "$serve" ]; then
    echo "Play at http://127.0.0.1:$serve/ (Ctrl+C stops)"
    exec node "$web/serve.mjs" "$stage" "$serve"
fi
