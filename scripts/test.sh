#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the native
# suite under the sanitizers, then the Windows suite under Wine (code page 932).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
status=0
echo "== native tests"
(cd build/native && ctest --output-on-failure -j "$(nproc)") || status=1
echo "== Windows tests under Wine"
(cd build/win32 && ctest --output-on-failure) || status=1
exit $status
