#!/usr/bin/env bash
# Layout of our own C++ sources against the committed .clang-format:
#   scripts/format.sh            check every source; lists the files that differ
#   scripts/format.sh fix        rewrite those files in place (whitespace only)
#   scripts/format.sh check|fix FILE...   the same for the named files only
# Our sources: core/, win32/, ui/, tests/, bench/ and tools/*.cpp.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-check}
case "$mode" in
  check | fix) ;;
  *) echo "usage: $0 [check|fix] [FILE...]" >&2; exit 2 ;;
esac
shift || true

if [ "$#" -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <({ find core win32 ui tests bench -type f \( -name '*.cpp' -o -name '*.h' \)
                         ls tools/*.cpp; } | sort)
fi

if [ "$mode" = fix ]; then
  clang-format -i --style=file "${files[@]}"
  exit 0
fi

status=0
for file in "${files[@]}"; do
  if ! clang-format --dry-run -Werror --style=file "$file" >/dev/null 2>&1; then
    echo "not formatted: $file (scripts/format.sh fix $file)"
    status=1
  fi
done
[ "$status" -ne 0 ] || echo "format: ${#files[@]} file(s) as .clang-format has them"
exit $status
