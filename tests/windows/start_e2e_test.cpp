// Start-up, the single instance, the taskbar and the tray icon, minimising to
// the tray, the end of the logon, and the files written at close, on the real
// program.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include "tests/windows/harness.h"

namespace moxlyn::e2e {
namespace {

using namespace std::string_literals;

using ::testing::HasSubstr;
using ::testing::StartsWith;
using StartE2e = ProgramCase;

const std::string kDefaultIni =
    "[Window]\r\nLeft=100\r\nTop=100\r\n\r\n[Config]\r\nConfirmBeforeDelete=1\r\n"
    "ShowMessageAfterDelete=1\r\nGetDeleteLog=0\r\nLogType=2\r\nShowTopMost=1\r\n\r\n";

// True when no window of the program could have a taskbar button: none has
// WS_EX_APPWINDOW and every visible one has an owner.
void ExpectNothingOnTaskbar(Program& program) {
  for (HWND window : program.TopLevelWindows()) {
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    EXPECT_FALSE(exStyle & WS_EX_APPWINDOW) << WindowText(window);
    if (IsWindowVisible(window)) {
      EXPECT_NE(GetWindow(window, GW_OWNER), nullptr) << "unowned visible " << WindowText(window);
    }
  }
}

void PostTray(HWND main, UINT mouseMessage) {
  PostMessageA(main, kTrayMessage, 1, static_cast<LPARAM>(mouseMessage));
}

bool NothingVisible(const Program& program) { return program.VisibleWindows().empty(); }

// The shell's call on the program's icon (id 1 of the main window).
bool NotifyProgramIcon(HWND main, DWORD message) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = main;
  data.uID = 1;
  return Shell_NotifyIconA(message, &data) != FALSE;
}

// True while the shell holds the program's icon: only an existing icon can
// be modified.
bool TrayIconExists(HWND main) { return NotifyProgramIcon(main, NIM_MODIFY); }

TEST_F(StartE2e, FirstStartLaysOutTheMainWindowAndWritesDefaultFilesAtClose) {
  HWND main = Start();

  EXPECT_EQ(Position(main), std::pair(100, 100));
  EXPECT_EQ(WindowText(main), "Moxlyn");
  const SIZE client = ClientSize(main);
  EXPECT_EQ(client.cx, 146);
  EXPECT_EQ(client.cy, 96);
  EXPECT_TRUE(IsTopmost(main));
  const LONG style = GetWindowLongA(main, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);

  struct Expected {
    const char* text;
    RECT rect;
  };
  const Expected buttons[] = {{"削除", {0, 0, 49, 25}},
                              {"リスト", {0, 24, 49, 49}},
                              {"設定", {0, 48, 49, 73}},
                              {"ABOUT", {0, 72, 49, 97}}};
  for (const auto& expected : buttons) {
    HWND button = FindControl(main, "Button", expected.text);
    ASSERT_NE(button, nullptr) << expected.text;
    EXPECT_EQ(Edges(ChildRect(button)), Edges(expected.rect)) << expected.text;
  }
  // The panel is the child over the right-hand part of the client area.
  HWND panel = ChildWindowFromPointEx(main, {97, 48}, CWP_SKIPINVISIBLE);
  ASSERT_NE(panel, nullptr);
  ASSERT_NE(panel, main);
  EXPECT_EQ(ShownText(panel), "Please D&D.");
  char spoken[32] = {};
  SendMessageA(panel, WM_GETTEXT, sizeof spoken, reinterpret_cast<LPARAM>(spoken));
  EXPECT_STREQ(spoken, "Please D&D.");
  EXPECT_EQ(Edges(ChildRect(panel)), (std::array<LONG, 4>{48, 0, 146, 96}));

  // The other three windows exist from the start, hidden.
  for (const char* caption : {"削除リスト", "設定", "Moxlynについて"}) {
    EXPECT_NE(program->FindTopLevel(caption, false), nullptr) << caption;
    EXPECT_EQ(program->FindTopLevel(caption, true), nullptr) << caption;
  }

  // Nothing is written before the close.
  EXPECT_FALSE(folder.Exists("Moxlyn.ini"));
  EXPECT_FALSE(folder.Exists("dellist.lst"));
  Screenshot("main-window", {main});

  CloseProgram();
  EXPECT_EQ(folder.Read("Moxlyn.ini"), kDefaultIni);
  EXPECT_EQ(folder.Read("dellist.lst"), ""s);
}

TEST_F(StartE2e, SecondCopyOnlyShowsItsBoxAndLaterStartsSucceed) {
  HWND main = Start();
  const auto before = Position(main);

  {
    Program second(folder);
    auto box = second.WaitFirstBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, "既に起動しています。");
    EXPECT_EQ(box->caption, "Moxlyn");
    ASSERT_EQ(box->buttons.size(), 1u);
    EXPECT_EQ(box->buttons[0].first, IDOK);
    EXPECT_FALSE(box->hasIcon);
    EXPECT_TRUE(box->owner == nullptr || !IsWindowVisible(box->owner));
    // The box is the second copy's only visible window.
    EXPECT_EQ(second.VisibleWindows(), std::vector<HWND>{box->box});
    Screenshot("box-already-running", {box->box});
    Answer(*box, IDOK);
    EXPECT_EQ(second.WaitExit(), std::optional<DWORD>(0));
  }

  // The first copy is not affected.
  EXPECT_TRUE(program->Running());
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_EQ(Position(main), before);
  CloseProgram();

  // After a normal close, and after a kill, the next start succeeds.
  {
    Program again(folder);
    ASSERT_NE(again.Main(), nullptr);
    EXPECT_FALSE(again.HasBox());
    again.Kill();
  }
  Start();
  EXPECT_TRUE(HoldsFor([&] { return !program->HasBox(); }));
}

TEST_F(StartE2e, NoTaskbarButtonAndTrayClicksRestoreTheOpenWindows) {
  program.emplace(folder);
  HWND main = program->Main();
  ASSERT_NE(main, nullptr);
  HWND application = program->Application();
  ASSERT_NE(application, nullptr);
  // Written whole: exactly the tool-window style.
  EXPECT_EQ(GetWindowLongA(application, GWL_EXSTYLE), WS_EX_TOOLWINDOW);
  ExpectNothingOnTaskbar(*program);

  HWND list = program->Open("リスト", "削除リスト");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetWindow(list, GW_OWNER), application);

  PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return NothingVisible(*program); }));
  ExpectNothingOnTaskbar(*program);
  EXPECT_EQ(GetWindowLongA(application, GWL_EXSTYLE), WS_EX_TOOLWINDOW);

  // Moves and releases do nothing.
  PostTray(main, WM_MOUSEMOVE);
  PostTray(main, WM_LBUTTONUP);
  PostTray(main, WM_RBUTTONUP);
  PostTray(main, WM_LBUTTONDBLCLK);
  PostTray(main, WM_MBUTTONDOWN);
  EXPECT_TRUE(HoldsFor([&] { return NothingVisible(*program); }, 400));

  PostTray(main, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) && IsWindowVisible(list); }));
  EXPECT_TRUE(IsTopmost(main));
  ExpectNothingOnTaskbar(*program);

  // A click while not minimised brings the open windows forward in the order
  // list, about, setup: the setup window ends in front.
  ASSERT_NE(program->Open("ABOUT", "Moxlynについて"), nullptr);
  HWND setup = program->Open("設定", "設定");
  ASSERT_NE(setup, nullptr);
  SetForegroundWindow(main);
  PostTray(main, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == setup; }));

  // The right button does the same as the left.
  PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return NothingVisible(*program); }));
  PostTray(main, WM_RBUTTONDOWN);
  EXPECT_TRUE(WaitUntil(
      [&] { return IsWindowVisible(main) && IsWindowVisible(list) && IsWindowVisible(setup); }));
}

TEST_F(StartE2e, AbandonedMutexRefusesOneStartAndHandsTheMutexBack) {
  Start();
  // Another handle keeps the mutex alive when its owner is killed.
  ScopedKernelObject mutex(CreateMutexA(nullptr, FALSE, ui::kInstanceMutexName));
  ASSERT_TRUE(mutex.Valid());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  program->Kill();
  {
    Program refused(folder);
    ASSERT_TRUE(refused.AnswerBox("既に起動しています。"));
    EXPECT_EQ(refused.WaitExit(), std::optional<DWORD>(0));
  }
  Start();
  EXPECT_TRUE(HoldsFor([&] { return !program->HasBox(); }));
  mutex.Reset();
}

TEST_F(StartE2e, WithoutTopmostTheTrayClickLeavesTheMainWindowNormal) {
  folder.Write("Moxlyn.ini", "[Config]\r\nShowTopMost=0\r\n");
  HWND main = Start();
  EXPECT_FALSE(IsTopmost(main));
  PostTray(main, WM_LBUTTONDOWN);
  EXPECT_TRUE(HoldsFor([&] { return !IsTopmost(main); }));
  PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return NothingVisible(*program); }));
  PostTray(main, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitShown(main));
  EXPECT_FALSE(IsTopmost(main));
  CloseProgram();
  EXPECT_THAT(folder.Read("Moxlyn.ini").value_or(""), HasSubstr("ShowTopMost=0\r\n"));
}

TEST_F(StartE2e, StartedMinimisedShowsNothingUntilTheTrayClick) {
  program.emplace(folder, SW_SHOWMINNOACTIVE);
  HWND main = program->Main();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(HoldsFor([&] { return NothingVisible(*program); }, 500));
  ExpectNothingOnTaskbar(*program);
  PostTray(main, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitShown(main));
  EXPECT_FALSE(IsIconic(main));
}

TEST_F(StartE2e, UnreadableListIsReportedAndTheProgramRunsWithAnEmptyList) {
  folder.Write("dellist.lst", "C:\\nothing\\here.txt\r\n");
  ScopedFileHandle held = OpenExisting(folder.ListFile(), GENERIC_WRITE, 0);
  ASSERT_TRUE(held.Valid());
  program.emplace(folder);
  auto box = program->WaitFirstBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->caption, "Moxlyn");
  EXPECT_EQ(box->text, "ファイル " + folder.ListFile() + " は開けません.");
  // Owned by the hidden application window, which owns the main window too.
  ASSERT_NE(box->owner, nullptr);
  EXPECT_FALSE(IsWindowVisible(box->owner));
  EXPECT_EQ(GetWindowLongA(box->owner, GWL_EXSTYLE), WS_EX_TOOLWINDOW);
  EXPECT_TRUE(box->hasIcon);
  EXPECT_EQ(box->iconKind, "stop");
  ASSERT_EQ(box->buttons.size(), 1u);
  EXPECT_EQ(box->buttons[0].first, IDOK);
  Screenshot("box-error", {box->box});
  Answer(*box, IDOK);
  held.Reset();

  HWND main = program->ShownMain();
  // The start-up stopped at the list: the topmost step did not run.
  EXPECT_FALSE(IsTopmost(main));
  // The list is empty: "削除" says so.
  Click(FindControl(main, "Button", "削除"));
  ASSERT_TRUE(program->AnswerBox("リストに削除対象のファイルパスがありません"));
  // Released meanwhile, the file is read again before the list is saved:
  // its entries come first.
  folder.Write("dropped.txt", "d");
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("dropped.txt")}));
  CloseProgram();
  EXPECT_EQ(folder.SavedList(),
            (std::vector<std::string>{"C:\\nothing\\here.txt", folder.Path("dropped.txt")}));
}

// Starts the program while another program holds the settings file open
// without sharing, answers the error box and lets the file go.
void StartWithSettingsHeld(const CaseFolder& folder, std::optional<Program>& program) {
  ScopedFileHandle held = OpenExisting(folder.Ini(), GENERIC_READ | GENERIC_WRITE, 0);
  ASSERT_TRUE(held.Valid());
  program.emplace(folder);
  auto box = program->WaitFirstBox();
  held.Reset();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "ファイル " + folder.Ini() + " は開けません.");
  ASSERT_TRUE(Answer(*box, IDOK));
}

TEST_F(StartE2e, SettingsUnreadableAtStartAreWrittenAtCloseOnlyAfterTheSetupWindowsOk) {
  const std::string ini =
      "[Window]\r\nLeft=120\r\nTop=130\r\n\r\n[Config]\r\nConfirmBeforeDelete=1\r\n"
      "ShowMessageAfterDelete=1\r\nGetDeleteLog=1\r\nLogType=1\r\nShowTopMost=1\r\n\r\n";
  folder.Write("Moxlyn.ini", ini);
  ASSERT_NO_FATAL_FAILURE(StartWithSettingsHeld(folder, program));
  EXPECT_EQ(Position(program->ShownMain()), std::pair(267, 738));
  CloseProgram();
  EXPECT_EQ(folder.Read("Moxlyn.ini"), ini);

  // What the setup window's OK stores is written: the options it showed and
  // the window's position.
  ASSERT_NO_FATAL_FAILURE(StartWithSettingsHeld(folder, program));
  program->ShownMain();
  HWND setup = program->Open("設定", "設定");
  ASSERT_NE(setup, nullptr);
  Click(FindControl(setup, "Button", "OK"));
  ASSERT_TRUE(WaitGone(setup));
  CloseProgram();
  EXPECT_EQ(folder.Read("Moxlyn.ini"),
            "[Window]\r\nLeft=267\r\nTop=738\r\n\r\n[Config]\r\nConfirmBeforeDelete=0\r\n"
            "ShowMessageAfterDelete=0\r\nGetDeleteLog=0\r\nLogType=2\r\nShowTopMost=0\r\n\r\n"s);
}

TEST_F(StartE2e, AWindowSavedOffEveryScreenComesUpOnItAndAPartlyVisibleOneStaysAsSaved) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor));
  const RECT work = monitor.rcWork;
  struct Case {
    int left;
    int top;
    bool kept;
  } const cases[] = {{5000, 5000, false}, {-40, 100, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.left);
    folder.Write("Moxlyn.ini", "[Window]\r\nLeft=" + std::to_string(c.left) +
                                   "\r\nTop=" + std::to_string(c.top) + "\r\n");
    HWND main = Start();
    RECT outer;
    GetWindowRect(main, &outer);
    if (c.kept) {
      EXPECT_EQ(outer.left, c.left);
      EXPECT_EQ(outer.top, c.top);
    } else {
      EXPECT_GE(outer.left, work.left);
      EXPECT_GE(outer.top, work.top);
      EXPECT_LE(outer.right, work.right);
      EXPECT_LE(outer.bottom, work.bottom);
    }
    CloseProgram();
    EXPECT_THAT(folder.Read("Moxlyn.ini").value_or(""),
                StartsWith("[Window]\r\nLeft=" + std::to_string(outer.left) +
                           "\r\nTop=" + std::to_string(outer.top) + "\r\n"));
  }
}

TEST_F(StartE2e, ListTooBigForMemoryIsReportedInJapaneseAndKeptAtClose) {
  // 300,000,000 empty lines: more entries than a 32-bit address space can
  // index.
  constexpr LONGLONG kSize = 300000000;
  folder.Write("dellist.lst", std::string(static_cast<size_t>(kSize), '\n'));
  program.emplace(folder);
  auto box = program->WaitFirstBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "メモリが不足しています.");
  EXPECT_EQ(box->iconKind, "stop");
  Answer(*box, IDOK);

  // The program goes on, and its close leaves the list file alone.
  program->ShownMain();
  CloseProgram();
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExA(folder.ListFile().c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ((static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, kSize);
}

TEST_F(StartE2e, ReadOnlySettingsFileKeepsTheProgramOpenUntilItCanBeWritten) {
  folder.Write("Moxlyn.ini", "[Window]\r\nLeft=120\r\nTop=130\r\n");
  SetFileAttributesA(folder.Ini().c_str(), FILE_ATTRIBUTE_READONLY);
  HWND main = Start();
  EXPECT_EQ(Position(main), std::pair(120, 130));

  program->Close();
  auto box = program->WaitBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->caption, "Moxlyn");
  EXPECT_EQ(box->text, "ファイル " + folder.Ini() + " を作成できません.");
  EXPECT_EQ(box->iconKind, "stop");
  ASSERT_TRUE(Answer(*box, IDOK));
  EXPECT_TRUE(HoldsFor([&] { return program->Running() && IsWindowVisible(main); }));
  EXPECT_EQ(folder.Read("Moxlyn.ini"), "[Window]\r\nLeft=120\r\nTop=130\r\n"s);

  SetFileAttributesA(folder.Ini().c_str(), FILE_ATTRIBUTE_NORMAL);
  CloseProgram();
  EXPECT_EQ(folder.Read("Moxlyn.ini"),
            "[Window]\r\nLeft=120\r\nTop=130\r\n\r\n[Config]\r\nConfirmBeforeDelete=1\r\n"
            "ShowMessageAfterDelete=1\r\nGetDeleteLog=0\r\nLogType=2\r\nShowTopMost=1\r\n\r\n"s);
  EXPECT_EQ(folder.Read("dellist.lst"), ""s);
}

// A program folder outside the code page is the program's own: never the
// folder its narrow name's best fit names ("Müller" as "Muller").
TEST_F(StartE2e, AProgramFolderOutsideTheCodePageUsesItsOwnFilesOnly) {
  folder.MakeDir("Muller");
  folder.Write("Muller\\victim.txt", "kept");
  folder.Write("Muller\\dellist.lst", CrLfLines({folder.Path("Muller\\victim.txt")}));
  const std::wstring home = Wide(folder.Dir()) + L"\\M\u00fcller";
  ASSERT_TRUE(CreateDirectoryW(home.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(Wide(folder.Exe()).c_str(), (home + L"\\Moxlyn.exe").c_str(), TRUE));
  program.emplace(home + L"\\Moxlyn.exe");
  HWND main = program->ShownMain();
  // Its own list is empty.
  Click(FindControl(main, "Button", "削除"));
  ASSERT_TRUE(program->AnswerBox("リストに削除対象のファイルパスがありません"));
  CloseProgram();
  EXPECT_EQ(folder.Read("Muller\\victim.txt"), "kept"s);
  EXPECT_EQ(folder.Find("Muller\\*.*").size(), 4u);  // ".", "..", the list and the victim
  for (const wchar_t* written : {L"\\Moxlyn.ini", L"\\dellist.lst"}) {
    EXPECT_NE(GetFileAttributesW((home + written).c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

TEST_F(StartE2e, FailedCloseKeepsTheTrayIconSoTheProgramCanStillBeRestoredAndClosed) {
  folder.Write("dellist.lst", "C:\\keep\\me.txt\r\n");
  SetFileAttributesA(folder.ListFile().c_str(), FILE_ATTRIBUTE_READONLY);
  HWND main = Start();
  ASSERT_TRUE(WaitUntil([&] { return TrayIconExists(main); }));

  program->Close();
  ASSERT_TRUE(program->AnswerBox("ファイル " + folder.ListFile() + " を作成できません."));
  ASSERT_TRUE(HoldsFor([&] { return program->Running(); }));
  EXPECT_TRUE(TrayIconExists(main));

  // Minimised, the program comes back through its icon.
  PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return NothingVisible(*program); }));
  PostTray(main, WM_LBUTTONDOWN);
  EXPECT_TRUE(WaitShown(main));

  SetFileAttributesA(folder.ListFile().c_str(), FILE_ATTRIBUTE_NORMAL);
  CloseProgram();
  EXPECT_EQ(folder.Read("dellist.lst"), "C:\\keep\\me.txt\r\n"s);
}

// A full disk at the close, with no free block and no free entry: the save
// fails with its box and the list file keeps its old bytes (a rewrite in
// place would cut it: CR LF is written where the file has LF), and the
// program stays open and closes once there is room.
TEST_F(StartE2e, FullDiskAtCloseKeepsTheOldListAndTheProgramOpen) {
  const std::string diskDir = Env("MOXLYN_FULL_DISK");
  if (diskDir.empty()) GTEST_SKIP() << "MOXLYN_FULL_DISK is not set (scripts/test.sh, as root)";
  const CaseFolder disk("full-disk", WindowsPathOfUnix(diskDir));
  std::vector<std::string> entries;
  std::string old;
  for (int i = 0; i < 2000; ++i) {
    entries.push_back("R:\\victim\\keep" + std::to_string(i));
    old += entries.back() + "\n";
  }
  disk.Write("dellist.lst", old);
  program.emplace(disk);
  program->ShownMain();
  ASSERT_TRUE(FillDisk(disk.Dir(), true));

  program->Close();
  ASSERT_TRUE(program->AnswerBox("ファイル " + disk.ListFile() + " を作成できません."));
  EXPECT_EQ(disk.Read("dellist.lst"), old);
  ASSERT_TRUE(HoldsFor([&] { return program->Running(); }));

  for (const auto& name : disk.Find("entry*")) DeleteFileA(disk.Path(name).c_str());
  DeleteFileA(disk.Path("filler").c_str());
  CloseProgram();
  EXPECT_EQ(disk.SavedList(), entries);
}

// The list file is a Unix link into a folder named outside the code page
// ("ü" has no code page 932 form): it stays a link and its target gets the
// bytes. A hundred leftovers of earlier saves beside the settings file block
// nothing and stay as they were.
TEST_F(StartE2e, LinkedListOutsideTheCodePageAndLeftoversBesideTheSettings) {
  const std::string script =
      "cd \"$1\" && mkdir \"$2\" && printf 'C:\\\\old.txt\\n' > "
      "\"$2/list.lst\" && ln -s \"$2/list.lst\" dellist.lst";
  ASSERT_TRUE(StartUnix("/bin/sh", {"-c", script, "sh", UnixPath(folder.Dir()),
                                    "M\xC3\xBCller_\xE5\x85\xB1\xE6\x9C\x89"}));  // UTF-8
  ASSERT_TRUE(WaitUntil([&] { return folder.Exists("dellist.lst"); }));
  std::vector<std::string> leftovers{"Moxlyn.ini.moxlyn-new"};
  for (int i = 1; i < 100; ++i) leftovers.push_back(leftovers.front() + std::to_string(i));
  for (const auto& name : leftovers) folder.Write(name, "mine");

  Start();
  CloseProgram();
  EXPECT_EQ(testing::ReadWhole(Wide(folder.Dir()) + L"\\M\u00fcller_\u5171\u6709\\list.lst"),
            "C:\\old.txt\r\n"s);
  EXPECT_TRUE(folder.Exists("Moxlyn.ini"));
  for (const auto& name : leftovers) {
    EXPECT_EQ(folder.Read(name), "mine"s) << name;
  }
  EXPECT_EQ(folder.Find("*.moxlyn-*").size(), leftovers.size());
}

TEST_F(StartE2e, TheTrayIconIsAddedAgainWhenTheShellCreatesItsTaskbarAgain) {
  HWND main = Start();
  ASSERT_TRUE(WaitUntil([&] { return TrayIconExists(main); }));
  // A restarted shell has lost the icons and says so.
  ASSERT_TRUE(NotifyProgramIcon(main, NIM_DELETE));
  ASSERT_FALSE(TrayIconExists(main));
  PostMessageA(main, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return TrayIconExists(main); }));
}

TEST_F(StartE2e, MinimisingTheMainWindowByOtherMeansHidesTheProgramToo) {
  HWND main = Start();
  HWND about = program->Open("ABOUT", "Moxlynについて");
  ASSERT_NE(about, nullptr);

  ShowWindow(main, SW_MINIMIZE);
  EXPECT_TRUE(WaitUntil([&] { return NothingVisible(*program); }));
  PostTray(main, WM_RBUTTONDOWN);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) && IsWindowVisible(about); }));
  EXPECT_FALSE(IsIconic(main));
  EXPECT_EQ(Position(main), std::pair(100, 100));
}

// Ends the logon as Windows does at log-off (Wine's own command, in this
// prefix): every window is asked and told.
void EndSession() {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  char command[] = "wineboot.exe --end-session";
  ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &started));
  const ScopedKernelObject process(started.hProcess), thread(started.hThread);
}

TEST_F(StartE2e, EndOfTheLogonSavesTheListAndTheSettingsAsTheCloseDoes) {
  folder.Write("dellist.lst", "C:\\old.txt\r\n");
  folder.Write("new.txt", "n");
  HWND main = Start();
  // A query alone, or an end that was cancelled, changes nothing.
  EXPECT_NE(SendMessageA(main, WM_QUERYENDSESSION, 0, 0), 0);
  SendMessageA(main, WM_ENDSESSION, FALSE, 0);
  ASSERT_TRUE(HoldsFor([&] { return program->Running(); }));
  EXPECT_FALSE(folder.Exists("Moxlyn.ini"));
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("new.txt")}));
  ASSERT_NO_FATAL_FAILURE(EndSession());
  EXPECT_EQ(program->WaitExit(), std::optional<DWORD>(0));
  EXPECT_EQ(folder.SavedList(), (std::vector<std::string>{"C:\\old.txt", folder.Path("new.txt")}));
  EXPECT_EQ(folder.Read("Moxlyn.ini"), kDefaultIni);
}

}  // namespace
}  // namespace moxlyn::e2e
