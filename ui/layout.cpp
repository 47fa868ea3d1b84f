#include "ui/layout.h"

#include <string>
#include <vector>

#include "ui/app.h"
#include "ui/dpi.h"
#include "ui/wide_text.h"
#include "win32/scoped_dc.h"

namespace moxlyn::ui {
namespace {

// Every control's 96-dpi layout, for laying it out again when its window
// moves to a screen of another density. Controls live for the run.
struct PlacedControl {
  HWND control;
  Layout96 layout;
};
std::vector<PlacedControl> placedControls;

// The width of the control's text in font.
int TextWidth(HWND control, HFONT font) {
  const std::wstring text = WindowTextW(control);
  const ScopedWindowDc dc(control);
  if (!dc.Valid()) return 0;
  const ScopedSelection selection(dc.Get(), font);
  SIZE size{};
  return GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size)
             ? size.cx
             : 0;
}

// Places control at its 96-dpi layout scaled to its parent's density, in the
// window font at that density.
void LayOut(HWND control, const Layout96& layout) {
  HWND parent = GetParent(control);
  HFONT font = WindowFont(parent);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  const int width =
      layout.width == kFitText ? TextWidth(control, font) : Scale(parent, layout.width);
  MoveWindow(control, Scale(parent, layout.left), Scale(parent, layout.top), width,
             Scale(parent, layout.height), TRUE);
}

}  // namespace

HWND AddControl(HWND parent, const char* className, const char* text, DWORD style, int left,
                int top, int width, int height, int id) {
  HWND control = CreateWindowExW(
      0, TextW(className).c_str(), TextW(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
      parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  if (control == nullptr) ThrowWindowNotCreated(className);
  const Layout96 layout{left, top, width, height};
  placedControls.push_back({control, layout});
  LayOut(control, layout);
  return control;
}

void LayOutControls(HWND parent) {
  for (const auto& placed : placedControls) {
    if (GetParent(placed.control) == parent) LayOut(placed.control, placed.layout);
  }
}

void CentreOnScreen(HWND window) {
  RECT outer;
  GetWindowRect(window, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetClientSize(HWND window, int width, int height) {
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace moxlyn::ui
