#!/usr/bin/env bash
# scripts/setup.sh against a mirror whose i386 index keeps failing its check:
# apt and the system's package tools are stand-ins that record their calls,
# so that nothing is installed.
set -uo pipefail
setup=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
stub() { printf '#!/bin/sh\n%s\n' "$2" >"$work/bin/$1" && chmod +x "$work/bin/$1"; }
index=http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz
stub apt-get 'echo "$*" >>'"$work/calls"'
[ "$1" = update ] || exit 0
echo "E: Failed to fetch '"$index"'  File has unexpected size (35312 != 35188). Mirror sync in progress?" >&2
echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
exit 100'
stub dpkg-query 'exit 1'
stub dpkg 'echo i386'
stub id 'echo 0'
stub sleep ':'
PATH="$work/bin:$PATH" bash "$setup" >/dev/null 2>"$work/err"
status=$?
failed=0
# Tried three times, then it ends naming the index, why it matters and what to
# do, and installs nothing.
[ "$status" -ne 0 ] || { echo "status 0"; failed=1; }
grep -qF "$index" "$work/err" && grep -q "wine32" "$work/err" || { echo "no index or wine32"; failed=1; }
tail -n 1 "$work/err" | grep -q "again later" || { echo "last line: $(tail -n 1 "$work/err")"; failed=1; }
[ "$(cat "$work/calls")" = $'update -qq\nupdate -qq\nupdate -qq' ] ||
  { echo "apt calls: $(cat "$work/calls")"; failed=1; }
[ "$failed" -eq 0 ] || cat "$work/err"
exit "$failed"
