// Which reparse points the deletion engine treats as links, by their tag.
#include "core/deletion_engine.h"

#include <gtest/gtest.h>

#include "tests/support/memory_platform.h"

namespace moxlyn {
namespace {

TEST(DeletionEngineTags, LinksAreRemovedAsLinksOtherMicrosoftTagsAreFolders) {
  struct Case {
    const char* name;
    uint32_t tag;
    bool link;
  } const cases[] = {
      {"symbolic link", 0xA000000C, true},
      {"junction", 0xA0000003, true},
      {"other name surrogate", 0x20001234, true},
      {"tag of another vendor", 0x00001234, true},
      {"tag unknown (zero)", 0, true},
      {"deduplicated folder", 0x80000013, false},
      {"cloud files folder", 0x9000601A, false},
  };
  for (const auto& c : cases) {
    for (const bool listedDirectly : {false, true}) {
      SCOPED_TRACE(std::string(c.name) +
                   (listedDirectly ? ", listed" : ", inside a listed folder"));
      testing::MemoryPlatform fs;
      fs.AddFile("C:\\store\\data.txt", "kept?");
      fs.AddFile("C:\\top\\a.txt");
      fs.AddFolderLink("C:\\top\\point", "C:\\store", c.tag);
      DeleteListed(fs, {listedDirectly ? "C:\\top\\point" : "C:\\top"});
      EXPECT_EQ(fs.Exists("C:\\store\\data.txt"), c.link);
      // Either way the reparse point itself is removed.
      EXPECT_FALSE(fs.Exists("C:\\top\\point"));
    }
  }
}

// A platform whose engine form of a path is the same path on drive E:.
class OtherDriveEngine : public testing::MemoryPlatform {
 public:
  std::string EnginePath(const std::string& listedPath) override {
    return listedPath.empty() ? listedPath : "E" + listedPath.substr(1);
  }
};

TEST(DeletionEngineForm, EveryFileSystemCallTakesTheEngineForm) {
  // The same tree on both drives: the engine must empty and remove the one on
  // E: and never touch the listed paths themselves.
  OtherDriveEngine fs;
  for (const char* drive : {"C:", "E:"}) {
    const std::string d = drive;
    fs.AddFile(d + "\\top\\a.txt");
    fs.AddFile(d + "\\top\\ro.txt", "", kAttrReadOnly);
    fs.AddFile(d + "\\top\\sub\\b.txt");
    fs.AddFolder(d + "\\top\\sub\\inner");
    fs.AddFile(d + "\\loose.txt");
  }
  DeleteListed(fs, {"C:\\top\\sub", "C:\\top", "C:\\top\\a.txt", "C:\\loose.txt"});
  EXPECT_FALSE(fs.Exists("E:\\top"));
  EXPECT_FALSE(fs.Exists("E:\\loose.txt"));
  for (const char* kept : {"C:\\top\\a.txt", "C:\\top\\sub\\inner", "C:\\loose.txt"}) {
    EXPECT_TRUE(fs.Exists(kept)) << kept;
  }
  EXPECT_NE(fs.GetAttributes("C:\\top\\ro.txt") & kAttrReadOnly, 0u);
}

}  // namespace
}  // namespace moxlyn
