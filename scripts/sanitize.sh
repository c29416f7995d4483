#!/usr/bin/env bash
# Runs the test suite built with AddressSanitizer and UndefinedBehaviorSanitizer (clang 14).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-sanitize}
"$root/scripts/deps.sh"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DVRTOOLS_SANITIZE=ON -DVRTOOLS_BUILD_TESTS=ON -DVRTOOLS_BUILD_GALLERY=OFF -DVRTOOLS_BUILD_BENCH=OFF
cmake --build "$build" -j2
# Mesa's driver keeps allocations for the life of the process: leaks are checked by the memcheck run.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j2
