// Rules of the window code that no window shows directly: the program title
// and the error box text on the real code page, the single-instance mutex
// name, the layout. Runs under Wine with code page 932.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app_error.h"
#include "core/program_texts.h"
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

// The title rule's table runs in the core; here the real code page and
// lower-casing: trail bytes 0x5C, full-width letters.
TEST(UiUnit, ProgramTitleOnTheRealCodePage) {
  Win32Platform platform;
  EXPECT_EQ(ProgramTitleOf(platform, "C:\\予定表\\表MOX.exe"), "表mox");
  EXPECT_EQ(ProgramTitleOf(platform, "C:\\t\\ＭＯＸ.exe"), "Ｍｏｘ");
  EXPECT_EQ(ErrorBoxText(platform, "表"), "表.");
}

// An error's message is the program's text around a path in the system's
// code page (1252 here): each part is shown from its own code page.
TEST(UiUnit, AnErrorsPathIsShownInTheSystemCodePageAndTheRestFromCodePage932) {
  const AppError error("ファイル %s は開けません", "C:\\caf\xE9\\dellist.lst");
  const wchar_t eAcute = 0xE9;
  EXPECT_EQ(MessageW(error, 1252),
            L"ファイル C:\\caf" + std::wstring(1, eAcute) + L"\\dellist.lst は開けません");
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
