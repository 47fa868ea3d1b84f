// The Japanese texts read back whole through the wide calls on the system code
// page the suite runs under (932, and again 1252 and 936): captions, buttons,
// labels, boxes, the list window's rows; a dropped folder listed and deleted.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/windows/harness.h"

namespace moxlyn::e2e {
namespace {

using TextsE2e = ProgramCase;

TEST_F(TextsE2e, EveryWindowBoxAndRowReadsInJapanese) {
  folder.MakeDir("dropped");
  folder.Write("dropped\\inside.txt", "x");
  folder.Write("Moxlyn.ini", "[Config]\r\nConfirmBeforeDelete=1\r\nShowMessageAfterDelete=1\r\n");
  HWND main = Start();
  const std::string cp = "-cp" + std::to_string(GetACP());
  Screenshot("main-window" + cp, {main});
  EXPECT_TRUE(Program(folder).AnswerBox("既に起動しています。"));
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("dropped")}));
  const std::vector<std::string> listed{folder.Path("dropped"), folder.Path("dropped\\inside.txt")};
  struct {
    const char* button;
    const char* caption;
    std::vector<std::string> texts;  // each read from a control of the window
  } const windows[] = {
      {"設定",
       "設定",
       {"削除する前に確認する", "消したファイルのログを取る", "削除後にメッセージを表示",
        "ファイル名のみ", "時刻+ファイル名", "常に最前面に表示", "Cansel"}},
      {"ABOUT", "Moxlynについて", {"Author", "mail@example.jp"}},
      {"リスト", "削除リスト", {"リストクリア", "指定項目を除外", "Please D&D."}},
  };
  for (const auto& w : windows) {
    HWND window = program->Open(w.button, w.caption);
    ASSERT_NE(window, nullptr) << w.caption;
    std::vector<std::string> shown;
    for (HWND parent : {window, main})
      for (HWND child : Children(parent)) shown.push_back(ShownText(child));
    for (const std::string& text : w.texts)
      EXPECT_NE(std::find(shown.begin(), shown.end(), text), shown.end()) << text;
    EXPECT_EQ(LabelsPastTheEdge(window), std::vector<std::string>{}) << w.caption;
    if (std::string(w.button) == "ABOUT") Screenshot("about-window" + cp, {window});
  }
  EXPECT_EQ(ListRows(FindControl(program->FindTopLevel("削除リスト", true), "ListBox", "")),
            listed);
  CloseProgram();
  EXPECT_EQ(folder.Read("dellist.lst"), CrLfLines(listed));
  Click(FindControl(Start(), "Button", "削除"));
  ASSERT_TRUE(program->AnswerBox("本当に削除してよろしいですか?", IDYES));
  ASSERT_TRUE(program->AnswerBox("削除終了"));
  EXPECT_FALSE(folder.Exists("dropped"));
}

}  // namespace
}  // namespace moxlyn::e2e
