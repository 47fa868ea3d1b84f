// What a shell drop adds to the deletion list, on a file system (in memory
// natively, real folders under Wine).
#include "core/drop_intake.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/deletion_engine.h"
#include "tests/support/counting_platform.h"
#include "tests/support/line_lists.h"
#include "tests/support/test_world.h"
#include "tests/support/utf8_text.h"

namespace moxlyn {
namespace {

using testing::U8;
using Paths = std::vector<std::string>;
using PathSet = std::multiset<std::string>;

class DropIntakeTest : public ::testing::Test {
 protected:
  void SetUp() override { world_ = testing::MakeWorld(); }
  Platform& fs() { return world_->platform(); }

  DelList Drop(const Paths& paths, DelList list = {}) {
    IntakeDrop(fs(), paths, list);
    return list;
  }
  // Checks that list[at] is folder, followed by exactly entries (in any
  // order, since file systems enumerate in their own order); returns the
  // index after them.
  size_t ExpectFolder(const DelList& list, size_t at, const std::string& folder,
                      const PathSet& entries) {
    EXPECT_LT(at, list.size());
    if (at >= list.size()) return list.size();
    EXPECT_EQ(list[at], folder);
    const size_t end = std::min(list.size(), at + 1 + entries.size());
    EXPECT_EQ(
        PathSet(list.begin() + static_cast<long>(at) + 1, list.begin() + static_cast<long>(end)),
        entries);
    return end;
  }
  std::unique_ptr<testing::TestWorld> world_;
};

TEST_F(DropIntakeTest, FolderGivesItselfAndItsDirectEntriesOnly) {
  const std::string dir = world_->At("dir");
  world_->MakeFolder(dir);
  world_->MakeFile(dir + "\\a.txt", "a");
  world_->MakeFile(dir + "\\b.txt", "b");
  world_->MakeFolder(dir + "\\sub");
  world_->MakeFile(dir + "\\sub\\c.txt", "c");
  const DelList list = Drop({dir});
  ASSERT_EQ(list.size(), 4u);
  ExpectFolder(list, 0, dir, {dir + "\\a.txt", dir + "\\b.txt", dir + "\\sub"});
}

TEST_F(DropIntakeTest, PathsKeepTheirOrderAndEachFolderItsOwnEntries) {
  const std::string one = world_->At("one");
  const std::string two = world_->At("two");
  const std::string empty = world_->At("empty");
  const std::string file = world_->At("f.txt");
  world_->MakeFolder(one);
  world_->MakeFolder(two);
  world_->MakeFile(one + "\\x", "");
  world_->MakeFile(two + "\\y", "");
  world_->MakeFile(two + "\\z", "");
  world_->MakeFolder(empty);
  world_->MakeFile(file, "f");
  const std::string gone = world_->At("gone");

  const DelList list = Drop({file, one, gone, two, empty, file}, {"earlier"});
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(list[0], "earlier");
  EXPECT_EQ(list[1], file);
  size_t next = ExpectFolder(list, 2, one, {one + "\\x"});
  EXPECT_EQ(list[next++], gone);
  next = ExpectFolder(list, next, two, {two + "\\y", two + "\\z"});
  EXPECT_EQ(list[next++], empty);
  EXPECT_EQ(list[next++], file);

  // A second drop of the same file adds it again.
  EXPECT_EQ(Drop({file}, list).size(), 11u);
}

TEST_F(DropIntakeTest, HiddenAndSystemEntriesAreListed) {
  const std::string dir = world_->At("dir");
  world_->MakeFolder(dir);
  world_->MakeFile(dir + "\\h.txt", "", kAttrHidden);
  world_->MakeFile(dir + "\\s.txt", "", kAttrSystem | kAttrReadOnly);
  world_->MakeFolder(dir + "\\hs", kAttrHidden | kAttrSystem);
  const DelList list = Drop({dir});
  ASSERT_EQ(list.size(), 4u);
  ExpectFolder(list, 0, dir, {dir + "\\h.txt", dir + "\\s.txt", dir + "\\hs"});
}

// Names outside the code page are listed as themselves, and only what was
// listed goes: "café.txt" is not "cafe.txt", which a best fit would make it.
TEST_F(DropIntakeTest, NamesOfAnyScriptAreListedAndDeletedAsThemselves) {
  const std::string dir = world_->At(U8(u8"表"));
  const std::string inner = dir + U8(u8"\\ソ");
  world_->MakeFolder(dir);
  world_->MakeFolder(inner);
  PathSet names{inner};
  for (const char8_t* name :
       {u8"Pokémon 01.mp4", u8"😀.txt", u8"한국.txt", u8"简.txt", u8"café.txt"}) {
    world_->MakeFile(dir + "\\" + U8(name), "x");
    names.insert(dir + "\\" + U8(name));
  }
  world_->MakeFile(dir + "\\cafe.txt", "kept");
  world_->MakeFile(inner + U8(u8"\\表.txt"), "");
  DelList list = Drop({dir});
  names.insert(dir + "\\cafe.txt");
  ExpectFolder(list, 0, dir, names);
  std::vector<std::string> entries = testing::Strings(list);
  entries.erase(std::find(entries.begin(), entries.end(), dir + "\\cafe.txt"));
  entries.erase(entries.begin());  // the folder itself
  DeleteListed(fs(), testing::ListOf(entries));
  EXPECT_EQ(world_->Content(dir + "\\cafe.txt"), "kept");
  names.erase(dir + "\\cafe.txt");
  for (const auto& name : names) EXPECT_FALSE(world_->Exists(name)) << name;
}

// The shell delivers exact names: a dropped "keep " is not its neighbour
// "keep", whose entries must neither be listed nor deleted.
TEST_F(DropIntakeTest, FolderIsTakenExactlyAsDropped) {
  const std::string keep = world_->At("keep");
  const std::string blank = keep + " ";
  world_->MakeFolder(keep);
  world_->MakeFile(keep + "\\kept.txt", "k");
  world_->MakeFolder(blank);
  world_->MakeFile(blank + "\\gone.txt", "g");
  const DelList list = Drop({blank});
  EXPECT_EQ(list, (DelList{blank, blank + "\\gone.txt"}));
  DeleteListed(fs(), list);
  EXPECT_FALSE(world_->Exists(blank));
  EXPECT_TRUE(world_->Exists(keep + "\\kept.txt"));

  Paths listing{"kept"};
  CollectFolder(fs(), world_->At("missing"), listing);
  EXPECT_EQ(listing, Paths{"kept"});
}

// A dropped link is listed alone, so that deleting the list removes at most
// the link; a link inside a dropped folder is one of its entries.
TEST_F(DropIntakeTest, DroppedLinkIsListedAloneAndItsTargetSurvives) {
  const std::string target = world_->At("target");
  world_->MakeFolder(target);
  world_->MakeFile(target + "\\a.txt", "a");
  world_->MakeFolder(target + "\\sub");
  world_->MakeFile(target + "\\sub\\b.txt", "b");
  const std::string link = world_->At("link");
  const std::string dir = world_->At("dir");
  world_->MakeFolder(dir);
  if (!world_->MakeFolderLink(link, target) || !world_->MakeFolderLink(dir + "\\inner", target)) {
    GTEST_SKIP() << "this world cannot make folder links";
  }
  const DelList list = Drop({link, dir});
  EXPECT_EQ(list, (DelList{link, dir, dir + "\\inner"}));
  DeleteListed(fs(), list);
  EXPECT_EQ(world_->Content(target + "\\a.txt"), "a");
  EXPECT_EQ(world_->Content(target + "\\sub\\b.txt"), "b");
}

// A drop of many names of one folder learns which are folders from one
// listing of it: it lists what each name dropped alone lists, whatever case,
// trailing dot or blank, script or link the name has, or no entry at all.
TEST_F(DropIntakeTest, ManyNamesOfOneFolderListWhatEachNameListsAlone) {
  const std::string dir = world_->At("many");
  world_->MakeFolder(dir);
  for (const std::string& name : {U8(u8"Sub"), U8(u8"表ソ"), U8(u8"Дом"), U8(u8"a.b")}) {
    world_->MakeFolder(dir + "\\" + name);
    world_->MakeFile(dir + "\\" + name + "\\x.txt", "x");
  }
  world_->MakeFile(dir + "\\file.txt", "f");
  world_->MakeFolder(world_->At("target"));
  world_->MakeFile(world_->At("target\\t.txt"), "t");
  const bool linked = world_->MakeFolderLink(dir + "\\link", world_->At("target"));
  Paths names{"Sub",       "SUB", "sub",      "Sub.",     "Sub ", U8(u8"表ソ"), U8(u8"Дом"),
              U8(u8"дом"), "A.B", "file.txt", "FILE.TXT", "gone", "Gone.txt",   "sub\\x.txt"};
  if (linked) names.insert(names.end(), {"link", "LINK"});
  Paths dropped;
  DelList alone;
  for (const auto& name : names) {
    dropped.push_back(dir + "\\" + name);
    IntakeDrop(fs(), {dropped.back()}, alone);
  }
  testing::CountingPlatform counting(fs());
  DelList together;
  IntakeDrop(counting, dropped, together);
  EXPECT_EQ(together, alone);
  // Asked alone: the names no key tells ("Sub.", "Sub ") and the one name of
  // another folder.
  EXPECT_EQ(counting.Calls("GetAttributes"), 3);
}

// A drive root already ends in a backslash; its entries get no second one.
// Under Wine C:\ is the test prefix's own drive.
TEST_F(DropIntakeTest, DriveRootEntriesCarryASingleBackslash) {
  const std::string root = "C:\\";
  const std::string rootName = world_->Root();
  const std::string file = root + rootName.substr(rootName.rfind('\\') + 1) + ".txt";
  world_->MakeFile(file, "");
  struct Remove {
    Platform& fs;
    std::string path;
    ~Remove() { fs.RemoveFile(path); }
  } remove{fs(), file};

  const DelList list = Drop({root});
  ASSERT_GE(list.size(), 2u);
  EXPECT_EQ(list[0], root);
  EXPECT_NE(std::find(list.begin() + 1, list.end(), file), list.end());
  for (size_t i = 1; i < list.size(); ++i) {
    EXPECT_EQ(list[i].rfind(root, 0), 0u) << list[i];
    EXPECT_NE(list[i][root.size()], '\\') << list[i];
  }
}

}  // namespace
}  // namespace moxlyn
