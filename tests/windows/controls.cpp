#include "tests/windows/controls.h"

#include <algorithm>
#include <cwchar>

#include <gtest/gtest.h>

#include "tests/support/win32_tools.h"
#include "win32/scoped_dc.h"

namespace moxlyn::e2e {
bool HoldsFor(const std::function<bool()>& condition, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (!condition()) return false;
    if (GetTickCount() - start >= ms) return true;
    Sleep(20);
  }
}

void MoveMouse(POINT point) {
  SetCursorPos(point.x, point.y);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof(input));
}

void TypeKey(WORD key) {
  INPUT keys[2]{};
  for (INPUT& input : keys) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
  }
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus
                                                                            : nullptr;
}

std::string WindowText(HWND window) {
  wchar_t wide[4096];
  char text[sizeof wide];
  const int length = GetWindowTextW(window, wide, std::size(wide));
  const int bytes = WideCharToMultiByte(932, 0, wide, length, text, sizeof text, nullptr, nullptr);
  return std::string(text, static_cast<size_t>(std::max(bytes, 0)));
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

std::array<LONG, 4> Edges(const RECT& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

std::pair<int, int> TopLeft(const RECT& rect) { return {rect.left, rect.top}; }

std::pair<int, int> Position(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return TopLeft(rect);
}

POINT CentreOf(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

bool IsTopmost(HWND window) { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

bool IsCentred(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return rect.left == (GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2 &&
         rect.top == (GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2;
}

void ExpectSecondaryFrame(HWND window, SIZE client) {
  SCOPED_TRACE(WindowText(window));
  const SIZE shown = ClientSize(window);
  EXPECT_EQ(std::pair(shown.cx, shown.cy), std::pair(client.cx, client.cy));
  EXPECT_TRUE(testing::WaitUntil([&] { return IsCentred(window); }));
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
}

bool WaitShown(HWND window, DWORD timeoutMs) {
  return testing::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, timeoutMs);
}

bool WaitGone(HWND window, DWORD timeoutMs) {
  return testing::WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); },
                            timeoutMs);
}

std::string ShownText(HWND control) {
  const std::string text = WindowText(control);
  const std::string cls = ClassOf(control);
  const bool prefixes =
      _stricmp(cls.c_str(), "Button") == 0 ||
      (_stricmp(cls.c_str(), "Static") == 0 && !(GetWindowLongA(control, GWL_STYLE) & SS_NOPREFIX));
  if (!prefixes) return text;
  // "&&" shows as one "&"; a single "&" only underlines.
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

void Click(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

void PostKey(HWND window, WPARAM key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  // Repeat count 1, previous state down, key being released.
  PostMessageA(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

std::vector<std::wstring> ListRowsW(HWND listBox) {
  std::vector<std::wstring> rows;
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
    rows.push_back(wide);
  }
  return rows;
}

std::vector<std::string> ListRows(HWND listBox) {
  // Read as wide text and converted here: Wine hands the narrow form of
  // LB_GETTEXT across processes as wide characters.
  std::vector<std::string> rows;
  for (const std::wstring& wide : ListRowsW(listBox)) {
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

std::vector<COLORREF> PixelsOnScreen(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return {};
  const ScopedWindowDc screen(nullptr);
  const testing::ScopedMemoryDc memory(CreateCompatibleDC(screen.Get()));
  const testing::ScopedGdiObject bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
  {
    const ScopedSelection selection(memory.Get(), bitmap.Get());
    BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), rect.left, rect.top, SRCCOPY);
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<RGBQUAD> pixels(static_cast<size_t>(width) * height);
  GetDIBits(memory.Get(), static_cast<HBITMAP>(bitmap.Get()), 0, height, pixels.data(), &info,
            DIB_RGB_COLORS);
  std::vector<COLORREF> colours;
  for (const RGBQUAD& pixel : pixels)
    colours.push_back(RGB(pixel.rgbRed, pixel.rgbGreen, pixel.rgbBlue));
  return colours;
}

std::vector<std::string> LabelsPastTheEdge(HWND window) {
  std::vector<std::string> past;
  const testing::ScopedGdiObject font = testing::ProgramFont();
  const LONG clientRight = ClientSize(window).cx;
  for (HWND child : Children(window)) {
    if (_stricmp(ClassOf(child).c_str(), "Static") != 0) continue;
    const auto style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
    const DWORD type = style & SS_TYPEMASK;
    if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_OWNERDRAW) continue;
    const std::string text = ShownText(child);
    if (text.empty()) continue;
    const int width = testing::TextWidth(font.Get(), text, 932);
    const RECT rect = ChildRect(child);
    // An owner-drawn label of ours centres its text, as SS_CENTER does.
    LONG end = rect.left + width;
    if (type == SS_CENTER || type == SS_OWNERDRAW) {
      end = rect.left + (rect.right - rect.left + width) / 2;
    } else if (type == SS_RIGHT) {
      end = rect.right;
    }
    if (end > clientRight) {
      past.push_back(text + " ends at " + std::to_string(end) + " of " +
                     std::to_string(clientRight));
    }
  }
  return past;
}

}  // namespace moxlyn::e2e
