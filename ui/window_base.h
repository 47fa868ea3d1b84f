// One window-procedure pattern for every window of the program: the static
// procedure finds the object through GWLP_USERDATA and forwards to
// HandleMessage (and a subclassed control's to HandleControlMessage). No
// exception ever leaves either: an exception that unwinds through the system's
// frames would end the process, so it is reported by the general error
// reporting and the message loop goes on.
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

  // Sends the messages of control, a child of this window, to
  // HandleControlMessage first, behind the same firewall as the window's own.
  void SubclassControl(HWND control);
  // Handles one message of a subclassed control; the default is the control's
  // own handling.
  virtual LRESULT HandleControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;

 private:
  void FocusControl();

  HWND lastFocus_ = nullptr;

  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR window);
};

// A secondary window (list, setup, about): created hidden, hidden by its close
// box, and shown modelessly. Showing a hidden one runs FormShow and brings it
// to the front; showing a visible one only brings it to the front. Escape
// closes it as its close box does, unless EscapeCloses says otherwise.
class Form : public Window {
 public:
  void ShowForm();
  // Hides the window. One that was active first hands the activation to the
  // window given to ReturnActivationTo, if that one is visible: otherwise no
  // window of the program would be left for the keyboard.
  void HideForm();
  void ReturnActivationTo(const Window* window) { returnTo_ = window; }

 protected:
  virtual void FormShow() {}
  virtual bool EscapeCloses() const { return true; }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  const Window* returnTo_ = nullptr;
};

}  // namespace moxlyn::ui
