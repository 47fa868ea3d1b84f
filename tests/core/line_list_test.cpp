#include "core/line_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/line_lists.h"

namespace moxlyn {
namespace {

using testing::Strings;

// The lines outlive what they were made from, whether copied one by one or
// taken from a stored text; copies, moves and removals keep them whole
// (ASan sees a line left pointing into freed text).
TEST(LineList, LinesOutliveTheirSourceThroughCopiesAndRemovals) {
  std::string source = "first\r\nsecond\r\n";
  const std::string huge(size_t{3} * 1024 * 1024, 'h');  // larger than any block
  LineList list;
  const std::string_view stored = list.Store(source);
  list.push_back(stored.substr(0, 5));
  list.push_back(stored.substr(7, 6));
  list.push_back(source.substr(0, 5));  // not stored: copied
  list.push_back("");
  list.push_back(huge);
  source.assign(source.size(), 'x');
  const std::vector<std::string> all{"first", "second", "first", "", huge};
  EXPECT_EQ(Strings(list), all);

  LineList copy(list);
  list.clear();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(Strings(copy), all);
  LineList moved(std::move(copy));
  moved.Truncate(4);
  EXPECT_EQ(Strings(moved), (std::vector<std::string>{"first", "second", "first", ""}));

  // Keeping less than half of the text held copies it afresh.
  for (const auto& keep : {std::vector<bool>{true, false, true, true},
                           std::vector<bool>{false, true}, std::vector<bool>{}}) {
    LineList kept(moved);
    kept.push_back(huge);
    kept.KeepOnly(keep);
    std::vector<std::string> expected;
    for (size_t at = 0; at < keep.size(); ++at) {
      if (keep[at]) expected.push_back(Strings(moved)[at]);
    }
    EXPECT_EQ(Strings(kept), expected);
    kept.push_back("after");
    EXPECT_EQ(kept.back(), "after");
  }
  // A list is not equal to a longer list it begins, either way round.
  EXPECT_FALSE(LineList{"first"} == (LineList{"first", "second"}));
  EXPECT_FALSE((LineList{"first", "second"}) == LineList{"first"});
}

}  // namespace
}  // namespace moxlyn
