#!/usr/bin/env bash
# Renders the headless frames of the gallery and the 3-D scene as the new golden references,
# tests/golden/gallery.png and tests/golden/scene.png (the README shows the scene's). Run it only for
# an intended change of the pictures, look at them, and commit them with that change.
# Usage: scripts/golden-update.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target gallery scene
"$build/examples/gallery/gallery" --png "$root/tests/golden/gallery.png"
"$build/examples/scene/scene" --png "$root/tests/golden/scene.png"
echo "golden: new references tests/golden/gallery.png and tests/golden/scene.png; look at them, then commit them"
