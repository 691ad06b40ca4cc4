#!/bin/sh
# Prints the size of the test suite against the code it tests: lines of the
# text files tracked under tests/, lines of those under src/, tools/, bench/
# and scripts/, and their ratio. The aim is a ratio between 0.25 and 0.35.
set -eu
cd "$(dirname "$0")/.."
count() {
    git ls-files -z -- "$@" | xargs -0 grep -Il '' 2>/dev/null | tr '\n' '\0' |
        xargs -0 cat 2>/dev/null | wc -l
}
tests=$(count tests)
code=$(count src tools bench scripts)
echo "test lines: $tests"
echo "code lines: $code"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "ratio: %.2f\n", t / c }'
