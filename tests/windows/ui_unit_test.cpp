// Rules of the window code that no window shows directly: the program title
// and the error box text on the real code page, the single-instance mutex
// name, the layout. Runs under Wine with code page 932.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app_error.h"
#include "core/program_texts.h"
#include "tests/support/utf8_text.h"
#include "tests/support/win32_tools.h"
#include "ui/app.h"
#include "ui/dpi.h"
#include "ui/layout.h"
#include "ui/program.h"
#include "ui/v0011_about.h"
#include "ui/wide_text.h"
#include "win32/win32_platform.h"

namespace moxlyn::ui {
namespace {

using testing::U8;

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST(UiUnit, SystemCodePageIsJapanese) { ASSERT_EQ(GetACP(), 932u); }

TEST(UiUnit, InstanceMutexNameHasItsExactBytes) {
  const std::string expected =
      Bytes({0x4D, 0x6F, 0x78, 0x6C, 0x79, 0x6E, 0x82, 0xC5, 0x82, 0xB7, 0x82, 0xAA, 0x81,
             0x45, 0x81, 0x45, 0x81, 0x45, 0x81, 0x45, 0x82, 0xC7, 0x82, 0xA4, 0x82, 0xC8,
             0x82, 0xF1, 0x82, 0xC5, 0x82, 0xB7, 0x82, 0xA9, 0x82, 0xCB, 0x3F, 0x3F, 0x3F});
  EXPECT_EQ(std::string(kInstanceMutexName), expected);
}

// The title rule's table runs in the core; here the system's lower-casing
// of letters outside ASCII.
TEST(UiUnit, ProgramTitleOnTheRealSystem) {
  Win32Platform platform;
  EXPECT_EQ(ProgramTitleOf(platform, U8(u8"C:\\予定表\\表MOX.exe")), U8(u8"表mox"));
  EXPECT_EQ(ProgramTitleOf(platform, U8(u8"C:\\t\\ＭＯＸ.exe")), U8(u8"Ｍｏｘ"));
  const std::string ecole = U8(u8"C:\\t\\ÉCOLE.exe");  // not in code page 932
  EXPECT_EQ(ProgramTitleOf(platform, ecole), ecole.substr(5, 2) + "cole");
}

// An error's message is the program's text (code page 932) around a path
// (UTF-8): each part is shown from its own form.
TEST(UiUnit, AnErrorsPathIsShownFromUtf8AndTheRestFromCodePage932) {
  const std::string path = U8(u8"C:\\café😀\\dellist.lst");
  const AppError error("ファイル %s は開けません", path);
  EXPECT_EQ(MessageW(error), L"ファイル C:\\caf\u00e9\U0001F600\\dellist.lst は開けません");
}

// Controls keep their 96-dpi layout: laid out again (as after a move to a
// screen of another density) they return to it at the window's density, in
// the window font, a label that fits its text measured afresh.
TEST(UiUnit, ControlsAreLaidOutAgainFromTheir96DpiLayout) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  HWND button = AddControl(window, "BUTTON", "OK", BS_PUSHBUTTON, 24, 160, 49, 25, 1001);
  const char* text = "moxlyn@example.com";
  HWND label = AddControl(window, "STATIC", text, SS_LEFT, 138, 40, kFitText, 12, 1002);
  ASSERT_NE(button, nullptr);
  ASSERT_NE(label, nullptr);
  const int textWidth = testing::TextWidth(WindowFont(window), text);
  ASSERT_GT(textWidth, 0);

  auto expectLaidOut = [&] {
    RECT rect;
    GetWindowRect(button, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, Scale(window, 24));
    EXPECT_EQ(rect.top, Scale(window, 160));
    EXPECT_EQ(rect.right - rect.left, Scale(window, 49));
    EXPECT_EQ(rect.bottom - rect.top, Scale(window, 25));
    GetWindowRect(label, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, Scale(window, 138));
    EXPECT_EQ(rect.right - rect.left, textWidth);
    EXPECT_EQ(rect.bottom - rect.top, Scale(window, 12));
    for (HWND control : {button, label}) {
      EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)),
                WindowFont(window));
    }
  };
  expectLaidOut();
  for (HWND control : {button, label}) {
    MoveWindow(control, 1, 1, 5, 5, FALSE);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FONT)), FALSE);
  }
  LayOutControls(window);
  expectLaidOut();
  DestroyWindow(window);
}

// A window that the system refuses to create stops the start with an error
// rather than leaving a program without it.
TEST(UiUnit, WindowsTheSystemRefusesToCreateThrow) {
  HHOOK refuse = SetWindowsHookExA(
      WH_CBT,
      [](int code, WPARAM wParam, LPARAM lParam) WINAPI -> LRESULT {
        return code == HCBT_CREATEWND ? 1 : CallNextHookEx(nullptr, code, wParam, lParam);
      },
      nullptr, GetCurrentThreadId());
  ASSERT_NE(refuse, nullptr);
  EXPECT_THROW(CreateApplicationWindow(GetModuleHandleA(nullptr)), AppError);
  TForm_about about;
  EXPECT_THROW(about.Create(nullptr), AppError);
  UnhookWindowsHookEx(refuse);
}

}  // namespace
}  // namespace moxlyn::ui
