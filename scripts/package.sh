#!/usr/bin/env bash
# Installs vrtools into a scratch prefix outside the system paths and builds two consumers, one with
# find_package and one with plain g++ and pkg-config; both must run with no environment set up.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH
cmake --install "$build" --prefix "$work/prefix" >/dev/null
libdir=$(dirname "$(ls -d "$work"/prefix/lib*/pkgconfig | head -n 1)")

# vrtools_osg is installed when OpenSceneGraph was found at the build; then its consumers are checked too.
libs="vrtools obrisk tarnel"
with_osg=OFF
if [ -f "$libdir/pkgconfig/vrtools-osg.pc" ]; then
    libs="$libs vrtools_osg"
    with_osg=ON
fi
# Each installed library must find its companions beside itself.
for lib in $libs; do
    runpath=$(readelf -d "$libdir/lib$lib.so" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
    if [ "$runpath" != '$ORIGIN' ]; then
        echo "package: lib$lib.so has RUNPATH '$runpath', not \$ORIGIN" >&2
        exit 1
    fi
done
# Consumers see <prefix>/include only, never include/vrtools itself, so that a host's own tools.h or
# color.h cannot be shadowed.
for flag in $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags vrtools); do
    case "$flag" in -I*/vrtools | -I*/vrtools/)
        echo "package: pkg-config puts $flag on the include path" >&2; exit 1 ;;
    esac
done
if grep -q 'include/vrtools' "$libdir"/cmake/vrtools/vrtoolsTargets.cmake; then
    echo "package: the exported targets put include/vrtools on the include path" >&2
    exit 1
fi

cmake -S "$root/tests/package" -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$work/prefix" \
    -DWITH_OSG=$with_osg >/dev/null
cmake --build "$work/consumer" >/dev/null
env -u LD_LIBRARY_PATH "$work/consumer/consumer"
if [ "$with_osg" = ON ]; then
    env -u LD_LIBRARY_PATH "$work/consumer/osg_consumer"
    g++ -std=c++17 "$root/tests/package/osg_main.cpp" -o "$work/pc_osg_consumer" \
        $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs vrtools-osg)
    env -u LD_LIBRARY_PATH "$work/pc_osg_consumer"
fi

g++ -std=c++17 "$root/tests/package/main.cpp" -o "$work/pc_consumer" \
    $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs vrtools egl)
readelf -d "$work/pc_consumer" | grep -q "R.*PATH.*$libdir" ||
    { echo "package: the pkg-config consumer carries no run path to $libdir" >&2; exit 1; }
env -u LD_LIBRARY_PATH "$work/pc_consumer"
# The README's first panel builds against the prefix exactly as the README says.
cmake -DDOC="$root/README.md" "-DHEADING=## Your first panel" -DOUT="$work/panel.cpp" \
    -P "$root/tests/readme/extract.cmake"
g++ -std=c++17 "$work/panel.cpp" -o "$work/panel" $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs vrtools glfw3)
osg_note=""
[ "$with_osg" = ON ] && osg_note=" (vrtools_osg's too)"
echo "package: RUNPATH \$ORIGIN on the libraries; find_package and pkg-config consumers$osg_note ran without LD_LIBRARY_PATH; the README panel built"
