// Real shell-style drops (XDND through Wine) and a paste of copied files onto
// the running program; the list file written at close shows what each listed.
// Names outside the code page are listed as themselves.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <tuple>

#include "tests/windows/harness.h"

namespace moxlyn::e2e {
namespace {

using namespace std::string_literals;

using DropE2e = ProgramCase;

TEST_F(DropE2e, OneDropOfSeveralItemsKeepsTheirOrderAndListsFolderEntries) {
  folder.Write("b.txt", "b");
  folder.MakeDir("dir");
  folder.Write("dir\\one.txt", "1");
  folder.MakeDir("dir\\sub");
  folder.Write("dir\\sub\\deeper.txt", "not listed");
  folder.Write("日本語のファイル.txt", "j");
  folder.Write("a.txt", "a");
  folder.Write("100% sure #1.txt", "p");
  HWND main = Start();

  HWND panel = ChildWindowFromPointEx(main, {97, 48}, CWP_SKIPINVISIBLE);
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(Drop(CentreOf(panel),
                   {folder.Path("b.txt"), folder.Path("dir"), folder.Path("日本語のファイル.txt"),
                    folder.Path("a.txt"), folder.Path("100% sure #1.txt")}));
  // A drop shows no window.
  EXPECT_TRUE(HoldsFor([&] { return program->VisibleWindows() == std::vector<HWND>{main}; }));
  CloseProgram();

  auto saved = folder.SavedList();
  // The folder's direct entries come in the file system's order.
  if (saved.size() > 3) std::sort(saved.begin() + 2, saved.begin() + 4);
  EXPECT_EQ(saved, (std::vector<std::string>{
                       folder.Path("b.txt"), folder.Path("dir"), folder.Path("dir\\one.txt"),
                       folder.Path("dir\\sub"), folder.Path("日本語のファイル.txt"),
                       folder.Path("a.txt"), folder.Path("100% sure #1.txt")}));
}

// Puts a CF_HDROP block (a DROPFILES header for wide names and the names'
// bytes) on the clipboard, as any program can.
void PutOnClipboard(const std::string& names, uint32_t offset = sizeof(DROPFILES),
                    BOOL wide = TRUE) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(DROPFILES) + names.size());
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  *files = DROPFILES{offset, {}, FALSE, wide};
  memcpy(files + 1, names.data(), names.size());
  GlobalUnlock(memory);
  // The clipboard takes data only from an owner window.
  HWND owner =
      CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  EXPECT_NE(SetClipboardData(CF_HDROP, memory), nullptr);
  CloseClipboard();
  DestroyWindow(owner);
}

// The names' bytes as the shell's Copy puts them (wide).
std::string WideNames(const std::vector<std::string>& names) {
  std::wstring list;
  for (const std::string& name : names) list += Wide(name) + L'\0';
  list += L'\0';
  return {reinterpret_cast<const char*>(list.data()), list.size() * sizeof(wchar_t)};
}

void PressCtrlV() {
  INPUT keys[4]{};
  for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[3].ki.wVk = VK_CONTROL;
  keys[1].ki.wVk = keys[2].ki.wVk = 'V';
  keys[2].ki.dwFlags = keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, keys, sizeof(INPUT));
}

// The main window in front and the real Ctrl+V pressed on it.
void PasteOn(HWND main) {
  SetForegroundWindow(main);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; }));
  PressCtrlV();
}

// PasteOn, then waits until the program has taken the paste: a Tab pressed
// after it, which the program reads after the keys before it, has moved the
// focus.
void PasteAndWaitOn(HWND main) {
  HWND focus = FocusOf(main);
  ASSERT_NO_FATAL_FAILURE(PasteOn(main));
  TypeKey(VK_TAB);
  ASSERT_TRUE(WaitUntil([&] { return FocusOf(main) != focus; }));
}

// Blocks that another program made to lie: each is refused whole, nothing
// it names is opened (not even a pipe), and the program lives on. A block of
// 100,000 names is listed and saved at once: a kill then loses nothing.
TEST_F(DropE2e, ClipboardBlocksThatLieAddNothingAndManyNamesAreSavedAtOnce) {
  folder.Write("dellist.lst", "C:\\kept.txt\r\n");
  const std::string pipeName = "\\\\.\\pipe\\moxlyn-probe";
  const ScopedFileHandle pipe(CreateNamedPipeW(Wide(pipeName).c_str(), PIPE_ACCESS_DUPLEX,
                                               PIPE_NOWAIT, 1, 0, 0, 0, nullptr));
  ASSERT_TRUE(pipe.Valid());
  HWND main = Start();
  const std::string one = WideNames({folder.Path("a.txt")});
  // A lone lead byte is no name of the code page: nothing may stand for it.
  folder.Write("lone\x81\x45", "not dropped");
  const std::tuple<size_t, std::string, BOOL> blocks[] = {
      {sizeof(DROPFILES) + one.size() + 2, one, TRUE},           // names past the block
      {sizeof(DROPFILES), one.substr(0, one.size() - 4), TRUE},  // unterminated
      {sizeof(DROPFILES), WideNames({pipeName, "\\\\?\\GLOBALROOT\\Device\\Null"}), TRUE},
      {sizeof(DROPFILES), folder.Path("lone\x95") + "\0\0"s, FALSE},
  };
  for (const auto& [offset, names, wide] : blocks) {
    PutOnClipboard(names, static_cast<uint32_t>(offset), wide);
    ASSERT_NO_FATAL_FAILURE(PasteAndWaitOn(main));
  }
  EXPECT_FALSE(ConnectNamedPipe(pipe.Get(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PIPE_LISTENING));
  std::vector<std::string> listed{"C:\\kept.txt"};
  for (int i = 0; i < 100000; ++i) listed.push_back(folder.Path("many" + std::to_string(i)));
  PutOnClipboard(WideNames({listed.begin() + 1, listed.end()}));
  PasteOn(main);
  EXPECT_TRUE(WaitUntil([&] { return folder.SavedList() == listed; }));
  program->Kill();
  program.reset();
  EXPECT_EQ(folder.SavedList(), listed);
}

TEST_F(DropE2e, DropsOnAButtonAndOnThePanelAndAPasteAppendToTheSavedList) {
  folder.Write("dellist.lst", "C:\\already\\listed.txt\r\n");
  folder.Write("first.txt", "1");
  folder.Write("second.txt", "2");
  folder.MakeDir("pasted");
  folder.Write("pasted\\inside.txt", "3");
  HWND main = Start();
  HWND del = FindControl(main, "Button", "削除");
  ASSERT_NE(del, nullptr);
  HWND panel = ChildWindowFromPointEx(main, {97, 48}, CWP_SKIPINVISIBLE);
  ASSERT_TRUE(Drop(CentreOf(del), {folder.Path("first.txt")}));
  ASSERT_TRUE(Drop(CentreOf(panel), {folder.Path("second.txt")}));
  // The same path twice stands twice.
  ASSERT_TRUE(Drop(CentreOf(FindControl(main, "Button", "ABOUT")), {folder.Path("first.txt")}));
  EXPECT_TRUE(HoldsFor([&] { return program->VisibleWindows() == std::vector<HWND>{main}; }));
  // Ctrl+V on the main window takes the shell's copied files as a drop,
  // into the open list window's view too.
  PutOnClipboard(WideNames({folder.Path("second.txt"), folder.Path("pasted")}));
  HWND list = program->Open("リスト", "削除リスト");
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == list; }));
  ASSERT_NO_FATAL_FAILURE(PasteOn(main));
  EXPECT_TRUE(WaitUntil([&] { return ListRows(FindControl(list, "ListBox", "")).size() == 7u; }));
  CloseProgram();
  EXPECT_EQ(folder.SavedList(),
            (std::vector<std::string>{"C:\\already\\listed.txt", folder.Path("first.txt"),
                                      folder.Path("second.txt"), folder.Path("first.txt"),
                                      folder.Path("second.txt"), folder.Path("pasted"),
                                      folder.Path("pasted\\inside.txt")}));
  // Nothing was deleted by listing it.
  EXPECT_TRUE(folder.Exists("first.txt"));
  EXPECT_TRUE(folder.Exists("second.txt"));
}

// A path longer than the 1024-byte drop buffer is listed whole: cut at 1023
// bytes it would name another file that exists (the "short" one here).
TEST_F(DropE2e, APathLongerThanTheDropBufferIsListedWhole) {
  // Paths this long need the Unix side to make them (and to name them).
  std::string dir = folder.Dir();
  std::string unixDir = UnixPath(folder.Dir());
  for (int level = 0; level < 4; ++level) {
    const std::string name(200, static_cast<char>('d' + level));
    dir += "\\" + name;
    unixDir += "/" + name;
  }
  const size_t shortName = 1023 - dir.size() - 1;
  ASSERT_LE(shortName, 200u);
  const std::string longName(shortName + 50, 'a');
  const std::string longPath = dir + "\\" + longName;
  ASSERT_TRUE(
      StartUnix("/bin/sh",
                {"-c", "mkdir -p \"$1\" && : > \"$1/$2\" && : > \"$1/$3\" && : > \"$4\"", "sh",
                 unixDir, longName.substr(0, shortName), longName, UnixPath(folder.Path("made"))}));
  ASSERT_TRUE(WaitUntil([&] { return folder.Exists("made"); }));
  HWND main = Start();
  ASSERT_TRUE(Drop(CentreOf(main), {longPath}));
  EXPECT_TRUE(WaitUntil([&] { return folder.SavedList() == std::vector<std::string>{longPath}; }));
  CloseProgram();
  EXPECT_EQ(folder.SavedList(), std::vector<std::string>{longPath});
}

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

// Names outside the system's code page: dropped, saved, loaded at the next
// start, shown, deleted and logged as themselves (on every system code page
// the suite runs on).
TEST_F(DropE2e, NamesOfAnyScriptAreListedShownDeletedAndLoggedAsThemselves) {
  const std::wstring names[] = {L"Pok\u00e9mon 01.mp4", L"\U0001F600.txt", L"\uD55C\uAD6D.txt"};
  const std::string unixDir = UnixPath(folder.Dir());
  // The names go to the Unix side in UTF-8.
  ASSERT_TRUE(StartUnix(
      "/bin/sh",
      {"-c", "cd \"$1\" && mkdir f && : > \"f/$2\" && : > \"f/$3\" && : > \"f/$4\" && : > made",
       "sh", unixDir, Utf8(names[0]), Utf8(names[1]), Utf8(names[2])}));
  ASSERT_TRUE(WaitUntil([&] { return folder.Exists("made"); }));
  const std::wstring dir = Wide(folder.Path("f"));
  std::vector<std::wstring> listed{dir};
  for (const auto& name : names) {
    listed.push_back(dir + L"\\" + name);
    ASSERT_TRUE(WideExists(listed.back()));
  }
  folder.Write("Moxlyn.ini",
               "[Config]\r\nConfirmBeforeDelete=0\r\nShowMessageAfterDelete=1\r\nGetDeleteLog=1\r\n"
               "LogType=1\r\n");

  HWND main = Start();
  ASSERT_TRUE(DropUnix(CentreOf(main), {unixDir + "/f"}));
  EXPECT_TRUE(WaitUntil([&] { return folder.SavedList().size() == listed.size(); }));
  CloseProgram();
  // No code page holds them all: the list is UTF-8 with its mark.
  const std::string saved = folder.Read("dellist.lst").value_or("");
  ASSERT_EQ(saved.rfind("\xEF\xBB\xBF", 0), 0u) << saved;
  std::vector<std::wstring> savedNames;
  for (const auto& line : SplitCrLf(saved.substr(3))) savedNames.push_back(Wide(line, CP_UTF8));
  ASSERT_EQ(savedNames.size(), listed.size());
  EXPECT_EQ(savedNames[0], listed[0]);
  std::sort(savedNames.begin() + 1, savedNames.end());
  std::sort(listed.begin() + 1, listed.end());
  EXPECT_EQ(savedNames, listed);

  main = Start();
  HWND listBox = FindControl(program->Open("リスト", "削除リスト"), "ListBox", "");
  std::vector<std::wstring> rows;
  WaitUntil([&] { return (rows = ListRowsW(listBox)).size() == listed.size(); });
  ASSERT_EQ(rows.size(), listed.size());
  std::sort(rows.begin() + 1, rows.end());
  EXPECT_EQ(rows, listed);
  Click(FindControl(main, "Button", "削除"));
  ASSERT_TRUE(program->AnswerBox("削除終了"));
  for (const auto& path : listed) EXPECT_FALSE(WideExists(path));
  const auto logs = folder.Find("*.log");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(folder.Read(logs[0]), saved);
}

}  // namespace
}  // namespace moxlyn::e2e
