#!/usr/bin/env bash
# Installs what is missing, builds Moxlyn.exe and starts it under Wine with a
# Japanese locale (code page 932). Without an X display it starts a virtual
# one, runs the program for a few seconds and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exe=build/win32/ui/Moxlyn.exe
if [ ! -f "$exe" ]; then
  echo "Built the core and its tests; the Windows program is not part of this tree yet."
  exit 0
fi
run_dir=build/run
mkdir -p "$run_dir"
cp "$exe" "$run_dir/"
export WINEPREFIX=$PWD/build/wineprefix-run
# Stand the proportional IPA face in for the windows' font, as a Japanese
# system has it; otherwise Wine falls back to a wider face that clips texts.
for face in "ＭＳ Ｐゴシック" "MS PGothic"; do
  tools/wine-run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ \
    /d IPAPGothic /f >/dev/null 2>&1 || true
done
# The title-bar glyphs' face, alone (scripts/setup.sh takes it from Debian's
# Wine fonts).
cp -n /usr/local/share/moxlyn/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
# Under a window manager the windows are framed by it; on the virtual display
# below none runs, so Wine draws the frames itself (an unmanaged window), as
# the end-to-end tests' prefixes have it and the README's pictures show.
managed='HKCU\Software\Wine\AppDefaults\Moxlyn.exe\X11 Driver'
if [ -n "${DISPLAY:-}" ]; then
  tools/wine-run reg delete "$managed" /v Managed /f >/dev/null 2>&1 || true
  exec tools/wine-run "$run_dir/Moxlyn.exe"
fi
tools/wine-run reg add "$managed" /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
export DISPLAY=${MOXLYN_RUN_DISPLAY:-:77}
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
sleep 1
tools/wine-run "$run_dir/Moxlyn.exe" &
# The first run also creates the Wine prefix: wait for the main window
# (caption "Moxlyn", 146 x 96 client area) rather than for a fixed time.
for _ in $(seq 1 120); do
  if xdotool search --onlyvisible --name '^Moxlyn$' >/dev/null 2>&1; then break; fi
  sleep 1
done
sleep "${MOXLYN_RUN_SECONDS:-3}"
import -window root "$run_dir/screenshot.png"
echo "No display was set: ran Moxlyn on a virtual one; screenshot saved to $run_dir/screenshot.png"
