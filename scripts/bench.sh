#!/usr/bin/env bash
# Benchmarks, side by side on identical trees (not part of the tests):
#   scripts/bench.sh [runs] [engine|tree|readonly|flat] [files] [memory]
# runs: per case (default 5); engine: the three deletion trees (or name one);
# files: the intake, the list file and the log; memory: the peak memory of
# saving a list and the largest list that loads and saves (default: all).
# Prints medians and ratios, and the memory figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/win32 --target moxlyn_bench
exec python3 bench/bench.py "${1:-5}" "${@:2}"
