#!/bin/sh
# Runs a short soak under valgrind's leak checker and fails when the game loses
# memory ("definitely lost") or makes an invalid access. Leaks inside the system
# libraries are suppressed in tests/sanitizer/valgrind.supp, each with its reason.
#
# Usage: scripts/valgrind-soak.sh [SOAK_BINARY [FRAMES]]
# The binary defaults to build/tests/soak/korvane_soak. Exits 77 (skipped) when
# valgrind is not installed.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
binary="${1:-$root/build/tests/soak/korvane_soak}"
frames="${2:-3000}"

if ! command -v valgrind >/dev/null 2>&1; then
    echo "valgrind is not installed; skipping"
    exit 77
fi

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
status=0
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy valgrind \
    --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite \
    --suppressions="$root/tests/sanitizer/valgrind.supp" \
    --error-exitcode=1 --log-file="$log" \
    "$binary" "$root/data" "$frames" || status=$?

sed -n '/HEAP SUMMARY/,$p' "$log"
if [ "$status" -ne 0 ]; then
    echo "valgrind-soak: FAILED (status $status); full log follows"
    cat "$log"
fi
exit "$status"
