#!/usr/bin/env bash
# Builds the benchmarks and prints the comparison of vrtools with Dear ImGui and a raw-GL reference.
# Usage: scripts/bench.sh [build-dir] [benchmark options]  (scripts/bench.sh --help lists the options)
# scripts/bench.sh --legibility prints the legibility table of captions in a 3-D view instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
    build=$1
    shift
fi
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRTOOLS_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target vrtools_bench -j2
exec "$build/bench/vrtools_bench" "$@"
