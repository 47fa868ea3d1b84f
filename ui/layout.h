// Child controls placed from their 96-dpi layout, and the places and sizes of
// top-level windows.
#pragma once

#include <windows.h>

namespace moxlyn::ui {

// A width that makes a control as wide as its text in the window font.
constexpr int kFitText = -1;

// A control's place and size in pixels at 96 dpi.
struct Layout96 {
  int left = 0;
  int top = 0;
  int width = 0;  // or kFitText
  int height = 0;
};

// Creates a child control in the window font, its place and size given at
// 96 dpi and scaled to the parent's density. Controls are created in tab
// order. Ids 1 and 2 (IDOK, IDCANCEL) are never used for controls, so Enter
// without a focused button presses none, and Escape reaches the window as
// IDCANCEL alone (the list and about windows close on it). Throws AppError
// when the control cannot be created.
HWND AddControl(HWND parent, const char* className, const char* text, DWORD style, int left,
                int top, int width, int height, int id);

// Lays the controls of parent out again at its density (after it moved to a
// screen of another density).
void LayOutControls(HWND parent);

// Places window in the middle of the primary screen (outer size, halves
// truncated toward zero).
void CentreOnScreen(HWND window);

// Sizes and moves window so that its client area is width x height.
void SetClientSize(HWND window, int width, int height);

}  // namespace moxlyn::ui
