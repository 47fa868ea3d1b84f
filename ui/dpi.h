// Screen density and the one font of the program's windows. Layouts are
// written in pixels at 96 dots per inch and scaled here to the density of the
// screen a window is on (the system's density for a window that does not
// exist yet or where the system has no per-window density).
#pragma once

#include <windows.h>

namespace moxlyn::ui {

// The density layouts are written at.
constexpr int kLayoutDpi = 96;

int ScreenDpi();
int WindowDpi(HWND window);
// A 96-dpi size or position at the window's density.
int Scale(HWND window, int value);

// The font all windows use: "ＭＳ Ｐゴシック", height -12 at 96 dpi, Shift-JIS;
// at the window's density, or at the system's without a window. Fonts live
// for the run.
HFONT WindowFont(HWND window);
HFONT WindowFont();

}  // namespace moxlyn::ui
