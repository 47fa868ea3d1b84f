// The program's Japanese texts read back whole through the wide calls, on the
// system code page the suite runs under (932 here; ctest runs it again in
// prefixes of code page 1252 and 936): captions, buttons, labels, boxes and
// the list window's rows, and a dropped folder listed, saved and deleted.
#include <gtest/gtest.h>

#include "tests/windows/harness.h"

namespace moxlyn::e2e {
namespace {

using TextsE2e = ProgramCase;

// Opens the window through its main-window button, expects these controls
// in it and closes it again.
void ExpectControls(Program& program, const char* button, const char* caption,
                    const std::vector<std::pair<const char*, const char*>>& controls) {
  SCOPED_TRACE(caption);
  HWND window = program.Open(button, caption);
  ASSERT_NE(window, nullptr);
  for (const auto& [className, text] : controls) {
    EXPECT_NE(FindControl(window, className, text), nullptr) << text;
  }
  EXPECT_EQ(LabelsPastTheEdge(window), std::vector<std::string>{});
  if (std::string(button) == "ABOUT") {
    Screenshot("about-window-cp" + std::to_string(GetACP()), {window});
  }
  PostMessageA(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitGone(window));
}

TEST_F(TextsE2e, EveryWindowBoxAndRowReadsInJapanese) {
  folder.MakeDir("dropped");
  folder.Write("dropped\\inside.txt", "x");
  folder.Write("Moxlyn.ini", "[Config]\r\nConfirmBeforeDelete=1\r\nShowMessageAfterDelete=1\r\n");
  HWND main = Start();
  EXPECT_EQ(WindowText(main), "Moxlyn");
  EXPECT_EQ(ShownText(ChildWindowFromPointEx(main, {97, 48}, CWP_SKIPINVISIBLE)), "Please D&D.");
  for (const char* button : {"削除", "リスト", "設定", "ABOUT"}) {
    EXPECT_NE(FindControl(main, "Button", button), nullptr) << button;
  }
  Screenshot("main-window-cp" + std::to_string(GetACP()), {main});
  {
    Program second(folder);
    EXPECT_TRUE(second.AnswerBox("既に起動しています。"));
  }
  ExpectControls(*program, "設定", "設定",
                 {{"Button", "削除する前に確認する"},
                  {"Button", "消したファイルのログを取る"},
                  {"Button", "削除後にメッセージを表示"},
                  {"Button", "ファイル名のみ"},
                  {"Button", "時刻+ファイル名"},
                  {"Button", "常に最前面に表示"},
                  {"Button", "OK"},
                  {"Button", "Cansel"}});
  ExpectControls(*program, "ABOUT", "Moxlynについて",
                 {{"Static", "Author"}, {"Static", "mail@example.jp"}});

  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("dropped")}));
  const std::vector<std::string> listed{folder.Path("dropped"), folder.Path("dropped\\inside.txt")};
  CloseProgram();
  EXPECT_EQ(folder.Read("dellist.lst"), CrLfLines(listed));

  main = Start();
  ExpectControls(*program, "リスト", "削除リスト",
                 {{"Button", "リストクリア"}, {"Button", "指定項目を除外"}});
  HWND list = program->Open("リスト", "削除リスト");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(ListRows(FindControl(list, "ListBox", "")), listed);
  Click(FindControl(main, "Button", "削除"));
  ASSERT_TRUE(program->AnswerBox("本当に削除してよろしいですか?", IDYES));
  ASSERT_TRUE(program->AnswerBox("削除終了"));
  EXPECT_FALSE(folder.Exists("dropped"));
}

}  // namespace
}  // namespace moxlyn::e2e
