#!/bin/sh
# Fails when a C or C++ file of the game, its tools, benchmarks or tests is not
# formatted as .clang-format says. The files are kept so that Debian 12's and
# Debian 13's clang-format agree on them.
set -eu
cd "$(dirname "$0")/.."
files=$(find src tools bench tests -name '*.cpp' -o -name '*.h' -o -name '*.c' | sort)
clang-format --dry-run --Werror $files
echo "clang-format: $(echo "$files" | wc -l) files formatted"
