#!/usr/bin/env bash
# Checks that the fast tests notice when a rule of the game is broken. Each line
# of the mutation table (default scripts/mutations.txt) names a file under src/,
# a piece of its text and what to put in its place:
#
#     src/world/spawn.cpp<TAB>SPAWN_X_RANGE ? r1<TAB>SPAWN_X_RANGE - 1 ? r1
#
# For each line the script makes that one change (the first occurrence only),
# rebuilds the game and its test binary in build-mutate/, runs the fast tests
# with the first failure ending the run, and puts the file back. It prints one
# line per change and the three counts: CAUGHT (a test failed), MISSED (every
# test passed) or NOT BUILT (the change does not compile, so it tests nothing:
# a broken table line, shown with the compiler's first error). A table line
# whose text is not in its file is reported STALE and counts as not built. In
# the table, \n stands for a line break, so a change may span lines.
#
# Usage: scripts/mutate.sh [TABLE]
# Exit status: 0 when every change builds and is caught.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
table=${1:-$root/scripts/mutations.txt}
build=$root/build-mutate
cd "$root"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TESTS=ON >/dev/null
targets=(korvane korvane_tests korvane_fail_shim)

build_log=$build/mutation-build.log

build() {
    cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" >"$build_log" 2>&1
}

# The fast tests, the first failure ending the run; a hang or a crash counts as
# a failure. The subshell waits for them itself, so a crash's notice goes with
# their output rather than onto the report.
fast_tests_pass() {
    (
        SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout -s KILL 120 \
            "$build/tests/korvane_tests" --gtest_fail_fast --gtest_brief=1
        exit $?
    ) >/dev/null 2>&1
}

echo "Building and testing the unchanged game..."
if ! build || ! fast_tests_pass; then
    echo "the unchanged game does not build or its fast tests fail: fix that first" >&2
    exit 2
fi

backup=""
restore() {
    if [ -n "$backup" ]; then
        cp "$backup" "$file"
        rm -f "$backup"
        backup=""
    fi
}
trap restore EXIT
trap 'exit 1' INT TERM HUP

caught=0 missed=0 unbuilt=0
while IFS=$'\t' read -r file from to; do
    case $file in '' | '#'*) continue ;; esac
    label="$file: '$from' -> '$to'"
    from=${from//\\n/$'\n'}
    to=${to//\\n/$'\n'}
    text=$(cat "$file"; echo .)
    text=${text%.}
    if [[ $text != *"$from"* ]]; then
        echo "STALE   $label"
        unbuilt=$((unbuilt + 1))
        continue
    fi
    backup=$build/original-text
    cp -p "$file" "$backup"
    printf '%s' "${text/"$from"/"$to"}" >"$file"
    if ! build; then
        echo "NOT BUILT $label"
        grep -m 1 'error' "$build_log" | sed 's/^/          /'
        unbuilt=$((unbuilt + 1))
    elif fast_tests_pass; then
        echo "MISSED  $label"
        missed=$((missed + 1))
    else
        echo "CAUGHT  $label"
        caught=$((caught + 1))
    fi
    restore
done <"$table"

# Leave the build matching the sources again.
build || true
echo "$caught caught, $missed missed, $unbuilt not built"
[ "$missed" -eq 0 ] && [ "$unbuilt" -eq 0 ]
