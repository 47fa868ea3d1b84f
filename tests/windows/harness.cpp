#include "tests/windows/harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <stdexcept>

namespace moxlyn::e2e {
namespace {

std::string LastErrorText(const char* what) {
  return std::string(what) + " failed, error " + std::to_string(GetLastError());
}

// The colour family of the icon in the static's screen area: the stop icon is
// red, the warning icon yellow, the information and question icons blue.
std::string IconKindOnScreen(HWND iconStatic) {
  RECT rect;
  GetWindowRect(iconStatic, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return "";
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
  GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  int red = 0, yellow = 0, blue = 0;
  for (size_t i = 0; i + 3 < pixels.size(); i += 4) {
    const int b = pixels[i], g = pixels[i + 1], r = pixels[i + 2];
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

std::string Env(const char* name) {
  char buffer[4096];
  const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof(buffer));
  if (length == 0 || length >= sizeof(buffer)) return "";
  return std::string(buffer, length);
}

bool HoldsFor(const std::function<bool()>& condition, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (!condition()) return false;
    if (GetTickCount() - start >= ms) return true;
    Sleep(20);
  }
}

// --- CaseFolder -------------------------------------------------------------

CaseFolder::CaseFolder(const std::string& name, const std::string& base) {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  dir_ = (base.empty() ? std::string(temp) : base + "\\") + "moxlyn-e2e-" +
         std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + "-" + name;
  RemoveTree(dir_);
  if (!CreateDirectoryA(dir_.c_str(), nullptr))
    throw std::runtime_error(LastErrorText(dir_.c_str()));
  std::string exe = Env("MOXLYN_EXE");
  if (exe.empty()) throw std::runtime_error("MOXLYN_EXE is not set");
  exe = WindowsPathOfUnix(exe);
  if (!CopyFileA(exe.c_str(), Exe().c_str(), FALSE))
    throw std::runtime_error(LastErrorText(exe.c_str()));
}

CaseFolder::~CaseFolder() { RemoveTree(dir_); }

std::string CaseFolder::Path(const std::string& name) const { return dir_ + "\\" + name; }

void CaseFolder::Write(const std::string& name, const std::string& bytes) const {
  const std::string path = Path(name);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error(LastErrorText(path.c_str()));
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (written != bytes.size()) throw std::runtime_error("short write to " + path);
}

std::optional<std::string> CaseFolder::Read(const std::string& name) const {
  HANDLE file = CreateFileA(Path(name).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool CaseFolder::Exists(const std::string& name) const { return PathExists(Path(name)); }

std::vector<std::string> CaseFolder::SavedList() const {
  const auto text = Read("dellist.lst");
  return text ? SplitCrLf(*text) : std::vector<std::string>{};
}

std::string CrLfLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text does not end with CR LF";
  return lines;
}

void CaseFolder::MakeDir(const std::string& name) const {
  if (!CreateDirectoryA(Path(name).c_str(), nullptr)) {
    throw std::runtime_error(LastErrorText(Path(name).c_str()));
  }
}

std::vector<std::string> CaseFolder::Find(const std::string& pattern) const {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(Path(pattern).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

// --- Program ----------------------------------------------------------------

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
    throw std::runtime_error(LastErrorText("CreateProcessW"));
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
    if (ClassOf(window) == "#32770") continue;
    if (visibleOnly && !IsWindowVisible(window)) continue;
    if (WindowText(window) == caption) return window;
  }
  return nullptr;
}

HWND Program::WaitWindow(const std::string& caption, bool visibleOnly, DWORD timeoutMs) const {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopLevel(caption, visibleOnly)) != nullptr; }, timeoutMs);
  return found;
}

HWND Program::Main(DWORD timeoutMs) {
  if (main_ != nullptr && IsWindow(main_)) return main_;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows()) {
          if (ClassOf(window) != "#32770" && WindowText(window) == "Moxlyn" &&
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
  if (main == nullptr || !WaitShown(main, timeoutMs)) return nullptr;
  return main;
}

HWND Program::Application() {
  HWND main = Main();
  return main == nullptr ? nullptr : GetWindow(main, GW_OWNER);
}

bool Program::HasBox() const {
  for (HWND window : TopLevelWindows()) {
    if (ClassOf(window) == "#32770" && IsWindowVisible(window)) return true;
  }
  return false;
}

std::optional<MessageBoxView> Program::WaitBox(DWORD timeoutMs) const {
  std::optional<MessageBoxView> view;
  WaitUntil(
      [&] {
        for (HWND window : TopLevelWindows()) {
          if (ClassOf(window) == "#32770" && IsWindowVisible(window)) {
            view = ReadBox(window);
            if (view) return true;
          }
        }
        return false;
      },
      timeoutMs);
  if (view && view->hasIcon) {
    // The icon may not be painted at the first look.
    Sleep(150);
    view = ReadBox(view->box);
  }
  return view;
}

void Program::Close() {
  HWND main = Main();
  if (main != nullptr) PostMessageA(main, WM_CLOSE, 0, 0);
}

std::optional<DWORD> Program::CloseAndWait() {
  Close();
  return WaitExit();
}

// --- windows and controls ---------------------------------------------------

std::string WindowText(HWND window) {
  char buffer[4096];
  const int length = GetWindowTextA(window, buffer, sizeof(buffer));
  return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string ClassOf(HWND window) {
  char buffer[256];
  const int length = GetClassNameA(window, buffer, sizeof(buffer));
  return std::string(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

HWND FindControl(HWND parent, const std::string& className, const std::string& text) {
  for (HWND child : Children(parent)) {
    if (_stricmp(ClassOf(child).c_str(), className.c_str()) == 0 && WindowText(child) == text) {
      return child;
    }
  }
  return nullptr;
}

RECT ChildRect(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

SIZE ClientSize(HWND window) {
  RECT rect;
  GetClientRect(window, &rect);
  return {rect.right, rect.bottom};
}

bool IsTopmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

bool IsCentred(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return rect.left == (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2 &&
         rect.top == (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2;
}

std::vector<std::string> LabelsPastTheEdge(HWND window) {
  std::vector<std::string> past;
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  // The windows' font: "ＭＳ Ｐゴシック", 12 pixels at 96 dpi, Shift-JIS.
  HFONT font = CreateFontA(MulDiv(-12, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック");
  HGDIOBJ old = SelectObject(screen, font);
  const LONG clientRight = ClientSize(window).cx;
  for (HWND child : Children(window)) {
    if (_stricmp(ClassOf(child).c_str(), "Static") != 0) continue;
    const auto style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
    const DWORD type = style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_OWNERDRAW) continue;
    std::string text = WindowText(child);
    if (text.empty()) continue;
    if (!(style & SS_NOPREFIX)) {
      // "&&" shows as one "&"; a single "&" only underlines.
      std::string shown;
      for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        shown += text[i];
      }
      text = shown;
    }
    SIZE extent{};
    GetTextExtentPoint32A(screen, text.c_str(), static_cast<int>(text.size()), &extent);
    const RECT rect = ChildRect(child);
    // An owner-drawn label of ours centres its text, as SS_CENTER does.
    LONG end = rect.left + extent.cx;
    if (type == SS_CENTER || type == SS_OWNERDRAW) {
      end = rect.left + (rect.right - rect.left + extent.cx) / 2;
    } else if (type == SS_RIGHT) {
      end = rect.right;
    }
    if (end > clientRight) {
      past.push_back(text + " ends at " + std::to_string(end) + " of " +
                     std::to_string(clientRight));
    }
  }
  SelectObject(screen, old);
  DeleteObject(font);
  ReleaseDC(nullptr, screen);
  return past;
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void PostKey(HWND window, WPARAM key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  // Repeat count 1, previous state down, key being released.
  PostMessageA(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

void Answer(const MessageBoxView& box, int buttonId) {
  PostMessageA(box.box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box.box, buttonId)));
}

bool WaitShown(HWND window, DWORD timeoutMs) {
  return WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, timeoutMs);
}

bool WaitGone(HWND window, DWORD timeoutMs) {
  return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::vector<std::string> ListRows(HWND listBox) {
  // Read as wide text and converted here: Wine hands the narrow form of
  // LB_GETTEXT across processes as wide characters.
  std::vector<std::string> rows;
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(listBox, LB_GETCOUNT, 0, 0, SMTO_NORMAL, kTimeoutMs, &count))
    return rows;
  for (int i = 0; i < static_cast<int>(count); ++i) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0, SMTO_NORMAL, kTimeoutMs,
                        &length);
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(listBox, LB_GETTEXT, static_cast<WPARAM>(i),
                        reinterpret_cast<LPARAM>(wide.data()), SMTO_NORMAL, kTimeoutMs, &got);
    wide.resize(wcslen(wide.c_str()));
    std::string row(wide.size() * 2 + 1, '\0');
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), row.data(),
                            static_cast<int>(row.size()), nullptr, nullptr);
    row.resize(static_cast<size_t>(std::max(bytes, 0)));
    rows.push_back(row);
  }
  return rows;
}

void AddRow(HWND listBox, const std::string& text) {
  const std::wstring wide = testing::Wide(text);
  DWORD_PTR result = 0;
  SendMessageTimeoutW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()), SMTO_NORMAL,
                      kTimeoutMs, &result);
}

int HorizontalExtent(HWND listBox) {
  DWORD_PTR extent = 0;
  SendMessageTimeoutA(listBox, LB_GETHORIZONTALEXTENT, 0, 0, SMTO_NORMAL, kTimeoutMs, &extent);
  return static_cast<int>(extent);
}

// --- Unix helpers: drops and screenshots -------------------------------------

namespace {

// A fresh file name in the temp folder for a helper's result.
std::string TempResultPath(const char* stem) {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(counter++) + ".txt";
}

std::string ReadWhole(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  char buffer[4096];
  DWORD got = 0;
  ReadFile(file, buffer, sizeof(buffer), &got, nullptr);
  CloseHandle(file);
  return std::string(buffer, got);
}

}  // namespace

bool Drop(POINT screenPoint, const std::vector<std::string>& windowsPaths) {
  std::vector<std::string> unixPaths;
  for (const auto& path : windowsPaths) unixPaths.push_back(UnixPath(path));
  return DropUnix(screenPoint, unixPaths);
}

bool DropUnix(POINT screenPoint, const std::vector<std::string>& unixPaths) {
  const std::string source = Env("MOXLYN_SOURCE_DIR");
  if (source.empty()) return false;
  const std::string result = TempResultPath("moxlyn-drop");
  DeleteFileA(result.c_str());
  std::vector<std::string> args{source + "/tools/xdnd_drop.py", "--result", UnixPath(result),
                                std::to_string(screenPoint.x), std::to_string(screenPoint.y)};
  args.insert(args.end(), unixPaths.begin(), unixPaths.end());
  if (!StartUnix("/usr/bin/python3", args)) return false;
  // The tool itself gives up after 5 s; allow for its start.
  WaitUntil([&] { return PathExists(result); }, 2 * kTimeoutMs);
  const std::string outcome = ReadWhole(result);
  DeleteFileA(result.c_str());
  if (outcome.rfind("ok", 0) != 0) {
    fprintf(stderr, "drop failed: %s\n", outcome.empty() ? "no result" : outcome.c_str());
    return false;
  }
  return true;
}

POINT CentreOf(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void Screenshot(const std::string& name, const std::vector<HWND>& windows) {
  const std::string dir = Env("MOXLYN_SHOTS_DIR");
  if (dir.empty()) return;
  // Lets the windows paint first.
  Sleep(300);
  CreateDirectoryA(WindowsPathOfUnix(dir).c_str(), nullptr);
  const std::string file = dir + "/" + name + ".png";
  const std::string windowsFile = WindowsPathOfUnix(file);
  DeleteFileA(windowsFile.c_str());
  std::string crop;
  if (!windows.empty()) {
    RECT area{};
    for (HWND window : windows) {
      RECT rect;
      GetWindowRect(window, &rect);
      UnionRect(&area, &area, &rect);
    }
    const int margin = 8;
    const int left = std::max<int>(0, area.left - margin);
    const int top = std::max<int>(0, area.top - margin);
    crop = " -crop " + std::to_string(area.right + margin - left) + "x" +
           std::to_string(area.bottom + margin - top) + "+" + std::to_string(left) + "+" +
           std::to_string(top) + " +repage";
  }
  // Written under another name and renamed, so that a file that exists is whole.
  const std::string script =
      "import -window root" + crop + " \"$1.part.png\" && mv \"$1.part.png\" \"$1\"";
  if (!StartUnix("/bin/sh", {"-c", script, "sh", file})) return;
  WaitUntil([&] { return PathExists(windowsFile); }, kTimeoutMs);
}

void Settle(DWORD ms) { Sleep(ms); }

}  // namespace moxlyn::e2e
