#!/usr/bin/env bash
# Builds the release package build/Moxlyn-VERSION-win32.zip (VERSION as the
# about window shows it, from the project version in CMakeLists.txt):
#   scripts/release.sh [build-folder]      default build/win32
# It builds Moxlyn.exe (Release: statically linked, without debugging data;
# stripped again in case the build folder was configured otherwise), checks
# the packaged file with the executable test under Wine (system DLLs only, at
# most 1 MiB, version and icon resources), and zips it with
#   USERGUIDE.txt  docs/USERGUIDE.md as UTF-8 with a byte-order mark and
#                  CR LF line ends, so Notepad on a Japanese Windows reads it
#   LICENSE.txt    LICENSE with CR LF line ends
# The three files carry the time of the last commit. The release is
# reproducible: the script builds Moxlyn.exe a second time from scratch in
# build/release-again/, packages it the same way, and fails unless both
# Moxlyn.exe and the zip are byte-identical. Nothing but the zip, its staging
# folder build/Moxlyn-VERSION-win32/ and that second build is written outside
# the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win32}

scripts/setup.sh
cmake --no-warn-unused-cli -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
# Written by the configuration (ui/CMakeLists.txt).
name=Moxlyn-$(cat "$build/version.txt")-win32
stage=build/$name
zipfile=$PWD/build/$name.zip
cmake --build "$build" -j 2 --target Moxlyn executable_tests

stamp=$(git log -1 --format=%cd --date=format:%Y%m%d%H%M.%S 2>/dev/null || date +%Y%m%d%H%M.%S)

# package EXE STAGE ZIP: the three files in STAGE, zipped into ZIP.
package() {
  rm -rf "$2" "$3"
  mkdir -p "$2"
  # strip writes the time of the run into the header unless told a time; the
  # header keeps the zero the linker wrote.
  SOURCE_DATE_EPOCH=0 i686-w64-mingw32-strip -o "$2/Moxlyn.exe" "$1"
  { printf '\xEF\xBB\xBF'; sed 's/\r$//; s/$/\r/' docs/USERGUIDE.md; } >"$2/USERGUIDE.txt"
  sed 's/\r$//; s/$/\r/' LICENSE >"$2/LICENSE.txt"
  touch -t "$stamp" "$2"/*
  (cd "$2" && TZ=UTC zip -q -X -9 "$3" Moxlyn.exe USERGUIDE.txt LICENSE.txt)
}

package "$build/ui/Moxlyn.exe" "$stage" "$zipfile"

echo "== checking the packaged Moxlyn.exe"
MOXLYN_EXE=$PWD/$stage/Moxlyn.exe WINEPREFIX=$PWD/$build/wineprefix \
  tools/wine-run "$build/tests/windows/executable_tests.exe" --gtest_brief=1

echo "== building again from scratch and comparing"
again=build/release-again
rm -rf "$again"
cmake --no-warn-unused-cli -S . -B "$again" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DMOXLYN_TESTS=OFF >/dev/null
cmake --build "$again" -j 2 --target Moxlyn >/dev/null
package "$again/ui/Moxlyn.exe" "$again/$name" "$PWD/$again/$name.zip"
cmp "$stage/Moxlyn.exe" "$again/$name/Moxlyn.exe"
cmp "$zipfile" "$again/$name.zip"
echo "reproducible: Moxlyn.exe $(sha256sum <"$stage/Moxlyn.exe" | cut -c1-16)..., zip $(sha256sum <"$zipfile" | cut -c1-16)..."
unzip -l "$zipfile"
echo "release: $zipfile"
