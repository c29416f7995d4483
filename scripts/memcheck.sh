#!/usr/bin/env bash
# Runs the whole test suite (its three test programs) under valgrind's memcheck and fails on any memory error or on any
# definitely or indirectly lost block that the committed suppressions (Mesa's and Fontconfig's own
# process-long state, two known glibc false positives) do not explain.
# Usage: scripts/memcheck.sh [build-dir]   (reuses a build of scripts/test.sh when there is one)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/deps.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRTOOLS_BUILD_TESTS=ON >/dev/null
fi
cmake --build "$build" -j2 --target vrtools_tests vrtools_text_tests vrtools_hostile_tests
# Each suite in one process (not one per test as ctest runs them): llvmpipe compiles its shaders once.
# Its rasteriser runs on the calling thread, which valgrind handles far faster than worker threads.
# The steady-state test counts heap allocations with its own malloc; nouserintercepts leaves that
# malloc in place (it forwards to glibc's, which memcheck still replaces).
# The hundred-thousand-row batch test takes a few thousand rows here: still several atlases' worth.
export VRTOOLS_TEST_BATCH_ROWS=${VRTOOLS_TEST_BATCH_ROWS:-2000}
for suite in vrtools_tests vrtools_text_tests hostile/vrtools_hostile_tests; do
    log=$build/memcheck-${suite##*/}.log
    echo "== memcheck: $suite in one process (log: $log) =="
    status=0
    LP_NUM_THREADS=0 valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
        --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
        --soname-synonyms=somalloc=nouserintercepts --num-callers=40 \
        --suppressions="$root/scripts/memcheck.supp" --log-file="$log" \
        "$build/tests/$suite" --gtest_brief=1 || status=$?
    grep -E "ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|still reachable|suppressed:" "$log" |
        sed 's/^==[0-9]*== //'
    if [ "$status" -ne 0 ]; then
        echo "memcheck: $suite failed (exit $status); the reports are in $log"
        grep -B2 -A30 -E "(Invalid|uninitialised|Mismatched|definitely lost in|indirectly lost in)" "$log" | head -n 120 || true
        exit 1
    fi
done
echo "memcheck: no memory error and no definitely or indirectly lost block"
