// What reaches "dellist.lst" and the settings file, and what the list holds,
// from each state of the list file at the start through each thing the user
// or the system does, against the in-memory platform and a clock the test
// moves.
#include "core/list_keeper.h"

#include <gtest/gtest.h>

#include <new>

#include "core/app_error.h"
#include "core/delete_command.h"
#include "core/text_file.h"
#include "tests/support/memory_platform.h"
#include "tests/support/platform_wrapper.h"

namespace moxlyn {
namespace {

using Lines = std::vector<std::string>;

const std::string kListFile = "C:\\Moxlyn\\dellist.lst";
const std::string kIni = "C:\\Moxlyn\\Moxlyn.ini";
const std::string kOld = "C:\\d\\old.txt";        // the list file's entry at the start
const std::string kNew = "C:\\d\\new.txt";        // dropped in this run
const std::string kLate = "C:\\d\\late.txt";      // dropped while the command asks
const std::string kTarget = "C:\\e\\target.lst";  // where a linked list file leads

class FakeClock : public SteadyClock {
 public:
  uint64_t Milliseconds() override { return now; }
  uint64_t now = 1000;
};

class FakeWindow : public WindowPosition {
 public:
  int32_t Left() override { return 10; }
  int32_t Top() override { return 20; }
  void SetLeft(int32_t) override {}
  void SetTop(int32_t) override {}
};

// A file system on which every read of the list file runs out of memory.
class TooBigList : public testing::PlatformWrapper {
 public:
  using PlatformWrapper::PlatformWrapper;
  ReadStatus ReadWholeFile(const std::string& path, std::string& content) override {
    if (path == kListFile) throw std::bad_alloc();
    return PlatformWrapper::ReadWholeFile(path, content);
  }
  ReadStatus ReadInPieces(const std::string& path,
                          const std::function<bool(std::string_view)>& piece) override {
    if (path == kListFile) throw std::bad_alloc();
    return PlatformWrapper::ReadInPieces(path, piece);
  }
};

enum class Start { kAbsent, kReadable, kHeld, kTooBig, kReadOnly, kLink, kSettingsHeld };
enum class Event { kChange, kTimer, kClose, kSessionEnd, kDeleteAsked, kDelete, kSetupOk };

// The main window's part, as it drives the keeper: it asks before a drop and
// runs the command through it; while the question waits, a drop comes and the
// save timer fires.
class KeeperRun : public DeletePrompts {
 public:
  explicit KeeperRun(Start start) : start_(start) {
    fs_.AddFolder("C:\\Moxlyn");
    for (const auto& file : {kOld, kNew, kLate}) fs_.AddFile(file, "x");
    fs_.AddFile(kIni, "[Window]\r\nLeft=1\r\n");
    const std::string old = kOld + "\r\n";
    switch (start) {
      case Start::kAbsent:
      case Start::kSettingsHeld:
        break;
      case Start::kLink:
        fs_.AddFile(kTarget, old);
        fs_.AddFileLink(kListFile, kTarget);
        break;
      case Start::kReadOnly:
        fs_.AddFile(kListFile, old, kAttrReadOnly);
        break;
      default:
        fs_.AddFile(kListFile, old);
    }
    if (start == Start::kHeld) Hold(kListFile);
    if (start == Start::kSettingsHeld) Hold(kIni);
    try {
      keeper_.LoadSettings();
    } catch (const AppError&) {
    }
    try {
      keeper_.LoadList();
    } catch (const AppError&) {
    } catch (const std::bad_alloc&) {
    }
    // Let go once the start has reported it.
    fs_.Release(kListFile);
    fs_.Release(kIni);
    iniAtStart_ = fs_.Content(kIni);
  }

  void Hold(const std::string& path) {
    fs_.DenyRead(path);
    fs_.Lock(path);
  }

  bool Drop(const std::string& path) {
    if (!keeper_.ListMayChange()) return false;
    list_.push_back(path);
    keeper_.ListChanged();
    return true;
  }

  // Runs the saves that come due, as the timer would, for a while.
  void Wait(uint64_t ms) {
    const uint64_t end = clock_.now + ms;
    while (auto next = keeper_.NextSave()) {
      if (clock_.now + *next > end) break;
      clock_.now += *next;
      keeper_.SaveWhenDue();
    }
    clock_.now = end;
  }

  // Returns the error the event showed, "" when none.
  std::string Do(Event event) {
    try {
      switch (event) {
        case Event::kChange:
          break;
        case Event::kTimer:
          Wait(ListKeeper::kSaveDelayMs);
          break;
        case Event::kClose:
          keeper_.Close();
          break;
        case Event::kSessionEnd:
          keeper_.SessionEnds();
          break;
        case Event::kDeleteAsked:
        case Event::kDelete:
          settings_.ConfirmBeforeDelete = event == Event::kDeleteAsked;
          keeper_.RunCommand([this](DelList& list) {
            LocaleFormats formats(fs_);
            Button_delClick(fs_, *this, formats, list, settings_);
          });
          Wait(ListKeeper::kSaveDelayMs);
          break;
        case Event::kSetupOk:
          keeper_.OptionsStored();
          Wait(ListKeeper::kSaveDelayMs);
          break;
      }
    } catch (const AppError& error) {
      return error.Message();
    }
    return "";
  }

  // The list file's entries (through a link), or {"absent"}.
  Lines File() {
    const std::string& path = start_ == Start::kLink ? kTarget : kListFile;
    Lines lines;
    if (!ReadTextLines(fs_, path, lines)) return {"absent"};
    return lines;
  }
  bool SettingsWritten() { return fs_.Content(kIni) != iniAtStart_; }

  testing::MemoryPlatform fs_;
  TooBigList tooBig_{fs_};
  Start start_;
  FakeClock clock_;
  FakeWindow window_;
  DelList list_;
  Settings settings_;
  ListKeeper keeper_{start_ == Start::kTooBig ? static_cast<Platform&>(tooBig_) : fs_, clock_,
                     list_, settings_, window_};
  std::string iniAtStart_;

 private:
  bool AskYesNo(const std::string&) override {
    asked = true;
    lateListed = Drop(kLate);
    Wait(1500);
    return true;
  }
  void ShowMessage(const std::string&) override {}
  void Beep() override {}
  void ClearListView() override {}

 public:
  bool asked = false;
  bool lateListed = false;
};

struct Row {
  Start start;
  Event event;
  Lines file;
  Lines list;
  bool settingsWritten;
  std::string error;
};

const Lines kAbsentFile{"absent"};
const Lines kOnlyOld{kOld};
const Lines kOnlyNew{kNew};
const Lines kOldNew{kOld, kNew};
const Lines kNone{};
const std::string kCannotCreate = "ファイル " + kListFile + " を作成できません";

TEST(ListKeeperTest, EachStartThroughEachEvent) {
  const Row rows[] = {
      {Start::kAbsent, Event::kChange, kAbsentFile, kOnlyNew, false, ""},
      {Start::kAbsent, Event::kTimer, kOnlyNew, kOnlyNew, false, ""},
      {Start::kAbsent, Event::kClose, kOnlyNew, kOnlyNew, true, ""},
      {Start::kAbsent, Event::kSessionEnd, kOnlyNew, kOnlyNew, true, ""},
      {Start::kAbsent, Event::kDeleteAsked, kNone, kNone, false, ""},
      {Start::kAbsent, Event::kDelete, kNone, kNone, false, ""},
      {Start::kAbsent, Event::kSetupOk, kOnlyNew, kOnlyNew, true, ""},

      {Start::kReadable, Event::kChange, kOnlyOld, kOldNew, false, ""},
      {Start::kReadable, Event::kTimer, kOldNew, kOldNew, false, ""},
      {Start::kReadable, Event::kClose, kOldNew, kOldNew, true, ""},
      {Start::kReadable, Event::kSessionEnd, kOldNew, kOldNew, true, ""},
      {Start::kReadable, Event::kDeleteAsked, kNone, kNone, false, ""},
      {Start::kReadable, Event::kDelete, kNone, kNone, false, ""},
      {Start::kReadable, Event::kSetupOk, kOldNew, kOldNew, true, ""},

      // Unread at the start, let go since: its entries stay ahead of the
      // run's on disk and never join the list.
      {Start::kHeld, Event::kChange, kOnlyOld, kOnlyNew, false, ""},
      {Start::kHeld, Event::kTimer, kOldNew, kOnlyNew, false, ""},
      {Start::kHeld, Event::kClose, kOldNew, kOnlyNew, true, ""},
      {Start::kHeld, Event::kSessionEnd, kOldNew, kOnlyNew, true, ""},
      {Start::kHeld, Event::kDeleteAsked, kOnlyOld, kNone, false, ""},
      {Start::kHeld, Event::kDelete, kOnlyOld, kNone, false, ""},
      {Start::kHeld, Event::kSetupOk, kOldNew, kOnlyNew, true, ""},

      // Too big for memory: never written over.
      {Start::kTooBig, Event::kChange, kOnlyOld, kOnlyNew, false, ""},
      {Start::kTooBig, Event::kTimer, kOnlyOld, kOnlyNew, false, ""},
      {Start::kTooBig, Event::kClose, kOnlyOld, kOnlyNew, true, ""},
      {Start::kTooBig, Event::kSessionEnd, kOnlyOld, kOnlyNew, true, ""},
      {Start::kTooBig, Event::kDeleteAsked, kOnlyOld, kNone, false, ""},
      {Start::kTooBig, Event::kDelete, kOnlyOld, kNone, false, ""},
      {Start::kTooBig, Event::kSetupOk, kOnlyOld, kOnlyNew, true, ""},

      // Read-only: the close says so and stops; the end of the logon and the
      // saves after changes write the settings all the same.
      {Start::kReadOnly, Event::kChange, kOnlyOld, kOldNew, false, ""},
      {Start::kReadOnly, Event::kTimer, kOnlyOld, kOldNew, false, ""},
      {Start::kReadOnly, Event::kClose, kOnlyOld, kOldNew, false, kCannotCreate},
      {Start::kReadOnly, Event::kSessionEnd, kOnlyOld, kOldNew, true, ""},
      {Start::kReadOnly, Event::kDeleteAsked, kOnlyOld, kNone, false, ""},
      {Start::kReadOnly, Event::kDelete, kOnlyOld, kNone, false, ""},
      {Start::kReadOnly, Event::kSetupOk, kOnlyOld, kOldNew, true, ""},

      // A link: what it leads to gets the bytes.
      {Start::kLink, Event::kChange, kOnlyOld, kOldNew, false, ""},
      {Start::kLink, Event::kTimer, kOldNew, kOldNew, false, ""},
      {Start::kLink, Event::kClose, kOldNew, kOldNew, true, ""},
      {Start::kLink, Event::kSessionEnd, kOldNew, kOldNew, true, ""},
      {Start::kLink, Event::kDeleteAsked, kNone, kNone, false, ""},
      {Start::kLink, Event::kDelete, kNone, kNone, false, ""},
      {Start::kLink, Event::kSetupOk, kOldNew, kOldNew, true, ""},

      // Settings unread at the start: written only after the setup
      // window's OK.
      {Start::kSettingsHeld, Event::kChange, kAbsentFile, kOnlyNew, false, ""},
      {Start::kSettingsHeld, Event::kTimer, kOnlyNew, kOnlyNew, false, ""},
      {Start::kSettingsHeld, Event::kClose, kOnlyNew, kOnlyNew, false, ""},
      {Start::kSettingsHeld, Event::kSessionEnd, kOnlyNew, kOnlyNew, false, ""},
      {Start::kSettingsHeld, Event::kDeleteAsked, kNone, kNone, false, ""},
      {Start::kSettingsHeld, Event::kDelete, kNone, kNone, false, ""},
      {Start::kSettingsHeld, Event::kSetupOk, kOnlyNew, kOnlyNew, true, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << "start " << static_cast<int>(row.start) << ", event "
                                      << static_cast<int>(row.event));
    KeeperRun run(row.start);
    ASSERT_TRUE(run.Drop(kNew));
    EXPECT_EQ(run.Do(row.event), row.error);
    EXPECT_EQ(run.File(), row.file);
    EXPECT_EQ(run.list_, row.list);
    EXPECT_EQ(run.SettingsWritten(), row.settingsWritten);
    const bool deleting = row.event == Event::kDeleteAsked || row.event == Event::kDelete;
    // The command deletes what the list showed, and only that.
    EXPECT_EQ(run.fs_.Exists(kNew), !deleting);
    const bool oldListed =
        row.start == Start::kReadable || row.start == Start::kReadOnly || row.start == Start::kLink;
    EXPECT_EQ(run.fs_.Exists(kOld), !(deleting && oldListed));
    EXPECT_EQ(run.asked, row.event == Event::kDeleteAsked);
    // A drop while the command asks is refused.
    EXPECT_FALSE(run.lateListed);
    EXPECT_TRUE(run.fs_.Exists(kLate));
    if (row.start == Start::kLink) {
      EXPECT_TRUE(run.fs_.IsLink(kListFile));
    }
  }
}

// Held by another program while two drops are saved, then let go: the save
// is tried again until the file holds both, with no close.
TEST(ListKeeperTest, AFailedSaveIsTriedAgainUntilItSucceeds) {
  KeeperRun run(Start::kReadable);
  run.fs_.Lock(kListFile);  // sharing reading only
  ASSERT_TRUE(run.Drop(kNew));
  ASSERT_TRUE(run.Drop(kLate));
  run.Wait(60000);
  EXPECT_EQ(run.File(), kOnlyOld);
  ASSERT_TRUE(run.keeper_.NextSave().has_value());
  EXPECT_LE(*run.keeper_.NextSave(), ListKeeper::kLongestRetryMs);
  run.fs_.Release(kListFile);
  run.Wait(ListKeeper::kLongestRetryMs);
  EXPECT_EQ(run.File(), (Lines{kOld, kNew, kLate}));
  EXPECT_FALSE(run.keeper_.NextSave().has_value());
}

// Held through the start and a first close: the close says so and the run
// goes on; once let go, the second close writes the file's entries and the
// run's, and nothing is written after it.
TEST(ListKeeperTest, ACloseThatFailsCanBeRepeated) {
  KeeperRun run(Start::kAbsent);
  run.fs_.AddFile(kListFile, kOld + "\r\n");
  run.Hold(kListFile);
  EXPECT_THROW(run.keeper_.LoadList(), AppError);
  ASSERT_TRUE(run.Drop(kNew));
  EXPECT_EQ(run.Do(Event::kClose), "ファイル " + kListFile + " は開けません");
  EXPECT_FALSE(run.keeper_.Finished());
  EXPECT_FALSE(run.SettingsWritten());
  run.fs_.Release(kListFile);
  EXPECT_EQ(run.Do(Event::kClose), "");
  EXPECT_TRUE(run.keeper_.Finished());
  EXPECT_EQ(run.File(), kOldNew);
  EXPECT_TRUE(run.SettingsWritten());
  ASSERT_TRUE(run.Drop(kLate));
  run.Wait(60000);
  EXPECT_EQ(run.File(), kOldNew);
}

}  // namespace
}  // namespace moxlyn
