#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (ASan and UBSan) under
# build/fuzz and runs each of them.
#   scripts/fuzz.sh short           about 10 seconds per target
#   scripts/fuzz.sh long [seconds]  the given time per target (default 600)
#   scripts/fuzz.sh runs COUNT      COUNT executions per target
#   scripts/fuzz.sh build           only build
# New inputs found go to build/fuzz/corpus/<target>; the seeds in
# tests/fuzz/corpus/<target> are read, never written.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-short}
case "$mode" in
  short) limit=-max_total_time=10 ;;
  long) limit=-max_total_time=${2:-600} ;;
  runs) limit=-runs=${2:?count of executions} ;;
  build) limit= ;;
  *) echo "usage: $0 short | long [seconds] | runs COUNT | build" >&2; exit 2 ;;
esac

out=build/fuzz
cmake -S . -B "$out" -G Ninja -DCMAKE_CXX_COMPILER="${CXX:-clang++}" -DMOXLYN_FUZZ=ON >/dev/null
cmake --build "$out" -j "$(nproc)"
targets=()
for binary in "$out"/tests/fuzz/*_fuzz; do targets+=("$(basename "${binary%_fuzz}")"); done
[ -n "$limit" ] || exit 0

status=0
for target in "${targets[@]}"; do
  corpus=$out/corpus/$target
  mkdir -p "$corpus" "$out/crashes/$target"
  echo "== $target ($limit)"
  # -jobs would need more cores than the machine has; one process per target.
  if ! "$out/tests/fuzz/${target}_fuzz" "$limit" -max_len=1024 -timeout=10 \
       -print_final_stats=1 -artifact_prefix="$out/crashes/$target/" \
       "$corpus" "tests/fuzz/corpus/$target" >"$out/$target.log" 2>&1; then
    status=1
    tail -40 "$out/$target.log"
  fi
  grep -a -E '^stat::number_of_executed_units|^Done' "$out/$target.log" || true
done
exit $status
