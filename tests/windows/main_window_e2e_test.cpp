// The main window's tray icon after a failed close, minimising by other means
// than the minimise box, the end of the logon, and the keys the message loop
// gives the windows.
#include <gtest/gtest.h>

#include "tests/windows/harness.h"

#include <shellapi.h>

#include <filesystem>
#include <fstream>

namespace moxlyn::e2e {
namespace {

// True while the shell holds the program's icon (id 1 of the main window):
// only an existing icon can be modified.
bool TrayIconExists(HWND main) {
  using NotifyIcon = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAA*);
  static const auto notifyIcon = reinterpret_cast<NotifyIcon>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("shell32.dll"), "Shell_NotifyIconA")));
  if (notifyIcon == nullptr) return false;
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = main;
  data.uID = 1;
  return notifyIcon(NIM_MODIFY, &data) != FALSE;
}

bool NothingVisible(const Program& program) { return program.VisibleWindows().empty(); }

TEST(StartE2e, FailedCloseKeepsTheTrayIconSoTheProgramCanStillBeRestoredAndClosed) {
  CaseFolder folder("failed-close");
  folder.Write("dellist.lst", "C:\\keep\\me.txt\r\n");
  SetFileAttributesA(folder.ListFile().c_str(), FILE_ATTRIBUTE_READONLY);
  Program program(folder);
  HWND main = program.ShownMain();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return TrayIconExists(main); }));

  program.Close();
  auto box = program.WaitBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "ファイル " + folder.ListFile() + " を作成できません.");
  Answer(*box, IDOK);
  ASSERT_TRUE(WaitGone(box->box));
  ASSERT_TRUE(HoldsFor([&] { return program.Running(); }));
  EXPECT_TRUE(TrayIconExists(main));

  // Minimised, the program comes back through its icon.
  PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return NothingVisible(program); }));
  PostMessageA(main, kTrayMessage, 1, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }));

  SetFileAttributesA(folder.ListFile().c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
  EXPECT_EQ(folder.Read("dellist.lst"), std::optional<std::string>("C:\\keep\\me.txt\r\n"));
}

// A full disk at the close, with no free block and no free entry: the save
// fails with its box and the list file keeps its old bytes (a rewrite in
// place would cut it: CR LF is written where the file has LF), and the
// program stays open and closes once there is room.
TEST(StartE2e, FullDiskAtCloseKeepsTheOldListAndTheProgramOpen) {
  const std::string disk = Env("MOXLYN_FULL_DISK");
  if (disk.empty()) GTEST_SKIP() << "MOXLYN_FULL_DISK is not set (scripts/test.sh, as root)";
  CaseFolder folder("full-disk", WindowsPathOfUnix(disk));
  std::vector<std::string> entries;
  std::string old;
  for (int i = 0; i < 2000; ++i) {
    entries.push_back("R:\\victim\\keep" + std::to_string(i));
    old += entries.back() + "\n";
  }
  folder.Write("dellist.lst", old);
  Program program(folder);
  ASSERT_NE(program.ShownMain(), nullptr);
  ASSERT_TRUE(FillDisk(folder.Dir(), true));

  program.Close();
  auto box = program.WaitBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "ファイル " + folder.ListFile() + " を作成できません.");
  Answer(*box, IDOK);
  ASSERT_TRUE(WaitGone(box->box));
  EXPECT_EQ(folder.Read("dellist.lst"), std::optional<std::string>(old));
  ASSERT_TRUE(HoldsFor([&] { return program.Running(); }));

  for (const auto& name : folder.Find("entry*")) DeleteFileA(folder.Path(name).c_str());
  DeleteFileA(folder.Path("filler").c_str());
  EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
  EXPECT_EQ(folder.SavedList(), entries);
}

// The list file is a Unix link into a folder named outside the code page
// ("ü" has no code page 932 form): it stays a link and its target gets the
// bytes. A hundred leftovers of earlier saves beside the settings file block
// nothing and stay as they were.
TEST(StartE2e, LinkedListOutsideTheCodePageAndLeftoversBesideTheSettings) {
  CaseFolder folder("linked");
  const std::string script =
      "cd \"$1\" && mkdir \"$2\" && printf 'C:\\\\old.txt\\n' > "
      "\"$2/list.lst\" && ln -s \"$2/list.lst\" dellist.lst";
  ASSERT_TRUE(StartUnix("/bin/sh", {"-c", script, "sh", UnixPath(folder.Dir()),
                                    "M\xC3\xBCller_\xE5\x85\xB1\xE6\x9C\x89"}));  // UTF-8
  ASSERT_TRUE(WaitUntil([&] { return folder.Exists("dellist.lst"); }));
  const std::filesystem::path target =
      testing::Wide(folder.Dir()) + L"\\M\u00fcller_\u5171\u6709\\list.lst";
  std::vector<std::string> leftovers{"Moxlyn.ini.moxlyn-new"};
  for (int i = 1; i < 100; ++i) leftovers.push_back(leftovers.front() + std::to_string(i));
  for (const auto& name : leftovers) folder.Write(name, "mine");

  Program program(folder);
  ASSERT_NE(program.ShownMain(), nullptr);
  EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
  std::ifstream bytes(target, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(bytes), {}), "C:\\old.txt\r\n");
  EXPECT_TRUE(folder.Exists("Moxlyn.ini"));
  for (const auto& name : leftovers) {
    EXPECT_EQ(folder.Read(name), std::optional<std::string>("mine")) << name;
  }
  EXPECT_EQ(folder.Find("*.moxlyn-*").size(), leftovers.size());
}

TEST(StartE2e, TheTrayIconIsAddedAgainWhenTheShellCreatesItsTaskbarAgain) {
  CaseFolder folder("taskbar-created");
  Program program(folder);
  HWND main = program.ShownMain();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return TrayIconExists(main); }));
  // A restarted shell has lost the icons and says so.
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = main;
  data.uID = 1;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &data));
  ASSERT_FALSE(TrayIconExists(main));
  PostMessageA(main, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return TrayIconExists(main); }));
  EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
}

TEST(StartE2e, MinimisingTheMainWindowByOtherMeansHidesTheProgramToo) {
  CaseFolder folder("show-minimise");
  Program program(folder);
  HWND main = program.ShownMain();
  ASSERT_NE(main, nullptr);
  Click(FindControl(main, "Button", "ABOUT"));
  HWND about = program.WaitWindow("Moxlynについて");
  ASSERT_NE(about, nullptr);

  ShowWindow(main, SW_MINIMIZE);
  EXPECT_TRUE(WaitUntil([&] { return NothingVisible(program); }));
  PostMessageA(main, kTrayMessage, 1, WM_RBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) && IsWindowVisible(about); }));
  EXPECT_FALSE(IsIconic(main));
  RECT outer;
  GetWindowRect(main, &outer);
  EXPECT_EQ(outer.left, 100);
  EXPECT_EQ(outer.top, 100);
  EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
}

TEST(StartE2e, EndOfTheLogonEndsTheProgramWithoutTheOrderlyClose) {
  CaseFolder folder("end-session");
  folder.Write("dellist.lst", "C:\\old.txt\r\n");
  Program program(folder);
  HWND main = program.ShownMain();
  ASSERT_NE(main, nullptr);
  // A query alone changes nothing.
  EXPECT_NE(SendMessageA(main, WM_QUERYENDSESSION, 0, 0), 0);
  SendMessageA(main, WM_ENDSESSION, FALSE, 0);
  ASSERT_TRUE(HoldsFor([&] { return program.Running(); }));
  SendMessageA(main, WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(program.WaitExit(), std::optional<DWORD>(0));
  EXPECT_EQ(folder.Read("dellist.lst"), std::optional<std::string>("C:\\old.txt\r\n"));
  EXPECT_FALSE(folder.Exists("Moxlyn.ini"));
}

TEST(SetupE2e, EnterPressesOnlyAFocusedPushButtonAndEscapeDoesNothing) {
  CaseFolder folder("keys");
  Program program(folder);
  HWND main = program.ShownMain();
  ASSERT_NE(main, nullptr);
  Click(FindControl(main, "Button", "設定"));
  HWND setup = program.WaitWindow("設定");
  ASSERT_NE(setup, nullptr);
  HWND confirm = FindControl(setup, "Button", "削除する前に確認する");
  HWND cansel = FindControl(setup, "Button", "Cansel");
  ASSERT_NE(confirm, nullptr);
  ASSERT_NE(cansel, nullptr);
  const LRESULT ticked = SendMessageA(confirm, BM_GETCHECK, 0, 0);

  PostKey(setup, VK_ESCAPE);
  PostKey(confirm, VK_ESCAPE);
  PostKey(confirm, VK_RETURN);
  EXPECT_TRUE(HoldsFor(
      [&] {
        return IsWindowVisible(setup) && !program.HasBox() &&
               SendMessageA(confirm, BM_GETCHECK, 0, 0) == ticked;
      },
      400));

  PostKey(cansel, VK_RETURN);
  EXPECT_TRUE(WaitGone(setup));
  EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace moxlyn::e2e
