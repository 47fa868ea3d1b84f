#include "tests/windows/program.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "tests/support/win32_tools.h"

namespace moxlyn::e2e {
namespace {

using testing::WaitUntil;

bool IsBox(HWND window) { return ClassOf(window) == "#32770"; }

// The colour family of the icon on the screen: the stop icon is red, the
// warning icon yellow, the information and question icons blue.
std::string IconKindOnScreen(HWND iconStatic) {
  int red = 0, yellow = 0, blue = 0;
  for (const COLORREF pixel : PixelsOnScreen(iconStatic)) {
    const int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
    if (r > 150 && g < 100 && b < 100) ++red;
    if (r > 150 && g > 150 && b < 100) ++yellow;
    if (b > 150 && r < 120) ++blue;
  }
  const int least = 20;
  if (red >= least && red >= yellow && red >= blue) return "stop";
  if (yellow >= least && yellow >= blue) return "warning";
  if (blue >= least) return "information";
  return "";
}

std::optional<MessageBoxView> ReadBox(HWND box) {
  MessageBoxView view;
  view.box = box;
  view.caption = WindowText(box);
  view.owner = GetWindow(box, GW_OWNER);
  bool textFound = false;
  std::vector<std::pair<LONG, std::pair<int, std::string>>> buttons;
  for (HWND child : Children(box)) {
    const std::string cls = ClassOf(child);
    const int id = GetDlgCtrlID(child);
    if (_stricmp(cls.c_str(), "Static") == 0) {
      const LONG style = GetWindowLongA(child, GWL_STYLE);
      if ((style & SS_TYPEMASK) == SS_ICON) {
        if (IsWindowVisible(child) && SendMessageA(child, STM_GETICON, 0, 0) != 0) {
          view.hasIcon = true;
          view.iconKind = IconKindOnScreen(child);
        }
      } else if (id == 0xFFFF) {
        view.text = WindowText(child);
        textFound = true;
      }
    } else if (_stricmp(cls.c_str(), "Button") == 0 && IsWindowVisible(child)) {
      RECT rect;
      GetWindowRect(child, &rect);
      buttons.push_back({rect.left, {id, WindowText(child)}});
    }
  }
  if (!textFound) return std::nullopt;
  std::sort(buttons.begin(), buttons.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& button : buttons) view.buttons.push_back(button.second);
  return view;
}

}  // namespace

bool Answer(const MessageBoxView& box, int buttonId) {
  PostMessageA(box.box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.box, buttonId)));
  return WaitGone(box.box);
}

Program::Program(const CaseFolder& folder, int showCommand)
    : Program(testing::Wide(folder.Exe()), showCommand) {}

Program::Program(const std::wstring& exe, int showCommand) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCommand);
  std::wstring commandLine = L"\"" + exe + L"\"";
  const std::wstring dir = exe.substr(0, exe.rfind(L'\\'));
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      dir.c_str(), &startup, &process)) {
    throw testing::Win32Failure("CreateProcessW");
  }
  process_.Reset(process.hProcess);
  thread_.Reset(process.hThread);
  pid_ = process.dwProcessId;
  WaitForInputIdle(process_.Get(), kTimeoutMs);
}

Program::~Program() {
  if (Running()) Kill();
}

bool Program::Running() const { return WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Program::WaitExit(DWORD timeoutMs) {
  if (WaitForSingleObject(process_.Get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  GetExitCodeProcess(process_.Get(), &code);
  return code;
}

void Program::Kill() {
  TerminateProcess(process_.Get(), 9);
  WaitForSingleObject(process_.Get(), kTimeoutMs);
}

std::vector<HWND> Program::TopLevelWindows() const {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } search{pid_, {}};
  EnumWindows(
      [](HWND window, LPARAM param) WINAPI -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == s->pid) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> Program::VisibleWindows() const {
  std::vector<HWND> visible;
  for (HWND window : TopLevelWindows()) {
    if (IsWindowVisible(window)) visible.push_back(window);
  }
  return visible;
}

HWND Program::FindTopLevel(const std::string& caption, bool visibleOnly) const {
  for (HWND window : TopLevelWindows()) {
    if (IsBox(window)) continue;
    if (visibleOnly && !IsWindowVisible(window)) continue;
    if (WindowText(window) == caption) return window;
  }
  return nullptr;
}

HWND Program::Open(const std::string& button, const std::string& caption) {
  Click(FindControl(Main(), "Button", button));
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopLevel(caption, true)) != nullptr; });
  return found;
}

HWND Program::Main(DWORD timeoutMs) {
  if (main_ != nullptr && IsWindow(main_)) return main_;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows()) {
          if (!IsBox(window) && WindowText(window) == "Moxlyn" &&
              GetWindow(window, GW_OWNER) != nullptr) {
            main_ = window;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  if (main_ == nullptr) {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.Get(), &code);
    if (code == STILL_ACTIVE) {
      fprintf(stderr, "no main window; the program runs with %u top-level windows\n",
              static_cast<unsigned>(TopLevelWindows().size()));
    } else {
      fprintf(stderr, "no main window; the program ended with code 0x%lx\n", code);
    }
  }
  return main_;
}

HWND Program::ShownMain(DWORD timeoutMs) {
  HWND main = Main(timeoutMs);
  if (main == nullptr || !WaitShown(main, timeoutMs)) {
    throw std::runtime_error("the main window did not show");
  }
  return main;
}

HWND Program::Application() {
  HWND main = Main();
  return main == nullptr ? nullptr : GetWindow(main, GW_OWNER);
}

HWND Program::ShownBox() const {
  for (HWND window : TopLevelWindows()) {
    if (IsBox(window) && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

std::optional<MessageBoxView> Program::WaitBox(DWORD timeoutMs) const {
  std::optional<MessageBoxView> view;
  WaitUntil(
      [&] {
        HWND box = ShownBox();
        return box != nullptr && (view = ReadBox(box)).has_value();
      },
      timeoutMs);
  if (view && view->hasIcon) {
    // The icon may not be painted at the first look: its colours tell its
    // kind once it is.
    HWND box = view->box;
    WaitUntil(
        [&] {
          auto again = ReadBox(box);
          if (!again) return true;  // the box has gone
          view = std::move(again);
          return !view->iconKind.empty();
        },
        timeoutMs);
  }
  return view;
}

bool Program::AnswerBox(const std::string& text, int buttonId, DWORD timeoutMs) const {
  const auto box = WaitBox(timeoutMs);
  if (!box) return false;
  EXPECT_EQ(box->text, text);
  return Answer(*box, buttonId);
}

void Program::Close() {
  HWND main = Main();
  if (main != nullptr) PostMessageA(main, WM_CLOSE, 0, 0);
}

std::optional<DWORD> Program::CloseAndWait() {
  Close();
  return WaitExit();
}

namespace {

// The case's name, which names its folder too.
std::string CaseName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return info != nullptr ? info->name() : "case";
}

}  // namespace

ProgramCase::ProgramCase() : folder(CaseName()) {}

void ProgramCase::TearDown() {
  if (!program || HasFatalFailure()) return;
  EXPECT_EQ(program->Running() ? program->CloseAndWait() : program->WaitExit(),
            std::optional<DWORD>(0));
}

HWND ProgramCase::Start() {
  program.emplace(folder);
  return program->ShownMain();
}

void ProgramCase::CloseProgram() {
  EXPECT_EQ(program->CloseAndWait(), std::optional<DWORD>(0));
  program.reset();
}

}  // namespace moxlyn::e2e
