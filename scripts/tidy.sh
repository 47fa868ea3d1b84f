#!/usr/bin/env bash
# Runs the .clang-tidy checks over what the two builds compile: core/ and the
# tests in tests/support, tests/core and tests/behaviour from the native build,
# win32/, ui/, tests/win32 and tests/windows from the Windows cross build
# (clang reads its compile commands as the i686 MinGW target, with the cross
# compiler's C++ library headers).
# Every finding fails the run.
#   scripts/tidy.sh [native-build [win32-build]]
#       defaults build/native and build/win32 (each configured first if needed)
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build/native}
win32=${2:-build/win32}
root=$PWD

if [ ! -f "$native/compile_commands.json" ]; then
  cmake -S . -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
if [ ! -f "$win32/compile_commands.json" ]; then
  cmake -S . -B "$win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
fi
# The cross build generates headers (ui/version.h) at configure time.

# sources BUILD DIR...: the files of the compile database under the folders.
sources() {
  python3 - "$1/compile_commands.json" "$root" "${@:2}" <<'PY'
import json, os, sys
root = sys.argv[2]
dirs = tuple(os.path.join(root, d) + os.sep for d in sys.argv[3:])
for entry in json.load(open(sys.argv[1])):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith(dirs) and path.endswith(".cpp") and os.path.exists(path):
        print(path)
PY
}
mapfile -t native_files < <(sources "$native" core tests/support tests/core tests/behaviour)
mapfile -t win32_files < <(sources "$win32" win32 ui tests/win32 tests/windows)

# The cross compiler's C++ library folders, which clang does not find alone.
cross=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))[0]["command"].split()[0])' \
  "$win32/compile_commands.json")
cross_args=(--extra-arg=--target=i686-w64-mingw32 --extra-arg=-nostdinc++)
while read -r dir; do
  case "$dir" in */include/c++*) cross_args+=("--extra-arg=-isystem$dir") ;; esac
done < <(echo | "$cross" -E -x c++ - -v 2>&1 | sed -n '/^#include <...>/,/^End of search/{s/^ //p}')

# The sources are compiled with -fexec-charset=CP932, which clang does not
# take; the texts' bytes do not matter to these checks. -Wno-restrict is
# GCC's own.
common=(--quiet --extra-arg=-fexec-charset=UTF-8 --extra-arg=-Wno-unknown-warning-option)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
printf '%s\n' "${native_files[@]}" |
  xargs -P 2 -n 4 clang-tidy -p "$native" "${common[@]}" >"$log" 2>&1 || status=1
printf '%s\n' "${win32_files[@]}" |
  xargs -P 2 -n 4 clang-tidy -p "$win32" "${common[@]}" "${cross_args[@]}" >>"$log" 2>&1 ||
  status=1
grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^Use -system-headers' \
  "$log" || true
if [ "$status" -eq 0 ]; then
  echo "tidy: $((${#native_files[@]} + ${#win32_files[@]})) files without findings"
fi
exit $status
