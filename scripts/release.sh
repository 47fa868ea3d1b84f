#!/usr/bin/env bash
# Builds the release package build/Moxlyn-0.011-win32.zip:
#   scripts/release.sh [build-folder]      default build/win32
# It builds Moxlyn.exe (Release: statically linked, without debugging data;
# stripped again in case the build folder was configured otherwise), checks
# the packaged file with the executable test under Wine (system DLLs only, at
# most 1 MiB, version and icon resources), and zips it with
#   USERGUIDE.txt  docs/USERGUIDE.md as UTF-8 with a byte-order mark and
#                  CR LF line ends, so Notepad on a Japanese Windows reads it
#   LICENSE.txt    LICENSE with CR LF line ends
# The three files carry the time of the last commit. Nothing but the zip and
# its staging folder build/Moxlyn-0.011-win32/ is written outside the build
# folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win32}
name=Moxlyn-0.011-win32
stage=build/$name
zipfile=$PWD/build/$name.zip

scripts/setup.sh
cmake --no-warn-unused-cli -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build "$build" -j 2 --target Moxlyn executable_tests

rm -rf "$stage" "$zipfile"
mkdir -p "$stage"
i686-w64-mingw32-strip -o "$stage/Moxlyn.exe" "$build/ui/Moxlyn.exe"
{ printf '\xEF\xBB\xBF'; sed 's/\r$//; s/$/\r/' docs/USERGUIDE.md; } >"$stage/USERGUIDE.txt"
sed 's/\r$//; s/$/\r/' LICENSE >"$stage/LICENSE.txt"

echo "== checking the packaged Moxlyn.exe"
MOXLYN_EXE=$PWD/$stage/Moxlyn.exe WINEPREFIX=$PWD/$build/wineprefix \
  tools/wine-run "$build/tests/windows/executable_tests.exe" --gtest_brief=1

stamp=$(git log -1 --format=%cd --date=format:%Y%m%d%H%M.%S 2>/dev/null || date +%Y%m%d%H%M.%S)
touch -t "$stamp" "$stage"/*
(cd "$stage" && TZ=UTC zip -q -X -9 "$zipfile" Moxlyn.exe USERGUIDE.txt LICENSE.txt)
unzip -l "$zipfile"
echo "release: $zipfile"
