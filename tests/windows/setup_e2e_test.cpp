// The setup window of the real program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/windows/harness.h"

namespace moxlyn::e2e {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using SetupE2e = ProgramCase;

struct SetupWindow {
  HWND window = nullptr;
  HWND confirm = nullptr;
  HWND log = nullptr;
  HWND message = nullptr;
  HWND ok = nullptr;
  HWND cansel = nullptr;
  HWND namesOnly = nullptr;
  HWND timeAndName = nullptr;
  HWND topmost = nullptr;
};

SetupWindow OpenSetup(Program& program) {
  HWND window = program.Open("設定", "設定");
  const auto button = [&](const char* text) { return FindControl(window, "Button", text); };
  return {window,
          button("削除する前に確認する"),
          button("消したファイルのログを取る"),
          button("削除後にメッセージを表示"),
          button("OK"),
          button("Cansel"),
          button("ファイル名のみ"),
          button("時刻+ファイル名"),
          button("常に最前面に表示")};
}

bool Checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Ticks shown by the window, in the order confirm, message, log, names only,
// time and name, topmost.
std::vector<bool> Ticks(const SetupWindow& setup) {
  return {Checked(setup.confirm),   Checked(setup.message),     Checked(setup.log),
          Checked(setup.namesOnly), Checked(setup.timeAndName), Checked(setup.topmost)};
}

// Waits until the window shows these ticks (it loads them when it is shown).
void ExpectTicks(const SetupWindow& setup, const std::vector<bool>& ticks) {
  if (!WaitUntil([&] { return Ticks(setup) == ticks; })) {
    EXPECT_EQ(Ticks(setup), ticks);
  }
}

TEST_F(SetupE2e, ShowsTheStoredOptionsAndOkStoresLogTypeTwoForOtherValues) {
  struct Case {
    const char* config;
    std::vector<bool> ticks;
    const char* logTypeAfterOk;
  };
  const Case cases[] = {
      {"ConfirmBeforeDelete=0\r\nShowMessageAfterDelete=1\r\nGetDeleteLog=1\r\nLogType=1\r\n"
       "ShowTopMost=0\r\n",
       {false, true, true, true, false, false},
       "LogType=1\r\n"},
      {"ConfirmBeforeDelete=1\r\nShowMessageAfterDelete=0\r\nGetDeleteLog=0\r\nLogType=2\r\n",
       {true, false, false, false, true, true},
       "LogType=2\r\n"},
      {"LogType=7\r\n", {true, true, false, false, true, true}, "LogType=2\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.config);
    folder.Write("Moxlyn.ini", std::string("[Config]\r\n") + c.config);
    Start();
    SetupWindow setup = OpenSetup(*program);
    ASSERT_NE(setup.window, nullptr);
    for (HWND control : {setup.confirm, setup.log, setup.message, setup.ok, setup.cansel,
                         setup.namesOnly, setup.timeAndName, setup.topmost}) {
      ASSERT_NE(control, nullptr);
    }
    ExpectTicks(setup, c.ticks);
    Click(setup.ok);
    ASSERT_TRUE(WaitGone(setup.window));
    CloseProgram();
    EXPECT_THAT(folder.Read("Moxlyn.ini").value_or(""), HasSubstr(c.logTypeAfterOk));
  }
}

TEST_F(SetupE2e, CanselChangesNothingAndOkAppliesTopmostAtOnceButWritesOnlyAtClose) {
  const std::string ini = "[Config]\r\nConfirmBeforeDelete=1\r\nShowTopMost=1\r\n";
  folder.Write("Moxlyn.ini", ini);
  HWND main = Start();
  ASSERT_TRUE(IsTopmost(main));
  SetupWindow setup = OpenSetup(*program);
  ASSERT_NE(setup.window, nullptr);
  ExpectSecondaryFrame(setup.window, {177, 197});
  // The controls' places, in tab order (the order of the child windows).
  struct Place {
    HWND control;
    RECT rect;
  };
  const Place places[] = {
      {setup.confirm, {8, 8, 145, 25}},        {setup.log, {8, 56, 169, 73}},
      {setup.message, {8, 32, 161, 49}},       {setup.ok, {24, 160, 73, 185}},
      {setup.cansel, {104, 160, 153, 185}},    {setup.namesOnly, {24, 72, 121, 89}},
      {setup.timeAndName, {24, 88, 129, 105}}, {setup.topmost, {8, 112, 121, 129}}};
  std::vector<HWND> tabOrder;
  for (HWND child : Children(setup.window)) {
    if (_stricmp(ClassOf(child).c_str(), "Button") == 0) tabOrder.push_back(child);
  }
  std::vector<HWND> expectedOrder;
  for (const Place& place : places) {
    expectedOrder.push_back(place.control);
    EXPECT_EQ(Edges(ChildRect(place.control)), Edges(place.rect)) << WindowText(place.control);
  }
  EXPECT_EQ(tabOrder, expectedOrder);
  // The defaults but for the two options in the file.
  const std::vector<bool> stored{true, true, false, false, true, true};
  ExpectTicks(setup, stored);
  Screenshot("setup-window", {setup.window});

  // Changes abandoned with "Cansel".
  Click(setup.confirm);
  Click(setup.topmost);
  Click(setup.namesOnly);
  ASSERT_TRUE(WaitUntil([&] { return !Checked(setup.topmost); }));
  // "設定" while open keeps the edits on screen.
  Click(FindControl(main, "Button", "設定"));
  EXPECT_TRUE(HoldsFor([&] { return !Checked(setup.topmost) && Checked(setup.namesOnly); }));
  Click(setup.cansel);
  ASSERT_TRUE(WaitGone(setup.window));
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; }));
  EXPECT_TRUE(IsTopmost(main));
  setup = OpenSetup(*program);
  ExpectTicks(setup, stored);

  // Clearing the topmost box with "OK" applies at once; ticking it again too.
  Click(setup.topmost);
  Click(setup.ok);
  ASSERT_TRUE(WaitGone(setup.window));
  EXPECT_TRUE(WaitUntil([&] { return !IsTopmost(main); }));
  setup = OpenSetup(*program);
  EXPECT_TRUE(WaitUntil([&] { return !Checked(setup.topmost); }));
  Click(setup.topmost);
  Click(setup.confirm);
  Click(setup.ok);
  ASSERT_TRUE(WaitGone(setup.window));
  EXPECT_TRUE(WaitUntil([&] { return IsTopmost(main); }));

  // The stored "no confirmation" takes effect at once.
  folder.Write("doomed.txt", "d");
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("doomed.txt")}));
  Click(FindControl(main, "Button", "削除"));
  ASSERT_TRUE(program->AnswerBox("削除終了"));
  EXPECT_FALSE(folder.Exists("doomed.txt"));

  // Nothing reached the file before the close.
  EXPECT_EQ(folder.Read("Moxlyn.ini"), ini);
  CloseProgram();
  EXPECT_THAT(folder.Read("Moxlyn.ini").value_or(""),
              AllOf(HasSubstr("ConfirmBeforeDelete=0\r\n"), HasSubstr("ShowTopMost=1\r\n")));
}

TEST_F(SetupE2e, EnterPressesOnlyAFocusedPushButtonAndEscapeDoesNothing) {
  Start();
  const SetupWindow setup = OpenSetup(*program);
  ASSERT_NE(setup.window, nullptr);
  ASSERT_NE(setup.confirm, nullptr);
  ASSERT_NE(setup.cansel, nullptr);
  const LRESULT ticked = SendMessageA(setup.confirm, BM_GETCHECK, 0, 0);

  PostKey(setup.window, VK_ESCAPE);
  PostKey(setup.confirm, VK_ESCAPE);
  PostKey(setup.confirm, VK_RETURN);
  EXPECT_TRUE(HoldsFor(
      [&] {
        return IsWindowVisible(setup.window) && !program->HasBox() &&
               SendMessageA(setup.confirm, BM_GETCHECK, 0, 0) == ticked;
      },
      400));

  PostKey(setup.cansel, VK_RETURN);
  EXPECT_TRUE(WaitGone(setup.window));
}

}  // namespace
}  // namespace moxlyn::e2e
