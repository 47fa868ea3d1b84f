#!/usr/bin/env bash
# Times the windows' work on lists under Wine on a virtual display (not a
# test):   scripts/bench-list.sh [runs] [build-folder]    defaults: 3, build/win32
# First the list window's view: for 10,000 and 100,000 rows the time to show
# it (fill, widest row, horizontal extent), of which the widest row alone,
# a bare loop adding the same rows, their ratio, and excluding 300 selected
# rows. Then the main window: how long a drop of one file holds it on a list
# of 100,000 entries, the save that follows once the user stops acting, and
# pastes of 100,000 names (the files of one folder, files spread over 1,000
# folders, names that do not exist) each beside a bare enumeration of the
# same folders, run from a scratch folder with a "dellist.lst" of 100,000
# entries; last, the deletion of the first folder's files, with the longest
# the window took to answer meanwhile, and a deletion of the 1,000 folders
# stopped half a second in, with how long its box took to come. Uses
# $DISPLAY when set, otherwise starts Xvfb on $BENCH_DISPLAY (:95).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
build=${2:-build/win32}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build "$build" -j 2 --target bench_list_window moxlyn_drop_bench
scratch=$(mktemp -d "$PWD/$build/bench-drop-XXXXXX")
trap 'rm -rf "$scratch"; [ -z "${xvfb:-}" ] || kill "$xvfb" 2>/dev/null || true' EXIT
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=${BENCH_DISPLAY:-:95}
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 1
fi
export WINEPREFIX=$PWD/$build/wineprefix
tools/wine-run "$build/ui/bench_list_window.exe" "$runs"

cp "$build/bench/moxlyn_drop_bench.exe" "$scratch/"
python3 - "$scratch" <<'PY'
import sys
with open(sys.argv[1] + "/dellist.lst", "wb") as out:
    out.write(b"".join(b"C:\\deep\\folder\\file-%d.txt\r\n" % i for i in range(100000)))
# The dropped and pasted names are files, as the shell hands them over.
open(sys.argv[1] + "/dropped.txt", "wb").close()
import os
os.mkdir(sys.argv[1] + "/one")
for i in range(100000):
    open("%s/one/pasted-%d" % (sys.argv[1], i), "wb").close()
for folder in range(1000):
    os.makedirs("%s/spread/%d" % (sys.argv[1], folder))
    for i in range(100):
        open("%s/spread/%d/pasted-%d" % (sys.argv[1], folder, i), "wb").close()
PY
tools/wine-run "$scratch/moxlyn_drop_bench.exe" "$runs"
