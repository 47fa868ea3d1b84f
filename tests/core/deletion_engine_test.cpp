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

}  // namespace
}  // namespace moxlyn
