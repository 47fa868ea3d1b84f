// The "削除" button on the real program: its boxes, the deletion of a real
// tree, the day's log file, and the window while a deletion runs and stops.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/windows/harness.h"

namespace moxlyn::e2e {
namespace {

using namespace std::string_literals;

using DeleteE2e = ProgramCase;

std::string Ini(bool confirm, bool message, bool log, int logType) {
  return "[Config]\r\nConfirmBeforeDelete=" + std::to_string(confirm) +
         "\r\nShowMessageAfterDelete=" + std::to_string(message) +
         "\r\nGetDeleteLog=" + std::to_string(log) + "\r\nLogType=" + std::to_string(logType) +
         "\r\n";
}

// A tree under the case folder with read-only, hidden and nested entries and
// one file that the test holds open without sharing deletion.
class Tree {
 public:
  explicit Tree(const CaseFolder& folder) : folder_(folder) {
    folder.MakeDir("victim");
    folder.Write("victim\\a.txt", "a");
    folder.Write("victim\\ro.txt", "r");
    SetFileAttributesA(folder.Path("victim\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    folder.Write("victim\\hidden.txt", "h");
    SetFileAttributesA(folder.Path("victim\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    folder.MakeDir("victim\\sub");
    folder.MakeDir("victim\\sub\\deep");
    folder.Write("victim\\sub\\deep\\x.txt", "x");
    folder.MakeDir("victim\\rodir");
    folder.Write("victim\\rodir\\y.txt", "y");
    SetFileAttributesA(folder.Path("victim\\rodir").c_str(), FILE_ATTRIBUTE_READONLY);
    folder.MakeDir("victim\\locked");
    folder.Write("victim\\locked\\held.txt", "held");
    folder.Write("single.txt", "s");
    folder.Write("listed-ro.txt", "stays");
    SetFileAttributesA(folder.Path("listed-ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  }

  void Hold() {
    held_ = OpenExisting(folder_.Path("victim\\locked\\held.txt"), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_TRUE(held_.Valid());
  }
  void Release() { held_.Reset(); }

  // The list entries: the folder, two files and a path that does not exist.
  std::vector<std::string> Listed() const {
    return {folder_.Path("victim"), folder_.Path("single.txt"), folder_.Path("listed-ro.txt"),
            folder_.Path("missing.txt")};
  }

  // What stays listed: the folder that keeps the held file, the read-only
  // file listed directly.
  std::vector<std::string> Left() const {
    return {folder_.Path("victim"), folder_.Path("listed-ro.txt")};
  }
  std::vector<std::string> Gone() const {
    return {folder_.Path("single.txt"), folder_.Path("missing.txt")};
  }

  // Everything is gone but the held file with its parent chain and the
  // read-only file that was listed directly.
  void ExpectDeleted() const {
    EXPECT_TRUE(folder_.Exists("victim\\locked\\held.txt"));
    EXPECT_TRUE(folder_.Exists("victim\\locked"));
    EXPECT_TRUE(folder_.Exists("victim"));
    EXPECT_TRUE(folder_.Exists("listed-ro.txt"));
    for (const char* gone : {"victim\\a.txt", "victim\\ro.txt", "victim\\hidden.txt", "victim\\sub",
                             "victim\\rodir", "single.txt"}) {
      EXPECT_FALSE(folder_.Exists(gone)) << gone;
    }
  }

  void ExpectUntouched() const {
    for (const char* kept :
         {"victim\\a.txt", "victim\\ro.txt", "victim\\hidden.txt", "victim\\sub\\deep\\x.txt",
          "victim\\rodir\\y.txt", "single.txt", "listed-ro.txt"}) {
      EXPECT_TRUE(folder_.Exists(kept)) << kept;
    }
  }

 private:
  const CaseFolder& folder_;
  ScopedFileHandle held_;
};

const char* const kTwoLeft = "2 件を削除できませんでした。リストに残しています。";

std::string OnlyLog(const CaseFolder& folder) {
  const auto logs = folder.Find("*.log");
  EXPECT_EQ(logs.size(), 1u);
  return logs.empty() ? "" : logs[0];
}

TEST_F(DeleteE2e, EmptyListOnlySaysSo) {
  folder.Write("Moxlyn.ini", Ini(true, true, true, 1));
  HWND main = Start();
  Click(FindControl(main, "Button", "削除"));
  auto box = program->WaitBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "リストに削除対象のファイルパスがありません");
  EXPECT_EQ(box->caption, "Moxlyn");
  EXPECT_EQ(box->owner, main);
  EXPECT_FALSE(box->hasIcon);
  ASSERT_EQ(box->buttons.size(), 1u);
  EXPECT_EQ(box->buttons[0], std::make_pair(static_cast<int>(IDOK), std::string("OK")));
  Screenshot("box-empty-list", {box->box});
  ASSERT_TRUE(Answer(*box, IDOK));
  EXPECT_TRUE(folder.Find("*.log").empty());
}

TEST_F(DeleteE2e, ConfirmationNoKeepsEverythingAndYesDeletesWithTheMessage) {
  Tree tree(folder);
  tree.Hold();
  folder.Write("dellist.lst", CrLfLines(tree.Listed()));
  HWND main = Start();
  HWND del = FindControl(main, "Button", "削除");

  Click(del);
  auto ask = program->WaitBox();
  ASSERT_TRUE(ask.has_value());
  EXPECT_EQ(ask->text, "本当に削除してよろしいですか?");
  EXPECT_EQ(ask->caption, "Moxlyn");
  EXPECT_EQ(ask->owner, main);
  EXPECT_FALSE(ask->hasIcon);
  ASSERT_EQ(ask->buttons.size(), 2u);
  EXPECT_EQ(ask->buttons[0].first, IDYES);
  EXPECT_EQ(ask->buttons[1].first, IDNO);
  Screenshot("box-confirm", {ask->box});
  ASSERT_TRUE(Answer(*ask, IDNO));
  EXPECT_TRUE(HoldsFor([&] { return !program->HasBox(); }));
  tree.ExpectUntouched();

  Click(del);
  ASSERT_TRUE(program->AnswerBox("本当に削除してよろしいですか?", IDYES));
  auto left = program->WaitBox();
  ASSERT_TRUE(left.has_value());
  EXPECT_EQ(left->text, kTwoLeft);
  EXPECT_EQ(left->caption, "Moxlyn");
  EXPECT_FALSE(left->hasIcon);
  ASSERT_EQ(left->buttons.size(), 1u);
  // What could not be deleted is on the list file before the box shows.
  EXPECT_EQ(folder.SavedList(), tree.Left());
  Screenshot("box-left", {left->box});
  ASSERT_TRUE(Answer(*left, IDOK));
  tree.ExpectDeleted();
  // Logging is off by default.
  EXPECT_TRUE(folder.Find("*.log").empty());

  // Let go, the rest goes at the next press.
  tree.Release();
  SetFileAttributesA(folder.Path("listed-ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  Click(del);
  ASSERT_TRUE(program->AnswerBox("本当に削除してよろしいですか?", IDYES));
  auto done = program->WaitBox();
  ASSERT_TRUE(done.has_value());
  EXPECT_EQ(done->text, "削除終了");
  Screenshot("box-finished", {done->box});
  ASSERT_TRUE(Answer(*done, IDOK));
  EXPECT_FALSE(folder.Exists("victim"));
  CloseProgram();
  EXPECT_EQ(folder.Read("dellist.lst"), ""s);
}

TEST_F(DeleteE2e, WithoutConfirmationOrMessageItDeletesAndLogsPathsAcrossTwoCommands) {
  Tree tree(folder);
  tree.Hold();
  folder.Write("dellist.lst", CrLfLines(tree.Listed()));
  folder.Write("Moxlyn.ini", Ini(false, false, true, 1));
  HWND main = Start();
  HWND del = FindControl(main, "Button", "削除");

  Click(del);
  // What stays is told though the message is off; the log holds what went.
  ASSERT_TRUE(program->AnswerBox(kTwoLeft));
  const std::string log = OnlyLog(folder);
  EXPECT_EQ(folder.Read(log), CrLfLines(tree.Gone()));
  tree.ExpectDeleted();

  // A second command the same day appends to the same file; when all goes,
  // only a beep, no box.
  tree.Release();
  SetFileAttributesA(folder.Path("listed-ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  folder.Write("second.txt", "2");
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("second.txt")}));
  Click(del);
  std::vector<std::string> all = tree.Gone();
  for (const auto& path : tree.Left()) all.push_back(path);
  all.push_back(folder.Path("second.txt"));
  EXPECT_TRUE(WaitUntil([&] { return folder.Read(log) == CrLfLines(all); }))
      << folder.Read(log).value_or("(unreadable)");
  EXPECT_TRUE(HoldsFor([&] { return !program->HasBox(); }, 500));
  EXPECT_FALSE(folder.Exists("second.txt"));
  EXPECT_EQ(OnlyLog(folder), log);

  CloseProgram();
  EXPECT_EQ(folder.Read("dellist.lst"), ""s);
}

TEST_F(DeleteE2e, TimeAndNameLogOfADroppedList) {
  Tree tree(folder);
  tree.Hold();
  folder.Write("Moxlyn.ini", Ini(false, true, true, 2));
  HWND main = Start();
  // The drop lists the folder followed by its direct entries.
  ASSERT_TRUE(Drop(CentreOf(main), tree.Listed()));
  Click(FindControl(main, "Button", "削除"));
  // The folder, its sub-folder that keeps the held file and the read-only
  // file listed directly stay.
  ASSERT_TRUE(program->AnswerBox("3 件を削除できませんでした。リストに残しています。"));
  tree.ExpectDeleted();
  EXPECT_EQ(folder.SavedList(),
            (std::vector<std::string>{folder.Path("victim"), folder.Path("victim\\locked"),
                                      folder.Path("listed-ro.txt")}));

  const auto text = folder.Read(OnlyLog(folder));
  ASSERT_TRUE(text.has_value());
  const auto lines = SplitCrLf(*text);
  EXPECT_EQ(lines.size(), 2u + 5u) << *text;  // and five of the folder's six direct entries
  for (const auto& line : lines) {
    const size_t mark = line.find(" // ");
    ASSERT_NE(mark, std::string::npos) << line;
    const std::string time = line.substr(0, mark);
    EXPECT_EQ(std::count(time.begin(), time.end(), ':'), 2) << line;
    EXPECT_EQ(time.find_first_not_of("0123456789:"), std::string::npos) << line;
  }
  for (const auto& path : tree.Left()) EXPECT_EQ(text->find(path + "\r\n"), std::string::npos);
  EXPECT_EQ(lines.back().substr(lines.back().find(" // ") + 4), folder.Path("missing.txt"));
  tree.Release();
}

// Nothing is deleted beyond what the list names: a dropped folder link and a
// listed one written with a trailing backslash go as links (Wine cannot
// remove a Unix link, so both stay listed) and never empty their target; entries
// that are not absolute paths (an edited list) reach nothing beside the
// program, its current folder.
TEST_F(DeleteE2e, LinksAndRelativeEntriesReachNothingBeyondThemselves) {
  folder.MakeDir("store");
  folder.Write("store\\a.txt", "a");
  folder.MakeDir("store\\sub");
  folder.Write("store\\sub\\b.txt", "b");
  ASSERT_TRUE(StartUnix("/bin/sh", {"-c", "cd \"$1\" && ln -s store dropped && ln -s store listed",
                                    "sh", UnixPath(folder.Dir())}));
  ASSERT_TRUE(WaitUntil([&] { return folder.Exists("listed") && folder.Exists("dropped"); }));
  folder.Write("beside.txt", "r");
  folder.Write("dot.txt", "r");
  folder.MakeDir("sub");
  folder.Write("sub\\x.txt", "r");
  folder.Write("dellist.lst",
               CrLfLines({folder.Path("listed") + "\\", "beside.txt", ".\\dot.txt", "sub"}));
  folder.Write("Moxlyn.ini", Ini(false, false, false, 1));
  HWND main = Start();
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("dropped")}));
  // Listed once the list file that the change saves holds it.
  ASSERT_TRUE(WaitUntil([&] {
    const auto saved = folder.SavedList();
    return !saved.empty() && saved.back() == folder.Path("dropped");
  }));
  Click(FindControl(main, "Button", "削除"));
  // The links stay, and stay listed; the other entries name nothing.
  ASSERT_TRUE(program->AnswerBox(kTwoLeft));
  CloseProgram();
  EXPECT_EQ(folder.SavedList(),
            (std::vector<std::string>{folder.Path("listed") + "\\", folder.Path("dropped")}));
  for (const char* kept :
       {"store\\a.txt", "store\\sub\\b.txt", "beside.txt", "dot.txt", "sub\\x.txt"}) {
    EXPECT_TRUE(folder.Exists(kept)) << kept;
  }
}

// A long deletion runs beside the window: it answers, shows the progress,
// and the press of "中止" stops the deletion with what it did not reach kept
// on the list. A closed box brings the caption back.
TEST_F(DeleteE2e, AStopDuringARealDeletionKeepsWhatItDidNotReachListed) {
  folder.MakeDir("many");
  // Enough files that the deletion lasts well beyond the polling interval.
  ASSERT_TRUE(
      StartUnix("/bin/sh", {"-c", "cd \"$1\" && seq 1 60000 | xargs touch && : > \"$2\"", "sh",
                            UnixPath(folder.Path("many")), UnixPath(folder.Path("made"))}));
  ASSERT_TRUE(WaitUntil([&] { return folder.Exists("made"); }));
  folder.Write("after.txt", "a");
  const std::vector<std::string> listed{folder.Path("many"), folder.Path("after.txt")};
  folder.Write("dellist.lst", CrLfLines(listed));
  folder.Write("Moxlyn.ini", Ini(false, true, false, 1));
  HWND main = Start();
  HWND del = FindControl(main, "Button", "削除");
  HWND panel = FindControl(main, "Static", "Please D&D.");
  ASSERT_NE(panel, nullptr);

  Click(del);
  ASSERT_TRUE(WaitUntil([&] { return WindowText(del) == "中止"; }));
  // The window answers while the engine works, and shows how far it is.
  DWORD_PTR answer = 0;
  EXPECT_NE(
      SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, testing::kHangGuardMs, &answer),
      0);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(panel).rfind("削除中\n", 0) == 0; }));
  EXPECT_FALSE(IsWindowEnabled(FindControl(main, "Button", "リスト")));
  ASSERT_EQ(WindowText(del), "中止") << "the deletion ended before the test could stop it";

  Click(del);
  auto stopped = program->WaitBox();
  ASSERT_TRUE(stopped.has_value());
  EXPECT_EQ(stopped->text, "削除を中止しました。2 件をリストに残しています。");
  EXPECT_EQ(WindowText(del), "削除");
  EXPECT_EQ(folder.SavedList(), listed);
  EXPECT_TRUE(folder.Exists("many"));
  EXPECT_EQ(folder.Read("after.txt"), "a"s);
  Screenshot("box-stopped", {stopped->box});
  ASSERT_TRUE(Answer(*stopped, IDOK));
  EXPECT_EQ(WindowText(panel), "Please D&D.");
  EXPECT_TRUE(IsWindowEnabled(FindControl(main, "Button", "リスト")));
}

}  // namespace
}  // namespace moxlyn::e2e
