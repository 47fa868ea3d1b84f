// Real shell-style drops (XDND through Wine) and a paste of copied files onto
// the running program; the list file written at close shows what each listed.
// Names outside the code page are listed in a form that reaches them (their
// short names), so that "削除" really deletes them.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "tests/windows/harness.h"

namespace moxlyn::e2e {
namespace {

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
void PutOnClipboard(const std::string& names, uint32_t offset = sizeof(DROPFILES)) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(DROPFILES) + names.size());
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  *files = DROPFILES{offset, {}, FALSE, TRUE};
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
  const std::pair<size_t, std::string> blocks[] = {
      {sizeof(DROPFILES) + one.size() + 2, one},           // names past the block
      {sizeof(DROPFILES), one.substr(0, one.size() - 4)},  // unterminated
      {sizeof(DROPFILES), WideNames({pipeName, "\\\\?\\GLOBALROOT\\Device\\Null"})},
  };
  for (const auto& [offset, names] : blocks) {
    PutOnClipboard(names, static_cast<uint32_t>(offset));
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

TEST_F(DropE2e, NamesOutsideTheCodePageAreListedByShortNamesThatDeleteTheFiles) {
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

  HWND main = Start();
  ASSERT_TRUE(DropUnix(CentreOf(main), {unixDir + "/" + koreanName, unixDir + "/" + japaneseName,
                                        unixDir + "/box"}));
  EXPECT_TRUE(WaitUntil([&] { return folder.SavedList().size() == 5u; }));
  CloseProgram();
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
  main = Start();
  Click(FindControl(main, "Button", "削除"));
  ASSERT_TRUE(program->AnswerBox("削除終了"));
  EXPECT_FALSE(WideExists(korean));
  EXPECT_FALSE(WideExists(emoji));
  EXPECT_FALSE(folder.Exists("日本語.txt"));
  EXPECT_FALSE(folder.Exists("box"));
}

}  // namespace
}  // namespace moxlyn::e2e
