#!/usr/bin/env bash
# Renders the gallery's headless frame as the new golden reference, tests/golden/gallery.png. Run it
# only for an intended change of the picture, look at the result, and commit it with that change.
# Usage: scripts/golden-update.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target gallery
"$build/examples/gallery/gallery" --png "$root/tests/golden/gallery.png"
echo "golden: new reference tests/golden/gallery.png; look at it, then commit it"
