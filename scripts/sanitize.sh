#!/usr/bin/env bash
# Runs the test suite built with AddressSanitizer and UndefinedBehaviorSanitizer (clang 14), with the
# library's allocations open to failure injection (tests/test_faults.cpp fails each one in turn).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-sanitize}
"$root/scripts/deps.sh"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DVRTOOLS_SANITIZE=ON -DVRTOOLS_FAULTS=ON -DVRTOOLS_BUILD_TESTS=ON -DVRTOOLS_BUILD_GALLERY=OFF -DVRTOOLS_BUILD_BENCH=OFF \
    -DVRTOOLS_WERROR="${VRTOOLS_WERROR:-OFF}"
cmake --build "$build" -j2
# Leaks are checked at the end of every test process; Mesa's driver and Fontconfig keep allocations
# for the life of the process, and only those are suppressed (never our own libraries').
# clang 14's leak checker follows the dynamic TLS blocks glibc hands out through __tls_get_addr. With
# the dlopened GL driver one of them can read as garbage (seen: a block from 0x1839), and its tracer
# then crashes at exit ("Tracer caught signal 11") depending only on how memory is laid out. Not
# following them loses nothing of ours: our libraries load with the program, and that TLS is scanned.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The hundred-thousand-row batch test holds about a gigabyte of widgets natively; under the sanitizers'
# shadow memory a tenth of it still outgrows the atlas many times over.
export VRTOOLS_TEST_BATCH_ROWS=${VRTOOLS_TEST_BATCH_ROWS:-10000}
ctest --test-dir "$build" --output-on-failure -j2
