#!/bin/sh
# Compiles the browser build's libraries with emcc into static archives under
# a prefix: SDL2, the SDL 1.2 compatibility layer over it, libogg, libvorbis,
# FreeType, SDL_mixer 1.2 and SDL_ttf 2.0. scripts/build-web.sh calls it with
# the unpacked sources and keys its cache on this file's contents.
#
# Every library is compiled file by file from its own sources: their
# configure scripts and CMake files cannot see through emcc (wrong SDL
# headers, failed type checks) and would only cost minutes. The files and
# switches chosen here are the ones the game needs, and no more.
#
# Usage: build-libs.sh PREFIX WORK SDL2 COMPAT OGG VORBIS FREETYPE MIXER TTF
set -eu
prefix=$1 work=$2 sdl2=$3 compat=$4 ogg=$5 vorbis=$6 freetype=$7 mixer=$8 ttf=$9
here=$(cd "$(dirname "$0")" && pwd)
jobs=$(nproc)
cflags="-Oz"
mkdir -p "$prefix/lib" "$prefix/include" "$prefix/licences"

# Compiles the C files named on standard input with the given flags into
# PREFIX/lib/libNAME.a, in parallel.
archive() {
    name=$1
    shift
    objects=$work/obj-$name
    mkdir -p "$objects"
    # Object names carry their folder, so files of the same name do not collide.
    # shellcheck disable=SC2016 # expanded by the inner shell
    xargs -P "$jobs" -I {} sh -c 'objects=$1 file=$2
        shift 2
        out=$objects/$(echo "$file" | tr / _).o
        emcc "$@" -c "$file" -o "$out" 2>"$out.log" || { cat "$out.log" >&2; exit 255; }' \
        sh "$objects" {} $cflags "$@"
    rm -f "$prefix/lib/lib$name.a"
    emar rcs "$prefix/lib/lib$name.a" "$objects"/*.o
}

# SDL2, every SDL_* name renamed SDL2_* so that the layer's own SDL_* names
# are the only ones (see the layer's patch). The names come from SDL2's list
# of its API and from the layer's list of its own, which covers the few
# internal SDL2 functions that share a name with a 1.2 function.
sdl2_rename=$prefix/include/sdl2-rename.h
{
    sed -n 's/^SDL_DYNAPI_PROC([^,]*,\([A-Za-z0-9_]*\),.*/\1/p' "$sdl2/src/dynapi/SDL_dynapi_procs.h"
    sed -n 's/^\(SDL_[A-Za-z0-9_]*\)$/\1/p' "$compat/src/SDL12.exports"
    sed -n 's/^SDL20_SYM[A-Z_]*([^,]*,\([A-Za-z0-9_]*\),.*/SDL_\1/p' "$compat/src/SDL20_syms.h"
} | sort -u | sed 's/^SDL_\(.*\)/#define SDL_\1 SDL2_\1/' >"$sdl2_rename"
# SDL2's thread code undefines its thread functions' names before defining
# them (for its Windows macros), which would undo the renaming.
sed -i '/^#undef SDL_CreateThread/d' "$sdl2/src/thread/SDL_thread.c"
# The browser configuration without OpenGL (the layer draws through SDL2's
# software renderer into the canvas) and without a dynamic loader.
sed -e '/SDL_VIDEO_RENDER_OGL_ES2\|SDL_VIDEO_OPENGL_ES2\|SDL_VIDEO_OPENGL_EGL/d' \
    -e 's/SDL_LOADSO_DLOPEN/SDL_LOADSO_DISABLED/' \
    "$sdl2/include/SDL_config_emscripten.h" >"$sdl2/include/SDL_config_web.h"
sed -i 's/"SDL_config_emscripten.h"/"SDL_config_web.h"/' "$sdl2/include/SDL_config.h"
(
    cd "$sdl2/src"
    for dir in . atomic audio audio/emscripten audio/disk audio/dummy cpuinfo dynapi events \
        file filesystem/emscripten haptic haptic/dummy hidapi joystick joystick/emscripten \
        libm loadso/dummy locale locale/emscripten misc misc/emscripten power \
        power/emscripten render render/software sensor sensor/dummy stdlib thread \
        thread/generic timer timer/unix video video/emscripten video/yuv2rgb; do
        printf '%s\n' "$sdl2/src/$dir"/*.c
    done
) | archive SDL2 -I"$sdl2/include" -include "$sdl2_rename" -DSDL_DISABLE_IMMINTRIN_H
mkdir -p "$prefix/include/SDL2"
cp "$sdl2"/include/*.h "$prefix/include/SDL2/"
cp "$sdl2/LICENSE.txt" "$prefix/licences/SDL2.txt"

# The layer, patched to find SDL2 inside the program rather than load it.
patch -d "$compat" -p1 -s <"$here/sdl12-compat-static.patch"
echo "$compat/src/SDL12_compat.c" |
    archive SDL -I"$prefix/include/SDL2" -DSDL_DISABLE_IMMINTRIN_H
mkdir -p "$prefix/include/SDL"
cp "$compat"/include/SDL/*.h "$prefix/include/SDL/"
cp "$compat/LICENSE.txt" "$prefix/licences/sdl12-compat.txt"

# libogg and libvorbis (the decoder and vorbisfile; no encoder, no tools).
mkdir -p "$prefix/include/ogg" "$prefix/include/vorbis"
sed -e 's/@INCLUDE_INTTYPES_H@/1/; s/@INCLUDE_STDINT_H@/1/; s/@INCLUDE_SYS_TYPES_H@/1/' \
    -e 's/@SIZE16@/int16_t/; s/@USIZE16@/uint16_t/; s/@SIZE32@/int32_t/' \
    -e 's/@USIZE32@/uint32_t/; s/@SIZE64@/int64_t/; s/@USIZE64@/uint64_t/' \
    "$ogg/include/ogg/config_types.h.in" >"$prefix/include/ogg/config_types.h"
cp "$ogg"/include/ogg/ogg.h "$ogg"/include/ogg/os_types.h "$prefix/include/ogg/"
printf '%s\n' "$ogg"/src/*.c | archive ogg -I"$prefix/include"
cp "$ogg/COPYING" "$prefix/licences/libogg.txt"
for file in "$vorbis"/lib/*.c; do
    case ${file##*/} in barkmel.c | psytune.c | tone.c | vorbisenc.c) ;; *) echo "$file" ;; esac
done | archive vorbis -I"$prefix/include" -I"$vorbis/include" -I"$vorbis/lib"
cp "$vorbis"/include/vorbis/codec.h "$vorbis"/include/vorbis/vorbisfile.h "$prefix/include/vorbis/"
cp "$vorbis/COPYING" "$prefix/licences/libvorbis.txt"

# FreeType with the modules a TrueType font needs: the TrueType driver, its
# tables, the automatic hinter (used for fonts without hinting instructions),
# both rasterisers, and glyph names. No compressed or web font formats.
ft_config=$work/ft-config/freetype/config
mkdir -p "$ft_config"
sed -e 's|^#define FT_CONFIG_OPTION_USE_ZLIB|/* no zlib */|' \
    -e 's|^#define FT_CONFIG_OPTION_USE_LZW|/* no LZW */|' \
    "$freetype/include/freetype/config/ftoption.h" >"$ft_config/ftoption.h"
cat >"$ft_config/ftmodule.h" <<EOF
FT_USE_MODULE( FT_Module_Class, autofit_module_class )
FT_USE_MODULE( FT_Driver_ClassRec, tt_driver_class )
FT_USE_MODULE( FT_Module_Class, psnames_module_class )
FT_USE_MODULE( FT_Module_Class, sfnt_module_class )
FT_USE_MODULE( FT_Renderer_Class, ft_smooth_renderer_class )
FT_USE_MODULE( FT_Renderer_Class, ft_raster1_renderer_class )
EOF
(
    cd "$freetype/src"
    for file in base/ftsystem.c base/ftinit.c base/ftdebug.c base/ftbase.c base/ftbitmap.c \
        base/ftglyph.c base/ftstroke.c base/ftsynth.c truetype/truetype.c sfnt/sfnt.c \
        autofit/autofit.c psnames/psnames.c smooth/smooth.c raster/raster.c; do
        echo "$freetype/src/$file"
    done
) | archive freetype -DFT2_BUILD_LIBRARY -I"$work/ft-config" -I"$freetype/include"
cp -R "$freetype/include/." "$prefix/include/freetype2/"
cp "$ft_config"/ftoption.h "$ft_config"/ftmodule.h "$prefix/include/freetype2/freetype/config/"
cp "$freetype/docs/FTL.TXT" "$prefix/licences/FreeType.txt"

# SDL_mixer 1.2: WAV effects and Ogg Vorbis music, linked, not loaded.
printf '%s\n' mixer.c music.c effects_internal.c effect_position.c effect_stereoreverse.c \
    load_aiff.c load_voc.c load_ogg.c music_ogg.c dynamic_ogg.c wavestream.c |
    sed "s|^|$mixer/|" |
    archive SDL_mixer -DWAV_MUSIC -DOGG_MUSIC -I"$prefix/include/SDL" -I"$prefix/include"
cp "$mixer/SDL_mixer.h" "$prefix/include/SDL/"
cp "$mixer/COPYING" "$prefix/licences/SDL_mixer.txt"

# SDL_ttf 2.0.
echo "$ttf/SDL_ttf.c" | archive SDL_ttf -I"$prefix/include/SDL" -I"$prefix/include/freetype2"
cp "$ttf/SDL_ttf.h" "$prefix/include/SDL/"
cp "$ttf/COPYING" "$prefix/licences/SDL_ttf.txt"

# pkg-config files for the game's build. The archives are named by their full
# paths: given -lSDL, emcc would link its own JavaScript SDL instead.
mkdir -p "$prefix/lib/pkgconfig"
write_pc() {
    printf 'Name: %s\nDescription: %s for the browser\nVersion: %s\nRequires: %s\n' \
        "$1" "$1" "$2" "$3"
    printf 'Cflags: -I%s\nLibs:' "$prefix/include/SDL"
    shift 3
    for library in "$@"; do
        printf ' %s' "$prefix/lib/lib$library.a"
    done
    echo
}
write_pc sdl 1.2.15 "" SDL SDL2 >"$prefix/lib/pkgconfig/sdl.pc"
write_pc SDL_mixer 1.2.12 sdl SDL_mixer vorbis ogg >"$prefix/lib/pkgconfig/SDL_mixer.pc"
write_pc SDL_ttf 2.0.11 sdl SDL_ttf freetype >"$prefix/lib/pkgconfig/SDL_ttf.pc"
