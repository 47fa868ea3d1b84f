// The CF_HDROP block read within its bytes, and the names a drop may list.
#include "core/drop_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/drop_intake.h"
#include "tests/support/line_lists.h"
#include "tests/support/memory_platform.h"
#include "tests/support/utf8_text.h"

namespace moxlyn {
namespace {

using testing::U8;

// A block: the header with offset and wide flag, then the names' bytes.
std::string Block(uint32_t offset, uint32_t wide, const std::string& names) {
  std::string block(kDropHeaderSize, '\0');
  std::memcpy(block.data(), &offset, 4);
  std::memcpy(block.data() + 16, &wide, 4);
  return block + names;
}
std::string Wide(const std::u16string& text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

TEST(DropBlock, AnyFailedCheckRefusesTheWholeBlock) {
  using namespace std::string_literals;
  const std::string two = Wide(u"C:\\a\0C:\\b\0\0"s);
  std::string many;
  for (size_t i = 0; i < kMaxDroppedNames; ++i) many += "a\0"s;
  const std::u16string longest(kMaxDroppedNameLength, u'a');
  const std::string refused[] = {
      Block(20, 1, two).substr(0, 19),                  // shorter than the header
      Block(20 + 46, 1, two),                           // names 24 bytes past the end
      Block(8, 1, two),                                 // names inside the header
      Block(20, 1, Wide(u"C:\\a\0C:\\b"s)),             // a name without its zero
      Block(20, 1, two.substr(0, two.size() - 1)),      // the list's end cut in half
      Block(20, 0, "C:\\a\0"s),                         // no empty name ends the list
      Block(20, 0, std::string(32768, 'a') + "\0\0"s),  // longer than any path
      Block(20, 1, Wide(longest + u"a\0\0"s)),
      Block(20, 0, many + "a\0\0"s),  // more names than a drop has
  };
  for (const auto& block : refused) {
    EXPECT_FALSE(ReadDropBlock(block.data(), block.size())) << block.size();
  }
  EXPECT_FALSE(ReadDropBlock(nullptr, 100));
  // The wide flag is a BOOL; the longest name and the most names are taken.
  const std::pair<std::string, size_t> taken[] = {
      {Block(20, 2, two), 2},
      {Block(20, 0xFFFFFFFF, two), 2},
      {Block(20, 1, Wide(longest + u"\0\0"s)), 1},
      {Block(20, 0, many + "\0"s), kMaxDroppedNames},
  };
  for (const auto& [block, names] : taken) {
    auto read = ReadDropBlock(block.data(), block.size());
    ASSERT_TRUE(read) << block.size();
    EXPECT_EQ(read->names.size(), names);
  }
  const std::string wide = Block(20, 1, two);
  auto read = ReadDropBlock(wide.data(), wide.size());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->names, (std::vector<std::string>{"C:\\a", "C:\\b"}));
  const std::string narrow = Block(24, 0, "pad C:\\表\0\0"s);
  read = ReadDropBlock(narrow.data(), narrow.size());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->names, std::vector<std::string>{"C:\\表"});
}

TEST(DropBlock, IntakeTakesOnlyNamesWindowsCanHave) {
  testing::MemoryPlatform fs;
  for (const std::string& name : {U8(u8"ok.txt"), U8(u8"ポ表.txt"), U8(u8"a*b"), U8(u8"cr\rlf")}) {
    fs.AddFile("C:\\d\\" + name);
  }
  const DelList kept{U8(u8"C:\\d\\日本.txt"),  // just after a refused name
                     "\\\\server\\share\\x",
                     "\\\\?\\C:\\x",
                     "\\\\?\\unc\\s\\share",
                     "\\\\?\\Volume{0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0}\\x",
                     U8(u8"C:\\ポ.txt"),
                     "c:\\x.txt",
                     "Z:\\y.txt",
                     "C:\\a\\"};
  std::vector<std::string> dropped{"C:\\d",
                                   "\\\\.\\pipe\\p",
                                   "\\\\?\\GLOBALROOT\\Device\\x",
                                   "\\??\\C:\\x",
                                   "\\\\?\\pipe\\p",
                                   "C:\\a\r\nC:\\victim",
                                   "C:\\*",
                                   "//./pipe/p",
                                   "C:x",
                                   "\\\\?\\Volume{0f1e2d3c}\\x"};
  for (const char* bad : {"\t", ":", "*", "?", "\"", "<", ">", "|", "/"}) {
    dropped.push_back(std::string("C:\\a") + bad + "b");
  }
  dropped.push_back("C:\\d\\a*b");
  dropped.insert(dropped.end(), kept.begin(), kept.end());
  DelList list;
  IntakeDrop(fs, dropped, list);
  std::vector<std::string> listed = testing::Strings(list);
  std::sort(listed.begin() + 1, listed.begin() + 3);
  std::vector<std::string> expected{"C:\\d", "C:\\d\\ok.txt", U8(u8"C:\\d\\ポ表.txt")};
  expected.insert(expected.end(), kept.begin(), kept.end());
  EXPECT_EQ(listed, expected);
}

}  // namespace
}  // namespace moxlyn
