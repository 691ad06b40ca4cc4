#!/bin/sh
# Installs the Debian packages named on the command line that are not installed
# yet. apt-get runs only when something is missing, so a second run is quick.
set -e
missing=""
for package in "$@"; do
    if ! dpkg -s "$package" >/dev/null 2>&1; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
as_root=""
if [ "$(id -u)" -ne 0 ]; then
    as_root="sudo"
fi
$as_root apt-get update
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y --no-install-recommends $missing
