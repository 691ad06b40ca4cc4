#!/bin/sh
# Cross-builds the game for 64-bit Windows and packs build-windows/korvane-0.2-win64.zip.
#
# SDL 1.2, FreeType and SDL_mixer come from Debian's source packages, fetched
# through the deb-src twins of apt's own configured Debian sources; SDL_ttf
# from ../shared/third-party when it is there, else from its upstream release.
# The built libraries are cached under build-windows/, keyed on the source
# versions, the compiler and the flags, so a second run only rebuilds the game.
#
# Usage: scripts/build-windows.sh
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)
out=$top/build-windows
host=x86_64-w64-mingw32
jobs=$(nproc)
zip_name=korvane-0.2-win64.zip

# Only what the game uses: WAV effects and a MIDI tune played by the built-in
# Timidity, so that every Windows machine hears the patches shipped in the zip.
sdl_flags="--disable-static --enable-shared --disable-rpath"
freetype_flags="--enable-static --disable-shared --without-zlib --without-bzip2 --without-png --without-harfbuzz --without-brotli"
mixer_flags="--disable-static --enable-shared --disable-sdltest --disable-music-cmd --disable-music-mod --disable-music-mod-modplug --disable-music-ogg --disable-music-flac --disable-music-mp3 --disable-music-mp3-mad-gpl --disable-music-native-midi --disable-music-fluidsynth-midi --enable-music-midi --enable-music-timidity-midi"
ttf_flags="--disable-static --enable-shared --disable-sdltest --without-x"
cflags="-O2"

./scripts/install-deps.sh g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 dpkg-dev \
    build-essential cmake make pkg-config zip curl ca-certificates

mkdir -p "$out"
# shellcheck source=scripts/build-sources.sh
. ./scripts/build-sources.sh
prepare_sources "$out" "$out/apt"

sdl_version=$(source_version libsdl1.2)
freetype_version=$(source_version freetype)
mixer_version=$(source_version sdl-mixer1.2)
compiler_version=$($host-gcc -dumpversion)

key=$(printf '%s\n' "$sdl_version" "$freetype_version" "$mixer_version" "$ttf_tree_sha256" \
    "$compiler_version" "$cflags" "$sdl_flags" "$freetype_flags" "$mixer_flags" "$ttf_flags" |
    sha256sum | cut -c1-16)
prefix=$out/libs-$key
echo "SDL $sdl_version, FreeType $freetype_version, SDL_mixer $mixer_version," \
    "SDL_ttf $ttf_version, $host-gcc $compiler_version: library cache $(basename "$prefix")"

# Configures, builds and installs one autotools library into the prefix.
# Targets other than the default can be named (the sample programs of some
# libraries do not link without SDLmain, so only the library is built).
build_library() {
    dir=$1 flags=$2 build_target=$3 install_targets=$4
    [ -x "$dir/configure" ] || { echo "no configure in '$dir'" >&2; exit 1; }
    (
        cd "$dir"
        # shellcheck disable=SC2086 # the flag lists split on purpose
        ./configure --host=$host --prefix="$prefix" $flags CFLAGS="$cflags" \
            PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" >configure.log 2>&1 ||
            { tail -n 30 configure.log >&2; exit 1; }
        # shellcheck disable=SC2086
        make -j "$jobs" $build_target >make.log 2>&1 || { tail -n 30 make.log >&2; exit 1; }
        # shellcheck disable=SC2086
        make $install_targets >install.log 2>&1 || { tail -n 30 install.log >&2; exit 1; }
    )
}

if [ ! -f "$prefix/built" ]; then
    started=$(date +%s)
    rm -rf "$prefix"
    mkdir -p "$prefix/bin" "$prefix/licences"
    PATH=$prefix/bin:$PATH
    export PATH

    dir=$(debian_source libsdl1.2)
    build_library "$dir" "$sdl_flags" "" install
    cp "$dir/COPYING" "$prefix/licences/SDL.txt"

    dir=$(debian_source freetype)
    build_library "$dir" "$freetype_flags" "" install
    cp "$dir/docs/FTL.TXT" "$prefix/licences/FreeType.txt"
    # SDL_ttf's configure asks freetype-config, which FreeType no longer installs.
    cat >"$prefix/bin/freetype-config" <<EOF
#!/bin/sh
exec env PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" pkg-config freetype2 "\$@"
EOF
    chmod +x "$prefix/bin/freetype-config"

    dir=$(debian_source sdl-mixer1.2)
    build_library "$dir" "$mixer_flags" build/libSDL_mixer.la "install-hdrs install-lib"
    cp "$dir/COPYING" "$prefix/licences/SDL_mixer.txt"
    cp "$dir/timidity/COPYING" "$prefix/licences/Timidity.txt"

    dir=$(ttf_source)
    build_library "$dir" "$ttf_flags" libSDL_ttf.la \
        "install-libLTLIBRARIES install-libSDL_ttfincludeHEADERS install-pkgconfigDATA"
    cp "$dir/COPYING" "$prefix/licences/SDL_ttf.txt"

    touch "$prefix/built"
    echo "libraries built in $(($(date +%s) - started)) s"
fi

# The game itself, against the cached libraries.
PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
export PKG_CONFIG_LIBDIR
# A build folder per library set: CMake remembers where it found the libraries.
game=$out/game-$key
for stale in "$out"/libs-* "$out"/game-*; do
    case $stale in "$prefix" | "$game") ;; *) rm -rf "$stale" ;; esac
done
# SDL renames the game's main to SDL_main; SDLmain supplies the real entry
# point and must come before SDL on the link line. SDL's pkg-config file keeps
# both among its private flags, so they are named here.
cmake -S . -B "$game" -DCMAKE_TOOLCHAIN_FILE="$top/packaging/windows/toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$prefix" -DKORVANE_TESTS=OFF \
    -DCMAKE_CXX_STANDARD_LIBRARIES="-L$prefix/lib -lmingw32 -lSDLmain -lSDL" >/dev/null
cmake --build "$game" --target korvane -j "$jobs"

# The freepats patches the tune plays, taken from Debian's package without
# installing it, with a timidity.cfg naming only them.
patches=$work/freepats
mkdir -p "$patches"
(cd "$patches" && apt-get -qq -o APT::Sandbox::User=root download freepats >/dev/null)
dpkg-deb -x "$patches"/freepats_*.deb "$patches/root"
freepats_cfg=$patches/root/etc/timidity/freepats.cfg
freepats_dir=$(sed -n 's/^dir[[:space:]]*//p' "$freepats_cfg" | head -n 1)

stage=$work/Korvane
mkdir -p "$stage/timidity" "$stage/licences"
cp -R data/. "$stage/"
cp "$game/korvane.exe" "$stage/"
$host-strip "$stage/korvane.exe"
cp "$prefix/bin/SDL.dll" "$prefix/bin/SDL_mixer.dll" "$prefix/bin/SDL_ttf.dll" "$stage/"
$host-strip "$stage"/*.dll

# timidity.cfg: for each instrument the tune uses, freepats's line for it,
# under the bank it belongs to. Relative paths resolve against the game's folder.
{
    echo "# The General MIDI patches Korvane's tune uses, from freepats."
    echo "dir timidity"
    od -An -v -tu1 -w1 data/sounds/zelmorta.mid |
        awk -f packaging/windows/midi-instruments.awk | sort -u | sort -k1,1r -k2n |
        while read -r kind number; do
            section="bank 0"
            [ "$kind" = drum ] && section="drumset 0"
            line=$(awk -v section="$section" -v number="$number" '
                /^(bank|drumset)[[:space:]]/ { current = $1 " " $2; next }
                current == section && $1 == number { print; exit }' "$freepats_cfg")
            if [ -z "$line" ]; then
                echo "warning: freepats has no patch for $kind $number" >&2
                continue
            fi
            [ "$section" = "${printed:-}" ] || { echo "$section"; printed=$section; }
            echo "$line"
            patch=$(echo "$line" | awk '{ print $2 }')
            mkdir -p "$stage/timidity/$(dirname "$patch")"
            cp "$patches/root$freepats_dir/$patch" "$stage/timidity/$patch"
        done
} >"$stage/timidity.cfg"

cp "$prefix"/licences/* "$stage/licences/"
zcat "$patches/root/usr/share/doc/freepats/README.gz" >"$stage/licences/freepats.txt"
cp /usr/share/common-licenses/GPL-2 "$stage/licences/GPL-2.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$stage/licences/mingw-w64.txt"
{
    cat packaging/windows/README.txt
    echo
    echo "Built from: SDL $sdl_version, FreeType $freetype_version and SDL_mixer $mixer_version"
    echo "(Debian source packages libsdl1.2, freetype and sdl-mixer1.2), SDL_ttf $ttf_version,"
    echo "freepats $(dpkg-deb -f "$patches"/freepats_*.deb Version) (Debian package freepats)."
} | sed 's/$/\r/' >"$stage/README.txt"

rm -f "$out/$zip_name"
(cd "$work" && TZ=UTC zip -qrX "$out/$zip_name" Korvane)
echo "wrote build-windows/$zip_name ($(stat -c %s "$out/$zip_name") bytes)"
