#!/bin/sh
# Installs a build into a staging directory (prefix /usr) and checks what a
# player would get: every file in its place, a valid desktop entry and
# metainfo, a Debian package that lintian finds no error in (where lintian is
# installed), and the game starting to its title screen from an unrelated
# directory, both through the launcher and through the desktop entry's
# command, then quitting on Escape with status 0.
#
# Usage: test-install.sh BUILD_DIR SOURCE_DIR [CMAKE]
# Exits 77 (a skip for CTest) only when a tool it needs is not installed.
set -u
. "$(dirname "$0")/xvfb.sh"

SKIP=77
[ $# -ge 2 ] || { echo "usage: $0 BUILD_DIR SOURCE_DIR [CMAKE]" >&2; exit 2; }
build=$(cd "$1" && pwd) || exit 2
source=$(cd "$2" && pwd) || exit 2
cmake=${3:-cmake}

for tool in Xvfb xdotool desktop-file-validate appstreamcli timeout; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (packages: xvfb xdotool desktop-file-utils appstream)"
        exit "$SKIP"
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/korvane-install.XXXXXX") || exit 1
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

stage=$work/stage
root=$stage/usr
# The install makes what it ships beyond the game binary itself, whatever was
# built before: as after building only the game, the compressed files are not there yet.
rm -f "$build/packaging/korvane.6.gz" "$build/packaging/changelog.gz"
if ! DESTDIR=$stage "$cmake" --install "$build" --prefix /usr >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "FAIL: cmake --install did not succeed"
    exit 1
fi

# --- The layout --------------------------------------------------------------

data=$root/share/games/korvane
[ -x "$root/games/korvane" ] || fail "no launcher at usr/games/korvane"
[ -x "$root/libexec/korvane/korvane" ] || fail "no game binary at usr/libexec/korvane/korvane"
[ -e "$root/bin/korvane" ] && fail "the game binary is on PATH at usr/bin/korvane"

# Every file the game reads, byte for byte as in the source tree.
for item in ariblk.ttf LICENSE-font.txt pics sounds levels; do
    [ -e "$source/data/$item" ] || fail "the source tree has no data/$item"
done
(cd "$source/data" && find ariblk.ttf LICENSE-font.txt pics sounds levels -type f 2>/dev/null) |
    while IFS= read -r file; do
        cmp -s "$source/data/$file" "$data/$file" || echo "$file"
    done >"$work/data-mismatch"
if [ -s "$work/data-mismatch" ]; then
    fail "data missing or different in usr/share/games/korvane: $(tr '\n' ' ' <"$work/data-mismatch")"
fi

# Icons: PNGs whose header gives the size of the folder they sit in.
png_size() {
    od -An -tu1 -j16 -N8 "$1" |
        awk '{ printf "%dx%d", (($1*256+$2)*256+$3)*256+$4, (($5*256+$6)*256+$7)*256+$8 }'
}
for size in 32 48 64 128; do
    icon=$root/share/icons/hicolor/${size}x${size}/apps/korvane.png
    if [ ! -f "$icon" ]; then
        fail "no ${size}x${size} icon"
    elif [ "$(od -An -c -j1 -N3 "$icon" | tr -d ' ')" != "PNG" ]; then
        fail "the ${size}x${size} icon is not a PNG"
    elif [ "$(png_size "$icon")" != "${size}x${size}" ]; then
        fail "the ${size}x${size} icon is $(png_size "$icon")"
    fi
done

# The manual page, and that it formats without warnings when man is here.
man=$(find "$root/share/man/man6" -name 'korvane.6*' 2>/dev/null | head -n 1)
if [ -z "$man" ]; then
    fail "no manual page in usr/share/man/man6"
elif ! { gzip -dc "$man" 2>/dev/null || cat "$man"; } | cmp -s - "$source/packaging/korvane.6"; then
    fail "the manual page is not packaging/korvane.6"
elif command -v man >/dev/null 2>&1; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$man" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "the manual page formats with warnings: $warnings"
fi

# The terms and the release history, where Debian looks for them: a
# machine-readable copyright file and a changelog whose newest entry is this
# release.
doc=$root/share/doc/korvane
if ! cmp -s "$doc/copyright" "$source/packaging/copyright"; then
    fail "usr/share/doc/korvane/copyright is missing or not packaging/copyright"
elif ! head -n 1 "$doc/copyright" | grep -q '^Format: .*copyright-format/1.0/$'; then
    fail "usr/share/doc/korvane/copyright is not in the machine-readable format"
fi
if ! gzip -dc "$doc/changelog.gz" 2>/dev/null | cmp -s - "$source/packaging/changelog"; then
    fail "usr/share/doc/korvane/changelog.gz is missing or not packaging/changelog"
elif ! head -n 1 "$source/packaging/changelog" | grep -q '^korvane (0\.2) '; then
    fail "the changelog's newest entry is not 0.2"
fi

# --- Desktop entry and metainfo ------------------------------------------------

desktop=$root/share/applications/korvane.desktop
metainfo=$(find "$root/share/metainfo" -name '*.metainfo.xml' 2>/dev/null | head -n 1)
if [ ! -f "$desktop" ]; then
    fail "no desktop entry at usr/share/applications/korvane.desktop"
else
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
    grep -qx 'Icon=korvane' "$desktop" || fail "the desktop entry does not use the korvane icon"
fi
if [ -z "$metainfo" ]; then
    fail "no metainfo in usr/share/metainfo"
else
    # validate-tree also checks the metainfo against the installed desktop entry.
    # The game has no web home page, so AppStream 1.0's warning for a missing
    # one (a tag older validators do not know) is only shown.
    no_homepage=""
    case $(appstreamcli --version) in
    *"version: 0."*) ;;
    *) no_homepage="--override=url-homepage-missing=info" ;;
    esac
    appstreamcli validate-tree --no-net $no_homepage "$stage" ||
        fail "appstreamcli rejects the installed metainfo"
    grep -q '<launchable type="desktop-id">korvane.desktop</launchable>' "$metainfo" ||
        fail "the metainfo does not launch korvane.desktop"
    grep -q '<release version="0.2"' "$metainfo" || fail "the metainfo has no 0.2 release"
fi

# --- The Debian package ---------------------------------------------------------

# The package built from this build, checked by Debian's own package checker.
# Errors fail; warnings and the rest are shown.
if command -v lintian >/dev/null 2>&1; then
    cpack=$(dirname "$cmake")/cpack
    [ -x "$cpack" ] || cpack=cpack
    if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1; then
        cat "$work/cpack.log"
        fail "cpack -G DEB did not make the package"
    else
        lintian --fail-on error --display-info "$work"/deb/korvane_*.deb >"$work/lintian.log" 2>&1
        status=$?
        sed 's/^/    /' "$work/lintian.log"
        [ "$status" -eq 0 ] || fail "lintian finds errors in the package"
    fi
else
    echo "NOTE: lintian is not installed, so the Debian package is not checked (package: lintian)"
fi

# --- Starting the game ---------------------------------------------------------

start_xvfb 800x600x24 "$work/xvfb.log" 2>&1 || { fail "Xvfb did not start"; exit 1; }
export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER

# start_game LABEL DIR COMMAND...: runs COMMAND in DIR, waits for the game's
# window, presses Escape on the title screen until the game ends, and expects
# status 0. The keys are sent again and again in case the first ones come
# before the window takes input; Escape on the title screen only ever quits.
start_game() {
    label=$1 dir=$2
    shift 2
    (cd "$dir" && exec timeout 20 "$@") >"$work/game.log" 2>&1 &
    game_pid=$!
    window="" tries=0
    while [ -z "$window" ] && [ $tries -lt 100 ] && kill -0 "$game_pid" 2>/dev/null; do
        window=$(xdotool search --name '^Korvane' 2>/dev/null | head -n 1)
        [ -n "$window" ] || sleep 0.1
        tries=$((tries + 1))
    done
    [ -n "$window" ] || fail "$label: no Korvane window appeared"
    while kill -0 "$game_pid" 2>/dev/null; do
        if [ -n "$window" ]; then
            xdotool windowfocus "$window" key Escape 2>/dev/null
        fi
        sleep 0.3
    done
    wait "$game_pid"
    status=$?
    if [ "$status" -ne 0 ]; then
        sed 's/^/    /' "$work/game.log"
        fail "$label: ended with status $status (124: still running after 20 s)"
    fi
}

elsewhere=$work/elsewhere
mkdir -p "$elsewhere"

# The desktop entry's command, looked up on PATH, with its field codes dropped.
exec_line=$(sed -n 's/^Exec=//p' "$desktop" 2>/dev/null | head -n 1 | sed 's/ *%[fFuUdDnNickvm]//g')
if [ -n "$exec_line" ]; then
    start_game "desktop entry ($exec_line)" "$elsewhere" \
        env PATH="$root/games:$PATH" sh -c "exec $exec_line"
fi

# The launcher through a symbolic link, as a player's ~/bin might hold it.
ln -s "$root/games/korvane" "$elsewhere/korvane-link"
start_game "launcher through a link" / "$elsewhere/korvane-link"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "The installed tree is complete and the game starts from it."
