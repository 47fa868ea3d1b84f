// The deletion list and its file on a file system (in memory natively, real
// folders under Wine).
#include "core/del_list.h"

#include <gtest/gtest.h>

#include "core/app_error.h"
#include "core/text_file.h"
#include "tests/support/test_world.h"

namespace moxlyn {
namespace {

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
    const char* dir;
    const char* name;
    const char* joined;
  } cases[] = {
      {"C:\\dir\\", "dellist.lst", "C:\\dir\\dellist.lst"},
      {"C:\\dir", "x.txt", "C:\\dir\\x.txt"},
      {"C:\\dir", "\\x.txt", "C:\\dir\\x.txt"},
      {"C:\\dir\\", "\\x.txt", "C:\\dir\\x.txt"},
      {"C:\\a\\", "\\\\b", "C:\\a\\\\b"},
      {"C:\\", "x", "C:\\x"},
      {"C:\\ｱ\\", "x", "C:\\ｱ\\x"},  // a half-width kana is one byte
      // Trail bytes 0x5C of 表, ソ and 能 are no backslash.
      {"C:\\表", "x", "C:\\表\\x"},
      {"C:\\ソ", "\\x", "C:\\ソ\\x"},
      {"C:\\能\\", "x", "C:\\能\\x"},
      {"C:\\ab表", "表", "C:\\ab表\\表"},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinPath(fs(), c.dir, c.name), c.joined) << c.joined;
}

TEST_F(DelListTest, SaveAndLoadRoundTrip) {
  const DelList list{"C:\\a\\表.txt", "", "C:\\ソ\\b", "C:\\a\\表.txt"};
  SaveDelList(fs(), list);
  EXPECT_EQ(world_->Content(listFile_), "C:\\a\\表.txt\r\n\r\nC:\\ソ\\b\r\nC:\\a\\表.txt\r\n");
  DelList loaded{"stale"};
  LoadDelList(fs(), loaded);
  EXPECT_EQ(loaded, list);
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
