#!/usr/bin/env bash
# Builds and runs the gallery: a window when a display is there, else one frame as gallery.png.
# Usage: scripts/gallery.sh [--png FILE]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target gallery
exec "$build/examples/gallery/gallery" "$@"
