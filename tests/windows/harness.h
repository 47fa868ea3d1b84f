// Drives the real Moxlyn.exe from outside, the way a user and the shell do:
// a fresh folder per case with its own copy of the program, its windows found
// by process and caption, clicks and answers posted as messages, real drops
// through the X drag-and-drop protocol, and screenshots of the screen.
//
// Every wait polls with short sleeps and gives up after a timeout (5 s by
// default); a wait that gives up returns an empty result, and the tests assert
// on that.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/win32_tools.h"

#include "ui/program.h"
#include "win32/scoped_handle.h"

namespace moxlyn::e2e {

constexpr DWORD kTimeoutMs = 5000;
// A program start under Wine on a busy machine can take longer than a step.
constexpr DWORD kStartTimeoutMs = 15000;
constexpr UINT kTrayMessage = ui::WM_TRAYICON;
// How long a check that nothing happens watches by default.
constexpr DWORD kHoldMs = 150;

// The value of an environment variable, or "" when it is not set.
std::string Env(const char* name);

// Waiting, trees, Unix paths and programs: the tests' shared plumbing.
using testing::FillDisk;
using testing::PathExists;
using testing::RemoveTree;
using testing::StartUnix;
using testing::UnixPath;
using testing::WaitUntil;
using testing::WindowsPathOfUnix;
// Polls condition every 20 ms for ms: true when it held at every poll, false
// at the first poll where it does not (for checks that nothing happens).
bool HoldsFor(const std::function<bool()>& condition, DWORD ms = kHoldMs);

// A fresh, empty folder holding a copy of Moxlyn.exe, removed with everything
// in it (whatever its attributes) when the object goes. It is made in the
// temporary folder, or in base (a Windows path) when one is given.
class CaseFolder {
 public:
  explicit CaseFolder(const std::string& name, const std::string& base = "");
  ~CaseFolder();
  CaseFolder(const CaseFolder&) = delete;
  CaseFolder& operator=(const CaseFolder&) = delete;

  const std::string& Dir() const { return dir_; }
  // dir + "\" + name.
  std::string Path(const std::string& name) const;
  std::string Exe() const { return Path("Moxlyn.exe"); }
  std::string Ini() const { return Path("Moxlyn.ini"); }
  std::string ListFile() const { return Path("dellist.lst"); }

  // Writes bytes to dir\name (creating folders on the way is the caller's job).
  void Write(const std::string& name, const std::string& bytes) const;
  // The whole file byte for byte, or nothing when it cannot be read.
  std::optional<std::string> Read(const std::string& name) const;
  bool Exists(const std::string& name) const;
  // The entries of the case's dellist.lst, none when it is missing.
  std::vector<std::string> SavedList() const;
  void MakeDir(const std::string& name) const;
  // Names of the entries of dir matching a wildcard pattern such as "*.log".
  std::vector<std::string> Find(const std::string& pattern) const;

 private:
  std::string dir_;
};

// The lines joined, each followed by CR LF, as the program writes its files.
std::string CrLfLines(const std::vector<std::string>& lines);
// The text split at CR LF; a test failure when it does not end with CR LF.
std::vector<std::string> SplitCrLf(const std::string& text);

// A message box of the program, as read from outside.
struct MessageBoxView {
  HWND box = nullptr;
  std::string caption;
  std::string text;                                  // the static with id 0xFFFF
  std::vector<std::pair<int, std::string>> buttons;  // id and text, left to right
  bool hasIcon = false;
  // "stop", "warning", "information" (blue icons) or "" when no icon shows.
  std::string iconKind;
  HWND owner = nullptr;
};

// One started copy of the program; terminated when the object goes if it is
// still running (so a failing case never leaves the mutex held).
class Program {
 public:
  Program(const CaseFolder& folder, int showCommand = SW_SHOWNORMAL);
  // The copy at exe, a path that may lie outside the code page.
  explicit Program(const std::wstring& exe, int showCommand = SW_SHOWNORMAL);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  DWORD Pid() const { return pid_; }
  bool Running() const;
  // Waits for the end of the process; its exit code, or nothing on timeout.
  std::optional<DWORD> WaitExit(DWORD timeoutMs = kStartTimeoutMs);
  // Ends the process at once (TerminateProcess), as a crash or a kill would.
  void Kill();

  // Every top-level window of the process.
  std::vector<HWND> TopLevelWindows() const;
  std::vector<HWND> VisibleWindows() const;
  // A top-level window of the process with this caption (and not a message
  // box); with visibleOnly, only a visible one. Waits up to the timeout.
  HWND WaitWindow(const std::string& caption, bool visibleOnly = true,
                  DWORD timeoutMs = kTimeoutMs) const;
  HWND FindTopLevel(const std::string& caption, bool visibleOnly) const;
  // The main window: caption "Moxlyn", owned by the application window.
  HWND Main(DWORD timeoutMs = kStartTimeoutMs);
  // The main window once it is visible; null when it does not show in time.
  HWND ShownMain(DWORD timeoutMs = kStartTimeoutMs);
  HWND Application();

  // The process's message box (class "#32770"), once it is shown.
  std::optional<MessageBoxView> WaitBox(DWORD timeoutMs = kTimeoutMs) const;
  // The same for the first thing a fresh start shows.
  std::optional<MessageBoxView> WaitFirstBox() const { return WaitBox(kStartTimeoutMs); }
  bool HasBox() const;

  // Posts WM_CLOSE to the main window.
  void Close();
  // Closes the main window and waits for the exit code.
  std::optional<DWORD> CloseAndWait();

 private:
  ScopedKernelObject process_;
  ScopedKernelObject thread_;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
};

std::string WindowText(HWND window);
std::string ClassOf(HWND window);
// A direct child of parent with this class (case-insensitive) and text; null when none.
HWND FindControl(HWND parent, const std::string& className, const std::string& text);
std::vector<HWND> Children(HWND parent);
// The control's rectangle relative to its parent's client area.
RECT ChildRect(HWND control);
SIZE ClientSize(HWND window);
bool IsTopmost(HWND window);
// Whether the window stands centred on the primary screen, as the program
// places its secondary windows.
bool IsCentred(HWND window);

// The labels of window (static controls with a text) whose text, measured in
// the program's font at the screen's density, does not end inside the client
// area: each as its text and where it ends. Empty when every text fits.
std::vector<std::string> LabelsPastTheEdge(HWND window);

// Clicks a button the way BM_CLICK does, posted so that a modal box that the
// click opens does not block the test.
void Click(HWND button);
// Posts a key's press and release to the window, as the keyboard would send
// them to the control with the focus.
void PostKey(HWND window, WPARAM key);
// Presses a button of a message box (WM_COMMAND with its id).
void Answer(const MessageBoxView& box, int buttonId);
// Waits until the window is visible.
bool WaitShown(HWND window, DWORD timeoutMs = kTimeoutMs);
// Waits for the box to disappear.
bool WaitGone(HWND window, DWORD timeoutMs = kTimeoutMs);

// List box helpers (the messages are marshalled across processes).
std::vector<std::string> ListRows(HWND listBox);
void AddRow(HWND listBox, const std::string& text);
int HorizontalExtent(HWND listBox);

// Drops the files and folders (Windows paths) onto the screen point through
// tools/xdnd_drop.py; true when the target accepted and finished the drop.
bool Drop(POINT screenPoint, const std::vector<std::string>& windowsPaths);
// The same for Unix paths (UTF-8), which can name what the code page cannot.
bool DropUnix(POINT screenPoint, const std::vector<std::string>& unixPaths);
// The centre of a window in screen coordinates.
POINT CentreOf(HWND window);

// Saves a screenshot as NAME.png in the shots folder (MOXLYN_SHOTS_DIR): of
// the screen area around the given windows, or of the whole screen without
// them. Waits until it is written. No-op without the folder.
void Screenshot(const std::string& name, const std::vector<HWND>& windows = {});

// Sleeps a little so that the program's message loop handles what was posted
// before the next step (a check that nothing happens is a HoldsFor).
void Settle(DWORD ms = 150);

}  // namespace moxlyn::e2e
