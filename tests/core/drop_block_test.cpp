// The CF_HDROP block read within its bytes, and the names a drop may list.
#include "core/drop_block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/drop_intake.h"
#include "tests/support/memory_platform.h"

namespace moxlyn {
namespace {

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
  for (size_t i = 0; i <= kMaxDroppedNames; ++i) many += "a\0"s;
  const std::string refused[] = {
      Block(20, 1, two).substr(0, 19),                  // shorter than the header
      Block(20 + 46, 1, two),                           // names 24 bytes past the end
      Block(8, 1, two),                                 // names inside the header
      Block(20, 2, two),                                // a wide flag neither 0 nor 1
      Block(20, 1, Wide(u"C:\\a\0C:\\b"s)),             // a name without its zero
      Block(20, 1, two.substr(0, two.size() - 1)),      // the list's end cut in half
      Block(20, 0, "C:\\a\0"s),                         // no empty name ends the list
      Block(20, 0, std::string(32768, 'a') + "\0\0"s),  // longer than any path
      Block(20, 0, many + "\0"s),                       // more names than a drop has
  };
  for (const auto& block : refused) {
    EXPECT_FALSE(ReadDropBlock(block.data(), block.size())) << block.size();
  }
  const std::string wide = Block(20, 1, two);
  auto read = ReadDropBlock(wide.data(), wide.size());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->wideNames, (std::vector<std::u16string>{u"C:\\a", u"C:\\b"}));
  const std::string narrow = Block(24, 0, "pad C:\\表\0\0"s);
  read = ReadDropBlock(narrow.data(), narrow.size());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->narrowNames, std::vector<std::string>{"C:\\表"});
}

// Whole characters: the trail bytes 0x5C of 表 and 0x7C of ポ are no
// separator and no "|".
TEST(DropBlock, IntakeTakesOnlyNamesWindowsCanHave) {
  testing::MemoryPlatform fs;
  for (const char* name : {"ok.txt", "ポ表.txt", "a*b", "cr\rlf"}) {
    fs.AddFile(std::string("C:\\d\\") + name);
  }
  const DelList kept{"\\\\server\\share\\x", "\\\\?\\C:\\x", "\\\\?\\unc\\s\\share", "C:\\ポ.txt",
                     "C:\\a\\"};
  DelList dropped{"C:\\d",       "\\\\.\\pipe\\p", "\\\\?\\GLOBALROOT\\Device\\x",
                  "\\??\\C:\\x", "\\\\?\\pipe\\p", "C:\\a\r\nC:\\victim",
                  "C:\\*",       "//./pipe/p",     "C:x"};
  for (const char* bad : {"\t", ":", "*", "?", "\"", "<", ">", "|", "/"}) {
    dropped.push_back(std::string("C:\\a") + bad + "b");
  }
  dropped.insert(dropped.end(), kept.begin(), kept.end());
  DelList list;
  IntakeDrop(fs, dropped, list);
  std::sort(list.begin() + 1, list.begin() + 3);
  DelList expected{"C:\\d", "C:\\d\\ok.txt", "C:\\d\\ポ表.txt"};
  expected.insert(expected.end(), kept.begin(), kept.end());
  EXPECT_EQ(list, expected);
}

}  // namespace
}  // namespace moxlyn
