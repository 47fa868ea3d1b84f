// How the drop intake learns which dropped names are folders: names that
// share a folder from one listing of it, every other name by a question of
// its own.
#include "core/drop_intake.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/counting_platform.h"
#include "tests/support/memory_platform.h"
#include "tests/support/utf8_text.h"

namespace moxlyn {
namespace {

using testing::U8;
using Paths = std::vector<std::string>;

// Each folder listed once, and asked name by name where the listing cannot
// tell (a name in it without a key, a folder that cannot be listed, a few
// names of a large one): what the drop lists is what each name lists alone.
TEST(DropIntakeLookups, NamesOfAFolderAreAnsweredByOneListingAsTheirOwnLookupsWould) {
  Paths dropped{"C:\\many\\link", "C:\\many\\d1.", "C:\\many\\d2 ", "C:\\few\\a",
                "C:\\few\\b",     "C:\\none\\a",   "C:\\none\\b",   "C:\\none\\c"};
  for (int i = 0; i < 40; ++i) dropped.push_back("C:\\many\\f" + std::to_string(i));
  for (int i = 0; i < 10; ++i) dropped.push_back("C:\\MANY\\D" + std::to_string(i));
  for (int i = 0; i < 10; ++i) dropped.push_back("C:\\many\\gone" + std::to_string(i));
  dropped.push_back("C:\\many\\Case");
  // Asked alone always: "d1.", "d2 ", the two of C:\few and C:\none's three;
  // where the listing cannot tell, the 62 other names of C:\many and C:\MANY.
  constexpr int kAlone = 7;
  const struct {
    std::function<void(testing::MemoryPlatform&)> fault;
    int askedAlone;
  } faults[] = {
      {nullptr, kAlone},
      {[](testing::MemoryPlatform& fs) { fs.AddFile(U8(u8"C:\\many\\Ｆ.txt")); }, kAlone + 62},
      {[](testing::MemoryPlatform& fs) { fs.Lock("C:\\many"); }, kAlone + 62},
      {[](testing::MemoryPlatform& fs) {
         for (int i = 0; i < 2000; ++i) fs.AddFile("C:\\many\\big" + std::to_string(i));
       },
       kAlone + 62},
      // A folder "Case" and a file "CASE" there: one key, two entries.
      {[](testing::MemoryPlatform& fs) {
         fs.TellCaseApart("C:\\many");
         fs.AddFile("C:\\many\\Case\\in.txt");
         fs.AddFile("C:\\many\\CASE");
       },
       kAlone + 1},
  };
  for (const auto& [fault, askedAlone] : faults) {
    testing::MemoryPlatform fs;
    for (int i = 0; i < 40; ++i) fs.AddFile("C:\\many\\f" + std::to_string(i));
    for (int i = 0; i < 10; ++i) fs.AddFile("C:\\many\\d" + std::to_string(i) + "\\x");
    fs.AddFolder("C:\\target\\inside");
    fs.AddFolderLink("C:\\many\\link", "C:\\target");
    fs.AddFile("C:\\few\\a");
    if (fault) fault(fs);
    DelList alone;
    for (const auto& path : dropped) IntakeDrop(fs, {path}, alone);
    testing::CountingPlatform counting(fs);
    DelList together;
    IntakeDrop(counting, dropped, together);
    EXPECT_EQ(together, alone);
    EXPECT_EQ(counting.Calls("ListKeys"), 3);  // C:\many, C:\MANY and C:\none
    EXPECT_EQ(counting.Calls("GetAttributes"), askedAlone);
  }
}

}  // namespace
}  // namespace moxlyn
