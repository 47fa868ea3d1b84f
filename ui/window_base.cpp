#include "ui/window_base.h"

#include <commctrl.h>

#include "ui/dpi.h"
#include "ui/layout.h"
#include "ui/program.h"
#include "ui/wide_text.h"

namespace moxlyn::ui {
namespace {

// The firewall of every procedure: an exception is reported by the general
// error reporting and the message gives 0.
template <typename Handler>
LRESULT Firewalled(const Handler& handler) noexcept {
  try {
    return handler();
  } catch (...) {
    ReportCurrentException();
    return 0;
  }
}

}  // namespace

void Window::CreateTopLevel(const char* className, const char* caption, DWORD style, DWORD exStyle,
                            HWND owner, int clientWidth, int clientHeight) {
  const std::wstring classNameW = TextW(className);
  const std::wstring icon = TextW(kIconResource);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  if (!GetClassInfoExW(Instance(), classNameW.c_str(), &windowClass)) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = Instance();
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hIcon = LoadIconW(Instance(), icon.c_str());
    windowClass.lpszClassName = classNameW.c_str();
    if (RegisterClassExW(&windowClass) == 0) ThrowWindowNotCreated(className);
  }
  // Sized at the system's density first; a window that opens on a screen of
  // another density is sized again for it.
  RECT frame{0, 0, Scale(nullptr, clientWidth), Scale(nullptr, clientHeight)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  CreateWindowExW(exStyle, classNameW.c_str(), TextW(caption).c_str(), style, CW_USEDEFAULT,
                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                  Instance(), this);
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
  return DefWindowProcW(hwnd_, message, wParam, lParam);
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
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return Firewalled([&] { return self->HandleMessage(message, wParam, lParam); });
}

void Window::SubclassControl(HWND control) {
  SetWindowSubclass(control, ControlProcedure, 0, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT Window::HandleControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(control, message, wParam, lParam);
}

LRESULT CALLBACK Window::ControlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR window) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(control, ControlProcedure, 0);
    return DefSubclassProc(control, message, wParam, lParam);
  }
  auto* self = reinterpret_cast<Window*>(window);
  return Firewalled([&] { return self->HandleControlMessage(control, message, wParam, lParam); });
}

void Form::ShowForm() {
  if (!Visible()) {
    FormShow();
    ShowWindow(hwnd_, SW_SHOW);
  }
  SetForegroundWindow(hwnd_);
}

void Form::HideForm() {
  if (GetForegroundWindow() == hwnd_ && returnTo_ != nullptr && returnTo_->Visible()) {
    SetForegroundWindow(returnTo_->Handle());
  }
  ShowWindow(hwnd_, SW_HIDE);
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      HideForm();
      return 0;
    case WM_COMMAND:
      // The message loop's dialog keys turn Escape into IDCANCEL; no control
      // has that id.
      if (LOWORD(wParam) == IDCANCEL && EscapeCloses()) return HandleMessage(WM_CLOSE, 0, 0);
      break;
  }
  return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace moxlyn::ui
