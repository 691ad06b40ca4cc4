#!/bin/sh
# Builds the libFuzzer targets with clang in build-fuzz and runs each one on its
# seed corpus for FUZZ_SECONDS (default 30). New inputs go to a scratch copy of
# the corpus, never into the repository. Fails on any crash, leak, sanitizer
# report, timeout or out-of-memory; the offending input is left in build-fuzz.
# Needs the packages clang and libclang-rt-dev.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
seconds="${FUZZ_SECONDS:-30}"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVANE_FUZZ=ON -DKORVANE_TESTS=OFF
cmake --build "$build" -j "$(nproc)" --target level_fuzz bitmap_fuzz

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
for target in level bitmap; do
    work="$build/fuzz-$target"
    rm -rf "$work"
    mkdir -p "$work/corpus"
    cp "$root/tests/fuzz/corpus/$target"/* "$work/corpus/"
    echo "== $target: $seconds s"
    "$build/tests/fuzz/${target}_fuzz" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -close_fd_mask=3 -print_final_stats=1 \
        -artifact_prefix="$work/" "$work/corpus"
done
