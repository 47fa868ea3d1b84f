// The deletion list and its file on a file system (in memory natively, real
// folders under Wine).
#include "core/del_list.h"

#include <gtest/gtest.h>

#include "core/app_error.h"
#include "core/text_file.h"
#include "tests/support/test_world.h"
#include "tests/support/utf8_text.h"

namespace moxlyn {
namespace {

using testing::U8;
using testing::Utf16LeBytes;

std::string Repeated(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

class DelListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world_ = testing::MakeWorld();
    world_->SetProgramFolder(world_->Root());
    listFile_ = world_->At("dellist.lst");
  }
  Platform& fs() { return world_->platform(); }
  // The temporary file the save tries first in memory (elsewhere one it may try).
  std::string Temporary(uint64_t random) { return TemporaryPathFor({listFile_}, random).text; }
  std::unique_ptr<testing::TestWorld> world_;
  std::string listFile_;
};

TEST_F(DelListTest, ProgramDirAndJoinPath) {
  EXPECT_EQ(ProgramDir(fs()), world_->Root() + "\\");
  struct Case {
    std::string dir;
    std::string name;
    std::string joined;
  } cases[] = {
      {"C:\\dir\\", "dellist.lst", "C:\\dir\\dellist.lst"},
      {"C:\\dir", "x.txt", "C:\\dir\\x.txt"},
      {"C:\\dir", "\\x.txt", "C:\\dir\\x.txt"},
      {"C:\\dir\\", "\\x.txt", "C:\\dir\\x.txt"},
      {"C:\\a\\", "\\\\b", "C:\\a\\\\b"},
      {"C:\\", "x", "C:\\x"},
      {U8(u8"C:\\表"), "x", U8(u8"C:\\表\\x")},
      {U8(u8"C:\\ソ"), "\\x", U8(u8"C:\\ソ\\x")},
      {U8(u8"C:\\😀\\"), U8(u8"한국"), U8(u8"C:\\😀\\한국")},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinPath(c.dir, c.name), c.joined) << c.joined;
}

TEST_F(DelListTest, SaveAndLoadRoundTrip) {
  // Trail bytes 0x5C of 表 and ソ in the file are no backslash.
  const DelList list{U8(u8"C:\\a\\表.txt"), "", U8(u8"C:\\ソ\\b"), U8(u8"C:\\a\\表.txt")};
  SaveDelList(fs(), list);
  EXPECT_EQ(world_->Content(listFile_), "C:\\a\\表.txt\r\n\r\nC:\\ソ\\b\r\nC:\\a\\表.txt\r\n");
  DelList loaded{"stale"};
  LoadDelList(fs(), loaded);
  EXPECT_EQ(loaded, list);
}

TEST_F(DelListTest, AnEntryOutsideTheCodePageMakesTheWholeFileUtf8WithItsMark) {
  const std::string foreign[] = {
      U8(u8"C:\\f\\Pokémon 01.mp4"),
      U8(u8"C:\\f\\😀.txt"),
      U8(u8"C:\\f\\한국.txt"),
      U8(u8"C:\\f\\简.txt"),
      "C:\\f\\lone\xED\xA0\x80.txt",  // a lone surrogate, which a name may hold
      // Lines written past the writer's gathered bytes, at 64 KiB and 1 MiB.
      Repeated(U8(u8"한"), 21846),
      Repeated(U8(u8"한"), 349526),
  };
  for (const std::string& entry : foreign) {
    SCOPED_TRACE(entry.substr(0, 20));
    // After another line, and first after the mark.
    for (const DelList& list : {DelList{U8(u8"C:\\表"), entry, "C:\\x"}, DelList{entry}}) {
      SaveDelList(fs(), list);
      std::string file = "\xEF\xBB\xBF";
      for (const std::string_view line : list) file.append(line).append("\r\n");
      EXPECT_EQ(world_->Content(listFile_), file);
      DelList loaded;
      LoadDelList(fs(), loaded);
      EXPECT_EQ(loaded, list);
    }
  }
}

TEST_F(DelListTest, AFileIsReadInTheFormItsMarkTellsAndWithoutOneAsTheCodePage) {
  const struct {
    std::string file;
    DelList list;
  } cases[] = {
      // Code page bytes that happen to be UTF-8 too ("ý").
      {"C:\\\xC3\xBD\r\n", {U8(u8"C:\\ﾃｽ")}},
      {"\xEF\xBB\xBF"
       "C:\\\xC3\xBD\r\n",
       {U8(u8"C:\\ý")}},
      {"\xFF\xFE" + Utf16LeBytes(u"C:\\caf\u00e9\r\nC:\\\xD83D\xDE00\nC:\\\xD800"),
       {U8(u8"C:\\café"), U8(u8"C:\\😀"), "C:\\\xED\xA0\x80"}},
      // More than a block of the line-end search, a line end first.
      {"\r\nC:\\a\\sixteen-bytes.txt\r\n", {"", "C:\\a\\sixteen-bytes.txt"}},
      // No text of the code page: a lone lead byte names nothing, and the
      // characters around it (trail bytes 0x5C among them) stay.
      {"R:\\old\\表ソ予.txt\x95\r\nC:\\b\r\n", {U8(u8"R:\\old\\表ソ予.txt\x1A"), "C:\\b"}},
      // Further down, between its neighbours (0xA0 is no character of 932).
      {"C:\\a\r\nC:\\b\xA0"
       "c\r\nC:\\d\r\n",
       {"C:\\a",
        "C:\\b\x1A"
        "c",
        "C:\\d"}},
      {"\xEF\xBB\xBF"
       "C:\\\xFF\xC3\xBD\r\n",
       {U8(u8"C:\\\x1Aý")}},
      // A surrogate pair spelt as two three-byte halves is no UTF-8.
      {"\xEF\xBB\xBF"
       "C:\\cesu\xED\xA0\xBD\xED\xB8\x80.txt\r\n",
       {"C:\\cesu\x1A\x1A\x1A\x1A\x1A\x1A.txt"}},
  };
  int folder = 0;
  for (const auto& c : cases) {
    const std::string home = world_->At(std::to_string(++folder));
    world_->MakeFolder(home);
    world_->SetProgramFolder(home);
    world_->MakeFile(home + "\\dellist.lst", c.file);
    DelList loaded;
    LoadDelList(fs(), loaded);
    EXPECT_EQ(loaded, c.list) << c.file;
  }
}

TEST_F(DelListTest, EmptyListGivesEmptyFile) {
  SaveDelList(fs(), {});
  EXPECT_TRUE(world_->Exists(listFile_));
  EXPECT_EQ(world_->Content(listFile_), "");
  DelList loaded{"stale"};
  LoadDelList(fs(), loaded);
  EXPECT_TRUE(loaded.empty());
}

TEST_F(DelListTest, LoadsAnyLineEndsAndLastLineWithoutOne) {
  world_->MakeFile(listFile_, "C:\\a\nC:\\b\rC:\\c\r\nC:\\d");
  DelList loaded;
  LoadDelList(fs(), loaded);
  EXPECT_EQ(loaded, (DelList{"C:\\a", "C:\\b", "C:\\c", "C:\\d"}));
}

TEST_F(DelListTest, MissingFileOrFolderOfThatNameLeavesListEmpty) {
  DelList loaded;
  LoadDelList(fs(), loaded);
  EXPECT_TRUE(loaded.empty());
  world_->MakeFolder(listFile_);
  LoadDelList(fs(), loaded);
  EXPECT_TRUE(loaded.empty());
}

TEST_F(DelListTest, UnreadableFileIsReportedAndListStaysEmpty) {
  world_->MakeFile(listFile_, "C:\\a\r\n");
  ASSERT_TRUE(world_->DenyRead(listFile_));
  DelList loaded;
  try {
    LoadDelList(fs(), loaded);
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Message(), "ファイル " + listFile_ + " は開けません");
  }
  EXPECT_TRUE(loaded.empty());
}

TEST_F(DelListTest, FailedSaveKeepsPreviousFile) {
  world_->MakeFile(listFile_, "C:\\old\r\n", kAttrReadOnly);
  try {
    SaveDelList(fs(), {"C:\\new"});
    FAIL() << "no error";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Message(), "ファイル " + listFile_ + " を作成できません");
  }
  EXPECT_EQ(world_->Content(listFile_), "C:\\old\r\n");
  EXPECT_EQ(world_->Names(), std::vector<std::string>{"dellist.lst"});
}

TEST_F(DelListTest, EntriesOfTheTemporaryNamesAreLeftAlone) {
  world_->MakeFolder(Temporary(0));
  world_->MakeFile(Temporary(1), "mine");
  SaveDelList(fs(), {"C:\\new"});
  EXPECT_EQ(world_->Content(listFile_), "C:\\new\r\n");
  EXPECT_NE(world_->Attributes(Temporary(0)) & kAttrDirectory, 0u);
  EXPECT_EQ(world_->Content(Temporary(1)), "mine");
  std::vector<std::string> names{"dellist.lst", Temporary(0), Temporary(1)};
  for (auto& name : names) name = name.substr(name.rfind('\\') + 1);
  EXPECT_EQ(world_->Names(), names);
}

TEST_F(DelListTest, FailedReplaceLeavesNoFileBehind) {
  world_->MakeFile(listFile_, "C:\\old\r\n");
  world_->Lock(listFile_);
  EXPECT_THROW(SaveDelList(fs(), {"C:\\new"}), AppError);
  EXPECT_EQ(world_->Content(listFile_), "C:\\old\r\n");
  EXPECT_EQ(world_->Names(), std::vector<std::string>{"dellist.lst"});
}

TEST_F(DelListTest, ListFileThatIsALinkKeepsLeadingToItsTarget) {
  world_->MakeFolder(world_->At("sync"));
  const std::string target = world_->At("sync\\kept.lst");
  world_->MakeFile(target, "C:\\old\r\n");
  if (!world_->MakeFileLink(listFile_, target)) GTEST_SKIP() << "no file links here";
  SaveDelList(fs(), {"C:\\new"});
  EXPECT_EQ(world_->Content(target), "C:\\new\r\n");
  EXPECT_EQ(world_->Content(listFile_), "C:\\new\r\n");
  DelList loaded;
  LoadDelList(fs(), loaded);
  EXPECT_EQ(loaded, DelList{"C:\\new"});
}

}  // namespace
}  // namespace moxlyn
