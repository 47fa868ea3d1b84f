#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the format
# and clang-tidy checks, the native suite under the sanitizers, the Windows
# suite under Wine (code page 932) on a virtual display, and a short fuzz run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
status=0

echo "== format (clang-format, .clang-format)"
scripts/format.sh || status=1

echo "== clang-tidy (.clang-tidy) over the native and the Windows builds"
scripts/tidy.sh build/native build/win32 || status=1

echo "== native tests"
(cd build/native && ctest --output-on-failure -j "$(nproc)") || status=1

echo "== Windows tests under Wine"
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:93
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true' EXIT
  sleep 1
fi
# A 1 MiB disk of 64 entries (inodes) that the Windows tests fill, to see a
# full disk refused cleanly.
fulldisk=$PWD/build/fulldisk
mkdir -p "$fulldisk"
if mountpoint -q "$fulldisk" ||
   { [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=1m,nr_inodes=64 moxlyn-fulldisk "$fulldisk" 2>/dev/null; }; then
  export MOXLYN_FULL_DISK=$fulldisk
  trap 'umount "$fulldisk" 2>/dev/null || true; [ -z "${xvfb:-}" ] || kill "$xvfb" 2>/dev/null || true' EXIT
else
  echo "note: cannot mount a tmpfs at $fulldisk (needs root): the full-disk test is skipped"
fi
(cd build/win32 && ctest --output-on-failure) || status=1
WINEPREFIX=$PWD/build/win32/wineprefix wineserver -k 2>/dev/null || true

if [ -x scripts/fuzz.sh ]; then
  echo "== short fuzz run"
  scripts/fuzz.sh short || status=1
fi
exit $status
