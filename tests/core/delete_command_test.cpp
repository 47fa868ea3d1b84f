// The delete command and its per-day log, against the in-memory platform.
#include "core/delete_command.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "core/app_error.h"
#include "core/text_file.h"
#include "tests/support/memory_platform.h"
#include "tests/support/utf8_text.h"

namespace moxlyn {
namespace {

using testing::U8;

// Records what the command asks of the user interface, in order.
class FakePrompts : public DeletePrompts {
 public:
  bool AskYesNo(const std::string& text) override {
    calls.push_back("ask " + text);
    return answer;
  }
  void ShowMessage(const std::string& text) override { calls.push_back("show " + text); }
  void Beep() override { calls.push_back("beep"); }
  void ListSettled() override { calls.push_back("settled"); }

  bool answer = true;
  std::vector<std::string> calls;
};

const std::string kEmpty = "show リストに削除対象のファイルパスがありません";
const std::string kAsk = "ask 本当に削除してよろしいですか?";
const std::string kFinished = "show 削除終了";
const std::string kLog = "C:\\Moxlyn\\2026_12_07.log";  // the clock's day, Japanese locale

class DeleteCommandTest : public ::testing::Test {
 protected:
  DeleteCommandTest() {
    fs_.AddFolder("C:\\Moxlyn");
    fs_.AddFile("C:\\d\\a.txt", "a");
    fs_.AddFile("C:\\d\\b.txt", "b");
    fs_.AddFile("C:\\d\\sub\\c.txt", "c");
    settings_.GetDeleteLog = true;
    settings_.LogType = LogTypeNameOnly;
  }
  void Run() {
    LocaleFormats formats(fs_);
    Button_delClick(fs_, prompts_, formats, list_, settings_);
  }

  testing::MemoryPlatform fs_;
  FakePrompts prompts_;
  Settings settings_;
  DelList list_{"C:\\d\\a.txt", "C:\\d\\sub"};
};

TEST_F(DeleteCommandTest, EmptyListOnlySaysSo) {
  settings_.ConfirmBeforeDelete = true;
  settings_.ShowMessageAfterDelete = true;
  list_.clear();
  Run();
  EXPECT_EQ(prompts_.calls, std::vector<std::string>{kEmpty});
  EXPECT_FALSE(fs_.Exists(kLog));
}

TEST_F(DeleteCommandTest, AnsweringNoChangesNothing) {
  settings_.ConfirmBeforeDelete = true;
  prompts_.answer = false;
  const DelList before = list_;
  Run();
  EXPECT_EQ(prompts_.calls, std::vector<std::string>{kAsk});
  EXPECT_EQ(list_, before);
  EXPECT_TRUE(fs_.Exists("C:\\d\\a.txt"));
  EXPECT_TRUE(fs_.Exists("C:\\d\\sub\\c.txt"));
  EXPECT_FALSE(fs_.Exists(kLog));
}

TEST_F(DeleteCommandTest, DeletesThenClearsAndTellsTheUser) {
  struct Case {
    bool confirm;
    bool showMessage;
    std::vector<std::string> calls;
  } const cases[] = {
      {true, true, {kAsk, "settled", kFinished}},
      {true, false, {kAsk, "settled", "beep"}},
      {false, true, {"settled", kFinished}},
      {false, false, {"settled", "beep"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "confirm " << c.confirm << ", message " << c.showMessage);
    if (!fs_.Exists("C:\\d\\a.txt")) fs_.AddFile("C:\\d\\a.txt");
    if (!fs_.Exists("C:\\d\\sub")) fs_.AddFile("C:\\d\\sub\\c.txt");
    list_ = {"C:\\d\\a.txt", "C:\\d\\sub"};
    prompts_.calls.clear();
    settings_.ConfirmBeforeDelete = c.confirm;
    settings_.ShowMessageAfterDelete = c.showMessage;
    settings_.GetDeleteLog = false;
    Run();
    EXPECT_EQ(prompts_.calls, c.calls);
    EXPECT_TRUE(list_.empty());
    EXPECT_FALSE(fs_.Exists("C:\\d\\a.txt"));
    EXPECT_FALSE(fs_.Exists("C:\\d\\sub"));
    EXPECT_TRUE(fs_.Exists("C:\\d\\b.txt"));
    EXPECT_FALSE(fs_.Exists(kLog));
  }
}

TEST_F(DeleteCommandTest, PathsLogTwiceOnTheSameDayAppends) {
  Run();
  EXPECT_EQ(fs_.Content(kLog), "C:\\d\\a.txt\r\nC:\\d\\sub\r\n");
  // The second list names a missing file, already gone: logged.
  list_ = {"C:\\d\\gone.txt"};
  Run();
  EXPECT_EQ(fs_.Content(kLog), "C:\\d\\a.txt\r\nC:\\d\\sub\r\nC:\\d\\gone.txt\r\n");
  // Only the listed entries are logged, not what was inside a listed folder.
  EXPECT_EQ(fs_.Content(kLog).find("c.txt"), std::string::npos);
  // Any log type but time-and-name logs the path alone.
  settings_.LogType = 0;
  fs_.AddFile("C:\\x.txt");
  list_ = {"C:\\x.txt"};
  Run();
  EXPECT_EQ(fs_.Content(kLog), "C:\\d\\a.txt\r\nC:\\d\\sub\r\nC:\\d\\gone.txt\r\nC:\\x.txt\r\n");
}

TEST_F(DeleteCommandTest, TimeAndNameLinesReadTheClockForEachEntry) {
  settings_.LogType = LogTypeTimeAndName;
  fs_.SetClockStep(1);  // the day is read at 13:05:09, then one second per line
  fs_.AddFile(kLog, "earlier line\r\n");
  list_.push_back("C:\\d\\a.txt");
  Run();
  EXPECT_EQ(fs_.Content(kLog),
            "earlier line\r\n"
            "13:05:10 // C:\\d\\a.txt\r\n"
            "13:05:11 // C:\\d\\sub\r\n"
            "13:05:12 // C:\\d\\a.txt\r\n");
}

TEST_F(DeleteCommandTest, LogNameAndLinesFollowTheLocale) {
  const auto pattern = [](LocaleInfo locale, const char* pattern, const char* separator) {
    locale.shortDatePattern = pattern;
    locale.dateSeparator = separator;
    return locale;
  };
  struct Case {
    LocaleInfo locale;
    const char* log;
    const char* line;
    LocalTime now{2026, 12, 7, 1, 13, 5, 9};
  } const cases[] = {
      {testing::JapaneseLocale(), "C:\\Moxlyn\\2026_12_07.log", "13:05:09 // C:\\d\\b.txt"},
      {testing::EnglishLocale(), "C:\\Moxlyn\\12_7_2026.log", "1:05:09 PM // C:\\d\\b.txt"},
      {pattern(testing::EnglishLocale(), "dd.MM.yyyy", "."), "C:\\Moxlyn\\07.12.2026.log",
       "1:05:09 PM // C:\\d\\b.txt"},
      {pattern(testing::JapaneseLocale(), "yyyy-MM-dd", "-"), "C:\\Moxlyn\\2026-12-07.log",
       "13:05:09 // C:\\d\\b.txt"},
      {pattern(testing::JapaneseLocale(), "yyyy/MM/dd", "-"), "C:\\Moxlyn\\2026-12-07.log",
       "13:05:09 // C:\\d\\b.txt"},
      {testing::JapaneseLocale(),
       "C:\\Moxlyn\\2026_12_07.log",
       "0:00:00 // C:\\d\\b.txt",
       {2026, 12, 7, 1, 0, 0, 0}},
  };
  settings_.LogType = LogTypeTimeAndName;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log);
    fs_.SetLocale(c.locale);
    fs_.SetNow(c.now);
    list_ = {"C:\\d\\b.txt"};
    Run();
    EXPECT_EQ(fs_.Content(c.log), std::string(c.line) + "\r\n");
    fs_.RemoveFile(c.log);
  }
}

// A log in the code page keeps its bytes while the new lines fit it; a line
// that does not makes the whole log UTF-8 with its mark, the old lines too.
TEST_F(DeleteCommandTest, TheLogStaysInTheCodePageUntilALineNeedsMore) {
  const std::string mark = "\xEF\xBB\xBF";
  LocaleInfo twelveHours = testing::JapaneseLocale();
  twelveHours.clock24 = false;
  LocaleInfo english = twelveHours;
  english.amMarker = "AM";
  english.pmMarker = "PM";
  struct Case {
    unsigned codePage;
    LocaleInfo locale;
    std::string old;
    DelList list;
    std::string log;
  } const cases[] = {
      // Code page 932 bytes that would read as UTF-8 ("ý") stay as they are.
      {932,
       testing::JapaneseLocale(),
       "表 \xC3\xBD\r\n",
       {U8(u8"C:\\ソ")},
       "表 \xC3\xBD\r\n13:05:09 // C:\\ソ\r\n"},
      {932,
       testing::JapaneseLocale(),
       "表 \xC3\xBD\r\n",
       {U8(u8"C:\\Pokémon 01.mp4"), "C:\\x"},
       mark + U8(u8"表 ﾃｽ\r\n13:05:09 // C:\\Pokémon 01.mp4\r\n13:05:09 // C:\\x\r\n")},
      {932,
       testing::JapaneseLocale(),
       "",
       {U8(u8"C:\\😀\\한국.txt")},
       mark + U8(u8"13:05:09 // C:\\😀\\한국.txt\r\n")},
      {932,
       testing::JapaneseLocale(),
       mark + U8(u8"简\r\n"),
       {"C:\\x"},
       mark + U8(u8"简\r\n13:05:09 // C:\\x\r\n")},
      {932,
       testing::JapaneseLocale(),
       "\xFF\xFE" + testing::Utf16LeBytes(u"caf\u00e9\r\n"),
       {"C:\\x"},
       mark + U8(u8"café\r\n13:05:09 // C:\\x\r\n")},
      // An old line that is no text of the code page keeps every character
      // but its lone lead byte.
      {932,
       testing::JapaneseLocale(),
       "R:\\old\\表ソ予.txt\x95\r\n",
       {U8(u8"C:\\😀")},
       mark + U8(u8"R:\\old\\表ソ予.txt\x1A\r\n13:05:09 // C:\\😀\r\n")},
      {936,
       testing::JapaneseLocale(),
       "\xD6\xD0\xCE\xC4\xC4\xBF\xC2\xBC\x81\r\n",
       {U8(u8"C:\\😀")},
       mark + U8(u8"中文目录\x1A\r\n13:05:09 // C:\\😀\r\n")},
      {1252, english, "", {U8(u8"C:\\café")}, "1:05:09 PM // C:\\caf\xE9\r\n"},
      // The time's marker does not fit code page 1252.
      {1252, twelveHours, "", {U8(u8"C:\\café")}, mark + U8(u8"1:05:09 午後 // C:\\café\r\n")},
  };
  settings_.LogType = LogTypeTimeAndName;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log);
    fs_.SetCodePage(c.codePage);
    fs_.SetLocale(c.locale);
    if (!c.old.empty()) fs_.AddFile(kLog, c.old);
    list_ = c.list;
    Run();
    EXPECT_EQ(fs_.Content(kLog), c.log);
    fs_.RemoveFile(kLog);
  }
}

TEST_F(DeleteCommandTest, ALogThatFailsIsReportedAndWhatWentLeavesTheListAllTheSame) {
  struct Case {
    const char* name;
    std::function<void(testing::MemoryPlatform&)> fault;
    std::string error;
  } const cases[] = {
      {"unreadable log",
       [](testing::MemoryPlatform& fs) {
         fs.AddFile(kLog, "old\r\n");
         fs.DenyRead(kLog);
       },
       "ファイル " + kLog + " は開けません"},
      {"read-only log",
       [](testing::MemoryPlatform& fs) { fs.AddFile(kLog, "old\r\n", kAttrReadOnly); },
       "ファイル " + kLog + " を作成できません"},
      {"folder that refuses new files",
       [](testing::MemoryPlatform& fs) { fs.DenyCreateIn("C:\\Moxlyn"); },
       "ファイル " + kLog + " を作成できません"},
      {"full disk",
       [](testing::MemoryPlatform& fs) {
         fs.AddFile(kLog, "old\r\n");
         fs.SetDiskCapacity(12);  // "b" + "old\r\n" + 6 bytes to spare
       },
       "ストリームへの書き込みエラー"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::MemoryPlatform fs;
    fs.AddFolder("C:\\Moxlyn");
    fs.AddFile("C:\\d\\a.txt", "a");
    fs.AddFile("C:\\d\\b.txt", "b");
    c.fault(fs);
    const std::string logBefore = fs.Content(kLog);
    FakePrompts prompts;
    settings_.LogType = LogTypeTimeAndName;
    settings_.ShowMessageAfterDelete = true;
    DelList list{"C:\\d\\a.txt", "C:\\d\\missing"};
    LocaleFormats formats(fs);
    try {
      Button_delClick(fs, prompts, formats, list, settings_);
      ADD_FAILURE() << "no error";
    } catch (const AppError& error) {
      EXPECT_EQ(error.Message(), c.error);
    }
    EXPECT_FALSE(fs.Exists("C:\\d\\a.txt"));  // the deletion happened first
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(prompts.calls, std::vector<std::string>{"settled"});
    EXPECT_EQ(fs.Content(kLog), logBefore);
    EXPECT_FALSE(fs.Exists(TemporaryPathFor({kLog}, 0).text));
  }
}

// What the deletion left decides the list, the log and the box: a held
// file, a folder keeping one, a read-only file listed directly stay listed
// in their order and unlogged; what the stop did not reach stays too.
TEST_F(DeleteCommandTest, TheListTheLogAndTheBoxByOutcome) {
  const std::string kLeft2 = "show 2 件を削除できませんでした。リストに残しています。";
  struct Case {
    const char* name;
    bool message;
    bool stop;  // after the first file removed
    DelList left;
    std::string log;
    std::vector<std::string> calls;
  } const cases[] = {
      {"some stay, message on",
       true,
       false,
       {"C:\\k\\held.txt", "C:\\k\\ro.txt"},
       "C:\\k\\gone.txt\r\nC:\\k\\sub\r\nC:\\k\\sub\\f.txt\r\n",
       {"settled", kLeft2}},
      {"some stay, message off",
       false,
       false,
       {"C:\\k\\held.txt", "C:\\k\\ro.txt"},
       "C:\\k\\gone.txt\r\nC:\\k\\sub\r\nC:\\k\\sub\\f.txt\r\n",
       {"settled", kLeft2}},
      {"stopped inside the folder",
       false,
       true,
       {"C:\\k\\held.txt", "C:\\k\\ro.txt", "C:\\k\\sub"},
       "C:\\k\\gone.txt\r\nC:\\k\\sub\\f.txt\r\n",
       {"settled", "show 削除を中止しました。3 件をリストに残しています。"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Stops the deletion once a removal succeeds.
    class Stopping : public testing::MemoryPlatform {
     public:
      DeletionProgress* progress = nullptr;
      bool EngineRemove(EngineEntry& entry) override {
        const bool removed = MemoryPlatform::EngineRemove(entry);
        if (removed && progress != nullptr) progress->stop = true;
        return removed;
      }
    } fs;
    fs.AddFolder("C:\\Moxlyn");
    fs.AddFile("C:\\k\\held.txt");
    fs.Refuse("C:\\k\\held.txt", kEngineRemove);
    fs.AddFile("C:\\k\\ro.txt", "", kAttrReadOnly);
    fs.AddFile("C:\\k\\sub\\f.txt");
    DelList list{"C:\\k\\held.txt", "C:\\k\\gone.txt", "C:\\k\\ro.txt", "C:\\k\\sub",
                 "C:\\k\\sub\\f.txt"};
    settings_.ShowMessageAfterDelete = c.message;
    FakePrompts prompts;
    LocaleFormats formats(fs);
    DeletionProgress progress;
    if (c.stop) fs.progress = &progress;
    const DeletionOutcome outcome = DeleteListed(fs, list, &progress);
    EndDelete(fs, prompts, formats, list, settings_, outcome, true);
    EXPECT_EQ(list, c.left);
    EXPECT_EQ(fs.Content(kLog), c.log);
    EXPECT_EQ(prompts.calls, c.calls);
  }
}

}  // namespace
}  // namespace moxlyn
