#include "ui/window_base.h"

#include "ui/dpi.h"
#include "ui/layout.h"
#include "ui/program.h"

namespace moxlyn::ui {

void Window::CreateTopLevel(const char* className, const char* caption, DWORD style, DWORD exStyle,
                            HWND owner, int clientWidth, int clientHeight) {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (!GetClassInfoExA(Instance(), className, &windowClass)) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = Instance();
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hIcon = LoadIconA(Instance(), kIconResource);
    windowClass.lpszClassName = className;
    if (RegisterClassExA(&windowClass) == 0) ThrowWindowNotCreated(className);
  }
  // Sized at the system's density first; a window that opens on a screen of
  // another density is sized again for it.
  RECT frame{0, 0, Scale(nullptr, clientWidth), Scale(nullptr, clientHeight)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  CreateWindowExA(exStyle, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                  frame.right - frame.left, frame.bottom - frame.top, owner, nullptr, Instance(),
                  this);
  if (hwnd_ == nullptr) ThrowWindowNotCreated(className);
  if (WindowDpi(hwnd_) != ScreenDpi()) {
    SetClientSize(hwnd_, Scale(hwnd_, clientWidth), Scale(hwnd_, clientHeight));
  }
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) lastFocus_ = focus;
      }
      break;
    case WM_SETFOCUS:
      FocusControl();
      return 0;
    case WM_DPICHANGED: {
      // Moved to a screen of another density: controls and font first, then
      // the size the system suggests (which lays out what depends on it).
      LayOutControls(hwnd_);
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
  }
  return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void Window::FocusControl() {
  HWND control = lastFocus_;
  if (control == nullptr || !IsChild(hwnd_, control) || !IsWindowVisible(control) ||
      !IsWindowEnabled(control)) {
    control = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  }
  if (control != nullptr && IsChild(hwnd_, control)) SetFocus(control);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    ReportCurrentException();
    return 0;
  }
}

void Form::ShowForm() {
  if (!Visible()) {
    FormShow();
    ShowWindow(hwnd_, SW_SHOW);
  }
  SetForegroundWindow(hwnd_);
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    HideForm();
    return 0;
  }
  return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace moxlyn::ui
