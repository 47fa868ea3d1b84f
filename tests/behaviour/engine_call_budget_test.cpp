// The engine's call budget: the platform calls it makes per file and per
// folder on a known tree are pinned exactly, so extra work per entry shows up
// as a failing count (times would not).
#include <gtest/gtest.h>

#include "core/deletion_engine.h"
#include "tests/support/counting_platform.h"
#include "tests/support/test_world.h"

namespace moxlyn {
namespace {

TEST(EngineCallBudget, ThreeCallsPerFileFourPerFolderAndOneAttributeWritePerReadOnlyEntry) {
  auto world = testing::MakeWorld();
  const std::string root = world->At("budget");
  world->MakeFolder(root);
  int files = 0;
  int folders = 1;  // the listed one
  int readOnly = 0;
  for (const char* sub : {"a", "b", "c"}) {
    const std::string folder = root + "\\" + sub;
    world->MakeFolder(folder);
    ++folders;
    for (const char* name : {"1.o", "2.o", "3.o", "4.o"}) {
      const bool locked = std::string(name) == "1.o";
      world->MakeFile(folder + "\\" + name, "x", locked ? kAttrReadOnly : 0);
      ++files;
      readOnly += locked ? 1 : 0;
    }
  }
  world->MakeFile(root + "\\top.txt", "x");
  ++files;

  // The kind of ID the volume's listing gives: each entry's ID is asked in it.
  FileIdKind listed = FileIdKind::k64;
  {
    Platform& platform = world->platform();
    auto folder = platform.EngineOpen(platform.ToEnginePath(root), kEngineInspect);
    ASSERT_TRUE(folder);
    auto lister = platform.EngineReopen(*folder, kEngineList);
    ASSERT_TRUE(lister);
    platform.EngineList(*lister, [&](const FindEntry& entry) { listed = entry.fileId.kind; });
  }
  const bool wide = listed == FileIdKind::k128;

  testing::CountingPlatform counting(world->platform());
  DeleteListed(counting, {root});

  EXPECT_FALSE(world->Exists(root));
  // Per file: opened through its folder's handle, its ID asked, removed (3).
  // Per folder: the same with its listing in between (4); the listed folder
  // is opened by its path instead, asked in full, its attributes asked by the
  // path, and opened again through its own handle for listing (6). The
  // read-only bit is cleared where it is set. Each ID is asked in the kind
  // of the listing's.
  EXPECT_EQ(counting.Calls("GetAttributes"), 1);
  EXPECT_EQ(counting.Calls("Open"), 1);
  EXPECT_EQ(counting.Calls("OpenChild"), files + folders - 1);
  EXPECT_EQ(counting.Calls("Reopen"), 1);
  EXPECT_EQ(counting.Calls("Query"), 1);
  EXPECT_EQ(counting.Calls("QueryId"), files + folders - 1);
  EXPECT_EQ(counting.Calls(wide ? "QueryId 128" : "QueryId 64"), files + folders - 1);
  EXPECT_EQ(counting.Calls("List"), folders);
  EXPECT_EQ(counting.Calls("Remove"), files + folders);
  EXPECT_EQ(counting.Calls("SetAttributes"), readOnly);
  EXPECT_EQ(counting.FileSystemCalls(), 3 * files + 4 * (folders - 1) + 6 + readOnly);
}

}  // namespace
}  // namespace moxlyn
