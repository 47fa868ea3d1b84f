// Windows and controls of another process as the tests read and press them:
// texts, classes, places and sizes, list box rows, posted clicks and keys,
// what shows on the screen, and the labels' text measured in the program's
// font.
//
// Every wait polls with short sleeps and gives up only after the hang guard
// (a minute); a wait that gives up returns an empty result, and the tests
// assert on that.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/win32_tools.h"

namespace moxlyn::e2e {

constexpr DWORD kTimeoutMs = testing::kHangGuardMs;
// How long a check that nothing happens watches by default.
constexpr DWORD kHoldMs = 150;

// Polls condition every 20 ms for ms: true when it held at every poll, false
// at the first poll where it does not (for checks that nothing happens).
bool HoldsFor(const std::function<bool()>& condition, DWORD ms = kHoldMs);
// The control with the keyboard focus in the thread of window.
HWND FocusOf(HWND window);
// The pointer moved to a screen point, and a key pressed and released, as the
// mouse and the keyboard do (SendInput): the program reads each after the
// input before it.
void MoveMouse(POINT point);
void TypeKey(WORD key);

// The window's text read wide, in code page 932 as the tests write texts.
std::string WindowText(HWND window);
std::string ClassOf(HWND window);
// The text a static or button control shows for its window text: "&&" is one
// "&", a single "&" only underlines the next character (unless SS_NOPREFIX).
std::string ShownText(HWND control);
// A direct child of parent with this class (case-insensitive) and text; null when none.
HWND FindControl(HWND parent, const std::string& className, const std::string& text);
std::vector<HWND> Children(HWND parent);
// The control's rectangle relative to its parent's client area.
RECT ChildRect(HWND control);
// A rectangle's left, top, right and bottom, and its top-left corner, for
// comparisons that print what they found.
std::array<LONG, 4> Edges(const RECT& rect);
std::pair<int, int> TopLeft(const RECT& rect);
SIZE ClientSize(HWND window);
// The window's top-left corner on the screen.
std::pair<int, int> Position(HWND window);
// The centre of a window in screen coordinates.
POINT CentreOf(HWND window);
bool IsTopmost(HWND window);
// Whether the window stands centred on the primary screen, as the program
// places its secondary windows.
bool IsCentred(HWND window);
// Expects the frame of the program's secondary windows: this client size,
// centred (waited for), a close box, and neither a minimise nor a maximise
// box nor a sizing border.
void ExpectSecondaryFrame(HWND window, SIZE client);
// Waits until the window is visible.
bool WaitShown(HWND window, DWORD timeoutMs = kTimeoutMs);
// Waits until the window is hidden or gone.
bool WaitGone(HWND window, DWORD timeoutMs = kTimeoutMs);

// Clicks a button the way BM_CLICK does, posted so that a modal box that the
// click opens does not block the test.
void Click(HWND button);
// Posts a key's press and release to the window, as the keyboard would send
// them to the control with the focus.
void PostKey(HWND window, WPARAM key);

// List box helpers (the messages are marshalled across processes).
std::vector<std::string> ListRows(HWND listBox);
// The same as the list box holds them.
std::vector<std::wstring> ListRowsW(HWND listBox);
void AddRow(HWND listBox, const std::string& text);
int HorizontalExtent(HWND listBox);

// The colours on the screen where the window stands, row by row.
std::vector<COLORREF> PixelsOnScreen(HWND window);

// The labels of window (static controls with a text) whose text, measured in
// the program's font at the screen's density, does not end inside the client
// area: each as its text and where it ends. Empty when every text fits.
std::vector<std::string> LabelsPastTheEdge(HWND window);

}  // namespace moxlyn::e2e
