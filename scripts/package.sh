#!/usr/bin/env bash
# Installs vrtools into a scratch prefix and builds two consumers: one with find_package, one with pkg-config.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S "$root/tests/package" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
LD_LIBRARY_PATH="$work/prefix/lib" "$work/consumer/consumer"
libdir=$(ls -d "$work"/prefix/lib*/pkgconfig | head -n 1)
PKG_CONFIG_PATH="$libdir" g++ -std=c++17 "$root/tests/package/main.cpp" -o "$work/pc_consumer" \
    $(PKG_CONFIG_PATH="$libdir" pkg-config --cflags --libs vrtools egl)
LD_LIBRARY_PATH="$(dirname "$libdir")" "$work/pc_consumer"
echo "package: find_package and pkg-config consumers built, ran and drew a label"
