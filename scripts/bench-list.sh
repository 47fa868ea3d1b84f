#!/usr/bin/env bash
# Times the list window's view under Wine on a virtual display (not a test):
#   scripts/bench-list.sh [runs] [build-folder]    defaults: 3 runs, build/win32
# Prints, for 10,000 and 100,000 rows, the time to show the view (fill, widest
# row, horizontal extent), of which the widest row alone, the time of a bare
# loop adding the same rows, their ratio, and the time to exclude 300 selected
# rows. Uses $DISPLAY when set, otherwise starts Xvfb on $BENCH_DISPLAY (:95).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
build=${2:-build/win32}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build "$build" -j 2 --target bench_list_window
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=${BENCH_DISPLAY:-:95}
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true' EXIT
  sleep 1
fi
export WINEPREFIX=$PWD/$build/wineprefix
tools/wine-run "$build/ui/bench_list_window.exe" "$runs"
