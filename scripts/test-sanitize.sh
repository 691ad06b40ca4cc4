#!/bin/sh
# Builds the game and its tests with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer in build-asan, runs every test there, and fails on
# any test failure or any sanitizer report, including reports from the game
# binaries that tests start as subprocesses.
set -e
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-asan"
logs="$build/sanitizer-reports"
jobs="$(nproc)"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVANE_TESTS=ON -DKORVANE_SANITIZE=ON
cmake --build "$build" -j "$jobs"

rm -rf "$logs"
mkdir -p "$logs"
# Full stacks (fast_unwind_on_malloc=0) let the suppressions name library functions.
# A report aborts the process (so no test can mistake it for the game's own
# exit status) and is also written under $logs, so none goes unseen.
# allocator_may_return_null: an impossible allocation (a picture header
# claiming gigabytes) returns null as the C library's does, instead of dying.
ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:allocator_may_return_null=1"
ASAN_OPTIONS="$ASAN_OPTIONS:detect_stack_use_after_return=1:check_initialization_order=1"
ASAN_OPTIONS="$ASAN_OPTIONS:strict_init_order=1:fast_unwind_on_malloc=0:log_path=$logs/asan"
UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1:log_path=$logs/ubsan"
LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

status=0
ctest --test-dir "$build" --output-on-failure -j "$jobs" || status=$?

if [ -n "$(ls -A "$logs")" ]; then
    echo "test-sanitize: sanitizer reports:"
    for report in "$logs"/*; do
        echo "==> $report"
        cat "$report"
    done
    status=1
fi
exit "$status"
