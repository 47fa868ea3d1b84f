// The error box text and the program title, on code page 932 text.
#include "core/program_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/del_list.h"
#include "core/settings_store.h"
#include "tests/support/memory_platform.h"
#include "tests/support/utf8_text.h"

namespace moxlyn {
namespace {

using testing::U8;

TEST(ProgramTexts, ErrorBoxTextAddsAFullStopAfterCharactersAboveIt) {
  struct Case {
    std::string message;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"Disk full", "Disk full."},
      {"Done.", "Done."},
      {"50%", "50%"},
      {"(x)", "(x)"},
      {"dash-", "dash-"},
      {"Why?", "Why?."},
      {"C:\\dir\\", "C:\\dir\\."},
      {"/", "/."},
      // Double-byte last characters: judged by their first byte.
      {"ファイル C:\\a.txt は開けません", "ファイル C:\\a.txt は開けません."},
      {"ストリームへの書き込みエラー", "ストリームへの書き込みエラー."},
      {"表", "表."},  // trail byte 0x5C
      {"．", "．."},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << c.message;
}

TEST(ProgramTexts, ProgramTitleIsTheFileNameCutAtTheFirstDotAndLowerCasedAfterItsFirstCharacter) {
  struct Case {
    std::string path;
    std::string title;
  };
  const std::vector<Case> cases = {
      {"C:\\Program Files\\Moxlyn\\Moxlyn.exe", "Moxlyn"},
      {"C:\\TOOLS\\MOXLYN.EXE", "Moxlyn"},
      {"C:\\tools\\moxlyn.exe", "moxlyn"},
      {"C:\\t\\Mox.v2.exe", "Mox"},
      {"C:\\t.d\\Run", "Run"},
      {"D:NoFolder.exe", "Nofolder"},
      {"X.exe", "X"},
      {"C:\\t\\.exe", ""},
      {U8(u8"C:\\予定表\\表MOX.exe"), U8(u8"表mox")},
      // Letters outside ASCII after the first character are lower-cased too.
      {U8(u8"C:\\t\\ＭＯＸ.exe"), U8(u8"Ｍｏｘ")},
      {U8(u8"C:\\t\\ÉCOLE.exe"), U8(u8"École")},
  };
  testing::MemoryPlatform fs;
  for (const Case& c : cases) EXPECT_EQ(ProgramTitleOf(fs, c.path), c.title) << c.path;
}

// The program folder, the settings file and the title split the executable's
// path at the same place.
TEST(ProgramTexts, ExecutablePathSplitsAtItsLastBackslashOrDriveColon) {
  struct Case {
    std::string module, dir, ini, title;
  };
  const std::vector<Case> cases = {
      {"C:\\Moxlyn.exe", "C:\\", "C:\\Moxlyn.ini", "Moxlyn"},
      {"\\\\srv\\share\\Mox.exe", "\\\\srv\\share\\", "\\\\srv\\share\\Mox.ini", "Mox"},
      {U8(u8"C:\\d\\表.exe"), "C:\\d\\", U8(u8"C:\\d\\表.ini"), U8(u8"表")},
      {"D:Mox.exe", "D:", "D:Mox.ini", "Mox"},
      {"Mox.exe", "", "Mox.ini", "Mox"},
  };
  for (const Case& c : cases) {
    testing::MemoryPlatform fs;
    fs.SetModuleFileName(c.module);
    EXPECT_EQ(ProgramDir(fs), c.dir) << c.module;
    EXPECT_EQ(SettingsFilePath(fs), c.ini) << c.module;
    EXPECT_EQ(ProgramTitleOf(fs, c.module), c.title) << c.module;
  }
}

}  // namespace
}  // namespace moxlyn
