// The deletion engine on a file system (in memory natively, real folders
// under Wine).
#include "core/deletion_engine.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/drop_intake.h"
#include "tests/support/platform_wrapper.h"
#include "tests/support/test_world.h"
#include "tests/support/utf8_text.h"

namespace moxlyn {
namespace {

using testing::U8;

class DeletionEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { world_ = testing::MakeWorld(); }
  std::string At(const std::string& relative) { return world_->At(relative); }
  // The parent folders must exist (real folders are made one level at a time).
  void Folder(const std::string& relative, uint32_t attributes = 0) {
    world_->MakeFolder(At(relative), attributes);
  }
  void File(const std::string& relative, uint32_t attributes = 0) {
    world_->MakeFile(At(relative), "data of " + relative, attributes);
  }
  bool Exists(const std::string& relative) { return world_->Exists(At(relative)); }
  // Deletes the entries, and checks that the outcome tells of each entry
  // whether something is left at its path.
  void Delete(std::initializer_list<std::string> relatives) {
    DelList list;
    for (const auto& relative : relatives) list.push_back(At(relative));
    const DeletionOutcome outcome = DeleteListed(world_->platform(), list);
    size_t at = 0;
    for (const auto& entry : list) {
      EXPECT_EQ(outcome.remains[at++], world_->Exists(std::string(entry))) << entry;
    }
  }
  std::unique_ptr<testing::TestWorld> world_;
};

TEST_F(DeletionEngineTest, ListedFolderGoesWithEverythingInsideWhateverTheAttributes) {
  Folder("top");
  File("top\\plain.txt");
  File("top\\readonly.txt", kAttrReadOnly);
  File("top\\hidden.txt", kAttrHidden);
  File("top\\system.txt", kAttrSystem | kAttrHidden | kAttrReadOnly);
  Folder("top\\one");
  File("top\\one\\a.txt");
  Folder("top\\one\\two");
  File("top\\one\\two\\b.txt", kAttrReadOnly);
  world_->MakeFolder(At("top\\one\\two"), kAttrReadOnly);
  Folder("top\\hiddenfolder", kAttrHidden);
  File("top\\hiddenfolder\\c.txt");
  File("beside.txt");

  Delete({"top"});
  EXPECT_FALSE(Exists("top"));
  EXPECT_TRUE(Exists("beside.txt"));
}

TEST_F(DeletionEngineTest, ReadOnlyFileListedDirectlyStaysUntouched) {
  File("readonly.txt", kAttrReadOnly);
  File("plain.txt");
  Delete({"readonly.txt", "plain.txt"});
  EXPECT_TRUE(Exists("readonly.txt"));
  EXPECT_NE(world_->Attributes(At("readonly.txt")) & kAttrReadOnly, 0u);
  EXPECT_EQ(world_->Content(At("readonly.txt")), "data of readonly.txt");
  EXPECT_FALSE(Exists("plain.txt"));
}

TEST_F(DeletionEngineTest, ListsThatNameTheSameTreeTwiceOrInAnyOrder) {
  struct Case {
    const char* name;
    std::initializer_list<std::string> list;
  };
  const Case cases[] = {
      // As the drop intake lists a folder: the folder, then its direct entries.
      {"folder then its entries", {"a", "a\\f.txt", "a\\b", "a\\g.txt"}},
      {"inner folder first", {"a\\b", "a"}},
      {"outer folder first", {"a", "a\\b"}},
      {"other case, inner first", {"A\\B", "a"}},
      {"missing paths around", {"gone", "a\\gone.txt", "a", "gone\\deeper"}},
      {"the same folder twice", {"a", "a"}},
      // A file dropped, then its grandparent: the folder between them is
      // held open for the file, and must be closed before the grandparent goes.
      {"a file, then its grandparent with its entries",
       {"a\\b\\h.txt", "a", "a\\f.txt", "a\\b", "a\\g.txt"}},
      {"a file three listed folders deep, then the folders from the top",
       {"a\\b\\c\\h.txt", "a", "a\\b", "a\\b\\c"}},
  };
  // Natively the classic disposition too, where a handle left open inside a
  // listed folder keeps it from going.
  for (const bool classic : {false, true}) {
    if (classic && !world_->UseClassicDeletion()) break;
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::Message() << c.name << (classic ? ", classic" : ""));
      Folder("a");
      File("a\\f.txt");
      File("a\\g.txt");
      Folder("a\\b");
      File("a\\b\\h.txt");
      Folder("a\\b\\c");
      File("a\\b\\c\\h.txt");
      Delete(c.list);
      EXPECT_FALSE(Exists("a"));
    }
  }
}

TEST_F(DeletionEngineTest, MissingPathAndEmptyEntryAreSkipped) {
  File("kept.txt");
  Folder("empty");
  DeleteListed(world_->platform(), {At("missing"), "", At("missing\\x.txt"), At("empty")});
  EXPECT_FALSE(Exists("empty"));
  EXPECT_TRUE(Exists("kept.txt"));
}

TEST_F(DeletionEngineTest, LockedFileKeepsItsFolderChainAndNothingElse) {
  Folder("top");
  Folder("top\\keep");
  Folder("top\\keep\\deep");
  File("top\\keep\\deep\\locked.txt");
  File("top\\keep\\deep\\other.txt");
  File("top\\keep\\x.txt");
  Folder("top\\keep\\gone");
  File("top\\keep\\gone\\y.txt");
  Folder("top\\sibling");
  File("top\\sibling\\z.txt");
  File("top\\w.txt");
  world_->Lock(At("top\\keep\\deep\\locked.txt"));

  Delete({"top"});
  EXPECT_TRUE(Exists("top\\keep\\deep\\locked.txt"));
  for (const char* gone : {"top\\keep\\deep\\other.txt", "top\\keep\\x.txt", "top\\keep\\gone",
                           "top\\sibling", "top\\w.txt"}) {
    EXPECT_FALSE(Exists(gone)) << gone;
  }
}

TEST_F(DeletionEngineTest, ListedReadOnlyFolderIsEmptiedButKeepsItsAttribute) {
  Folder("ro");
  File("ro\\a.txt");
  Folder("ro\\sub");
  File("ro\\sub\\b.txt", kAttrReadOnly);
  world_->MakeFolder(At("ro"), kAttrReadOnly);
  const bool held = (world_->Attributes(At("ro")) & kAttrReadOnly) != 0;

  Delete({"ro"});
  EXPECT_FALSE(Exists("ro\\a.txt"));
  EXPECT_FALSE(Exists("ro\\sub"));
  // Windows refuses to remove a read-only folder; a file system that does not
  // keep the attribute on folders (Wine) removes it.
  if (held) {
    EXPECT_TRUE(Exists("ro"));
    EXPECT_NE(world_->Attributes(At("ro")) & kAttrReadOnly, 0u);
  } else {
    EXPECT_FALSE(Exists("ro"));
  }
}

// Names outside any code page go as themselves, and only they: "café.txt"
// is not its neighbour "cafe.txt".
TEST_F(DeletionEngineTest, NamesOfAnyScriptGoAsThemselves) {
  const std::string table = U8(u8"表");
  const std::string inner = table + U8(u8"\\😀");
  Folder(table);
  Folder(inner);
  File(inner + U8(u8"\\한국.txt"), kAttrReadOnly);
  File(table + U8(u8"\\简.txt"));
  const std::string cafe = U8(u8"café.txt");
  File(cafe);
  File("cafe.txt");
  Delete({table, cafe});
  EXPECT_FALSE(Exists(table));
  EXPECT_FALSE(Exists(cafe));
  EXPECT_TRUE(Exists("cafe.txt"));
}

TEST_F(DeletionEngineTest, FolderLinksAreNeverFollowed) {
  Folder("target");
  Folder("target\\inner");
  File("target\\keep.txt", kAttrReadOnly);
  File("target\\inner\\keep2.txt");
  Folder("top");
  File("top\\a.txt");
  if (!world_->MakeFolderLink(At("top\\link"), At("target")) ||
      !world_->MakeFolderLink(At("listed"), At("target\\inner"))) {
    GTEST_SKIP() << "this world cannot make folder links";
  }

  Delete({"top", "listed"});
  EXPECT_EQ(world_->Content(At("target\\keep.txt")), "data of target\\keep.txt");
  EXPECT_NE(world_->Attributes(At("target\\keep.txt")) & kAttrReadOnly, 0u);
  EXPECT_EQ(world_->Content(At("target\\inner\\keep2.txt")), "data of target\\inner\\keep2.txt");
  EXPECT_FALSE(Exists("top\\a.txt"));
}

// A platform that, just before the engine first makes the call operation
// about the entry named subject, renames the folder at swapped away and puts
// a link to the folder canary in its place, as another program would.
class SwapBefore : public testing::PlatformWrapper {
 public:
  SwapBefore(testing::TestWorld& world, std::string swapped, std::string canary,
             std::string operation, std::string subject)
      : PlatformWrapper(world.platform()),
        world_(world),
        swapped_(std::move(swapped)),
        canary_(std::move(canary)),
        operation_(std::move(operation)),
        subject_(std::move(subject)) {}
  bool reached = false;  // the engine made that call
  bool linked = false;

 protected:
  void Calling(const char* operation) override {
    if (reached || operation != operation_ || Subject() != subject_) return;
    reached = true;
    linked = world_.Move(swapped_, swapped_ + ".moved") && world_.MakeFolderLink(swapped_, canary_);
  }

 private:
  testing::TestWorld& world_;
  std::string swapped_;
  std::string canary_;
  std::string operation_;
  std::string subject_;
};

TEST_F(DeletionEngineTest, AFolderSwappedForALinkBeforeOrDuringTheDeletionLeavesWhereTheLinkLeads) {
  // The canary holds the names of the listed tree, read-only and plain.
  std::vector<std::string> plain;
  for (int i = 0; i < 20; ++i) plain.push_back("f" + std::to_string(i) + ".txt");
  Folder("canary");
  Folder("canary\\zsub");
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "zsub\\c.txt"}) {
    File(std::string("canary\\") + name, kAttrReadOnly);
  }
  for (const auto& name : plain) File("canary\\" + name);
  // Under Wine an entry opened through the handle of a folder renamed since
  // keeps a name under the folder's old path, and removing it through its
  // handle removes nothing: what the renamed listed folder holds stays.
  struct Case {
    const char* swapped;
    const char* operation;  // swapped just before the engine's first call of this
    const char* subject;    // about the entry of this name
    bool dropped;           // listed as a drop lists it: the folder, then its entries
    const char* goneAfter;  // a file the deletion still reaches, if any
  } const cases[] = {
      // A sub-folder, once its folder was listed; the listed folder before
      // the deletion, and while it is emptied.
      {"0\\top\\zsub", "OpenChild", "zsub", false, "0\\top\\a.txt"},
      {"1\\top", "QueryId", "a.txt", false, nullptr},
      {"2\\top", "Open", "top", true, nullptr},
      {"3\\top", "QueryId", "a.txt", true, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.swapped);
    const std::string row(c.swapped, 1);
    Folder(row);
    Folder(row + "\\top");
    File(row + "\\top\\a.txt");
    File(row + "\\top\\b.txt");
    for (const auto& name : plain) File(row + "\\top\\" + name);
    Folder(row + "\\top\\zsub");
    File(row + "\\top\\zsub\\c.txt");
    File(row + "\\top\\zsub\\d.txt");
    DelList list{At(row + "\\top")};
    if (c.dropped) {
      list.clear();
      IntakeDrop(world_->platform(), {At(row + "\\top")}, list);
      ASSERT_EQ(list.size(), 24u);
    }
    SwapBefore swapping(*world_, At(c.swapped), At("canary"), c.operation, c.subject);
    DeleteListed(swapping, list);
    ASSERT_TRUE(swapping.reached);
    if (!swapping.linked) GTEST_SKIP() << "this world cannot make folder links";
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "zsub\\c.txt"}) {
      const std::string canary = std::string("canary\\") + name;
      EXPECT_EQ(world_->Content(At(canary)), "data of " + canary);
      EXPECT_NE(world_->Attributes(At(canary)) & kAttrReadOnly, 0u) << canary;
    }
    for (const auto& name : plain) EXPECT_TRUE(Exists("canary\\" + name)) << name;
    if (c.goneAfter != nullptr) {
      EXPECT_FALSE(Exists(c.goneAfter));
    }
  }
}

}  // namespace
}  // namespace moxlyn
