// What reaches the list file on the real program when another program holds
// it, and what the "削除" button acts on while its confirmation waits.
#include <gtest/gtest.h>

#include "tests/windows/harness.h"

namespace moxlyn::e2e {
namespace {

using KeepE2e = ProgramCase;

const std::string kConfirm = "本当に削除してよろしいですか?";

// Starts the program while the list file is held open for writing without
// sharing, and answers the box that reports it.
void StartWithListHeld(const CaseFolder& folder, std::optional<Program>& program,
                       ScopedFileHandle& held) {
  held = OpenExisting(folder.ListFile(), GENERIC_WRITE, 0);
  ASSERT_TRUE(held.Valid());
  program.emplace(folder);
  ASSERT_TRUE(program->AnswerBox("ファイル " + folder.ListFile() + " は開けません."));
}

TEST_F(KeepE2e, AListUnreadAtStartIsKeptOnDiskAndNeverDeletedByThisRun) {
  std::vector<std::string> old;
  for (const char* name : {"old1.txt", "old2.txt", "old3.txt"}) {
    folder.Write(name, "o");
    old.push_back(folder.Path(name));
  }
  folder.Write("dropped.txt", "d");
  folder.Write("dellist.lst", CrLfLines(old));
  ScopedFileHandle held;
  ASSERT_NO_FATAL_FAILURE(StartWithListHeld(folder, program, held));
  held.Reset();
  HWND main = program->ShownMain();
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("dropped.txt")}));
  Click(FindControl(main, "Button", "削除"));
  ASSERT_TRUE(program->WaitBox().has_value());
  // The save after the drop runs while the question waits: the old entries
  // stay ahead of the run's on disk.
  std::vector<std::string> saved = old;
  saved.push_back(folder.Path("dropped.txt"));
  ASSERT_TRUE(WaitUntil([&] { return folder.SavedList() == saved; }));
  ASSERT_TRUE(program->AnswerBox(kConfirm, IDYES));
  ASSERT_TRUE(program->AnswerBox("削除終了"));
  EXPECT_FALSE(folder.Exists("dropped.txt"));
  for (const auto& path : old) EXPECT_TRUE(PathExists(path)) << path;
  EXPECT_TRUE(WaitUntil([&] { return folder.SavedList() == old; }));

  CloseProgram();
  Start();
  HWND list = program->Open("リスト", "削除リスト");
  EXPECT_EQ(ListRows(FindControl(list, "ListBox", "")), old);
}

TEST_F(KeepE2e, ADropWhileTheConfirmationWaitsIsNotDeletedByThatCommand) {
  folder.Write("listed.txt", "l");
  folder.Write("late.txt", "l");
  folder.Write("dellist.lst", CrLfLines({folder.Path("listed.txt")}));
  HWND main = Start();
  Click(FindControl(main, "Button", "削除"));
  ASSERT_TRUE(program->WaitBox().has_value());
  // Windows refuses a drop on a window its box disables; Wine delivers it,
  // its message posted before the drop tool hears that it finished: the
  // answer, posted after it, comes after it.
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("late.txt")}));
  ASSERT_TRUE(program->AnswerBox(kConfirm, IDYES));
  ASSERT_TRUE(program->AnswerBox("削除終了"));
  EXPECT_FALSE(folder.Exists("listed.txt"));
  EXPECT_TRUE(folder.Exists("late.txt"));
  // Refused while the command ran, not kept for later.
  EXPECT_TRUE(WaitUntil([&] { return folder.SavedList().empty(); }));
}

TEST_F(KeepE2e, DropsSavedWhileTheListFileIsHeldReachItOnceItIsReleased) {
  folder.Write("dellist.lst", "");
  HWND main = Start();
  ScopedFileHandle held = OpenExisting(folder.ListFile(), GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(held.Valid());
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("one.txt")}));
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("two.txt")}));
  // Nothing can be written meanwhile; the save after the drops fails.
  EXPECT_TRUE(HoldsFor([&] { return folder.SavedList().empty(); }, 1000));
  held.Reset();
  const std::vector<std::string> dropped{folder.Path("one.txt"), folder.Path("two.txt")};
  EXPECT_TRUE(WaitUntil([&] { return folder.SavedList() == dropped; }));
}

TEST_F(KeepE2e, AListHeldThroughAFirstCloseIsWrittenWholeAtTheSecond) {
  folder.Write("dellist.lst", "C:\\old.txt\r\n");
  ScopedFileHandle held;
  ASSERT_NO_FATAL_FAILURE(StartWithListHeld(folder, program, held));
  HWND main = program->ShownMain();
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("new.txt")}));
  program->Close();
  ASSERT_TRUE(program->AnswerBox("ファイル " + folder.ListFile() + " は開けません."));
  ASSERT_TRUE(HoldsFor([&] { return program->Running() && IsWindowVisible(main); }));
  held.Reset();
  CloseProgram();
  EXPECT_EQ(folder.SavedList(), (std::vector<std::string>{"C:\\old.txt", folder.Path("new.txt")}));
}

}  // namespace
}  // namespace moxlyn::e2e
