#!/usr/bin/env bash
# Instructions of the benchmark's measured frames under callgrind, split by module: vrtools, the GL
# driver, the C library, fonts. Usage: scripts/bench-callgrind.sh [build-dir] [benchmark options],
# for example scripts/bench-callgrind.sh --impl vrtools --n 100 --scenario steady
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
    build=$1
    shift
fi
if [ ! -f "$build/build.ninja" ]; then
    "$root/scripts/deps.sh"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVRTOOLS_BUILD_BENCH=ON >/dev/null
fi
cmake --build "$build" --target vrtools_bench -j2 >/dev/null
out=$(mktemp "${TMPDIR:-/tmp}/vrtools-callgrind.XXXXXX")
# One rasteriser thread inside the process, so that the driver's work is counted with the frame's.
LP_NUM_THREADS=0 valgrind --tool=callgrind --callgrind-out-file="$out" \
    --toggle-collect='bench::Measured*' --toggle-collect='bench::Finished*' \
    "$build/bench/vrtools_bench" --fixed 10 "$@" >/dev/null 2>&1
callgrind_annotate --auto=no --threshold=100 "$out" | awk '
    /^ *[0-9,]+ +\(/ && /\[.*\]$/ {
        n = $1; gsub(",", "", n)
        o = $0; sub(/.*\[/, "", o); sub(/\]$/, "", o)
        if (o ~ /libvrtools|libobrisk|libtarnel/) g = "vrtools (libvrtools, libobrisk, libtarnel)"
        else if (o ~ /vrtools_bench/) g = "benchmark executable (harness, ImGui, raw reference)"
        else if (o ~ /swrast|gallium|libLLVM|libglapi|libGL|libEGL|libOpenGL|libGLdispatch|^\?\?\?$/) g = "GL driver (Mesa llvmpipe and its generated code)"
        else if (o ~ /libc\.so|ld-linux/) g = "C library"
        else if (o ~ /libstdc\+\+|libgcc_s|libm\.so/) g = "C++ runtime and libm"
        else if (o ~ /freetype|fontconfig|expat|libz|libpng|brotli|bz2/) g = "fonts (FreeType, Fontconfig)"
        else g = "other"
        sum[g] += n; total += n
    }
    END {
        for (g in sum) printf "%15.0f  %5.1f%%  %s\n", sum[g], 100 * sum[g] / total, g
    }' | sort -rn
echo "callgrind data: $out (callgrind_annotate --inclusive=yes $out for functions)"
