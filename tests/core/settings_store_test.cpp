// Rules of the settings file against the in-memory platform.
#include "core/settings_store.h"

#include <gtest/gtest.h>

#include <climits>

#include "core/app_error.h"
#include "core/text_file.h"
#include "tests/support/memory_platform.h"
#include "tests/support/utf8_text.h"

namespace moxlyn {
namespace {

using testing::U8;

using namespace std::string_literals;

class FakeWindow : public WindowPosition {
 public:
  FakeWindow(int32_t left, int32_t top) : left_(left), top_(top) {}
  int32_t Left() override { return left_; }
  int32_t Top() override { return top_; }
  void SetLeft(int32_t left) override { left_ = left; }
  void SetTop(int32_t top) override { top_ = top; }

 private:
  int32_t left_;
  int32_t top_;
};

struct Loaded {
  int32_t left = 0;
  int32_t top = 0;
  bool confirm = false;
  bool message = false;
  bool log = false;
  int32_t logType = 0;
  bool topMost = false;
  bool operator==(const Loaded&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Loaded& l) {
  return out << l.left << "," << l.top << " " << l.confirm << l.message << l.log << " " << l.logType
             << " " << l.topMost;
}

Loaded Snapshot(WindowPosition& window, const Settings& settings) {
  return {window.Left(),
          window.Top(),
          settings.ConfirmBeforeDelete,
          settings.ShowMessageAfterDelete,
          settings.GetDeleteLog,
          settings.LogType,
          settings.ShowTopMost};
}

constexpr Loaded kDefaults{100, 100, true, true, false, 2, true};

class SettingsStoreTest : public ::testing::Test {
 protected:
  testing::MemoryPlatform fs_;
  const std::string ini_ = "C:\\Moxlyn\\Moxlyn.ini";
  FakeWindow window_{7, 9};  // the window's design position
  Settings settings_;

  void SetUp() override { fs_.AddFolder("C:\\Moxlyn"); }

  Loaded Load() {
    LoadSettings(fs_, window_, settings_);
    return Snapshot(window_, settings_);
  }
};

const char* const kElevenLines =
    "[Window]\r\nLeft=100\r\nTop=100\r\n\r\n"
    "[Config]\r\nConfirmBeforeDelete=1\r\nShowMessageAfterDelete=1\r\nGetDeleteLog=0\r\n"
    "LogType=2\r\nShowTopMost=1\r\n\r\n";

TEST_F(SettingsStoreTest, NoFileGivesDefaultsAndTheElevenLineFileAtExit) {
  EXPECT_EQ(Load(), kDefaults);
  EXPECT_FALSE(fs_.Exists(ini_));
  SaveSettings(fs_, window_, settings_);
  EXPECT_EQ(fs_.Content(ini_), kElevenLines);
}

TEST(SettingsInteger, FollowsTheIntegerTextRule) {
  const struct {
    const char* text;
    int32_t value;
  } valid[] = {
      // clang-format off
      {"0", 0}, {"007", 7}, {"+5", 5}, {"-40", -40}, {"-0", 0}, {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN}, {"0000000000002147483647", INT_MAX}, {"0x20", 32}, {"0X20", 32},
      {"$20", 32}, {"x20", 32}, {"X1f", 31}, {"$FFFFFFFF", -1}, {"$80000000", INT_MIN},
      {"$7fffffff", INT_MAX}, {"$000000001F", 31}, {"0x00000000FFFFFFFF", -1}, {"$0", 0},
      // clang-format on
  };
  for (const auto& c : valid) {
    int32_t value = 12345;
    EXPECT_TRUE(ParseSettingsInteger(c.text, value)) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
  }
  // "１" is a double-byte digit.
  const char* const invalid[] = {
      // clang-format off
      "2147483648", "-2147483649", "99999999999999999999", "$100000000", "-$10", "+0x10", "$",
      "0x", "x", "$-1", "$1G", "0x 1", "", "-", "+", "1 2", " 1", "1.0", "1e3", "true", "yes",
      "--1", "1 ; names only", "0b1", "１",
      // clang-format on
  };
  for (const char* text : invalid) {
    int32_t value = 12345;
    EXPECT_FALSE(ParseSettingsInteger(text, value)) << text;
    EXPECT_EQ(value, 12345) << text;
  }
}

// Each file is read at start-up and its values checked.
TEST_F(SettingsStoreTest, LoadsValuesByTheLookupRules) {
  struct Case {
    const char* name;
    std::string content;
    Loaded expected;
  } cases[] = {
      {"lower-case names", "[config]\r\nlogtype = 1\r\n",
       Loaded{100, 100, true, true, false, 1, true}},
      {"switch texts",
       "[Config]\nGetDeleteLog=true\nShowTopMost=yes\nConfirmBeforeDelete=2\n"
       "ShowMessageAfterDelete=0\n",
       Loaded{100, 100, true, false, false, 2, true}},
      {"switch from hex and negatives",
       "[Config]\nGetDeleteLog=$10\nShowTopMost=-1\n"
       "ConfirmBeforeDelete=0\nShowMessageAfterDelete=\n",
       Loaded{100, 100, false, true, true, 2, true}},
      {"hex positions", "[Window]\nLeft=0x20\nTop=$20\n",
       Loaded{32, 32, true, true, false, 2, true}},
      {"x prefix and negative", "[Window]\nLeft=x20\nTop=-40\n",
       Loaded{32, -40, true, true, false, 2, true}},
      {"out of range", "[Window]\nLeft=2147483648\nTop=1 2\n", kDefaults},
      {"empty value", "[Window]\nLeft=\nTop= \t\n", kDefaults},
      {"log type beyond 1 and 2", "[Config]\nLogType=7\n",
       Loaded{100, 100, true, true, false, 7, true}},
      {"last section of a name wins",
       "[Config]\nLogType=1\nGetDeleteLog=1\n[Window]\nLeft=5\n[CONFIG]\nShowTopMost=0\n",
       Loaded{5, 100, true, true, false, 2, false}},
      {"last key of a name wins", "[Config]\nShowTopMost=0\nshowtopmost=1\nLogType=1\nLogType=x\n",
       kDefaults},
      {"comments, blanks and lines above the first header",
       "Left=1\r\n; note\r\n\r\n[Window]\r\n  ;Left=3\r\n\t Left \t=\t 4 \r\n",
       Loaded{4, 100, true, true, false, 2, true}},
      {"comment behind a header is no header", "[Window]\n[Config] ; options\nLogType=1\n",
       kDefaults},
      {"same above the first header", "[Config] ; options\nLogType=1\n", kDefaults},
      {"comment behind a value", "[Config]\nLogType=1 ; names only\n", kDefaults},
      {"bare name is not the key", "[Window]\nLeft\nTop=3\n",
       Loaded{100, 3, true, true, false, 2, true}},
      {"byte-order mark before the first header", "\xEF\xBB\xBF[Window]\nLeft=1\n", kDefaults},
      {"zero byte ends the text", "[Window]\nTop=1\n\0Left=2\n"s,
       Loaded{100, 1, true, true, false, 2, true}},
      {"blanks inside brackets", "[ Window ]\nLeft=6\n",
       Loaded{6, 100, true, true, false, 2, true}},
  };
  for (const auto& c : cases) {
    testing::MemoryPlatform fs;
    fs.AddFile(ini_, c.content);
    FakeWindow window(7, 9);
    Settings settings;
    LoadSettings(fs, window, settings);
    EXPECT_EQ(Snapshot(window, settings), c.expected) << c.name;
  }
}

// Each file goes through a start and an orderly exit; what is written back.
TEST_F(SettingsStoreTest, ExitRewritesTheFileKeepingWhatItDoesNotOwn) {
  struct Case {
    const char* name;
    const char* before;
    const char* after;
  } cases[] = {
      {"only the window section", "[Window]\r\nLeft=3\r\nTop=4\r\n",
       "[Window]\r\nLeft=3\r\nTop=4\r\n\r\n[Config]\r\nConfirmBeforeDelete=1\r\n"
       "ShowMessageAfterDelete=1\r\nGetDeleteLog=0\r\nLogType=2\r\nShowTopMost=1\r\n\r\n"},
      {"header letters kept, key letters the program's",
       "[config]\nlogtype = 1\nconfirmbeforedelete=2\n[window]\n",
       "[config]\r\nLogType=1\r\nConfirmBeforeDelete=1\r\nShowMessageAfterDelete=1\r\n"
       "GetDeleteLog=0\r\nShowTopMost=1\r\n\r\n[window]\r\nLeft=100\r\nTop=100\r\n\r\n"},
      {"two sections of a name",
       "[Config]\nLogType=1\nFoo=1\n[Window]\nLeft=1\nTop=2\n[Config]\nLogType=7\n",
       "[Config]\r\nLogType=1\r\nFoo=1\r\n\r\n[Window]\r\nLeft=1\r\nTop=2\r\n\r\n"
       "[Config]\r\nLogType=7\r\nConfirmBeforeDelete=1\r\nShowMessageAfterDelete=1\r\n"
       "GetDeleteLog=0\r\nShowTopMost=1\r\n\r\n"},
      {"two keys of a name",
       "[Window]\nLeft=1\nTop=2\n[Config]\nShowTopMost=1\nLogType=1\nShowTopMost=0\n",
       "[Window]\r\nLeft=1\r\nTop=2\r\n\r\n[Config]\r\nShowTopMost=1\r\nLogType=1\r\n"
       "ShowTopMost=0\r\nConfirmBeforeDelete=1\r\nShowMessageAfterDelete=1\r\n"
       "GetDeleteLog=0\r\n\r\n"},
      {"comments, blank lines, lines above the first header",
       "top line\r\nk=v\r\n[Window]\r\n; note\r\n \t; indented\r\n\r\nhello\r\n Left = 5 \r\n"
       "[Other]\r\n"
       "foo = bar\r\n[]\r\n[ ]\r\n=x\r\na=b=c\r\n",
       "[Window]\r\nhello\r\nLeft=5\r\nTop=100\r\n\r\n[Other]\r\nfoo=bar\r\n\r\n[]\r\n\r\n"
       "[]\r\n=x\r\na=b=c\r\n\r\n[Config]\r\nConfirmBeforeDelete=1\r\n"
       "ShowMessageAfterDelete=1\r\nGetDeleteLog=0\r\nLogType=2\r\nShowTopMost=1\r\n\r\n"},
      {"comment behind a header", "[Window]\nLeft=1\nTop=2\n[Config] ; options\nLogType=1\n",
       "[Window]\r\nLeft=1\r\nTop=2\r\n[Config] ; options\r\nLogType=1\r\n\r\n"
       "[Config]\r\nConfirmBeforeDelete=1\r\nShowMessageAfterDelete=1\r\nGetDeleteLog=0\r\n"
       "LogType=2\r\nShowTopMost=1\r\n\r\n"},
      {"comment behind a value", "[Config]\nLogType=1 ; names only\n",
       "[Config]\r\nLogType=2\r\nConfirmBeforeDelete=1\r\nShowMessageAfterDelete=1\r\n"
       "GetDeleteLog=0\r\nShowTopMost=1\r\n\r\n[Window]\r\nLeft=100\r\nTop=100\r\n\r\n"},
      {"bare name", "[Window]\nLeft\nTop=3\n[Other]\n",
       "[Window]\r\nLeft\r\nTop=3\r\nLeft=100\r\n\r\n[Other]\r\n\r\n[Config]\r\n"
       "ConfirmBeforeDelete=1\r\nShowMessageAfterDelete=1\r\nGetDeleteLog=0\r\nLogType=2\r\n"
       "ShowTopMost=1\r\n\r\n"},
      {"byte-order mark", "\xEF\xBB\xBF[Window]\nLeft=1\n[Config]\nLogType=1\n",
       "[Config]\r\nLogType=1\r\nConfirmBeforeDelete=1\r\nShowMessageAfterDelete=1\r\n"
       "GetDeleteLog=0\r\nShowTopMost=1\r\n\r\n[Window]\r\nLeft=100\r\nTop=100\r\n\r\n"},
      {"log type 7 and a Japanese value", "[Config]\nLogType=7\nメモ=表示 ソ\n",
       "[Config]\r\nLogType=7\r\nメモ=表示 ソ\r\nConfirmBeforeDelete=1\r\n"
       "ShowMessageAfterDelete=1\r\nGetDeleteLog=0\r\nShowTopMost=1\r\n\r\n"
       "[Window]\r\nLeft=100\r\nTop=100\r\n\r\n"},
  };
  for (const auto& c : cases) {
    testing::MemoryPlatform fs;
    fs.AddFile(ini_, c.before);
    FakeWindow window(7, 9);
    Settings settings;
    LoadSettings(fs, window, settings);
    SaveSettings(fs, window, settings);
    EXPECT_EQ(fs.Content(ini_), c.after) << c.name;
  }
}

TEST_F(SettingsStoreTest, SaveWritesCurrentValuesInDecimal) {
  FakeWindow window(-40, INT_MIN);
  const Settings settings{false, true, true, -7, false};
  SaveSettings(fs_, window, settings);
  EXPECT_EQ(fs_.Content(ini_),
            "[Window]\r\nLeft=-40\r\nTop=-2147483648\r\n\r\n[Config]\r\nConfirmBeforeDelete=0\r\n"
            "ShowMessageAfterDelete=1\r\nGetDeleteLog=1\r\nLogType=-7\r\nShowTopMost=0\r\n\r\n");
  EXPECT_EQ(Load(), (Loaded{-40, INT_MIN, false, true, true, -7, false}));
}

TEST_F(SettingsStoreTest, FailedExitLeavesTheFileAsItWas) {
  const std::string old = "[Window]\r\nLeft=5\r\n";
  struct Case {
    const char* name;
    void (*fault)(testing::MemoryPlatform&, const std::string&);
    std::string error;
  } cases[] = {
      {"unreadable", [](testing::MemoryPlatform& fs, const std::string& p) { fs.DenyRead(p); },
       "ファイル " + ini_ + " は開けません"},
      {"read-only",
       [](testing::MemoryPlatform& fs, const std::string& p) {
         fs.SetAttributes(p, kAttrReadOnly);
       },
       "ファイル " + ini_ + " を作成できません"},
      {"locked", [](testing::MemoryPlatform& fs, const std::string& p) { fs.Lock(p); },
       "ファイル " + ini_ + " を作成できません"},
      {"full disk", [](testing::MemoryPlatform& fs, const std::string&) { fs.SetDiskCapacity(40); },
       "ストリームへの書き込みエラー"},
  };
  for (const auto& c : cases) {
    testing::MemoryPlatform fs;
    fs.AddFile(ini_, old);
    c.fault(fs, ini_);
    FakeWindow window(1, 2);
    std::string error;
    try {
      SaveSettings(fs, window, Settings{});
    } catch (const AppError& e) {
      error = e.Message();
    }
    EXPECT_EQ(error, c.error) << c.name;
    EXPECT_EQ(fs.Content(ini_), old) << c.name;
    EXPECT_EQ(fs.Names("C:\\Moxlyn"), std::vector<std::string>{"Moxlyn.ini"}) << c.name;
  }
}

TEST(SettingsFilePath, ReplacesTheExtensionOfTheExecutable) {
  struct Case {
    std::string module;
    std::string ini;
  } cases[] = {
      {"C:\\Tools\\prog.exe", "C:\\Tools\\prog.ini"},
      {"C:\\Tools\\prog", "C:\\Tools\\prog.ini"},
      {"C:\\a.b\\prog", "C:\\a.b\\prog.ini"},
      {"C:\\a\\prog.x.EXE", "C:\\a\\prog.x.ini"},
      {"C:\\a\\.exe", "C:\\a\\.ini"},
      {"C:\\a\\prog.", "C:\\a\\prog.ini"},
      {"C:prog.exe", "C:prog.ini"},
      {"x.y:prog", "x.y:prog.ini"},
      {U8(u8"C:\\p.ソ"), "C:\\p.ini"},
      {U8(u8"C:\\表.d\\プ表"), U8(u8"C:\\表.d\\プ表.ini")},
  };
  for (const auto& c : cases) {
    testing::MemoryPlatform fs;
    fs.SetModuleFileName(c.module);
    EXPECT_EQ(SettingsFilePath(fs), c.ini) << c.module;
  }
}

TEST(SettingsFileImage, LookupsAndStoresWorkOnTheImage) {
  testing::MemoryPlatform fs;
  SettingsFile file(fs, "C:\\s.ini", "[S]\r\nA=x=y\r\n=e\r\nplain\r\n[s]\r\nb=\r\n");
  EXPECT_EQ(file.LookupText("S", "A", "d"), "d");  // only the last [S] is searched
  EXPECT_EQ(file.LookupText("s", "B", "d"), "");
  EXPECT_EQ(file.LookupText("T", "B", "d"), "d");
  file.StoreText("S", "b", "1");
  file.StoreText("New", "k", "v");
  file.StoreInteger("New", "K", -3);
  file.StoreSwitch("New", "On", true);
  EXPECT_EQ(file.LookupText("new", "k", ""), "-3");
  EXPECT_TRUE(file.LookupSwitch("NEW", "on", false));
  EXPECT_EQ(file.Text(),
            "[S]\r\nA=x=y\r\n=e\r\nplain\r\n\r\n[s]\r\nb=1\r\n\r\n[New]\r\nK=-3\r\nOn=1\r\n\r\n");
  EXPECT_EQ(SettingsFile(fs, "C:\\s.ini", "").Text(), "");
  EXPECT_EQ(SettingsFile(fs, "C:\\s.ini", "no header\r\n").Text(), "");
}

TEST(SettingsFileImage, NamesCompareAfterUpperCasingOnly) {
  testing::MemoryPlatform fs;
  // Double-byte names match only byte for byte; "ｃ" (half-width) is no "C".
  SettingsFile file(fs, "C:\\s.ini", "[設定]\nｷｰ=1\nkey=2\n");
  EXPECT_EQ(file.LookupInteger("設定", "ｷｰ", 0), 1);
  EXPECT_EQ(file.LookupInteger("設定", "KEY", 0), 2);
  EXPECT_EQ(file.LookupInteger("設定", "key ", 0), 0);
  EXPECT_EQ(file.LookupInteger("設", "key", 0), 0);
}

}  // namespace
}  // namespace moxlyn
