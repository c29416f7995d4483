#!/usr/bin/env bash
# Installs the Debian packages vrtools builds, tests and runs with (as root, or through sudo).
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    libgl-dev libglew-dev libegl-dev libegl-mesa0 libgl1-mesa-dri
    libfreetype-dev libfontconfig-dev fonts-dejavu-core libstb-dev libpng-dev libjpeg62-turbo-dev libglfw3-dev
    libharfbuzz-dev libfribidi-dev
    libgtest-dev libgmock-dev libbenchmark-dev libimgui-dev
    clang-14 libclang-rt-14-dev clang-format-14 valgrind
    # The framework examples and vrtools_osg: a scene graph under an X server without a screen, and
    # SDL2 on its offscreen (EGL) video driver.
    libopenscenegraph-dev libsdl2-dev xvfb libglx-mesa0
    # The gallery driven by real key events in that X server (scripts/gallery-keys.sh).
    xdotool
    # Fallback fonts for captions in other scripts: CJK, Devanagari, Thai, symbols and emoji
    # (DejaVu Sans has Arabic and Hebrew); all small.
    fonts-wqy-microhei fonts-lohit-deva fonts-tlwg-loma fonts-symbola
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "deps: installing ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
