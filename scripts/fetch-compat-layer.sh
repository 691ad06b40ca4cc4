#!/bin/sh
# Fetches Debian's libsdl1.2-compat and unpacks it into .cache/compat-layer,
# so that the tests can play the game on the compatibility layer without
# reaching the network. Does nothing where the system's SDL 1.2 already is
# the layer, or where the package is already unpacked.
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)
. scripts/compat-layer.sh

system_sdl_is_layer && exit 0
[ -e "$(compat_lib "$top")/libSDL-1.2.so.0" ] && exit 0

download=$(mktemp -d "${TMPDIR:-/tmp}/korvane-compat.XXXXXX")
trap 'rm -rf "$download"' EXIT
echo "Fetching libsdl1.2-compat into $(compat_root "$top")"
as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"
# apt's package lists may be older than the archive: refresh them once.
(cd "$download" && { apt-get download libsdl1.2-compat 2>/dev/null ||
    { $as_root apt-get update >/dev/null && apt-get download libsdl1.2-compat; }; })
rm -rf "$(compat_root "$top")"
mkdir -p "$(compat_root "$top")"
dpkg-deb -x "$download"/libsdl1.2-compat_*.deb "$(compat_root "$top")"
[ -e "$(compat_lib "$top")/libSDL-1.2.so.0" ] ||
    { echo "fetch-compat-layer: the package has no $(compat_lib "$top")/libSDL-1.2.so.0" >&2; exit 1; }
