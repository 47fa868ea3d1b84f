// Drops of names outside the code page: each is listed in a form that
// reaches it (its short name), so that "削除" really deletes it.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/windows/harness.h"

namespace moxlyn::e2e {
namespace {

using testing::Wide;

std::string Utf8(const std::wstring& wide) {
  std::string utf8(wide.size() * 4, '\0');
  utf8.resize(static_cast<size_t>(
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                          static_cast<int>(utf8.size()), nullptr, nullptr)));
  return utf8;
}

bool WideExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(DropE2e, NamesOutsideTheCodePageAreListedByShortNamesThatDeleteTheFiles) {
  CaseFolder folder("drop-foreign");
  const std::string unixDir = UnixPath(folder.Dir());
  // The names go to the Unix side in UTF-8; narrow literals here are code page 932.
  const std::string koreanName = Utf8(L"한국어.txt");
  const std::string japaneseName = Utf8(L"日本語.txt");
  const std::string emojiName = Utf8(L"emoji-😀.txt");
  const std::string script =
      "cd \"$1\" && : > \"$2\" && : > \"$3\" && mkdir box && "
      ": > \"box/$4\" && : > box/plain.txt && : > made";
  ASSERT_TRUE(
      StartUnix("/bin/sh", {"-c", script, "sh", unixDir, koreanName, japaneseName, emojiName}));
  ASSERT_TRUE(WaitUntil([&] { return folder.Exists("made"); }));
  const std::wstring dir = Wide(folder.Dir());
  const std::wstring korean = dir + L"\\한국어.txt";
  const std::wstring emoji = dir + L"\\box\\emoji-😀.txt";
  ASSERT_TRUE(WideExists(korean));
  ASSERT_TRUE(WideExists(emoji));

  {
    Program program(folder);
    HWND main = program.ShownMain();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(DropUnix(CentreOf(main), {unixDir + "/" + koreanName, unixDir + "/" + japaneseName,
                                          unixDir + "/box"}));
    Settle();
    EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
  }
  const auto saved = folder.SavedList();
  ASSERT_EQ(saved.size(), 5u);
  for (const auto& entry : saved) {
    EXPECT_EQ(entry.find('?'), std::string::npos) << entry;
    // Every entry reaches what was dropped.
    EXPECT_NE(GetFileAttributesA(entry.c_str()), INVALID_FILE_ATTRIBUTES) << entry;
  }
  const std::string& koreanEntry = saved[0];
  EXPECT_EQ(koreanEntry.rfind(folder.Dir() + "\\", 0), 0u) << koreanEntry;
  EXPECT_NE(koreanEntry.find('~'), std::string::npos) << koreanEntry;
  // A name the code page holds is listed as it is.
  EXPECT_EQ(saved[1], folder.Path("日本語.txt"));
  EXPECT_EQ(saved[2], folder.Path("box"));
  std::vector<std::string> entries{saved[3], saved[4]};
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries[1], folder.Path("box\\plain.txt"));
  EXPECT_EQ(entries[0].rfind(folder.Path("box\\"), 0), 0u) << entries[0];
  EXPECT_NE(entries[0].find('~'), std::string::npos) << entries[0];

  folder.Write(
      "Moxlyn.ini",
      "[Config]\r\nConfirmBeforeDelete=0\r\nShowMessageAfterDelete=1\r\nGetDeleteLog=0\r\n");
  Program program(folder);
  HWND main = program.ShownMain();
  ASSERT_NE(main, nullptr);
  Click(FindControl(main, "Button", "削除"));
  auto box = program.WaitBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "削除終了");
  Answer(*box, IDOK);
  ASSERT_TRUE(WaitGone(box->box));
  EXPECT_FALSE(WideExists(korean));
  EXPECT_FALSE(WideExists(emoji));
  EXPECT_FALSE(folder.Exists("日本語.txt"));
  EXPECT_FALSE(folder.Exists("box"));
  EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace moxlyn::e2e
