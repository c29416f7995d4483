#!/usr/bin/env bash
# Formats the C++ sources with the house .clang-format, or with --check fails on any that differ.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
    clang-format-14 --dry-run -Werror "${files[@]}"
else
    clang-format-14 -i "${files[@]}"
fi
