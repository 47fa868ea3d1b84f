// How the drop intake learns which dropped names are folders: names that
// share a folder are answered from one listing of it, every other name (and
// every name the listing cannot tell exactly) by a question of its own; what
// the drop lists is the same either way.
#include "core/drop_intake.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/counting_platform.h"
#include "tests/support/memory_platform.h"

namespace moxlyn {
namespace {

using Paths = std::vector<std::string>;

TEST(DropIntakeLookups, NamesOfAFolderAreAnsweredByOneListingAsTheirOwnLookupsWould) {
  Paths dropped;
  const auto drop = [&](const std::string& path) { dropped.push_back(path); };
  for (int i = 0; i < 40; ++i) drop("C:\\many\\f" + std::to_string(i));
  for (int i = 0; i < 10; ++i) drop("C:\\MANY\\D" + std::to_string(i));  // its own listing
  for (int i = 0; i < 10; ++i) drop("C:\\many\\gone" + std::to_string(i));
  for (const char* name : {"link", "d1.", "d2 "}) drop(std::string("C:\\many\\") + name);
  for (const char* path :
       {"C:\\few\\a", "C:\\few\\b", "C:\\none\\a", "C:\\none\\b", "C:\\none\\c"}) {
    drop(path);
  }
  // Each a question of its own: the last two names, the names of C:\few, and
  // those of C:\none, which cannot be listed.
  constexpr int kAlone = 2 + 2 + 3;
  // The other names of C:\many, written either way.
  constexpr int kMany = 40 + 10 + 10 + 1;
  struct Case {
    const char* name;
    std::function<void(testing::MemoryPlatform&)> fault;
    int listings;
    int lookups;
  } const cases[] = {
      {"every name told by a listing", {}, 3, kAlone},
      {"a name in the folder that no key tells",
       [](testing::MemoryPlatform& fs) { fs.AddFile("C:\\many\\Ｆ.txt"); }, 3, kAlone + kMany},
      {"a folder that cannot be listed", [](testing::MemoryPlatform& fs) { fs.Lock("C:\\many"); },
       3, kAlone + kMany},
      {"a few names of a large folder",
       [](testing::MemoryPlatform& fs) {
         for (int i = 0; i < 2000; ++i) fs.AddFile("C:\\many\\big" + std::to_string(i));
       },
       3, kAlone + kMany},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::MemoryPlatform fs;
    for (int i = 0; i < 40; ++i) fs.AddFile("C:\\many\\f" + std::to_string(i));
    for (int i = 0; i < 10; ++i) fs.AddFile("C:\\many\\d" + std::to_string(i) + "\\x");
    fs.AddFolder("C:\\target\\inside");
    fs.AddFolderLink("C:\\many\\link", "C:\\target");
    fs.AddFile("C:\\few\\a");
    if (c.fault) c.fault(fs);
    DelList alone;
    for (const auto& path : dropped) IntakeDrop(fs, {path}, alone);

    testing::CountingPlatform counting(fs);
    DelList together;
    IntakeDrop(counting, dropped, together);
    EXPECT_EQ(together, alone);
    EXPECT_EQ(counting.Calls("ListKeys"), c.listings);
    EXPECT_EQ(counting.Calls("GetAttributes"), c.lookups);
  }
}

}  // namespace
}  // namespace moxlyn
