// The program entry: single instance, the four windows and the message loop.
#pragma once

#include <windows.h>

namespace moxlyn::ui {

// Runs the program: takes the mutex (ui/program.h) or says that a copy is
// already running, creates the windows, runs the message loop until the main
// window closes (or the logon ends) and releases the mutex. Always returns 0.
int v0011(HINSTANCE instance);

}  // namespace moxlyn::ui
