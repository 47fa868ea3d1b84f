// One window-procedure pattern for every window of the program: the static
// procedure finds the object through GWLP_USERDATA and forwards to
// HandleMessage. No exception ever leaves it: an exception that unwinds
// through the system's frames would end the process, so it is reported by the
// general error reporting and the message loop goes on.
#pragma once

#include <windows.h>

#include "ui/app.h"

namespace moxlyn::ui {

class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  virtual ~Window() = default;

  HWND Handle() const { return hwnd_; }
  bool Visible() const { return hwnd_ != nullptr && IsWindowVisible(hwnd_); }

 protected:
  // Registers className once and creates the window hidden, owned by owner,
  // with a client area of clientWidth x clientHeight. Throws AppError when
  // either fails.
  void CreateTopLevel(const char* className, const char* caption, DWORD style, DWORD exStyle,
                      HWND owner, int clientWidth, int clientHeight);

  // Handles one message; the default goes to DefWindowProcA, except that the
  // keyboard focus returns to the control that had it when the window was
  // last active (at first the first control in tab order).
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;

 private:
  void FocusControl();

  HWND lastFocus_ = nullptr;

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

// A secondary window (list, setup, about): created hidden, hidden by its close
// box, and shown modelessly. Showing a hidden one runs FormShow and brings it
// to the front; showing a visible one only brings it to the front.
class Form : public Window {
 public:
  void ShowForm();
  void HideForm() { ShowWindow(hwnd_, SW_HIDE); }

 protected:
  virtual void FormShow() {}
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace moxlyn::ui
