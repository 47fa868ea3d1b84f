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
#include "tests/support/line_lists.h"
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

// The keeper's file system: every read of the list file runs out of memory
// when tooBig says so, and each try to save it is recorded with its time.
class KeeperFiles : public testing::PlatformWrapper {
 public:
  KeeperFiles(Platform& inner, const uint64_t& now, bool tooBig)
      : PlatformWrapper(inner), now_(now), tooBig_(tooBig) {}
  ReadStatus ReadWholeFile(const std::string& path, std::string& content) override {
    if (tooBig_ && path == kListFile) throw std::bad_alloc();
    return PlatformWrapper::ReadWholeFile(path, content);
  }
  ReadStatus ReadInPieces(const std::string& path,
                          const std::function<bool(std::string_view)>& piece) override {
    if (tooBig_ && path == kListFile) throw std::bad_alloc();
    return PlatformWrapper::ReadInPieces(path, piece);
  }
  SavePath FinalPath(const std::string& path) override {
    if (path == kListFile) tries.push_back(now_);
    return PlatformWrapper::FinalPath(path);
  }
  std::vector<uint64_t> tries;

 private:
  const uint64_t& now_;
  const bool tooBig_;
};

enum class Start { kAbsent, kReadable, kHeld, kTooBig, kReadOnly, kLink, kSettingsHeld };
enum class Event { kChange, kTimer, kClose, kSessionEnd, kDeleteAsked, kDelete, kSetupOk };

// The main window's part, as it drives the keeper: it asks before a drop and
// runs the command through it; while the question waits, a drop comes and the
// save timer fires.
class KeeperRun : public DeletePrompts, public SteadyClock, public WindowPosition {
 public:
  explicit KeeperRun(Start start) : start_(start) {
    fs_.AddFolder("C:\\Moxlyn");
    for (const auto& file : {kOld, kNew, kLate}) fs_.AddFile(file, "x");
    fs_.AddFile(kIni, "[Window]\r\nLeft=1\r\n");
    const std::string old = kOld + "\r\n";
    if (start == Start::kLink) {
      fs_.AddFile(kTarget, old);
      fs_.AddFileLink(kListFile, kTarget);
    } else if (start != Start::kAbsent && start != Start::kSettingsHeld) {
      fs_.AddFile(kListFile, old, start == Start::kReadOnly ? kAttrReadOnly : 0);
    }
    // Held by another program through the start: neither read nor replaced.
    for (const auto& [held, path] :
         {std::pair(Start::kHeld, kListFile), {Start::kSettingsHeld, kIni}}) {
      if (start != held) continue;
      fs_.DenyRead(path);
      fs_.Lock(path);
    }
    // The start reports what it cannot read (AppError, std::bad_alloc) and goes on.
    for (auto load : {&ListKeeper::LoadSettings, &ListKeeper::LoadList}) {
      try {
        (keeper_.*load)();
      } catch (const std::exception&) {
      }
    }
    // Let go once the start has reported it.
    fs_.Release(kListFile);
    fs_.Release(kIni);
    iniAtStart_ = fs_.Content(kIni);
  }

  bool Drop(const std::string& path) {
    if (!keeper_.ListMayChange()) return false;
    list_.push_back(path);
    keeper_.ListChanged();
    return true;
  }

  // Runs the saves that come due, as the timer would, for a while.
  void Wait(uint64_t ms) {
    const uint64_t end = now_ + ms;
    while (auto next = keeper_.NextSave()) {
      if (now_ + *next > end) break;
      now_ += *next;
      keeper_.SaveWhenDue();
    }
    now_ = end;
  }

  // True when the event showed the error box.
  bool Do(Event event) {
    try {
      if (event == Event::kClose) keeper_.Close();
      if (event == Event::kSessionEnd) keeper_.SessionEnds();
      if (event == Event::kSetupOk) keeper_.OptionsStored();
      if (event == Event::kDeleteAsked || event == Event::kDelete) {
        settings_.ConfirmBeforeDelete = event == Event::kDeleteAsked;
        keeper_.CommandStarts();
        LocaleFormats formats(fs_);
        Button_delClick(fs_, *this, formats, list_, settings_);
        keeper_.CommandEnds();
      }
    } catch (const AppError& error) {
      EXPECT_EQ(error.Message(), "ファイル " + kListFile + " を作成できません");
      return true;
    }
    if (event != Event::kChange) Wait(ListKeeper::kSaveDelayMs);
    return false;
  }

  // The list file's entries (through a link), or {"-"} when it is absent.
  Lines File() {
    LineList lines;
    if (!ReadTextLines(fs_, start_ == Start::kLink ? kTarget : kListFile, lines)) return {"-"};
    return testing::Strings(lines);
  }
  bool SettingsWritten() { return fs_.Content(kIni) != iniAtStart_; }

  testing::MemoryPlatform fs_;
  Start start_;
  uint64_t now_ = 1000;
  KeeperFiles files_{fs_, now_, start_ == Start::kTooBig};
  DelList list_;
  Settings settings_;
  ListKeeper keeper_{files_, *this, list_, settings_, *this};
  std::string iniAtStart_;

 private:
  uint64_t Milliseconds() override { return now_; }
  int32_t Left() override { return 10; }
  int32_t Top() override { return 20; }
  void SetLeft(int32_t) override {}
  void SetTop(int32_t) override {}
  bool AskYesNo(const std::string&) override {
    asked = true;
    lateListed = Drop(kLate);
    Wait(1500);
    return true;
  }
  void ShowMessage(const std::string&) override { fileAtBox = File(); }
  void Beep() override { fileAtBox = File(); }
  void ListSettled() override { keeper_.CommandSettled(); }

 public:
  bool asked = false;
  bool lateListed = false;
  Lines fileAtBox;  // the list file when the command told its end
};

// The list file's entries in short: O the old entry, N the dropped one, -
// no file.
Lines Entries(const std::string& code) {
  if (code == "-") return {"-"};
  Lines lines;
  for (char c : code) lines.push_back(c == 'O' ? kOld : kNew);
  return lines;
}

TEST(ListKeeperTest, EachStartThroughEachEvent) {
  const Event events[] = {Event::kChange,      Event::kTimer,  Event::kClose,  Event::kSessionEnd,
                          Event::kDeleteAsked, Event::kDelete, Event::kSetupOk};
  struct Row {
    Start start;
    std::string listed;  // the list after the drop (a deletion empties it)
    // After each event: the list file, and the settings file as w written,
    // . untouched, ! untouched with the box shown for the list file.
    std::vector<std::string> file;
    std::string settings;
  };
  const Row rows[] = {
      {Start::kAbsent, "N", {"-", "N", "N", "N", "", "", "N"}, "..ww..w"},
      {Start::kReadable, "ON", {"O", "ON", "ON", "ON", "", "", "ON"}, "..ww..w"},
      // Unread at the start and let go since: its entries stay ahead of the
      // run's on disk, and never join the list.
      {Start::kHeld, "N", {"O", "ON", "ON", "ON", "O", "O", "ON"}, "..ww..w"},
      {Start::kTooBig, "N", {"O", "O", "O", "O", "O", "O", "O"}, "..ww..w"},
      // The close stops at its box; the other saves write the settings.
      {Start::kReadOnly, "ON", {"O", "O", "O", "O", "O", "O", "O"}, "..!w..w"},
      {Start::kLink, "ON", {"O", "ON", "ON", "ON", "", "", "ON"}, "..ww..w"},
      {Start::kSettingsHeld, "N", {"-", "N", "N", "N", "", "", "N"}, "......w"},
  };
  for (const Row& row : rows) {
    for (size_t i = 0; i < std::size(events); ++i) {
      SCOPED_TRACE(::testing::Message()
                   << "start " << static_cast<int>(row.start) << ", event " << i);
      KeeperRun run(row.start);
      ASSERT_TRUE(run.Drop(kNew));
      const bool deleting = events[i] == Event::kDeleteAsked || events[i] == Event::kDelete;
      EXPECT_EQ(run.Do(events[i]), row.settings[i] == '!');
      EXPECT_EQ(run.File(), Entries(row.file[i]));
      EXPECT_EQ(testing::Strings(run.list_), deleting ? Lines{} : Entries(row.listed));
      EXPECT_EQ(run.SettingsWritten(), row.settings[i] == 'w');
      // The command deletes what the list showed, and only that; a drop
      // while it asks is refused.
      EXPECT_EQ(run.fs_.Exists(kNew), !deleting);
      EXPECT_EQ(run.fs_.Exists(kOld), !deleting || row.listed == "N");
      EXPECT_EQ(run.asked, events[i] == Event::kDeleteAsked);
      // The deleted entries left the file before the end was told.
      if (deleting) {
        EXPECT_EQ(run.fileAtBox, run.File());
      }
      EXPECT_FALSE(run.lateListed);
      EXPECT_TRUE(run.fs_.Exists(kLate));
      EXPECT_EQ(run.fs_.IsLink(kListFile), row.start == Start::kLink);
    }
  }
}

// When the list file is tried: a burst of changes once, half a second after
// its last; a failed save again after 1, 2, 4, then every 5 s, until it
// succeeds, and after a new change as after the first; a save whose time has
// passed at once; nothing after the close, not even at the end of the logon
// or for a timer message already on its way.
TEST(ListKeeperTest, SavesComeHalfASecondAfterTheLastChangeAndRetriesWaitLonger) {
  enum class Act { kChange, kLock, kRelease, kLateTimer, kClose, kSessionEnd };
  struct Row {
    const char* name;
    std::vector<std::pair<uint64_t, Act>> steps;  // at a time from the start
    std::vector<uint64_t> tries;
  };
  const Row rows[] = {
      {"burst", {{0, Act::kChange}, {400, Act::kChange}}, {900}},
      {"retries",
       {{0, Act::kLock}, {0, Act::kChange}, {13000, Act::kRelease}},
       {500, 1500, 3500, 7500, 12500, 17500}},
      {"a change forgets the failures",
       {{0, Act::kLock}, {0, Act::kChange}, {8000, Act::kChange}, {10000, Act::kRelease}},
       {500, 1500, 3500, 7500, 8500, 9500, 11500}},
      {"late timer", {{0, Act::kChange}, {900, Act::kLateTimer}}, {900}},
      {"close",
       {{0, Act::kChange}, {100, Act::kClose}, {200, Act::kChange}, {300, Act::kSessionEnd}},
       {100}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    KeeperRun run(Start::kReadable);
    const uint64_t start = run.now_;
    for (const auto& [at, act] : row.steps) {
      if (act == Act::kLateTimer) {
        // The timer comes late, as the window asked: NextSave says the save is due.
        run.now_ = start + at;
        if (run.keeper_.NextSave() == uint64_t{0}) run.keeper_.SaveWhenDue();
        continue;
      }
      run.Wait(start + at - run.now_);
      if (act == Act::kChange) run.Drop(kNew);
      if (act == Act::kLock) run.fs_.Lock(kListFile);  // sharing reading only
      if (act == Act::kRelease) run.fs_.Release(kListFile);
      if (act == Act::kClose) run.keeper_.Close();
      if (act == Act::kSessionEnd) run.keeper_.SessionEnds();
    }
    run.Wait(30000);
    run.keeper_.SaveWhenDue();
    std::vector<uint64_t> tries;
    for (const uint64_t at : run.files_.tries) tries.push_back(at - start);
    EXPECT_EQ(tries, row.tries);
  }
}

}  // namespace
}  // namespace moxlyn
