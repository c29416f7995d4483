#!/usr/bin/env bash
# Renders the headless frames of the gallery and the 3-D scene as the new golden references,
# tests/golden/gallery.png and tests/golden/scene.png (the README shows the scene's), the scene's
# batches with sharp text (tests/golden/scene-sharp.png), and those of the
# framework examples where they are built (tests/golden/osg.png under Xvfb, tests/golden/sdl.png on
# SDL's offscreen driver). Run it only for an intended change of the pictures, look at them, and
# commit them with that change.
# Usage: scripts/golden-update.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target gallery scene
"$build/examples/gallery/gallery" --png "$root/tests/golden/gallery.png"
"$build/examples/scene/scene" --png "$root/tests/golden/scene.png"
"$build/examples/scene/scene" --batch --png "$root/tests/golden/scene-sharp.png"
written="tests/golden/gallery.png tests/golden/scene.png tests/golden/scene-sharp.png"
if cmake --build "$build" -j2 --target osg_scene >/dev/null 2>&1; then
    "$root/scripts/xvfb.sh" "$build/examples/osg/osg_scene" --png "$root/tests/golden/osg.png"
    written="$written tests/golden/osg.png"
fi
if cmake --build "$build" -j2 --target sdl_scene >/dev/null 2>&1; then
    SDL_VIDEODRIVER=offscreen "$build/examples/sdl/sdl_scene" --png "$root/tests/golden/sdl.png"
    written="$written tests/golden/sdl.png"
fi
echo "golden: new references $written; look at them, then commit them"
