// The engine and the intake on what the narrow calls cannot reach: trees
// deeper than the path limit, names outside the code page, names that are
// devices or end in a dot or a space, and System32 seen by a 32-bit program
// on 64-bit Windows. Real folders, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/deletion_engine.h"
#include "core/drop_intake.h"
#include "tests/support/counting_platform.h"
#include "tests/support/test_world.h"
#include "tests/support/utf8_text.h"
#include "tests/support/win32_tools.h"
#include "win32/engine_path.h"
#include "win32/win32_platform.h"

namespace moxlyn {
namespace {

using testing::Literal;
using testing::U8;
using testing::Wide;

// Wide helpers on literal paths, so that nothing here depends on the code
// under test.
bool ExistsW(const std::wstring& path) {
  return GetFileAttributesW(Literal(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void FolderW(const std::wstring& path, DWORD attributes = 0) {
  ASSERT_TRUE(CreateDirectoryW(Literal(path).c_str(), nullptr)) << GetLastError();
  if (attributes != 0) SetFileAttributesW(Literal(path).c_str(), attributes);
}

void FileW(const std::wstring& path, const char* content = "x", DWORD attributes = 0) {
  ASSERT_TRUE(testing::WriteWhole(Literal(path), content)) << GetLastError();
  if (attributes != 0) SetFileAttributesW(Literal(path).c_str(), attributes);
}

std::string ContentW(const std::wstring& path) {
  return testing::ReadWhole(Literal(path)).value_or("(missing)");
}

class WidePathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world_ = testing::MakeWorld();
    root_ = world_->Root();
    wideRoot_ = Wide(root_);
  }
  // What the narrow calls of the world cannot take away.
  void TearDown() override {
    for (const auto& path : cleanUp_) testing::RemoveTree(path);
    testing::RemoveTree(wideRoot_);
  }
  Platform& fs() { return world_->platform(); }
  std::wstring W(const std::wstring& relative) { return wideRoot_ + L"\\" + relative; }

  std::unique_ptr<testing::TestWorld> world_;
  std::string root_;
  std::wstring wideRoot_;
  std::vector<std::wstring> cleanUp_;
};

TEST_F(WidePathsTest, TreeFortyLevelsDeepBeyondThePathLimitIsDeletedWhole) {
  FolderW(W(L"package"));
  std::wstring folder = W(L"package");
  std::vector<std::wstring> levels;
  for (int level = 0; level < 40; ++level) {
    folder += L"\\node_modules" + std::to_wstring(level);
    FolderW(folder, level == 20 ? FILE_ATTRIBUTE_READONLY : 0);
    FileW(folder + L"\\index.js", "x", level % 7 == 0 ? FILE_ATTRIBUTE_READONLY : 0);
    levels.push_back(folder);
  }
  FileW(folder + L"\\deepest.txt", "x", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  ASSERT_GT(folder.size(), 300u);
  ASSERT_TRUE(ExistsW(folder + L"\\deepest.txt"));
  FileW(W(L"beside.txt"));

  // Listed as the intake lists a drop of it: the folder and its entry.
  DeleteListed(fs(), {root_ + "\\package", root_ + "\\package\\node_modules0"});
  EXPECT_FALSE(ExistsW(W(L"package")));
  EXPECT_FALSE(ExistsW(levels[10]));
  EXPECT_TRUE(ExistsW(W(L"beside.txt")));
}

TEST_F(WidePathsTest, ForeignDeviceAndDottedNamesInsideADroppedFolderGo) {
  const std::wstring names[] = {
      L"\uD55C\uAD6D\uC5B4.txt",  // Korean
      L"\U0001F600.txt",          // emoji, outside the basic plane
      L"caf\u00E9-\u0151.txt",    // Latin letters beyond code page 932
      L"nul",
      L"con",
      L"aux.txt",
      L"com1",
      L"dot.",
      L"space ",
      L"both. ",
  };
  FolderW(W(L"drop"));
  for (const auto& name : names) FileW(W(L"drop\\") + name);
  // A read-only file and a folder, both with names outside the code page.
  FileW(W(L"drop\\\U0001F4E6.bin"), "x", FILE_ATTRIBUTE_READONLY);
  FolderW(W(L"drop\\\uD3F4\uB354."));
  FileW(W(L"drop\\\uD3F4\uB354.\\\U0001F600 "));
  FolderW(W(L"drop\\prn"));
  FileW(W(L"drop\\prn\\nul.txt"));

  // The list holds what the narrow listing made of the names (they may not
  // name anything); the folder itself takes them all.
  DelList list;
  IntakeDrop(fs(), {root_ + "\\drop"}, list);
  ASSERT_EQ(list.front(), root_ + "\\drop");
  DeleteListed(fs(), list);
  EXPECT_FALSE(ExistsW(W(L"drop")));
  for (const auto& name : names) EXPECT_FALSE(ExistsW(W(L"drop\\") + name));
}

// Names of one folder dropped together, short names among them (those of
// names outside the code page, and one of a long name), list what each
// name dropped alone lists: the folder's listing finds a name by its short
// name and its case as the system's lookup does, and a device name or one
// ending in a dot is asked alone.
TEST_F(WidePathsTest, ShortAndForeignNamesDroppedTogetherListWhatEachListsAlone) {
  FolderW(W(L"many"));
  for (const wchar_t* name : {L"\uD55C\uAD6D\uC5B4", L"caf\u00E9", L"A long folder name.tar.gz",
                              L"nul", L"dot.", L"\uFF26\uFF55\uFF4C\uFF4C"}) {
    FolderW(W(L"many\\") + name);
    FileW(W(L"many\\") + name + L"\\inside.txt");
  }
  std::vector<std::string> names;
  CollectFolder(fs(), root_ + "\\many", names);
  std::wstring shortPath(MAX_PATH, L'\0');
  shortPath.resize(
      GetShortPathNameW(W(L"many\\A long folder name.tar.gz").c_str(), shortPath.data(), MAX_PATH));
  const std::wstring shortName = shortPath.substr(shortPath.rfind(L'\\') + 1);
  ASSERT_NE(shortName, L"A long folder name.tar.gz");
  names.push_back(root_ + "\\many\\");
  for (const wchar_t unit : shortName) names.back() += static_cast<char>(unit);
  // Other cases of two names.
  names.push_back(root_ + U8(u8"\\many\\ｆｕｌｌ"));
  names.push_back(root_ + "\\many\\a LONG folder NAME.tar.gz");

  DelList alone;
  for (const auto& name : names) IntakeDrop(fs(), {name}, alone);
  EXPECT_EQ(alone.size(), 2 * names.size());
  testing::CountingPlatform counting(fs());
  DelList together;
  IntakeDrop(counting, names, together);
  EXPECT_EQ(together, alone);
  EXPECT_EQ(counting.Calls("GetAttributes"), 2);  // "nul" and "dot." alone
}

// The keys by which the intake answers names from one listing of their
// folder, against the per-name query they stand in for: a dropped name's key
// meets the key of an entry's name, or of its short name, exactly where the
// attribute query of the dropped name finds that entry. Names whose lookup no
// key tells exactly have none, and are asked alone.
TEST_F(WidePathsTest, ANameKeyFindsAnEntryExactlyWhereThePerNameQueryDoes) {
  struct Row {
    const wchar_t* entry;
    const wchar_t* dropped;  // nullptr: the entry's short name, lower-cased
    bool found;
  } const rows[] = {
      // Folded one character at a time, as NTFS and Wine compare names.
      {L"caf\u00E9", L"CAF\u00C9", true},
      {L"\u00FF\u0101\u0148", L"\u0178\u0100\u0147", true},
      {L"\u0444\u0430\u0439\u043B\u0451", L"\u0424\u0410\u0419\u041B\u0401", true},
      {L"\uFF46\uFF55\uFF4C\uFF4C", L"\uFF26\uFF35\uFF2C\uFF2C", true},
      {L"stra\u00DFe", L"STRASSE", false},
      {L"A long file name.txt", nullptr, true},
  };
  for (size_t at = 0; at < std::size(rows); ++at) {
    const Row& row = rows[at];
    const std::wstring folder = W(L"keys" + std::to_wstring(at));
    FolderW(folder);
    FileW(folder + L"\\" + row.entry);
    std::wstring dropped = row.dropped != nullptr ? row.dropped : L"";
    if (row.dropped == nullptr) {
      std::wstring shortPath(MAX_PATH, L'\0');
      shortPath.resize(
          GetShortPathNameW((folder + L"\\" + row.entry).c_str(), shortPath.data(), MAX_PATH));
      dropped = shortPath.substr(shortPath.rfind(L'\\') + 1);
      ASSERT_NE(dropped, row.entry);
      for (wchar_t& unit : dropped) unit = static_cast<wchar_t>(towlower(unit));
    }
    SCOPED_TRACE(Utf8FromWide(dropped));
    const std::string folderPart = Utf8FromWide(folder) + "\\";
    const bool found =
        fs().EngineGetAttributes(fs().ToEnginePath(folderPart + Utf8FromWide(dropped))) !=
        kInvalidAttributes;
    EXPECT_EQ(found, row.found);
    const std::optional<std::string> key = fs().LookupKey(Utf8FromWide(dropped));
    const std::optional<EnginePath> listed = fs().EngineFolderOf(folderPart);
    ASSERT_TRUE(key && listed);
    bool met = false;
    EXPECT_TRUE(fs().EngineListKeys(*listed, [&](const std::optional<std::string>& name, uint32_t) {
      met = met || name == key;
      return true;
    }));
    EXPECT_EQ(met, found);
  }
  // Characters whose case file systems fold differently, device names, and
  // names that paths outside the literal form trim.
  for (const wchar_t* name : {L"\u03B1", L"\u0131", L"\u00B5", L"\u01C5", L"nul.txt", L"COM1",
                              L"lpt\u00B9", L"conout$", L"dot.", L"blank "}) {
    EXPECT_FALSE(fs().LookupKey(Utf8FromWide(name))) << Utf8FromWide(name);
  }
}

TEST_F(WidePathsTest, ListedNameWithATrailingDotOrSpaceIsThatEntryNotItsNeighbour) {
  // Cut at its trailing dots and spaces, a listed name would mean its
  // neighbour: another file, or (for a name of dots only) its own folder.
  enum Kind { kFile, kFolder, kNothing };
  struct Case {
    const wchar_t* listed;
    Kind kind;
  } const cases[] = {
      {L"file.", kFile},
      {L"file ", kFile},
      {L"dir.", kFolder},
      {L"dir\\...", kNothing},
  };
  for (const auto& c : cases) {
    const std::wstring listed = W(c.listed);
    FolderW(W(L"dir"));
    FileW(W(L"dir\\kept.txt"), "neighbour");
    FileW(W(L"file"), "neighbour");
    if (c.kind == kFolder) {
      FolderW(listed);
      FileW(listed + L"\\inside.txt");
    } else if (c.kind == kFile) {
      FileW(listed, "listed");
    }
    std::string narrow(root_ + "\\");
    for (const wchar_t* p = c.listed; *p; ++p) narrow += static_cast<char>(*p);
    DeleteListed(fs(), {narrow});
    EXPECT_FALSE(ExistsW(listed)) << narrow;
    EXPECT_EQ(ContentW(W(L"dir\\kept.txt")), "neighbour") << narrow;
    EXPECT_EQ(ContentW(W(L"file")), "neighbour") << narrow;
    for (const wchar_t* made : {c.listed, L"dir", L"file"}) testing::RemoveTree(W(made));
  }
}

TEST_F(WidePathsTest, EngineFormOfListedPaths) {
  // Relative parts are resolved; a plain full path is only prefixed.
  struct Case {
    std::string listed;
    std::string engine;
  } const cases[] = {
      {"C:\\a\\b.", "\\\\?\\C:\\a\\b."},
      {"C:\\a\\b ", "\\\\?\\C:\\a\\b "},
      {"C:\\a\\...", "\\\\?\\C:\\a\\..."},
      {"C:\\a\\", "\\\\?\\C:\\a\\"},
      {"C:\\", "\\\\?\\C:\\"},
      {"C:\\a\\.\\b\\..\\c", "\\\\?\\C:\\a\\c"},
      {"C:/a/b", "\\\\?\\C:\\a\\b"},
      {"\\\\server\\share\\x", "\\\\?\\UNC\\server\\share\\x"},
      {"\\\\?\\C:\\a\\nul", "\\\\?\\C:\\a\\nul"},
      {U8(u8"C:\\表\\ソ\\😀"), U8(u8"\\\\?\\C:\\表\\ソ\\😀")},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(EngineFormOf(c.listed), c.engine) << c.listed;
  // A root joined with a name reaches the name with one backslash.
  EXPECT_EQ(WideEnginePath("\\\\?\\C:\\\\x"), L"\\\\?\\C:\\x");
  EXPECT_EQ(WideEnginePath("\\\\?\\UNC\\s\\t\\\\x"), L"\\\\?\\UNC\\s\\t\\x");
  // Every name comes back whole, a lone surrogate too.
  for (const std::wstring& name : {std::wstring(L"\U0001F600\uD55C"), std::wstring(L"a\xD800z"),
                                   std::wstring(L"\xDC00"), std::wstring(L"\xD83D")}) {
    EXPECT_EQ(WideFromUtf8(Utf8FromWide(name)), name);
  }
}

// --- System32 on 64-bit Windows ----------------------------------------------

bool IsWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The Windows folder as seen through the prefix's Unix side (drive Z:),
// where no redirection applies.
std::wstring UnredirectedWindowsFolder() {
  wchar_t prefix[MAX_PATH];
  const DWORD got = GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
  if (got == 0 || got >= MAX_PATH || prefix[0] != L'/') return std::wstring();
  std::wstring folder = L"Z:" + std::wstring(prefix, got) + L"/drive_c/windows";
  for (auto& c : folder) c = c == L'/' ? L'\\' : c;
  return ExistsW(folder + L"\\syswow64") ? folder : std::wstring();
}

class System32Test : public WidePathsTest {
 protected:
  void SetUp() override {
    WidePathsTest::SetUp();
    windows_ = UnredirectedWindowsFolder();
    if (!IsWow64() || windows_.empty()) {
      GTEST_SKIP() << "not a 32-bit program in a 64-bit Wine prefix";
    }
    name_ = "moxlyn-test-" + std::to_string(GetCurrentProcessId());
  }
  std::wstring Native(const std::string& relative) {
    cleanUp_.push_back(windows_ + L"\\system32\\" + Wide(name_));
    return windows_ + L"\\system32\\" + Wide(relative);
  }
  std::wstring Redirected(const std::string& relative) {
    cleanUp_.push_back(windows_ + L"\\syswow64\\" + Wide(name_));
    return windows_ + L"\\syswow64\\" + Wide(relative);
  }
  std::wstring windows_;
  std::string name_;
};

TEST_F(System32Test, ListedSystem32FileIsTheOneDeleted) {
  FileW(Native(name_), "system32");
  FileW(Redirected(name_), "syswow64");
  DeleteListed(fs(), {"C:\\Windows\\System32\\" + name_});
  EXPECT_FALSE(ExistsW(Native(name_)));
  EXPECT_EQ(ContentW(Redirected(name_)), "syswow64");
  // The redirection is back on for everything else the program does.
  EXPECT_NE(GetFileAttributesA(("C:\\Windows\\System32\\" + name_).c_str()),
            INVALID_FILE_ATTRIBUTES);
}

TEST_F(System32Test, DroppedSystem32FolderListsAndDeletesItsRealEntries) {
  FolderW(Native(name_));
  FileW(Native(name_ + "\\real.txt"), "system32");
  FolderW(Redirected(name_));
  FileW(Redirected(name_ + "\\other.txt"), "syswow64");
  const std::string dropped = "C:\\windows\\system32\\" + name_;

  DelList list;
  IntakeDrop(fs(), {dropped}, list);
  EXPECT_EQ(list, (DelList{dropped, dropped + "\\real.txt"}));

  DeleteListed(fs(), list);
  EXPECT_FALSE(ExistsW(Native(name_)));
  EXPECT_EQ(ContentW(Redirected(name_ + "\\other.txt")), "syswow64");
}

}  // namespace
}  // namespace moxlyn
