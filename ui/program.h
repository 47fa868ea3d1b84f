// What the program is known by outside its windows' texts: its name, the
// icon resource, the single-instance mutex and the tray icon's message. The
// end-to-end tests take these from here.
#pragma once

#include <windows.h>

namespace moxlyn::ui {

// The main window's caption, the tray tip and the message boxes' caption.
inline constexpr char kProgramName[] = "Moxlyn";

// The icon's name in the resource script (resources/moxlyn.rc).
inline constexpr char kIconResource[] = "MAINICON";

// Name of the mutex that lets only one copy of the program run (code page
// 932 bytes, no namespace prefix).
inline constexpr char kInstanceMutexName[] = "Moxlynですが・・・・どうなんですかね???";

// The message the tray icon sends to the main window.
constexpr UINT WM_TRAYICON = WM_USER + 100;

}  // namespace moxlyn::ui
