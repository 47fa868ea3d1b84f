#include "ui/app.h"

#include <exception>
#include <new>
#include <utility>
#include <vector>

#include "core/app_error.h"
#include "win32/win32_platform.h"

namespace moxlyn::ui {
namespace {

HWND applicationWindow = nullptr;
HINSTANCE instance = nullptr;
// The error box's texts for when memory has run out, made at the start.
std::string programTitle;
std::string outOfMemoryBoxText;

LRESULT CALLBACK ApplicationProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

HWND ApplicationWindow() { return applicationWindow; }
HINSTANCE Instance() { return instance; }

void CreateApplicationWindow(HINSTANCE program) {
  instance = program;
  programTitle = ProgramTitle();
  outOfMemoryBoxText = ErrorBoxText(kOutOfMemoryText);
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ApplicationProcedure;
  windowClass.hInstance = program;
  windowClass.hIcon = LoadIconA(program, "MAINICON");
  windowClass.lpszClassName = "TApplication.Moxlyn";
  RegisterClassA(&windowClass);
  // Never shown and without a frame, so that its extended style stays exactly
  // what the start-up writes into it (a caption would add WS_EX_WINDOWEDGE).
  applicationWindow = CreateWindowExA(0, windowClass.lpszClassName, programTitle.c_str(),
                                      WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, nullptr,
                                      nullptr, program, nullptr);
}

Platform& ThePlatform() {
  static Win32Platform platform;
  return platform;
}

std::string ProgramTitle() { return ProgramTitleOf(ThePlatform().ModuleFileName()); }

std::string ProgramTitleOf(const std::string& path) {
  // File name without its folder, whole characters only.
  size_t nameStart = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (byte == '\\' || byte == ':') {
      nameStart = i + 1;
    } else if (IsDBCSLeadByte(byte)) {
      ++i;
    }
  }
  std::string title = path.substr(nameStart);
  const size_t dot = title.find('.');
  if (dot != std::string::npos) title.resize(dot);
  if (title.size() > 1) {
    const size_t first = IsDBCSLeadByte(static_cast<unsigned char>(title[0])) ? 2 : 1;
    if (first < title.size())
      CharLowerBuffA(title.data() + first, static_cast<DWORD>(title.size() - first));
  }
  return title;
}

std::string ErrorBoxText(const std::string& message) {
  if (message.empty()) return message;
  // First byte of the last whole character.
  unsigned char lastFirst = 0;
  for (size_t i = 0; i < message.size(); ++i) {
    lastFirst = static_cast<unsigned char>(message[i]);
    if (IsDBCSLeadByte(lastFirst) && i + 1 < message.size()) ++i;
  }
  return lastFirst > '.' ? message + "." : message;
}

void ReportError(const std::string& message) {
  MessageBoxA(applicationWindow, ErrorBoxText(message).c_str(), ProgramTitle().c_str(),
              MB_OK | MB_ICONSTOP);
}

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const AppError& error) {
    return error.Message();
  } catch (const std::bad_alloc&) {
    return kOutOfMemoryText;
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "";
  }
}

void ReportCurrentException() noexcept {
  try {
    ReportError(CurrentExceptionMessage());
  } catch (...) {
    // No memory left for the box's texts: the ones made at the start.
    MessageBoxA(applicationWindow, outOfMemoryBoxText.c_str(), programTitle.c_str(),
                MB_OK | MB_ICONSTOP);
  }
}

int ScreenDpi() {
  static const int dpi = [] {
    int value = 0;
    if (HDC screen = GetDC(nullptr)) {
      value = GetDeviceCaps(screen, LOGPIXELSX);
      ReleaseDC(nullptr, screen);
    }
    return value > 0 ? value : 96;
  }();
  return dpi;
}

int WindowDpi(HWND window) {
  // Windows 10 1607 and later; looked up so that older systems still start.
  using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (window != nullptr && getDpiForWindow != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return ScreenDpi();
}

int Scale(HWND window, int value) { return MulDiv(value, WindowDpi(window), 96); }

namespace {

HFONT FontAt(int dpi) {
  // One font per density met; a handful at most over a run.
  static std::vector<std::pair<int, HFONT>> fonts;
  for (const auto& [fontDpi, font] : fonts) {
    if (fontDpi == dpi) return font;
  }
  HFONT font = CreateFontA(MulDiv(-12, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック");
  fonts.emplace_back(dpi, font);
  return font;
}

}  // namespace

HFONT WindowFont(HWND window) { return FontAt(WindowDpi(window)); }
HFONT WindowFont() { return FontAt(ScreenDpi()); }

void CentreOnScreen(HWND window) {
  RECT outer;
  GetWindowRect(window, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

// Every control's place and size at 96 dpi, for laying it out again when its
// window moves to a screen of another density. Controls live for the run.
struct Layout {
  HWND control;
  RECT rect96;  // right and bottom hold the width and height; width kFitText
};
std::vector<Layout> layouts;

// Places control at its 96-dpi layout scaled to its parent's density, in the
// window font at that density.
void LayOut(HWND control, const RECT& rect96) {
  HWND parent = GetParent(control);
  HFONT font = WindowFont(parent);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  int width = Scale(parent, rect96.right);
  if (rect96.right == kFitText) {
    width = 0;
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(control, text.data(), length + 1);
    if (HDC dc = GetDC(control)) {
      HGDIOBJ old = SelectObject(dc, font);
      SIZE size{};
      if (GetTextExtentPoint32A(dc, text.c_str(), length, &size)) width = size.cx;
      SelectObject(dc, old);
      ReleaseDC(control, dc);
    }
  }
  MoveWindow(control, Scale(parent, rect96.left), Scale(parent, rect96.top), width,
             Scale(parent, rect96.bottom), TRUE);
}

}  // namespace

HWND AddControl(HWND parent, const char* className, const char* text, DWORD style, int left,
                int top, int width, int height, int id) {
  HWND control =
      CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (control == nullptr) return nullptr;
  const RECT rect96{left, top, width, height};
  layouts.push_back({control, rect96});
  LayOut(control, rect96);
  return control;
}

void LayOutControls(HWND parent) {
  for (const auto& layout : layouts) {
    if (GetParent(layout.control) == parent) LayOut(layout.control, layout.rect96);
  }
}

void SetClientSize(HWND window, int width, int height) {
  RECT frame{0, 0, width, height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace moxlyn::ui
