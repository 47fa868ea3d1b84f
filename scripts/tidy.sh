#!/usr/bin/env bash
# Runs the .clang-tidy checks over what the native build compiles: core/ and
# the tests in tests/support, tests/core and tests/behaviour (the Windows code
# is never compiled natively). Every finding fails the run.
#   scripts/tidy.sh [build-folder]    default build/native (configured first)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/native}
root=$PWD

if [ ! -f "$build/compile_commands.json" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi

mapfile -t files < <(python3 - "$build/compile_commands.json" "$root" <<'EOF'
import json, os, sys
root = sys.argv[2]
dirs = tuple(os.path.join(root, d) + os.sep
             for d in ("core", "tests/support", "tests/core", "tests/behaviour"))
for entry in json.load(open(sys.argv[1])):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith(dirs) and os.path.exists(path):
        print(path)
EOF
)

# The sources are compiled with -fexec-charset=CP932, which clang does not
# take; the texts' bytes do not matter to these checks. -Wno-restrict is
# GCC's own.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
printf '%s\n' "${files[@]}" |
  xargs -P 2 -n 4 clang-tidy -p "$build" --quiet \
    --extra-arg=-fexec-charset=UTF-8 --extra-arg=-Wno-unknown-warning-option \
    >"$log" 2>&1 || status=1
grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^Use -system-headers' \
  "$log" || true
if [ "$status" -eq 0 ]; then
  echo "tidy: ${#files[@]} files without findings"
fi
exit $status
