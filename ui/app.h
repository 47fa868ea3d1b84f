// What every window of the program shares: the hidden application window
// that owns them, the platform, the general error reporting and the look.
#pragma once

#include <windows.h>

#include <string>

#include "core/platform.h"

namespace moxlyn::ui {

// The hidden top-level window that owns the four windows. Minimising the
// program minimises it; it never has a taskbar button.
HWND ApplicationWindow();
void CreateApplicationWindow(HINSTANCE instance);

HINSTANCE Instance();

// The one Win32 platform of the running program.
Platform& ThePlatform();

// The general error reporting: a modal box owned by the application window,
// OK and the stop icon, the message with a final "." where it needs one,
// captioned with the program's title.
void ReportError(const std::string& message);

// The general error box's text when memory has run out.
inline constexpr const char* kOutOfMemoryText = "メモリが不足しています";

// The message of the exception being handled (call only inside a catch
// block): an AppError's own, kOutOfMemoryText when memory ran out, the
// library's text of another exception, or "".
std::string CurrentExceptionMessage();

// Reports the exception being handled (call only inside a catch block); never
// throws, with little memory left too.
void ReportCurrentException() noexcept;

// The program's title: the executable's file name without its folder, cut at
// the first ".", every character after the first lower-cased.
std::string ProgramTitle();
// The same rule applied to the executable path given.
std::string ProgramTitleOf(const std::string& path);

// The message text as the error box shows it.
std::string ErrorBoxText(const std::string& message);

// Layouts are written in pixels at 96 dots per inch and scaled here to the
// density of the screen a window is on (the system's density for a window
// that does not exist yet or where the system has no per-window density).
int ScreenDpi();
int WindowDpi(HWND window);
// A 96-dpi size or position at the window's density.
int Scale(HWND window, int value);

// The font all windows use: "ＭＳ Ｐゴシック", height -12 at 96 dpi, Shift-JIS;
// at the window's density, or at the system's without a window.
HFONT WindowFont(HWND window);
HFONT WindowFont();

// Places window in the middle of the primary screen (outer size, halves
// truncated toward zero).
void CentreOnScreen(HWND window);

// Creates a child control in the window font, its place and size given at
// 96 dpi; a width of kFitText makes it as wide as its text. Controls are created in tab
// order. Ids 1 and 2 (IDOK, IDCANCEL) are never used for controls, so Enter
// and Escape without a focused button do nothing.
HWND AddControl(HWND parent, const char* className, const char* text, DWORD style, int left,
                int top, int width, int height, int id);

constexpr int kFitText = -1;

// Lays the controls of parent out again at its density (after it moved to a
// screen of another density).
void LayOutControls(HWND parent);

// Sizes and moves window so that its client area is width x height.
void SetClientSize(HWND window, int width, int height);

}  // namespace moxlyn::ui
