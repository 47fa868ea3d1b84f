// The list window's view on a real list box: filling, the widest row, and
// excluding selected rows so that view and list stay alike row for row.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/support/line_lists.h"
#include "tests/support/utf8_text.h"
#include "tests/support/win32_tools.h"
#include "ui/dpi.h"
#include "ui/layout.h"
#include "ui/list_view.h"
#include "win32/engine_path.h"

namespace moxlyn::ui {
namespace {

using testing::U8;

class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 334, 295, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    listBox_ = AddControl(window_, "LISTBOX", "",
                          WS_VSCROLL | WS_HSCROLL | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT, 0, 0,
                          334, 241, 100);
    ASSERT_NE(listBox_, nullptr);
  }
  void TearDown() override { DestroyWindow(window_); }

  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    const LRESULT count = SendMessageW(listBox_, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
      std::wstring text(static_cast<size_t>(SendMessageW(listBox_, LB_GETTEXTLEN, row, 0)) + 1,
                        L'\0');
      text.resize(static_cast<size_t>(
          SendMessageW(listBox_, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()))));
      rows.push_back(Utf8FromWide(text));
    }
    return rows;
  }

  int Extent() const {
    return static_cast<int>(SendMessageA(listBox_, LB_GETHORIZONTALEXTENT, 0, 0));
  }

  void Select(const std::set<int>& rows) {
    for (int row : rows) SendMessageA(listBox_, LB_SETSEL, TRUE, row);
  }

  HWND window_ = nullptr;
  HWND listBox_ = nullptr;
};

DelList Numbered(int count) {
  DelList list;
  for (int i = 0; i < count; ++i) list.push_back("C:\\d\\f" + std::to_string(i));
  return list;
}

TEST_F(ListViewTest, FillReplacesTheRowsWithTheListInOrderKeepingEmptyAndRepeatedEntries) {
  FillListView(listBox_, {"C:\\old"});
  const DelList list{"C:\\a", "", "C:\\a", U8(u8"D:\\表示\\b"), U8(u8"C:\\😀 한국 café")};
  FillListView(listBox_, list);
  EXPECT_EQ(Rows(), testing::Strings(list));
  // Each bidirectional control shows as its code; its neighbours as themselves.
  FillListView(listBox_, {U8(u8"C:\\evil\u200D\u200E\u200F\u061C\u202A\u202B\u202C\u202D"
                             u8"\u202E\u202F\u2065\u2066\u2067\u2068\u2069\u206Atxt.exe")});
  EXPECT_EQ(Rows(), std::vector<std::string>{U8(
                        u8"C:\\evil\u200D<U+200E><U+200F><U+061C><U+202A><U+202B><U+202C><U+202D>"
                        u8"<U+202E>\u202F\u2065<U+2066><U+2067><U+2068><U+2069>\u206Atxt.exe")});
  SetHorizontalExtent(listBox_, 123);
  ClearRows(listBox_);
  EXPECT_TRUE(Rows().empty());
  EXPECT_EQ(Extent(), 0);
}

TEST_F(ListViewTest, MaxItemWidthIsTheWidestRowInTheListBoxFont) {
  EXPECT_EQ(MaxItemWidth(listBox_, {}), 0);
  FillListView(listBox_, {""});
  EXPECT_EQ(MaxItemWidth(listBox_, {""}), 0);
  std::string controls;
  for (int i = 0; i < 600; ++i) controls += U8(u8"\u202E");
  const DelList list{"C:\\a", U8(u8"C:\\とても長いフォルダの名前\\ファイル.txt"), "C:\\bb",
                     std::string(1500, 'W'), controls};
  FillListView(listBox_, list);
  int widest = 0;
  for (const std::string& row : Rows())
    widest = std::max(widest, testing::TextWidth(WindowFont(), row, CP_UTF8));
  EXPECT_GT(widest, 0);
  EXPECT_EQ(MaxItemWidth(listBox_, list), widest);
}

// Small selections delete rows one by one; a large block near the front
// refills the list box. Both must leave the same rows.
TEST_F(ListViewTest, ExcludeRemovesExactlyTheSelectedPositionsFromViewAndList) {
  struct Case {
    const char* name;
    DelList list;
    std::set<int> selected;
  };
  std::set<int> frontBlock;
  for (int i = 0; i < 1500; ++i) frontBlock.insert(i);
  frontBlock.insert(2999);
  std::set<int> spread;
  for (int i = 0; i < 3000; i += 37) spread.insert(i);
  const std::vector<Case> cases = {
      {"none selected", Numbered(5), {}},
      {"rows 2 and 4 of five", Numbered(5), {1, 3}},
      {"one of two equal paths", {"C:\\x", "C:\\same", "C:\\y", "C:\\same"}, {3}},
      {"every row", Numbered(4), {0, 1, 2, 3}},
      {"spread over a long list", Numbered(3000), spread},
      {"large block at the front", Numbered(3000), frontBlock},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DelList list = c.list;
    FillListView(listBox_, list);
    Select(c.selected);
    EXPECT_EQ(ExcludeSelected(listBox_, list), c.selected.size());
    DelList expected;
    for (size_t i = 0; i < c.list.size(); ++i) {
      if (c.selected.count(static_cast<int>(i)) == 0) expected.push_back(c.list[i]);
    }
    EXPECT_EQ(list, expected);
    EXPECT_EQ(Rows(), testing::Strings(expected));
    EXPECT_EQ(SendMessageA(listBox_, LB_GETSELCOUNT, 0, 0), 0);
  }
}

}  // namespace
}  // namespace moxlyn::ui
