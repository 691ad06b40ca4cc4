# shellcheck shell=sh disable=SC2154 # top, like work and apt_dir, is the caller's
# Sourced by the cross-build scripts: the library sources they compile.
#
# Debian's source packages come through a private apt setup whose only sources
# are deb-src entries made from apt's configured Debian sources (binary entries
# become source entries, everything else is kept, keys included). The caller
# sets top (the project) and calls prepare_sources first.

# Makes the work folder where sources unpack (a new one in $1, removed on
# exit) and brings the private apt setup kept in $2 up to date. Without the
# network the lists fetched before serve.
prepare_sources() {
    work=$(mktemp -d "$1/tmp.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    trap 'exit 1' INT TERM HUP
    apt_dir=$2
    private_apt_update || echo "apt-get update failed: using the source lists fetched before" >&2
}

private_apt() { APT_CONFIG=$apt_dir/apt.conf "$@"; }

private_apt_update() {
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources.list.d"
    : >"$apt_dir/sources.list"
    rm -f "$apt_dir"/sources.list.d/*
    # shellcheck disable=SC2016 # the placeholder is apt's, not the shell's
    apt-get indextargets --format '$(SOURCESENTRY)' 'Created-By: Packages' 'Origin: Debian' |
        sed 's/:[0-9]*$//' | sort -u | while read -r entry; do
        name=$(basename "$entry")
        case $name in
            *.sources) sed 's/^Types:.*/Types: deb-src/' "$entry" >"$apt_dir/sources.list.d/$name" ;;
            *) sed -n 's/^deb\([[:space:]]\)/deb-src\1/p' "$entry" >"$apt_dir/sources.list.d/$name" ;;
        esac
    done
    if [ -z "$(ls "$apt_dir/sources.list.d")" ]; then
        echo "apt has no Debian sources configured to take source packages from" >&2
        exit 1
    fi
    cat >"$apt_dir/apt.conf" <<CONF
Dir::Etc::SourceList "$apt_dir/sources.list";
Dir::Etc::SourceParts "$apt_dir/sources.list.d";
Dir::State::Lists "$apt_dir/lists";
Dir::Cache::pkgcache "";
Dir::Cache::srcpkgcache "";
APT::Sandbox::User "root";
CONF
    private_apt apt-get -qq update
}

# The newest version of a source package the private setup offers.
source_version() {
    version=$(private_apt apt-cache showsrc --only-source "$1" |
        sed -n 's/^Version: //p' | sort -V | tail -n 1)
    [ -n "$version" ] || { echo "no source package $1 in apt's lists" >&2; exit 1; }
    echo "$version"
}

# Fetches and unpacks a Debian source package (its patches applied) into the
# work folder; prints the unpacked directory.
debian_source() {
    (cd "$work" && private_apt apt-get -qq source --only-source "$1" >"$1.log" 2>&1) ||
        { cat "$work/$1.log" >&2; echo "apt-get source $1 failed" >&2; exit 1; }
    find "$work" -maxdepth 1 -type d -name "$1-*" | head -n 1
}

# Unpacks a release kept in ../shared/third-party into the work folder (its
# checksum verified), else the same release from its upstream address. Either
# way its files must be exactly the release's: TREE is the hash of their names
# and contents, whatever tarball they came in. Prints the unpacked directory.
third_party_source() {
    tarball=$1 sha256=$2 tree_sha256=$3 upstream=$4
    local_copy=$top/../shared/third-party/$tarball
    if [ -f "$local_copy" ]; then
        echo "$sha256  $local_copy" | sha256sum -c --quiet - >&2
    else
        local_copy=$work/$tarball
        curl -fsSL -o "$local_copy" "$upstream"
    fi
    dir=$work/${tarball%.tar.gz}
    mkdir -p "$dir"
    tar -xzf "$local_copy" -C "$dir" --strip-components=1
    tree=$(cd "$dir" && find . -type f | LC_ALL=C sort | xargs -d '\n' sha256sum |
        sha256sum | cut -d ' ' -f 1)
    [ "$tree" = "$tree_sha256" ] ||
        { echo "$tarball from $local_copy has unexpected contents" >&2; exit 1; }
    echo "$dir"
}

# SDL_ttf 2.0.11, the release both cross-builds use.
ttf_version=2.0.11
ttf_tree_sha256=1e1745c8de7eed60660ff00d2c078493494f0767c7f5d048c30750f2b333667a
ttf_source() {
    third_party_source SDL_ttf-$ttf_version.tar.gz \
        1ef6b00a583be27d1e3a691e1b7bbce5ee0347b1fffcd8ab63d86dd9211d850c "$ttf_tree_sha256" \
        https://github.com/libsdl-org/SDL_ttf/archive/831efa364afb87c0c93e7635153e6df9be3c72b4.tar.gz
}

# The SDL 1.2 compatibility layer 1.2.68, the SDL 1.2 of Debian 13.
compat_version=1.2.68
compat_tree_sha256=6579866c19bcc799bd6c8eb818b19c133d1905292855298e92aa435772e7a0bd
compat_source() {
    third_party_source sdl12-compat-$compat_version.tar.gz \
        9600908bb739c9c93d759d59cb016129a8d6b64a29231cf9956bdc300a4e5d7b "$compat_tree_sha256" \
        https://github.com/libsdl-org/sdl12-compat/archive/refs/tags/release-$compat_version.tar.gz
}
