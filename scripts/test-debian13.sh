#!/bin/sh
# Runs the whole ./test.sh in a fresh, minimal Debian 13 (trixie) system: a
# clean clone of this repository's HEAD (committed work only) is copied into a
# copy of a cached debootstrap and tested there as a new user would.
#
# The packages are installed with the archive in reach; then ./test.sh runs
# whole in its own network namespace with only loopback, so the X servers the
# tests start cannot meet any other display on this machine.
#
# Everything runs in private mount and PID namespaces: whatever was mounted is
# gone, and whatever was started is killed, when the run ends, however it ends.
#
# The archive is the Debian one apt is configured with here. The debootstrap
# (rebuilt after a week) and the downloaded packages are kept in the cache
# folder, KORVANE_DEBIAN13_CACHE (default /var/cache/korvane-debian13).
#
# Needs root; installs debootstrap, git and the archive keyring (which must
# hold the trixie keys: debian-archive-keyring 2023.3 or later) when missing.
set -eu
# The stages that run inside the namespaces (the script calls itself).
in_root() {
    chroot "$1" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive sh -c "cd /src/korvane && $2"
}
case ${1:-} in
--inside)
    # Mount, install the packages with the archive in reach (into the cache
    # folder's archive, which apt fills as it goes), then test offline.
    root=$2 cache=$3
    unmount() {
        umount -R "$root/var/cache/apt/archives" "$root/dev" "$root/sys" "$root/proc" 2>/dev/null || true
    }
    trap unmount EXIT
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount --bind "$cache/archives" "$root/var/cache/apt/archives"
    start=$(date +%s)
    in_root "$root" "./test.sh --deps-only && apt-get -qq autoclean" >"$root/deps.log" 2>&1 ||
        { tail -n 40 "$root/deps.log" >&2; exit 1; }
    echo "== packages installed in $(($(date +%s) - start)) s"
    in_root "$root" "dpkg-query -W libsdl1.2debian libsdl2-2.0-0 libsdl-mixer1.2 libsdl-ttf2.0-0 libfluidsynth3 gcc clang appstream" || true
    start=$(date +%s)
    unshare --net "$0" --offline "$root"
    echo "== ./test.sh passed in $(($(date +%s) - start)) s"
    exit 0
    ;;
--offline)
    ip link set lo up 2>/dev/null || true
    in_root "$2" ./test.sh
    exit
    ;;
esac

cd "$(dirname "$0")/.."
top=$(pwd)
cache=${KORVANE_DEBIAN13_CACHE:-/var/cache/korvane-debian13}
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
suite=trixie
base_max_age_days=7

if [ "$(id -u)" -ne 0 ]; then
    echo "test-debian13: must run as root (debootstrap, chroot, namespaces)" >&2
    exit 1
fi
./scripts/install-deps.sh debootstrap git debian-archive-keyring util-linux iproute2
if [ ! -f "/usr/share/keyrings/debian-archive-$suite-stable.gpg" ]; then
    echo "test-debian13: $keyring has no $suite keys; update debian-archive-keyring" >&2
    exit 1
fi

# The main Debian archive from apt's own sources (label "Debian", not the
# security archive), so no host name is written here.
archive_uri() {
    apt-get indextargets --format '$(LABEL) $(REPO_URI)' 2>/dev/null |
        awk '$1 == "Debian" { print $2; exit }'
}
mirror=$(archive_uri)
if [ -z "$mirror" ]; then
    apt-get update >/dev/null
    mirror=$(archive_uri)
fi
[ -n "$mirror" ] || { echo "test-debian13: apt has no Debian archive configured" >&2; exit 1; }

mkdir -p "$cache/archives/partial"
base="$cache/base"
if [ ! -f "$base/.korvane-stamp" ] || [ -n "$(find "$base/.korvane-stamp" -mtime +"$base_max_age_days")" ]; then
    echo "== debootstrap $suite from $mirror"
    rm -rf "$base" "$base.tmp"
    debootstrap --variant=minbase --include=ca-certificates --keyring="$keyring" \
        "$suite" "$base.tmp" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
        { tail -n 20 "$cache/debootstrap.log" >&2; exit 1; }
    rm -f "$base.tmp"/var/cache/apt/archives/*.deb
    touch "$base.tmp/.korvane-stamp"
    mv "$base.tmp" "$base"
fi

root=$(mktemp -d "$cache/run.XXXXXX")
session_pid=""
cleanup() {
    if [ -n "$session_pid" ]; then kill "$session_pid" 2>/dev/null || true; fi
    rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

cp -a "$base/." "$root/"
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone -q --no-checkout "$top" "$root/src/korvane"
git -C "$root/src/korvane" checkout -q --detach "$(git rev-parse HEAD)"
echo "== testing $(git rev-parse --short HEAD) in $suite"
[ -z "$(git status --porcelain)" ] || echo "   (uncommitted changes are not part of this test)"

unshare --mount --pid --fork --kill-child --propagation private \
    "$top/scripts/test-debian13.sh" --inside "$root" "$cache" &
session_pid=$!
status=0
wait "$session_pid" || status=$?
session_pid=""
exit "$status"
