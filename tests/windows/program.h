// The started program from outside: its process, its top-level windows and
// its message boxes; and ProgramCase, the fixture of a case that starts it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/windows/case_folder.h"
#include "tests/windows/controls.h"
#include "ui/program.h"
#include "win32/scoped_handle.h"

namespace moxlyn::e2e {

constexpr UINT kTrayMessage = ui::WM_TRAYICON;

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

// Presses a button of a message box (WM_COMMAND with its id) and waits until
// the box is gone; false when it stays.
bool Answer(const MessageBoxView& box, int buttonId);

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

  bool Running() const;
  // Waits for the end of the process; its exit code, or nothing on timeout.
  std::optional<DWORD> WaitExit(DWORD timeoutMs = kTimeoutMs);
  // Ends the process at once (TerminateProcess), as a crash or a kill would.
  void Kill();

  // Every top-level window of the process.
  std::vector<HWND> TopLevelWindows() const;
  std::vector<HWND> VisibleWindows() const;
  // A top-level window of the process with this caption (and not a message
  // box); with visibleOnly, only a visible one.
  HWND FindTopLevel(const std::string& caption, bool visibleOnly) const;
  // Clicks the main window's button and waits for the window it shows.
  HWND Open(const std::string& button, const std::string& caption);
  // The main window: caption "Moxlyn", owned by the application window.
  HWND Main(DWORD timeoutMs = kTimeoutMs);
  // The main window once it is visible; a std::runtime_error (which fails
  // the case) when it does not show in time.
  HWND ShownMain(DWORD timeoutMs = kTimeoutMs);
  HWND Application();

  // The process's message box (class "#32770"), once it is shown.
  std::optional<MessageBoxView> WaitBox(DWORD timeoutMs = kTimeoutMs) const;
  // The same for the first thing a fresh start shows.
  std::optional<MessageBoxView> WaitFirstBox() const { return WaitBox(kTimeoutMs); }
  bool HasBox() const { return ShownBox() != nullptr; }
  // Waits for the box, expects its text, presses the button and waits until
  // the box is gone; false when no box came or it stayed.
  bool AnswerBox(const std::string& text, int buttonId = IDOK, DWORD timeoutMs = kTimeoutMs) const;

  // Posts WM_CLOSE to the main window.
  void Close();
  // Closes the main window and waits for the exit code.
  std::optional<DWORD> CloseAndWait();

 private:
  HWND ShownBox() const;  // the first visible message box, if any

  ScopedKernelObject process_;
  ScopedKernelObject thread_;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
};

// A case that starts the program from a folder of its own. Each suite names
// it (using ListE2e = ProgramCase). At the end of a case without a fatal
// failure, the program still running is closed and its exit code must be 0;
// one that ended by itself must have ended with 0.
class ProgramCase : public ::testing::Test {
 protected:
  ProgramCase();
  void TearDown() override;

  // Starts the folder's copy and waits until its main window shows (failing
  // the case when it does not).
  HWND Start();
  // Closes the program now and expects exit code 0, for checks of what the
  // close writes; the next Start() begins a new run.
  void CloseProgram();

  CaseFolder folder;
  // The started program; emplace() starts one that shows a box first.
  std::optional<Program> program;
};

}  // namespace moxlyn::e2e
