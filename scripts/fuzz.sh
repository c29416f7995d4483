#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each from its committed seed corpus for
# a bounded time. Fails on any finding (crash, sanitizer report, leak, timeout, out-of-memory); the
# input that found it is kept in <build>/fuzz-findings/.
# Usage: scripts/fuzz.sh [seconds-per-target] [build-dir] [target...]
# FUZZ_RUNS=N stops each target after N executions (the seconds still cap the run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${2:-$root/build-fuzz}
shift $(( $# > 2 ? 2 : $# ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_message fuzz_name fuzz_picture fuzz_readout fuzz_text fuzz_widgets fuzz_batch)

"$root/scripts/deps.sh"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVRTOOLS_FUZZ=ON -DVRTOOLS_BUILD_TESTS=OFF -DVRTOOLS_BUILD_GALLERY=OFF -DVRTOOLS_BUILD_BENCH=OFF \
    -DVRTOOLS_INSTALL=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

findings=$build/fuzz-findings
work=$build/fuzz-corpus
mkdir -p "$findings"
# Mesa and Fontconfig keep allocations for the life of the process; our own leaks are never suppressed.
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# llvmpipe's rasteriser threads only cost time on frames this small.
export LP_NUM_THREADS=0

status=0
total=0
summary=()
for target in "${targets[@]}"; do
    name=${target#fuzz_}
    # Work on a copy: the committed seeds stay as they are; what the run adds is kept in the build.
    mkdir -p "$work/$name"
    cp -n "$root/fuzz/corpus/$name/"* "$work/$name/" 2>/dev/null || true
    options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=3072 -print_final_stats=1
             -artifact_prefix="$findings/$name-")
    [ -z "${FUZZ_RUNS:-}" ] || options+=(-runs="$FUZZ_RUNS")
    # Read-only seeds beside the working corpus: the picture test corpus (third-party test sets and
    # generated variants of every format).
    seeds=()
    case $name in
        picture) seeds+=("$root/tests/data/pictures/corpus") ;;
    esac
    case $name in
        message|name|readout) options+=(-dict="$root/fuzz/format.dict") ;;
    esac
    # The GL targets allocate inside Mesa as they go, which per-input leak checks mistake for leaks;
    # their leaks are still checked when the process ends.
    case $name in
        picture|readout|widgets) options+=(-detect_leaks=0) ;;
    esac
    log=$build/fuzz-$name.log
    echo "== fuzz $name: ${seconds}s =="
    if "$build/fuzz/$target" "${options[@]}" "$work/$name" "${seeds[@]}" >"$log" 2>&1; then
        result=ok
    else
        result=FINDING
        status=1
        grep -E "ERROR|SUMMARY|runtime error|Test unit written" "$log" | head -n 20 || true
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    runs=${runs:-0}
    total=$((total + runs))
    # Coverage as libFuzzer counts it: edges ("cov") and features ("ft") at the last status line.
    cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1)
    summary+=("$(printf '%-10s %12s executions  %-22s %s' "$name" "$runs" "${cov:-cov: ?}" "$result")")
done

echo "== fuzz summary =="
printf '%s\n' "${summary[@]}"
printf '%-10s %12s executions\n' total "$total"
[ $status -eq 0 ] || echo "fuzz: findings kept in $findings (logs: $build/fuzz-*.log)"
exit $status
