// Rules of the window code that no window shows directly: the error box
// text, the program title and the single-instance mutex name. Runs under
// Wine with code page 932.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/app.h"
#include "ui/dpi.h"
#include "ui/layout.h"
#include "ui/program.h"

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

TEST(UiUnit, ErrorBoxTextAddsAFullStopAfterCharactersAboveIt) {
  struct Case {
    std::string message;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"Disk full", "Disk full."},
      {"Done.", "Done."},
      {"50%", "50%"},
      {"(x)", "(x)"},
      {"dash-", "dash-"},
      {"Why?", "Why?."},
      {"C:\\dir\\", "C:\\dir\\."},
      {"/", "/."},
      // Double-byte last characters: judged by their first byte.
      {"ファイル C:\\a.txt は開けません", "ファイル C:\\a.txt は開けません."},
      {"ストリームへの書き込みエラー", "ストリームへの書き込みエラー."},
      {"表", "表."},  // trail byte 0x5C
      {"．", "．."},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
}

TEST(UiUnit, ProgramTitleIsTheFileNameCutAtTheFirstDotAndLowerCasedAfterItsFirstCharacter) {
  struct Case {
    std::string path;
    std::string title;
  };
  const std::vector<Case> cases = {
      {"C:\\Program Files\\Moxlyn\\Moxlyn.exe", "Moxlyn"},
      {"C:\\TOOLS\\MOXLYN.EXE", "Moxlyn"},
      {"C:\\tools\\moxlyn.exe", "moxlyn"},
      {"C:\\t\\Mox.v2.exe", "Mox"},
      {"C:\\t.d\\Run", "Run"},
      {"D:NoFolder.exe", "Nofolder"},
      {"X.exe", "X"},
      {"C:\\t\\.exe", ""},
      // 0x5C trail bytes ("表", "予") are no folder separators.
      {"C:\\予定表\\表MOX.exe", "表mox"},
      // Full-width letters after the first character are lower-cased too.
      {"C:\\t\\ＭＯＸ.exe", "Ｍｏｘ"},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgramTitleOf(c.path), c.title) << c.path;
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
  int textWidth = 0;
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, WindowFont(window));
  SIZE size{};
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
  textWidth = size.cx;
  SelectObject(dc, old);
  ReleaseDC(window, dc);
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

}  // namespace
}  // namespace moxlyn::ui
