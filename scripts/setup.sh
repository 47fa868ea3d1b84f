#!/usr/bin/env bash
# Installs what building and testing Moxlyn needs on Debian 12, idempotently.
# Run as root (or through sudo). Safe to run again: it skips what is there.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

packages=(cmake ninja-build g++ googletest clang libclang-rt-14-dev clang-format clang-tidy
          g++-mingw-w64-i686 wine wine32:i386 wine64 xvfb xdotool imagemagick x11-apps x11-utils
          fonts-ipafont-gothic python3 python3-xlib locales zip)

# A mirror caught mid-sync fails one index now and then ("File has unexpected
# size"): the update is tried again. An index that still fails ends the
# set-up, naming it: apt would go on from the other indexes and end in "held
# broken packages", which names nothing. Its check is never bypassed.
update_indexes() {
  local output
  output=$(mktemp)
  for wait in 10 30 0; do
    if $SUDO apt-get update -qq 2>"$output"; then
      cat "$output" >&2
      rm -f "$output"
      return 0
    fi
    cat "$output" >&2
    [ "$wait" -eq 0 ] || sleep "$wait"
  done
  local failed
  failed=$(grep -o 'Failed to fetch [^ ]*' "$output" | cut -d' ' -f4 | sort -u)
  rm -f "$output"
  if [ -z "$failed" ]; then
    echo "setup: apt-get update failed three times (above); nothing was installed" >&2
  else
    echo "setup: these package indexes failed their check three times:" >&2
    sed 's/^/  /' <<<"$failed" >&2
    if grep -q 'i386' <<<"$failed"; then
      echo "setup: Wine's 32-bit part (wine32:i386) is installed from the i386 index;" \
        "nothing was installed without it" >&2
    else
      echo "setup: the packages this machine lacks may come from it; nothing was installed" >&2
    fi
  fi
  echo "setup: the mirror may be in the middle of an update: try again later" >&2
  exit 1
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  update_indexes
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine only uses code page 932 (and keeps Japanese file names intact) with
# the Japanese locale present; the English (code page 1252) and Chinese (936)
# ones are the other systems the end-to-end texts run on.
for language in ja_JP en_US zh_CN; do
  if ! locale -a 2>/dev/null | grep -qi "^$language\.utf8$"; then
    $SUDO localedef -i "$language" -f UTF-8 "$language.UTF-8"
  fi
done

# Wine draws the title-bar buttons of the windows it frames (the end-to-end
# prefixes) with the Marlett face; without it they read "0 1 r". The face is
# taken alone from Debian's Wine fonts and copied into the test and run
# prefixes (tests/windows/e2e_main.cpp, scripts/run.sh); installing the whole
# package would bring Tahoma and others that change the faces the tests measure.
marlett=/usr/local/share/moxlyn/marlett.ttf
if [ ! -s "$marlett" ]; then
  fonts_deb=$(mktemp -d)
  chmod 777 "$fonts_deb"
  (cd "$fonts_deb" && apt-get download fonts-wine >/dev/null 2>&1) ||
    { update_indexes && (cd "$fonts_deb" && apt-get download fonts-wine >/dev/null); }
  $SUDO mkdir -p "$(dirname "$marlett")"
  dpkg-deb --fsys-tarfile "$fonts_deb"/fonts-wine_*.deb |
    tar -x -O ./usr/share/wine/fonts/marlett.ttf | $SUDO tee "$marlett" >/dev/null
  rm -rf "$fonts_deb"
  [ -s "$marlett" ] || { echo "setup: no Marlett face in fonts-wine" >&2; exit 1; }
fi
