#!/bin/sh
# Plays the browser build as a player would: the zip unpacked into a clean
# folder, served on 127.0.0.1, opened in Debian's chromium (headless, driven
# through puppeteer-core, whose version packaging/web/package-lock.json pins):
#   - the page asks for a key and says the sound waits for one; the key
#     starts the game and its sound; the title is pics/pantalla.bmp, pixel
#     for pixel;
#   - a second key starts a game; the score and life icons are those
#     the desktop build draws at the start of a game, pixel for pixel (the
#     desktop's own start-up, run headless by hud_reference, prints them);
#   - 10 s of play with fire held: no pure red pixel, the picture changes 30
#     to 34 times a second, and the mix, tapped in the page on its way to the
#     speakers, is heard and not clipped;
#   - Escape, Escape ends the game and the page says so;
#   - on a second visit with a gamepad alone (a stand-in the page sees as the
#     browser's), its buttons start the game and then a game, through SDL2's
#     joystick, while the page still asks for a key for the sound;
#   - nothing is logged as an error on the way.
# The pacing is the game's own frame clock (a frame lasts at least 30 ms);
# the counts come from the frames the game puts on the canvas.
#
# Usage: scripts/test-web.sh [ZIP]   (default: build-web/korvane-0.2-web.zip)
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)
zip=${1:-$top/build-web/korvane-0.2-web.zip}
case $zip in /*) ;; *) zip=$top/$zip ;; esac
[ -f "$zip" ] || { echo "no $zip: run scripts/build-web.sh first" >&2; exit 1; }

./scripts/install-deps.sh chromium unzip build-essential cmake pkg-config \
    libsdl1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev
# Node and npm from Debian unless some other node is installed already.
command -v node >/dev/null || ./scripts/install-deps.sh nodejs
command -v npm >/dev/null || ./scripts/install-deps.sh npm

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-web.XXXXXX")
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

web=$top/packaging/web
if ! cmp -s "$web/package-lock.json" "$web/node_modules/.package-lock.json.installed"; then
    (cd "$web" && npm ci --no-audit --no-fund --prefer-offline >/dev/null)
    cp "$web/package-lock.json" "$web/node_modules/.package-lock.json.installed"
fi

# The desktop's HUD at the start of a game, from the desktop build's own code.
desktop=$top/build-web/desktop
cmake -S . -B "$desktop" -DKORVANE_TESTS=OFF >/dev/null
cmake --build "$desktop" --target korvane_core -j "$(nproc)" >/dev/null
# shellcheck disable=SC2046 # pkg-config's flags split on purpose
g++ -std=c++17 -Wall -Wextra -Werror -I src "$web/hud_reference.cpp" "$desktop/libkorvane_core.a" \
    $(pkg-config --cflags --libs sdl SDL_mixer SDL_ttf) -o "$work/hud_reference"
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$work/hud_reference" data >"$work/hud.json"

unzip -q "$zip" -d "$work/site"
started=$(date +%s)
node "$web/test-web.mjs" "$work/site/korvane-web" data/pics/pantalla.bmp "$work/hud.json" \
    "$(command -v chromium)"
echo "browser test took $(($(date +%s) - started)) s"
