// Narrow forms of wide names and paths for the deletion list, under Wine
// with code page 932.
#include "win32/narrow_path.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/win32_tools.h"

namespace moxlyn {
namespace {

TEST(NarrowPath, NamesConvertWholeOrFallBackToTheShortName) {
  struct Case {
    const char* what;
    std::wstring name;
    std::wstring shortName;
    std::string narrow;
  };
  const std::vector<Case> cases = {
      {"plain", L"plain.txt", L"", "plain.txt"},
      {"in the code page", L"日本語.txt", L"NIHON~1.TXT", "日本語.txt"},
      {"outside it", L"한국어.txt", L"HAN~1.TXT", "HAN~1.TXT"},
      // A best fit would turn it into "bar.txt", another file.
      {"best fit only", L"bär.txt", L"BR~1.TXT", "BR~1.TXT"},
      {"lone surrogate", std::wstring(L"a") + wchar_t(0xD800), L"A~1", "A~1"},
      {"no short name", L"한.txt", L"", "?.txt"},
      {"best fit only, no short name", L"Müller.txt", L"", "M?ller.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(NarrowNameOf(c.name, c.shortName), c.narrow);
  }
}

TEST(NarrowPath, PathsTakeShortNamesOnlyWhereNeeded) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring dir = std::wstring(temp) + L"moxlyn-narrow-한";
  const std::wstring file = dir + L"\\日本語-😀.txt";
  CreateDirectoryW(dir.c_str(), nullptr);
  ASSERT_TRUE(testing::WriteWhole(file, ""));

  const std::string narrow = NarrowPathOf(file);
  EXPECT_EQ(narrow.find('?'), std::string::npos) << narrow;
  // The parts the code page holds stay as they are.
  EXPECT_EQ(narrow.rfind(*LosslessNarrow(temp), 0), 0u) << narrow;
  EXPECT_EQ(narrow.find("日本語"), std::string::npos) << narrow;
  EXPECT_NE(GetFileAttributesA(narrow.c_str()), INVALID_FILE_ATTRIBUTES) << narrow;

  // Nothing to shorten when it does not exist: "?" for what the code page
  // lacks, never a look-alike that names another file.
  const std::wstring gone = dir + L"\\gone-한-ü.txt";
  EXPECT_EQ(NarrowPathOf(gone), UnnamingNarrow(dir) + "\\gone-?-?.txt");
  EXPECT_EQ(ReachingNarrow(gone), std::nullopt);
  EXPECT_EQ(NarrowPathOf(L"C:\\日本語\\a.txt"), "C:\\日本語\\a.txt");

  // "Müller." is its own folder, not its neighbour "Müller", which the plain
  // path would name.
  const std::wstring plain = dir + L"\\M\u00fcller";
  const std::wstring dotted = testing::Literal(plain + L".");
  const std::wstring mark = dotted + L"\\mark";
  CreateDirectoryW(plain.c_str(), nullptr);
  CreateDirectoryW(dotted.c_str(), nullptr);
  CreateDirectoryW(mark.c_str(), nullptr);
  EXPECT_NE(GetFileAttributesA((NarrowPathOf(plain + L".") + "\\mark").c_str()),
            INVALID_FILE_ATTRIBUTES);
  testing::RemoveTree(dir);
}

}  // namespace
}  // namespace moxlyn
