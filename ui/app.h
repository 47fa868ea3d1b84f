// What every window of the program shares: the hidden application window
// that owns them, the platform and the general error reporting.
#pragma once

#include <windows.h>

#include <string>

#include "core/app_error.h"
#include "core/platform.h"

namespace moxlyn::ui {

// The hidden top-level window that owns the four windows. Minimising the
// program minimises it; it never has a taskbar button.
HWND ApplicationWindow();
// Throws AppError when it cannot be created.
void CreateApplicationWindow(HINSTANCE instance);

// Throws the AppError that says the window of className cannot be created.
[[noreturn]] void ThrowWindowNotCreated(const char* className);

HINSTANCE Instance();

// The one Win32 platform of the running program.
Platform& ThePlatform();

// The general error reporting: a modal box owned by the application window,
// OK and the stop icon, the message with a final "." where it needs one,
// captioned with the program's title.
void ReportError(const AppError& error);

// The general error box's text when memory has run out.
inline constexpr const char* kOutOfMemoryText = "メモリが不足しています";

// The exception being handled as the error the user sees (call only inside a
// catch block): an AppError itself, kOutOfMemoryText when memory ran out, the
// library's text of another exception, or "".
AppError CurrentError();

// Reports the exception being handled (call only inside a catch block); never
// throws, with little memory left too.
void ReportCurrentException() noexcept;

// The program's title (core/program_texts.h): the executable's file name
// without its folder, cut at the first ".", every character after the first
// lower-cased.
std::string ProgramTitle();

}  // namespace moxlyn::ui
