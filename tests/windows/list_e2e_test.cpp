// The list window of the real program: its view of the deletion list, the
// horizontal extent, excluding and clearing, and how drops and deletions
// reach an open view.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/windows/harness.h"

namespace moxlyn::e2e {
namespace {

using namespace std::string_literals;

using ListE2e = ProgramCase;

// Width of a row in the program's font, as the list box draws it.
int RowWidth(const std::string& row) {
  return testing::TextWidth(testing::ProgramFont().Get(), row);
}

int WidestRow(const std::vector<std::string>& rows) {
  int widest = 0;
  for (const auto& row : rows) widest = std::max(widest, RowWidth(row));
  return widest;
}

struct ListWindow {
  HWND window = nullptr;
  HWND listBox = nullptr;
  HWND clear = nullptr;
  HWND exclude = nullptr;
};

ListWindow OpenList(Program& program) {
  HWND window = program.Open("リスト", "削除リスト");
  return {window, FindControl(window, "ListBox", ""), FindControl(window, "Button", "リストクリア"),
          FindControl(window, "Button", "指定項目を除外")};
}

// Waits until the list box shows these rows with this horizontal extent (the
// program fills the rows, then sets the extent).
void ExpectView(HWND listBox, const std::vector<std::string>& rows, int extent) {
  if (WaitUntil([&] { return ListRows(listBox) == rows && HorizontalExtent(listBox) == extent; })) {
    return;
  }
  EXPECT_EQ(ListRows(listBox), rows);
  EXPECT_EQ(HorizontalExtent(listBox), extent);
}

void Select(HWND listBox, std::initializer_list<int> rows) {
  for (int row : rows) SendMessageA(listBox, LB_SETSEL, TRUE, row);
}

TEST_F(ListE2e, EmptyListGivesAnEmptyViewWithExtentTenAndTheLayout) {
  Start();
  // Created at start-up, hidden until its button is used.
  EXPECT_NE(program->FindTopLevel("削除リスト", false), nullptr);
  EXPECT_EQ(program->FindTopLevel("削除リスト", true), nullptr);
  ListWindow list = OpenList(*program);
  ASSERT_NE(list.window, nullptr);
  ASSERT_NE(list.listBox, nullptr);
  ASSERT_NE(list.clear, nullptr);
  ASSERT_NE(list.exclude, nullptr);
  ExpectSecondaryFrame(list.window, {334, 295});
  EXPECT_EQ(TopLeft(ChildRect(list.listBox)), std::pair(0, 0));
  EXPECT_EQ(ChildRect(list.listBox).right, 334);
  EXPECT_EQ(TopLeft(ChildRect(list.clear)), std::pair(224, 256));
  EXPECT_EQ(TopLeft(ChildRect(list.exclude)), std::pair(128, 256));
  EXPECT_TRUE(GetWindowLongA(list.listBox, GWL_STYLE) & LBS_EXTENDEDSEL);
  // Screen readers name the list box after the static label just before it.
  HWND label = GetWindow(list.listBox, GW_HWNDPREV);
  EXPECT_EQ(_stricmp(ClassOf(label).c_str(), "Static"), 0);
  EXPECT_EQ(WindowText(label), "削除リスト");

  ExpectView(list.listBox, {}, 10);
  // Excluding nothing changes nothing.
  Click(list.exclude);
  EXPECT_TRUE(HoldsFor(
      [&] { return ListRows(list.listBox).empty() && HorizontalExtent(list.listBox) == 10; }));
  ExpectView(list.listBox, {}, 10);
}

TEST_F(ListE2e, ExcludedRowsLeaveTheListAndAreNeitherSavedNorDeleted) {
  for (const char* name : {"one.txt", "two.txt", "three.txt", "four.txt"}) folder.Write(name, "x");
  const std::vector<std::string> listed{folder.Path("one.txt"), folder.Path("two.txt"),
                                        folder.Path("three.txt"), folder.Path("four.txt"),
                                        folder.Path("one.txt")};
  folder.Write("dellist.lst", CrLfLines(listed));
  HWND main = Start();
  ListWindow list = OpenList(*program);
  ASSERT_NE(list.listBox, nullptr);
  ExpectView(list.listBox, listed, WidestRow(listed) + 10);

  // With nothing selected nothing goes.
  Click(list.exclude);
  EXPECT_TRUE(HoldsFor([&] {
    return ListRows(list.listBox) == listed &&
           HorizontalExtent(list.listBox) == WidestRow(listed) + 10;
  }));
  ExpectView(list.listBox, listed, WidestRow(listed) + 10);

  // Rows 2 and 4 of five.
  Select(list.listBox, {1, 3});
  Click(list.exclude);
  const std::vector<std::string> kept{listed[0], listed[2], listed[4]};
  ExpectView(list.listBox, kept, WidestRow(kept) + 10);

  // One of two equal rows: the other stays.
  Select(list.listBox, {2});
  Click(list.exclude);
  const std::vector<std::string> left{listed[0], listed[2]};
  ExpectView(list.listBox, left, WidestRow(left) + 10);

  // "リスト" while open does not reload the view.
  AddRow(list.listBox, "extra row");
  Click(FindControl(main, "Button", "リスト"));
  EXPECT_TRUE(HoldsFor([&] { return ListRows(list.listBox).size() == 3u; }));

  // Hidden and shown again, the view is rebuilt from the list. Closed, the
  // window hands the activation back to the main window.
  PostMessageA(list.window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitGone(list.window));
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; }));
  EXPECT_TRUE(IsWindow(list.window));
  list = OpenList(*program);
  ExpectView(list.listBox, left, WidestRow(left) + 10);
  Screenshot("list-window", {list.window});
  CloseProgram();
  EXPECT_EQ(folder.Read("dellist.lst"), CrLfLines({listed[0], listed[2]}));

  // The next run deletes only what is left; the open view shows what
  // remains: nothing, as an empty list shows.
  folder.Write("Moxlyn.ini", "[Config]\r\nConfirmBeforeDelete=0\r\nShowMessageAfterDelete=0\r\n");
  main = Start();
  list = OpenList(*program);
  ASSERT_NE(list.listBox, nullptr);
  Click(FindControl(main, "Button", "削除"));
  EXPECT_TRUE(WaitUntil([&] { return !folder.Exists("one.txt") && !folder.Exists("three.txt"); }));
  EXPECT_TRUE(folder.Exists("two.txt"));
  EXPECT_TRUE(folder.Exists("four.txt"));
  ExpectView(list.listBox, {}, 10);
}

// A row longer than what the system's narrow calls carry (a deep path, a long
// pasted name) shows and is measured; the program goes on.
TEST_F(ListE2e, ARowOfTwoThousandCharactersShowsWhole) {
  const std::vector<std::string> listed{folder.Path("a.txt"), std::string(2000, 'a')};
  folder.Write("dellist.lst", CrLfLines(listed));
  Start();
  ListWindow list = OpenList(*program);
  ASSERT_NE(list.listBox, nullptr);
  ExpectView(list.listBox, listed, WidestRow(listed) + 10);
  CloseProgram();
  EXPECT_EQ(folder.Read("dellist.lst"), CrLfLines(listed));
}

TEST_F(ListE2e, DropWhileOpenAppendsRowsAndCentresAgainAndClearEmptiesAll) {
  folder.MakeDir("a rather long folder name that makes the row wider than the list box");
  const std::string longName =
      "a rather long folder name that makes the row wider than the list box\\"
      "and a file name of some length as well.txt";
  folder.Write(longName, "long");
  folder.Write("short.txt", "s");
  folder.Write("dellist.lst", CrLfLines({folder.Path("short.txt")}));
  HWND main = Start();
  ListWindow list = OpenList(*program);
  ASSERT_NE(list.listBox, nullptr);
  // Moved clear of the main window, which takes the drop.
  SetWindowPos(list.window, nullptr, 800, 600, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(WaitUntil([&] { return !IsCentred(list.window); }));

  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path(longName)}));
  const std::vector<std::string> rows{folder.Path("short.txt"), folder.Path(longName)};
  const int longWidth = RowWidth(folder.Path(longName));
  EXPECT_GT(longWidth, 334);
  ExpectView(list.listBox, rows, longWidth + 10);
  EXPECT_TRUE(WaitUntil([&] { return IsCentred(list.window); }));
  EXPECT_TRUE(WaitShown(list.window));
  EXPECT_TRUE(GetWindowLongA(list.listBox, GWL_STYLE) & WS_HSCROLL);
  Screenshot("list-window-long-row", {list.window});

  // A window the user moved is centred again when it is next shown.
  SetWindowPos(list.window, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // Escape hides it as its close box does.
  PostKey(list.listBox, VK_ESCAPE);
  ASSERT_TRUE(WaitGone(list.window));
  list = OpenList(*program);
  EXPECT_TRUE(WaitUntil([&] { return IsCentred(list.window); }));
  ExpectView(list.listBox, rows, longWidth + 10);

  // Excluding every row leaves an empty view with extent 10.
  SendMessageA(list.listBox, LB_SETSEL, TRUE, -1);
  Click(list.exclude);
  ExpectView(list.listBox, {}, 10);

  // The clear button empties everything and leaves extent 0.
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("short.txt")}));
  ExpectView(list.listBox, {folder.Path("short.txt")}, RowWidth(folder.Path("short.txt")) + 10);
  Click(list.clear);
  ExpectView(list.listBox, {}, 0);
  CloseProgram();
  EXPECT_EQ(folder.Read("dellist.lst"), ""s);
  EXPECT_TRUE(folder.Exists("short.txt"));
}

}  // namespace
}  // namespace moxlyn::e2e
