#!/usr/bin/env bash
# Extra CI steps, run by .ci/run after the main ones (its build directory is already configured).
set -euo pipefail
cd "$(dirname "$0")/.."

echo "== format: every C++ source as the house .clang-format has it =="
scripts/format.sh --check

echo "== benchmarks: raw reference check and one frame of every scenario, batch included, also in a core context and without a rasteriser =="
cmake --build build --target vrtools_bench vrtools_bench_check -j2
build/bench/vrtools_bench_check
build/bench/vrtools_bench --smoke
build/bench/vrtools_bench --smoke --core
build/bench/vrtools_bench --smoke --no-raster
build/bench/vrtools_bench --smoke --no-raster --core

echo "== gallery keys: the gallery's window worked by real key events under Xvfb =="
scripts/gallery-keys.sh build

echo "== fuzzing: every libFuzzer target for a minute from its seed corpus =="
scripts/fuzz.sh 60 build-fuzz

echo "== memcheck: the test suite under valgrind =="
scripts/memcheck.sh build
