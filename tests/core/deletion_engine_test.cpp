// The deletion engine on what only the in-memory platform can stage: reparse
// tags, links and what lies behind them, a folder swapped for a link at any
// moment, the forms a list entry may take, and trees too deep for any
// recursion.
#include "core/deletion_engine.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <new>
#include <vector>

#include "core/drop_intake.h"
#include "tests/support/memory_platform.h"
#include "tests/support/platform_wrapper.h"

namespace moxlyn {
namespace {

using System = testing::MemoryPlatform::System;
using Ids = testing::MemoryPlatform::Ids;
constexpr System kSystems[] = {System::kWindows10, System::kWindowsWithoutPosixDelete,
                               System::kWine};
constexpr Ids kIds[] = {Ids::kUnique, Ids::kZero, Ids::kAllOnes};
using Volume = testing::MemoryPlatform::Volume;
constexpr Volume kVolumes[] = {Volume::kNtfs, Volume::kReFS, Volume::kFat, Volume::kShare};

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
  EnginePath ToEnginePath(const std::string& listedPath) override {
    return {listedPath.empty() ? listedPath : "E" + listedPath.substr(1)};
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

TEST(DeletionEngineLinks, NothingBehindALinkIsEmptiedOrChanged) {
  // The handle is on the link's target, or the link cannot be opened at all,
  // so the tag cannot be learnt: the listed or dropped link counts as a link,
  // though the tag, were it known, would make it an ordinary folder. Dropped
  // with a trailing backslash, through which the file system would follow it,
  // the link is still listed alone.
  for (const std::string dropped : {"", "C:\\top\\point", "C:\\top\\point\\", "unopened"}) {
    SCOPED_TRACE(dropped);
    const bool unopened = dropped == "unopened";
    testing::MemoryPlatform fs;
    fs.AddFile("C:\\store\\data.txt", "kept");
    fs.AddFolderLink("C:\\top\\point", "C:\\store", 0x80000013);
    if (unopened) {
      fs.Refuse("C:\\top\\point", testing::MemoryPlatform::kRefuseOpen);
    } else {
      fs.Model(System::kWine);
    }
    DelList list{"C:\\top\\point"};
    if (!dropped.empty()) {
      list.clear();
      IntakeDrop(fs, {unopened ? "C:\\top\\point" : dropped}, list);
      EXPECT_EQ(list, DelList{unopened ? "C:\\top\\point" : dropped});
    }
    DeleteListed(fs, list);
    EXPECT_EQ(fs.Content("C:\\store\\data.txt"), "kept");
  }

  // A read-only link inside a listed folder, or listed with a trailing
  // backslash (through which the file system would follow it): its read-only
  // target keeps every file and every attribute. Inside a listed folder the
  // link's own read-only bit is cleared and the link removed; listed, it
  // keeps its bit as every listed entry does.
  for (const char* listed : {"C:\\top", "C:\\top\\link\\", "C:\\top\\link\\\\"}) {
    SCOPED_TRACE(listed);
    testing::MemoryPlatform fs;
    fs.AddFolder("C:\\store", kAttrReadOnly);
    fs.AddFile("C:\\store\\f.txt", "kept", kAttrReadOnly | kAttrHidden);
    fs.AddFolder("C:\\store\\sub", kAttrReadOnly);
    fs.AddFolderLink("C:\\top\\link", "C:\\store");
    ASSERT_TRUE(fs.SetAttributes("C:\\top\\link", kAttrReadOnly));
    DeleteListed(fs, {listed});
    EXPECT_EQ(fs.Exists("C:\\top\\link"), listed != std::string("C:\\top"));
    EXPECT_EQ(fs.GetAttributes("C:\\store"), kAttrDirectory | kAttrReadOnly);
    EXPECT_EQ(fs.GetAttributes("C:\\store\\f.txt"), kAttrReadOnly | kAttrHidden);
    EXPECT_EQ(fs.GetAttributes("C:\\store\\sub"), kAttrDirectory | kAttrReadOnly);
    EXPECT_EQ(fs.Content("C:\\store\\f.txt"), "kept");
  }
  // An ordinary folder listed with a trailing backslash goes as the folder.
  testing::MemoryPlatform fs;
  fs.AddFile("C:\\top\\a.txt");
  DeleteListed(fs, {"C:\\top\\"});
  EXPECT_FALSE(fs.Exists("C:\\top"));
}

TEST(DeletionEngineLinks, ClearingReadOnlyKeepsTheOtherBits) {
  testing::MemoryPlatform fs;
  fs.AddFile("C:\\top\\held.txt", "", kAttrReadOnly | kAttrHidden);
  fs.Lock("C:\\top\\held.txt");
  DeleteListed(fs, {"C:\\top"});
  EXPECT_EQ(fs.GetAttributes("C:\\top\\held.txt"), kAttrHidden);
}

TEST(DeletionEngineRights, WhatEntriesRefuseOrOthersHoldAndWhereLinksLeadOnEveryVolume) {
  using Fs = testing::MemoryPlatform;
  // Where a row holds: on Windows (opens that do not follow links), where
  // names go at once (POSIX deletion), where they stay until their last
  // handle closes, where opens follow links (Wine), everywhere.
  enum When { kWindows, kPosix, kClassic, kFollowing, kAlways };
  const auto links = [](Fs& fs) {
    fs.AddFileLink("C:\\fl", "C:\\store\\x.txt");
    fs.AddFolderLink("C:\\el", "C:\\store\\empty");
  };
  const auto held = [](Fs& fs) {
    fs.AddFile("C:\\top\\s\\held.txt");
    fs.AddFile("C:\\top\\s\\other.txt");
    fs.AddFile("C:\\top\\t\\y.txt");
    fs.HoldSharingDelete("C:\\top\\s\\held.txt");
  };
  struct Case {
    const char* name;
    When when;
    bool links;                      // needs reparse points (none on FAT)
    std::function<void(Fs&)> build;  // beside C:\store
    DelList list;
    std::vector<const char*> gone;
    std::vector<const char*> kept;
    DelList left;  // the entries the outcome says something remains at
  } const cases[] = {
      {"junctions and empty folders that refuse their listing, inside and listed",
       kWindows,
       true,
       [](Fs& fs) {
         fs.AddFolderLink("C:\\top\\j", "C:\\store", 0xA0000003);
         fs.AddFolderLink("C:\\k", "C:\\store", 0xA0000003);
         fs.AddFolder("C:\\top\\e");
         fs.AddFolder("C:\\f");
         for (const char* path : {"C:\\top\\j", "C:\\k", "C:\\top\\e", "C:\\f"}) {
           fs.Refuse(path, kEngineList);
         }
       },
       {"C:\\top", "C:\\k", "C:\\f"},
       {"C:\\top", "C:\\k", "C:\\f"},
       {},
       {}},
      {"empty read-only and deduplicated folders that refuse their listing",
       kWindows,
       true,
       [](Fs& fs) {
         fs.AddFolder("C:\\top\\ro", kAttrReadOnly);
         fs.AddFolder("C:\\store\\dd");
         fs.AddFolderLink("C:\\top\\dd", "C:\\store\\dd", 0x80000013);
         fs.Refuse("C:\\top\\ro", kEngineList);
         fs.Refuse("C:\\top\\dd", kEngineList);
       },
       {"C:\\top"},
       {"C:\\top"},
       {"C:\\store\\dd"},
       {}},
      {"a read-only folder whose rights refuse the attribute write is emptied",
       kAlways,
       false,
       [](Fs& fs) {
         fs.AddFile("C:\\top\\ro\\a.txt");
         fs.AddFile("C:\\top\\ro\\sub\\b.txt");
         fs.AddFolder("C:\\top\\ro", kAttrReadOnly);
         fs.Refuse("C:\\top\\ro", kEngineWriteAttributes);
       },
       {"C:\\top"},
       {"C:\\top\\ro\\a.txt", "C:\\top\\ro\\sub"},
       {"C:\\top\\ro"},
       {"C:\\top"}},
      {"folders that refuse deletion are emptied",
       kWindows,
       false,
       [](Fs& fs) {
         fs.AddFile("C:\\top\\d\\a.txt");
         fs.Refuse("C:\\top\\d", kEngineRemove);
         fs.Refuse("C:\\top", kEngineRemove);
       },
       {"C:\\top"},
       {"C:\\top\\d\\a.txt"},
       {"C:\\top\\d"},
       {"C:\\top"}},
      {"a folder on the way that refuses its listing, and names that are no names",
       kAlways,
       false,
       [](Fs& fs) {
         fs.AddFile("C:\\top\\nl\\f.txt");
         fs.AddFile("C:\\x.txt");
         fs.Refuse("C:\\top\\nl", kEngineList);
       },
       {"C:\\top\\nl\\f.txt", "C:\\top\\..\\x.txt", "C:\\top\\.", "C:\\top"},
       {},
       {"C:\\top\\nl\\f.txt", "C:\\x.txt"},
       {"C:\\top\\nl\\f.txt", "C:\\top\\..\\x.txt", "C:\\top\\.", "C:\\top"}},
      {"a share-delete holder, POSIX deletion",
       kPosix,
       false,
       held,
       {"C:\\top"},
       {"C:\\top"},
       {},
       {}},
      {"a share-delete holder, classic deletion: its folder chain stays",
       kClassic,
       false,
       held,
       {"C:\\top"},
       {"C:\\top\\s\\other.txt", "C:\\top\\t"},
       {"C:\\top\\s"},
       {"C:\\top"}},
      {"a list spanning a share keeps what each volume can do",
       kPosix,
       false,
       [&](Fs& fs) {
         held(fs);
         fs.SetVolume("S:", Fs::Volume::kShare);
         fs.AddFile("S:\\share\\f.txt");
         fs.AddFile("C:\\again\\g.txt");
         fs.HoldSharingDelete("C:\\again\\g.txt");
       },
       {"C:\\top", "S:\\share", "C:\\again"},
       {"C:\\top", "S:\\share", "C:\\again"},
       {},
       {}},
      {"a listed file link and a listed link to an empty folder go as links",
       kWindows,
       true,
       links,
       {"C:\\fl", "C:\\el"},
       {"C:\\fl", "C:\\el"},
       {"C:\\store\\empty"},
       {}},
      {"links followed on opening: what listed links lead to stays",
       kFollowing,
       true,
       links,
       {"C:\\fl", "C:\\el"},
       {},
       {"C:\\store\\empty"},
       {"C:\\fl", "C:\\el"}},
      {"links followed on opening: what links inside a listed folder lead to stays",
       kFollowing,
       true,
       [](Fs& fs) {
         fs.AddFileLink("C:\\top\\fl", "C:\\store\\x.txt");
         fs.AddFolderLink("C:\\top\\el", "C:\\store\\empty");
       },
       {"C:\\top"},
       {},
       {"C:\\store\\empty"},
       {"C:\\top"}},
      // C:\TOP\A\B lies under the listed link C:\top\a only when case is
      // ignored; through the link it is C:\store\b.
      {"what is listed under a listed link, whatever its case",
       kWindows,
       true,
       [](Fs& fs) {
         fs.AddFile("C:\\store\\b\\f.txt");
         fs.AddFolderLink("C:\\top\\a", "C:\\store");
       },
       {"C:\\TOP\\A\\B", "C:\\top\\a"},
       {"C:\\top\\a"},
       {"C:\\store\\b\\f.txt"},
       {}},
      {"what stays: a held file alone and in a folder, a read-only file listed directly",
       kAlways,
       false,
       [](Fs& fs) {
         fs.AddFile("C:\\h.txt");
         fs.AddFile("C:\\top\\s\\held.txt");
         fs.AddFile("C:\\top\\a.txt");
         fs.AddFile("C:\\ro.txt", "", kAttrReadOnly);
         fs.AddFile("C:\\d\\x.txt");
         for (const char* held : {"C:\\h.txt", "C:\\top\\s\\held.txt"}) {
           fs.Refuse(held, kEngineRemove);
         }
       },
       {"C:\\h.txt", "C:\\top", "C:\\top\\a.txt", "C:\\top\\s", "C:\\ro.txt", "C:\\missing.txt",
        "C:\\d", "C:\\d\\x.txt"},
       {"C:\\top\\a.txt", "C:\\d"},
       {"C:\\top\\s\\held.txt", "C:\\ro.txt"},
       {"C:\\h.txt", "C:\\top", "C:\\top\\s", "C:\\ro.txt"}},
  };
  for (const Volume volume : kVolumes) {
    for (const System system : kSystems) {
      const bool posix =
          system == System::kWindows10 && (volume == Volume::kNtfs || volume == Volume::kReFS);
      const bool following = system == System::kWine;
      for (const auto& c : cases) {
        const bool holds = c.when == kAlways || (c.when == kWindows && !following) ||
                           (c.when == kPosix && posix) || (c.when == kClassic && !posix) ||
                           (c.when == kFollowing && following);
        if (!holds || (c.links && volume == Volume::kFat)) continue;
        SCOPED_TRACE(::testing::Message() << c.name << ", volume " << static_cast<int>(volume)
                                          << ", system " << static_cast<int>(system));
        Fs fs;
        fs.SetVolume("C:", volume);
        fs.Model(system);
        fs.AddFile("C:\\store\\x.txt", "kept");
        fs.AddFolder("C:\\store\\empty");
        c.build(fs);
        const DeletionOutcome outcome = DeleteListed(fs, c.list);
        DelList left = c.list;
        left.KeepOnly(outcome.remains);
        EXPECT_EQ(left, c.left);
        EXPECT_FALSE(outcome.stopped);
        for (const char* path : c.gone) EXPECT_FALSE(fs.Exists(path)) << path;
        for (const char* path : c.kept) EXPECT_TRUE(fs.Exists(path)) << path;
        EXPECT_EQ(fs.Content("C:\\store\\x.txt"), "kept");
      }
    }
  }
}

// A platform on which memory runs out while the folder C:\two is read.
class MemoryRunsOutInTwo : public testing::MemoryPlatform {
 public:
  bool Enumerate(const std::string& pattern,
                 const std::function<void(const FindEntry&)>& visit) override {
    if (pattern.rfind("C:\\two\\", 0) == 0) throw std::bad_alloc();
    return MemoryPlatform::Enumerate(pattern, visit);
  }
};

// C:\one's names fill more than the list's first block of text.
TEST(DropIntakeFaults, ADropThatRunsOutOfMemoryLeavesTheListAndItsMemoryAsTheyWere) {
  MemoryRunsOutInTwo fs;
  for (int i = 0; i < 500; ++i) fs.AddFile("C:\\one\\a" + std::to_string(i) + ".txt");
  fs.AddFile("C:\\two\\b.txt");
  DelList list{"earlier"};
  const size_t held = list.TextBytes();
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_THROW(IntakeDrop(fs, {"C:\\f.txt", "C:\\one", "C:\\two"}, list), std::bad_alloc);
    EXPECT_EQ(list, DelList{"earlier"});
    EXPECT_EQ(list.TextBytes(), held);
  }
  list.push_back("later");
  EXPECT_EQ(list, (DelList{"earlier", "later"}));
}

// A platform that, just before its call number swapAt, renames the folder at
// swapped away, if it is still there, and puts in its place a link to
// C:\canary, or, with newcomer, an empty folder.
class SwapAtCall : public testing::PlatformWrapper {
 public:
  SwapAtCall(testing::MemoryPlatform& fs, std::string swapped, int swapAt)
      : PlatformWrapper(fs), fs_(fs), swapped_(std::move(swapped)), swapAt_(swapAt) {}
  bool newcomer = false;
  int calls = 0;
  int firstRemove = -1;  // the call number of the first removal

 protected:
  // Counts the file-system calls alone: a swap between two others is the
  // same as at the next.
  void Calling(const char* operation) override {
    const std::string name = operation;
    if (name == "Remove" && firstRemove < 0) firstRemove = calls;
    if (!testing::IsFileSystemCall(name)) return;
    if (calls++ != swapAt_ || !fs_.MoveEntry(swapped_, swapped_ + ".moved")) return;
    if (newcomer) {
      fs_.AddFolder(swapped_);
    } else {
      fs_.AddFolderLink(swapped_, "C:\\canary");
    }
  }

 private:
  testing::MemoryPlatform& fs_;
  std::string swapped_;
  int swapAt_;
};

TEST(DeletionEngineSwaps, AFolderSwappedForALinkAtAnyCallNeverSendsTheEngineOutside) {
  // The canary shares its names with the tree, so that a name looked up in
  // the wrong folder finds one of its entries.
  const char* const files[] = {"C:\\top\\a.txt", "C:\\top\\sub\\b.txt", "C:\\top\\sub\\deep\\c.txt",
                               "C:\\top\\sub\\deep\\ro.txt", "C:\\top\\z.txt"};
  const char* const canary[] = {"C:\\canary\\a.txt",       "C:\\canary\\b.txt",
                                "C:\\canary\\c.txt",       "C:\\canary\\ro.txt",
                                "C:\\canary\\deep\\c.txt", "C:\\canary\\sub\\deep\\ro.txt",
                                "C:\\canary\\z.txt",       "C:\\canary\\sub\\deep\\c.txt"};
  const auto attributesOf = [](const std::string& file) {
    return file.find("ro.") != std::string::npos ? kAttrReadOnly | kAttrHidden : kAttrArchive;
  };
  const auto build = [&](testing::MemoryPlatform& fs, Volume volume, System system, Ids ids) {
    fs.SetVolume("C:", volume);
    fs.Model(system);
    fs.ReportIds(ids);
    for (const char* file : files) fs.AddFile(file, file, attributesOf(file) & kAttrReadOnly);
    for (const char* file : canary) fs.AddFile(file, file, attributesOf(file));
  };
  // As listed by hand, inner folder first, and as a drop lists it: the
  // folder, then each of its direct entries.
  const DelList lists[] = {{"C:\\top", "C:\\top\\sub\\deep"},
                           {"C:\\top\\sub\\deep", "C:\\top"},
                           {"C:\\top", "C:\\top\\a.txt", "C:\\top\\sub", "C:\\top\\z.txt"}};
  // FAT has no links to swap in. On the other kinds the IDs each reports;
  // those that report none, or all-ones, on NTFS alone.
  for (const Volume volume : {Volume::kNtfs, Volume::kReFS, Volume::kShare}) {
    for (const System system : kSystems) {
      for (const Ids ids : kIds) {
        // Wine reports every object's ID: there, an unknown one would leave a
        // link followed on opening nothing to tell it by. A share's server
        // resolves each open by its path: there, only the IDs tell what a
        // link put on the way leads to (a limit of shares).
        if ((system == System::kWine || volume != Volume::kNtfs) && ids != Ids::kUnique) continue;
        for (const auto& list : lists) {
          for (const char* swapped : {"C:\\top\\sub\\deep", "C:\\top\\sub", "C:\\top"}) {
            testing::MemoryPlatform unswapped;
            build(unswapped, volume, system, ids);
            SwapAtCall counting(unswapped, "C:\\none", -1);
            DeleteListed(counting, list);
            // From before the first call to the last.
            for (int k = 0; k < counting.calls; ++k) {
              SCOPED_TRACE(::testing::Message()
                           << swapped << " at call " << k << ", volume " << static_cast<int>(volume)
                           << ", system " << static_cast<int>(system) << ", IDs "
                           << static_cast<int>(ids) << ", list of " << list.size());
              testing::MemoryPlatform fs;
              build(fs, volume, system, ids);
              SwapAtCall swapping(fs, swapped, k);
              DeleteListed(swapping, list);
              ASSERT_GT(swapping.calls, k);
              for (const char* file : canary) {
                EXPECT_EQ(fs.Content(file), file);
                EXPECT_EQ(fs.GetAttributes(file), attributesOf(file)) << file;
              }
              EXPECT_TRUE(fs.Exists("C:\\canary\\deep") && fs.Exists("C:\\canary\\sub\\deep"));
              for (const char* file : files) {
                if (std::string(file).rfind(std::string(swapped) + "\\", 0) != 0) {
                  EXPECT_FALSE(fs.Exists(file)) << file;
                }
              }
            }
          }
        }
      }
    }
  }
}

// Asks the engine to stop at one file-system call, and counts the removals
// made after it.
class StopAtCall : public testing::PlatformWrapper {
 public:
  StopAtCall(Platform& fs, int stopAt) : PlatformWrapper(fs), stopAt_(stopAt) {}
  DeletionProgress progress;
  int calls = 0;
  int removalsAfterStop = 0;

 protected:
  void Calling(const char* operation) override {
    if (!testing::IsFileSystemCall(operation)) return;
    if (calls > stopAt_ && std::string(operation) == "Remove") ++removalsAfterStop;
    if (calls++ == stopAt_) progress.stop = true;
  }

 private:
  int stopAt_;
};

TEST(DeletionEngineStop, AStopAtAnyCallEndsTheItemAtHandAndTellsWhatRemainsTruly) {
  const char* const files[] = {
      "C:\\top\\a.txt",       "C:\\top\\sub\\b.txt", "C:\\top\\sub\\deep\\c.txt",
      "C:\\top\\sub\\ro.txt", "C:\\top\\z.txt",      "C:\\loose.txt"};
  const DelList lists[] = {
      {"C:\\top", "C:\\top\\a.txt", "C:\\top\\sub", "C:\\top\\z.txt", "C:\\loose.txt"},
      {"C:\\top\\sub\\deep", "C:\\loose.txt", "C:\\top", "C:\\top\\sub\\b.txt"}};
  for (const System system : kSystems) {
    for (const auto& list : lists) {
      for (int k = 0;; ++k) {
        SCOPED_TRACE(::testing::Message()
                     << "stop at call " << k << ", system " << static_cast<int>(system)
                     << ", list of " << list.size());
        testing::MemoryPlatform fs;
        fs.Model(system);
        for (const char* file : files) {
          fs.AddFile(file, file,
                     std::string(file).find("ro.") != std::string::npos ? kAttrReadOnly : 0);
        }
        StopAtCall stopping(fs, k);
        const DeletionOutcome outcome = DeleteListed(stopping, list, &stopping.progress);
        ASSERT_EQ(outcome.remains.size(), list.size());
        size_t at = 0;
        for (const auto& entry : list) {
          EXPECT_EQ(outcome.remains[at++], fs.Exists(std::string(entry))) << entry;
        }
        // The item at hand is finished, and nothing after it is begun.
        EXPECT_LE(stopping.removalsAfterStop, 1);
        if (k >= stopping.calls) {
          EXPECT_FALSE(outcome.stopped);
          EXPECT_EQ(outcome.Remaining(), 0u);
          EXPECT_EQ(stopping.progress.entriesDone, list.size());
          break;
        }
        EXPECT_EQ(outcome.stopped, outcome.Remaining() != 0);
      }
    }
  }
}

TEST(DeletionEngineSwaps, AListedFolderReplacedOnceEmptiedKeepsTheNewcomer) {
  // Swapped right after its only file went, whatever IDs the system reports.
  for (const Volume volume : kVolumes) {
    for (const System system : kSystems) {
      for (const Ids ids : kIds) {
        SCOPED_TRACE(static_cast<int>(volume) * 100 + static_cast<int>(system) * 10 +
                     static_cast<int>(ids));
        testing::MemoryPlatform unswapped, fs;
        for (testing::MemoryPlatform* each : {&unswapped, &fs}) {
          each->SetVolume("C:", volume);
          each->Model(system);
          each->ReportIds(ids);
          each->AddFile("C:\\top\\a.txt");
        }
        SwapAtCall counting(unswapped, "C:\\none", -1);
        DeleteListed(counting, {"C:\\top"});
        SwapAtCall swapping(fs, "C:\\top", counting.firstRemove + 1);
        swapping.newcomer = true;
        DeleteListed(swapping, {"C:\\top"});
        EXPECT_TRUE(fs.IsFolder("C:\\top"));
        EXPECT_FALSE(fs.Exists("C:\\top\\a.txt"));
      }
    }
  }
}

// A platform that, just before the engine first makes the call operation
// about the entry named subject, lets act change the file system, and keeps
// the engine's calls as "operation subject".
class ActBefore : public testing::PlatformWrapper {
 public:
  ActBefore(Platform& inner, std::string operation, std::string subject, std::function<void()> act)
      : PlatformWrapper(inner),
        operation_(std::move(operation)),
        subject_(std::move(subject)),
        act_(std::move(act)) {}
  bool reached = false;
  std::vector<std::string> calls;

 protected:
  void Calling(const char* operation) override {
    if (!testing::IsFileSystemCall(operation)) return;
    calls.push_back(std::string(operation) + " " + Subject());
    if (reached || operation != operation_ || Subject() != subject_) return;
    reached = true;
    act_();
  }

 private:
  std::string operation_;
  std::string subject_;
  std::function<void()> act_;
};

TEST(DeletionEngineSwaps, WhatTakesAListedEntrysPlaceStaysWhereTheIdsTellItApart) {
  using Fs = testing::MemoryPlatform;
  struct Case {
    const char* name;
    bool links;
    const char* operation;  // the moment: before the engine's first call of this
    const char* subject;    // about the entry of this name
    std::function<void(Fs&)> act;
    DelList list;
    bool idsTell;  // kept only where the IDs tell it from what was listed
  } const cases[] = {
      {"a file replaced by another plain file once its folder was listed",
       false,
       "OpenChild",
       "b.txt",
       [](Fs& fs) {
         fs.MoveEntry("C:\\top\\sub\\b.txt", "C:\\top\\sub\\b.moved");
         fs.AddFile("C:\\top\\sub\\b.txt", "newcomer");
       },
       {"C:\\top"},
       true},
      {"a sub-folder replaced by another plain folder once its folder was listed",
       false,
       "OpenChild",
       "sub",
       [](Fs& fs) {
         fs.MoveEntry("C:\\top\\sub", "C:\\top\\sub.moved");
         fs.AddFile("C:\\top\\sub\\b.txt", "newcomer");
       },
       {"C:\\top"},
       true},
      {"a deduplicated folder replaced by another once its folder was listed",
       true,
       "OpenChild",
       "dd",
       [](Fs& fs) {
         fs.MoveEntry("C:\\top\\dd", "C:\\top\\dd.moved");
         fs.AddFile("C:\\store\\other\\b.txt", "newcomer");
         fs.AddFolderLink("C:\\top\\dd", "C:\\store\\other", 0x80000013);
       },
       {"C:\\top"},
       true},
      {"a folder removed and made again before a later listed entry's turn",
       false,
       "Open",
       "a.txt",
       [](Fs& fs) { fs.AddFile("C:\\top\\sub\\b.txt", "newcomer"); },
       {"C:\\top\\sub", "C:\\top\\a.txt", "C:\\top\\sub\\b.txt"},
       false},
  };
  for (const Volume volume : kVolumes) {
    for (const System system : kSystems) {
      for (const Ids ids : kIds) {
        for (const auto& c : cases) {
          if (c.links && volume == Volume::kFat) continue;
          SCOPED_TRACE(::testing::Message()
                       << c.name << ", volume " << static_cast<int>(volume) << ", system "
                       << static_cast<int>(system) << ", IDs " << static_cast<int>(ids));
          Fs fs;
          fs.SetVolume("C:", volume);
          fs.Model(system);
          fs.ReportIds(ids);
          fs.AddFile("C:\\top\\a.txt");
          fs.AddFile("C:\\top\\sub\\b.txt");
          if (c.links) {
            fs.AddFile("C:\\store\\dd\\c.txt");
            fs.AddFolderLink("C:\\top\\dd", "C:\\store\\dd", 0x80000013);
          }
          ActBefore acting(fs, c.operation, c.subject, [&] { c.act(fs); });
          DeleteListed(acting, c.list);
          ASSERT_TRUE(acting.reached);
          // A FAT entry's ID is its record's place, which the newcomer takes.
          // Where opens follow links, a reparse point is never entered.
          const bool told = !c.idsTell || (ids == Ids::kUnique && volume != Volume::kFat) ||
                            (c.links && system == System::kWine);
          EXPECT_EQ(fs.Content(c.links ? "C:\\store\\other\\b.txt" : "C:\\top\\sub\\b.txt"),
                    told ? "newcomer" : "");
        }
      }
    }
  }
}

// Listed in another case than its name's, it is found by its ID.
TEST(DeletionEngineSwaps, AnEntryListedBeforeItsFolderGoesAtItsOwnTurn) {
  const struct {
    const char* listed;
    std::vector<std::string> found;  // the calls that find it in its folder's listing
  } rows[] = {{"C:\\top\\f.txt", {}}, {"C:\\TOP\\F.TXT", {"OpenChild F.TXT", "QueryId F.TXT"}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.listed);
    testing::MemoryPlatform fs;
    fs.Model(System::kWindowsWithoutPosixDelete);
    fs.AddFile("C:\\top\\f.txt");
    ActBefore recording(fs, "", "", [] {});
    DeleteListed(recording, {row.listed, "C:\\top"});
    EXPECT_FALSE(fs.Exists("C:\\top"));
    std::vector<std::string> calls = {"Open top", "Query top", "GetAttributes top", "Reopen top",
                                      "List top"};
    calls.insert(calls.end(), row.found.begin(), row.found.end());
    for (const char* call : {"OpenChild f.txt", "QueryId f.txt", "Remove f.txt", "Reopen top",
                             "List top", "Remove top"}) {
      calls.push_back(call);
    }
    EXPECT_EQ(recording.calls, calls);
  }
}

TEST(DeletionEngineIds, OnlyKnownIdsOfOneKindAndVolumeAreTheSame) {
  constexpr uint64_t kOnes = ~uint64_t{0};
  constexpr auto k128 = FileIdKind::k128;
  const FileId id(0, 7, 1, k128);
  EXPECT_TRUE(id.Same(FileId(0, 7, 1, k128)));
  EXPECT_FALSE(id.Same(FileId(0, 8, 1, k128)));               // only the high half differs
  EXPECT_FALSE(id.Same(FileId(0, 7, 2, k128)));               // only the volume differs
  EXPECT_FALSE(FileId(7, 0, 1).Same(FileId(7, 0, 1, k128)));  // only the kind differs
  for (const FileId unknown : {FileId(), FileId(kOnes), FileId(kOnes, 0, 1, k128),
                               FileId(kOnes, kOnes, 1, k128), FileId(0, 0, 1, k128)}) {
    EXPECT_FALSE(unknown.Same(unknown));
  }
}

// A platform whose engine form resolves what is not absolute the way the
// wide calls would, against the current folder C:\cur.
class CurrentFolderEngine : public testing::MemoryPlatform {
 public:
  EnginePath ToEnginePath(const std::string& listedPath) override {
    static const std::map<std::string, std::string> resolved = {
        {"beside.txt", "C:\\cur\\beside.txt"},
        {".\\dot.txt", "C:\\cur\\dot.txt"},
        {"sub", "C:\\cur\\sub"},
        {"\\", "C:\\"},
        {"/", "C:\\"},
        {"\\ ", "C:\\"},
        {"\\cur", "C:\\cur"},
        {" .", "C:\\cur"},
        {". ", "C:\\cur"},
        {"C:", "C:\\cur"},
        {"C:sub", "C:\\cur\\sub"},
        {"C:/cur", "C:\\cur"},
        {"//x/cur", "C:\\cur"},
        {"\\\\\\cur", "C:\\cur"},
    };
    const auto found = resolved.find(listedPath);
    return {found == resolved.end() ? listedPath : found->second};
  }
};

TEST(DeletionEngineForm, ADriveRootKeepsItsBackslashAndALowerCaseDriveIsAbsolute) {
  testing::MemoryPlatform fs;
  EXPECT_EQ(TargetPath("C:\\"), "C:\\");
  EXPECT_EQ(TargetPath("C:\\\\"), "C:\\");
  // A volume by its name: without the backslash it is the volume device.
  const std::string volume = "\\\\?\\Volume{0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0}\\";
  EXPECT_EQ(TargetPath(volume + "\\"), volume);
  EXPECT_EQ(TargetPath(volume + "x\\"), volume + "x");
  // A control character is in no name: the line of a list file that was no
  // text names nothing.
  EXPECT_EQ(TargetPath("C:\\top\\a\x1A"), std::nullopt);
  fs.AddFile("C:\\top\\a.txt");
  DeleteListed(fs, {"c:\\top\\a.txt"});
  EXPECT_FALSE(fs.Exists("C:\\top\\a.txt"));
}

TEST(DeletionEngineForm, EntriesThatAreNotAbsoluteTouchNothing) {
  // A drop lists such a name alone, as it is (never what it names relative
  // to the current folder), or refuses it where a slash or a colon sits
  // inside a name.
  const struct {
    const char* listed;
    bool refused;
  } cases[] = {{"beside.txt", false}, {".\\dot.txt", false}, {"sub", false},   {"\\", false},
               {"/", true},           {"\\ ", false},        {"\\cur", false}, {" .", false},
               {". ", false},         {"C:", true},          {"C:sub", true},  {"C:/cur", true},
               {"//x/cur", true},     {"\\\\\\cur", false},  {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.listed);
    CurrentFolderEngine fs;
    fs.AddFile("C:\\cur\\beside.txt");
    fs.AddFile("C:\\cur\\dot.txt");
    fs.AddFile("C:\\cur\\sub\\x.txt");
    fs.AddFile("C:\\top.txt");
    DelList list;
    IntakeDrop(fs, {c.listed}, list);
    EXPECT_EQ(list, c.refused ? DelList{} : DelList{c.listed});
    DeleteListed(fs, {c.listed});
    for (const char* kept :
         {"C:\\cur\\beside.txt", "C:\\cur\\dot.txt", "C:\\cur\\sub\\x.txt", "C:\\top.txt"}) {
      EXPECT_TRUE(fs.Exists(kept)) << kept;
    }
  }
}

// A chain of folders C:\d\d\d..., each holding a read-only file f and the
// next folder, reached through handles that know their level alone, so that
// a call costs the same at any depth.
class DeepChain : public testing::MemoryPlatform {
 public:
  explicit DeepChain(size_t depth) : folderGone_(depth + 1), fileGone_(depth + 1) {}

  bool AllGone() const {
    for (size_t level = 0; level < folderGone_.size(); ++level) {
      if (!folderGone_[level] || !fileGone_[level]) return false;
    }
    return true;
  }

  uint32_t EngineGetAttributes(const EnginePath& path) override {
    return path.text == "C:\\d" && !folderGone_[0] ? kAttrDirectory : kInvalidAttributes;
  }
  std::unique_ptr<EngineEntry> EngineOpen(const EnginePath& path, uint32_t) override {
    if (path.text != "C:\\d" || folderGone_[0]) return nullptr;
    return std::make_unique<Entry>(0, false);
  }
  std::unique_ptr<EngineEntry> EngineOpenChild(EngineEntry& folder, const std::string& name,
                                               uint32_t) override {
    const size_t level = static_cast<Entry&>(folder).level;
    if (name == "f" && !fileGone_[level]) return std::make_unique<Entry>(level, true);
    if (name == "d" && level + 1 < folderGone_.size() && !folderGone_[level + 1]) {
      return std::make_unique<Entry>(level + 1, false);
    }
    return nullptr;
  }
  std::unique_ptr<EngineEntry> EngineReopen(EngineEntry& entry, uint32_t) override {
    const auto& opened = static_cast<Entry&>(entry);
    return std::make_unique<Entry>(opened.level, opened.file);
  }
  bool EngineQuery(EngineEntry& entry, EntryInfo& info) override {
    const auto& opened = static_cast<Entry&>(entry);
    info = {opened.file ? kAttrReadOnly : kAttrDirectory, 0, Id(opened.level, opened.file)};
    return true;
  }
  bool EngineQueryId(EngineEntry& entry, FileIdKind kind, FileId& id) override {
    const auto& opened = static_cast<Entry&>(entry);
    id = Id(opened.level, opened.file);
    return kind == id.kind;
  }
  bool EngineList(EngineEntry& folder,
                  const std::function<void(const FindEntry&)>& visit) override {
    const size_t level = static_cast<Entry&>(folder).level;
    if (!fileGone_[level]) visit({"f", kAttrReadOnly, 0, Id(level, true)});
    if (level + 1 < folderGone_.size() && !folderGone_[level + 1]) {
      visit({"d", kAttrDirectory, 0, Id(level + 1, false)});
    }
    return true;
  }
  bool EngineSetAttributes(EngineEntry&, uint32_t) override { return true; }
  bool EngineRemove(EngineEntry& entry) override {
    const auto& opened = static_cast<Entry&>(entry);
    if (opened.file) return fileGone_[opened.level] = true;
    if (!fileGone_[opened.level]) return false;
    if (opened.level + 1 < folderGone_.size() && !folderGone_[opened.level + 1]) return false;
    return folderGone_[opened.level] = true;
  }

 private:
  struct Entry : EngineEntry {
    Entry(size_t at, bool isFile) : level(at), file(isFile) {}
    size_t level;
    bool file;
  };
  static uint64_t Id(size_t level, bool file) { return level * 2 + (file ? 1 : 2); }
  std::vector<bool> folderGone_;
  std::vector<bool> fileGone_;
};

TEST(DeletionEngineDepth, ATreeAHundredThousandLevelsDeepGoesWhole) {
  DeepChain chain(100000);
  DeleteListed(chain, {"C:\\d"});
  EXPECT_TRUE(chain.AllGone());
}

}  // namespace
}  // namespace moxlyn
