#!/usr/bin/env bash
# Installs what building and testing Moxlyn needs on Debian 12, idempotently.
# Run as root (or through sudo). Safe to run again: it skips what is there.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

packages=(cmake ninja-build g++ googletest clang libclang-rt-14-dev clang-format clang-tidy
          g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb xdotool imagemagick x11-apps x11-utils
          fonts-ipafont-gothic python3 python3-xlib locales zip)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine only uses code page 932 (and keeps Japanese file names intact) with this locale present.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
