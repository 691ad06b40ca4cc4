# Sourced by the scripts that run the game on the SDL 1.2 compatibility layer
# (SDL 1.2 over SDL2) where the system's own SDL 1.2 is the classic library.
# The layer's package, libsdl1.2-compat, is unpacked into the source tree's
# .cache/compat-layer, never installed: LD_LIBRARY_PATH points the game at it.

# The layer numbers its releases 1.2.50 and up; the classic library stopped
# at 1.2.15.
compat_first_patch=50

# system_sdl_is_layer: whether the system's SDL 1.2 already is the layer.
system_sdl_is_layer() {
    system_patch=$(pkg-config --modversion sdl 2>/dev/null | cut -d. -f3)
    [ "${system_patch:-0}" -ge "$compat_first_patch" ]
}

# compat_root TOP: the folder the layer's package is unpacked into.
compat_root() {
    echo "$1/.cache/compat-layer"
}

# compat_lib TOP: the folder that holds the unpacked layer's libSDL-1.2.so.0.
compat_lib() {
    echo "$(compat_root "$1")/usr/lib/$(gcc -dumpmachine 2>/dev/null || uname -m)/sdl12-compat"
}
