#!/usr/bin/env bash
# Builds and runs the 3-D scene: panels of widgets in a lit room. A window when a display is there
# (left button works the widgets, right drag orbits, the wheel turns lists and sliders or zooms),
# else one frame as scene.png; --png FILE forces the headless frame; --batch draws each panel through
# VR_Batches instead of each widget's own Draw, its text as glyph quads (--sharp says the same,
# --exact-text keeps the bitmap captions); --core runs in a 3.3 core-profile context (batches, and the
# room through a shader); --closeup puts the camera a step away from the console panel.
# Usage: scripts/scene.sh [--batch | --sharp | --core] [--exact-text] [--closeup] [--png FILE]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target scene
exec "$build/examples/scene/scene" "$@"
