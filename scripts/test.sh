#!/usr/bin/env bash
# Builds vrtools and runs its test suite on a headless GL context. Usage: scripts/test.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRTOOLS_BUILD_TESTS=ON \
    -DVRTOOLS_WERROR="${VRTOOLS_WERROR:-OFF}"
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2
