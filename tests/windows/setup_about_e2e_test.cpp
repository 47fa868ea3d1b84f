// The setup and about windows of the real program.
#include <gtest/gtest.h>

#include "tests/windows/harness.h"
#include "ui/version.h"

namespace moxlyn::e2e {
namespace {

struct SetupWindow {
  HWND window = nullptr;
  HWND confirm = nullptr;
  HWND log = nullptr;
  HWND message = nullptr;
  HWND ok = nullptr;
  HWND cansel = nullptr;
  HWND namesOnly = nullptr;
  HWND timeAndName = nullptr;
  HWND topmost = nullptr;
};

SetupWindow OpenSetup(Program& program, HWND main) {
  SetupWindow setup;
  Click(FindControl(main, "Button", "設定"));
  setup.window = program.WaitWindow("設定");
  if (setup.window == nullptr) return setup;
  setup.confirm = FindControl(setup.window, "Button", "削除する前に確認する");
  setup.log = FindControl(setup.window, "Button", "消したファイルのログを取る");
  setup.message = FindControl(setup.window, "Button", "削除後にメッセージを表示");
  setup.ok = FindControl(setup.window, "Button", "OK");
  setup.cansel = FindControl(setup.window, "Button", "Cansel");
  setup.namesOnly = FindControl(setup.window, "Button", "ファイル名のみ");
  setup.timeAndName = FindControl(setup.window, "Button", "時刻+ファイル名");
  setup.topmost = FindControl(setup.window, "Button", "常に最前面に表示");
  return setup;
}

bool Checked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Ticks shown by the window, in the order confirm, message, log, names only,
// time and name, topmost.
std::vector<bool> Ticks(const SetupWindow& setup) {
  return {Checked(setup.confirm),   Checked(setup.message),     Checked(setup.log),
          Checked(setup.namesOnly), Checked(setup.timeAndName), Checked(setup.topmost)};
}

// Waits until the window shows these ticks (it loads them when it is shown).
void ExpectTicks(const SetupWindow& setup, const std::vector<bool>& ticks) {
  if (!WaitUntil([&] { return Ticks(setup) == ticks; })) {
    EXPECT_EQ(Ticks(setup), ticks);
  }
}

// The control with the keyboard focus in the thread of window.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus
                                                                            : nullptr;
}

TEST(SetupE2e, ShowsTheStoredOptionsAndOkStoresLogTypeTwoForOtherValues) {
  struct Case {
    const char* config;
    std::vector<bool> ticks;
    const char* logTypeAfterOk;
  };
  const Case cases[] = {
      {"ConfirmBeforeDelete=0\r\nShowMessageAfterDelete=1\r\nGetDeleteLog=1\r\nLogType=1\r\n"
       "ShowTopMost=0\r\n",
       {false, true, true, true, false, false},
       "LogType=1\r\n"},
      {"ConfirmBeforeDelete=1\r\nShowMessageAfterDelete=0\r\nGetDeleteLog=0\r\nLogType=2\r\n",
       {true, false, false, false, true, true},
       "LogType=2\r\n"},
      {"LogType=7\r\n", {true, true, false, false, true, true}, "LogType=2\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.config);
    CaseFolder folder("setup-load");
    folder.Write("Moxlyn.ini", std::string("[Config]\r\n") + c.config);
    Program program(folder);
    HWND main = program.ShownMain();
    ASSERT_NE(main, nullptr);
    SetupWindow setup = OpenSetup(program, main);
    ASSERT_NE(setup.window, nullptr);
    for (HWND control : {setup.confirm, setup.log, setup.message, setup.ok, setup.cansel,
                         setup.namesOnly, setup.timeAndName, setup.topmost}) {
      ASSERT_NE(control, nullptr);
    }
    ExpectTicks(setup, c.ticks);
    Click(setup.ok);
    ASSERT_TRUE(WaitGone(setup.window));
    EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
    const auto ini = folder.Read("Moxlyn.ini");
    ASSERT_TRUE(ini.has_value());
    EXPECT_NE(ini->find(c.logTypeAfterOk), std::string::npos) << *ini;
  }
}

TEST(SetupE2e, CanselChangesNothingAndOkAppliesTopmostAtOnceButWritesOnlyAtClose) {
  CaseFolder folder("setup-apply");
  const std::string ini = "[Config]\r\nConfirmBeforeDelete=1\r\nShowTopMost=1\r\n";
  folder.Write("Moxlyn.ini", ini);
  Program program(folder);
  HWND main = program.ShownMain();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(IsTopmost(main));
  SetupWindow setup = OpenSetup(program, main);
  ASSERT_NE(setup.window, nullptr);
  const SIZE client = ClientSize(setup.window);
  EXPECT_EQ(client.cx, 177);
  EXPECT_EQ(client.cy, 197);
  EXPECT_TRUE(WaitUntil([&] { return IsCentred(setup.window); }));
  const LONG style = GetWindowLongA(setup.window, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  // The controls' places, in tab order (the order of the child windows).
  struct Place {
    HWND control;
    RECT rect;
  };
  const Place places[] = {
      {setup.confirm, {8, 8, 145, 25}},        {setup.log, {8, 56, 169, 73}},
      {setup.message, {8, 32, 161, 49}},       {setup.ok, {24, 160, 73, 185}},
      {setup.cansel, {104, 160, 153, 185}},    {setup.namesOnly, {24, 72, 121, 89}},
      {setup.timeAndName, {24, 88, 129, 105}}, {setup.topmost, {8, 112, 121, 129}}};
  std::vector<HWND> tabOrder;
  for (HWND child : Children(setup.window)) {
    if (_stricmp(ClassOf(child).c_str(), "Button") == 0) tabOrder.push_back(child);
  }
  std::vector<HWND> expectedOrder;
  for (const Place& place : places) {
    expectedOrder.push_back(place.control);
    const RECT rect = ChildRect(place.control);
    EXPECT_TRUE(EqualRect(&rect, &place.rect))
        << WindowText(place.control) << ": " << rect.left << "," << rect.top << " " << rect.right
        << "," << rect.bottom;
  }
  EXPECT_EQ(tabOrder, expectedOrder);
  // The defaults but for the two options in the file.
  const std::vector<bool> stored{true, true, false, false, true, true};
  ExpectTicks(setup, stored);
  Screenshot("setup-window", {setup.window});

  // Changes abandoned with "Cansel".
  Click(setup.confirm);
  Click(setup.topmost);
  Click(setup.namesOnly);
  ASSERT_TRUE(WaitUntil([&] { return !Checked(setup.topmost); }));
  // "設定" while open keeps the edits on screen.
  Click(FindControl(main, "Button", "設定"));
  EXPECT_TRUE(HoldsFor([&] { return !Checked(setup.topmost) && Checked(setup.namesOnly); }));
  Click(setup.cansel);
  ASSERT_TRUE(WaitGone(setup.window));
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; }));
  EXPECT_TRUE(IsTopmost(main));
  setup = OpenSetup(program, main);
  ExpectTicks(setup, stored);

  // Clearing the topmost box with "OK" applies at once; ticking it again too.
  Click(setup.topmost);
  Click(setup.ok);
  ASSERT_TRUE(WaitGone(setup.window));
  EXPECT_TRUE(WaitUntil([&] { return !IsTopmost(main); }));
  setup = OpenSetup(program, main);
  EXPECT_TRUE(WaitUntil([&] { return !Checked(setup.topmost); }));
  Click(setup.topmost);
  Click(setup.confirm);
  Click(setup.ok);
  ASSERT_TRUE(WaitGone(setup.window));
  EXPECT_TRUE(WaitUntil([&] { return IsTopmost(main); }));

  // The stored "no confirmation" takes effect at once.
  folder.Write("doomed.txt", "d");
  ASSERT_TRUE(Drop(CentreOf(main), {folder.Path("doomed.txt")}));
  Click(FindControl(main, "Button", "削除"));
  auto box = program.WaitBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "削除終了");
  EXPECT_FALSE(folder.Exists("doomed.txt"));
  Answer(*box, IDOK);
  ASSERT_TRUE(WaitGone(box->box));

  // Nothing reached the file before the close.
  EXPECT_EQ(folder.Read("Moxlyn.ini"), std::optional<std::string>(ini));
  EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
  const auto written = folder.Read("Moxlyn.ini");
  ASSERT_TRUE(written.has_value());
  EXPECT_NE(written->find("ConfirmBeforeDelete=0\r\n"), std::string::npos) << *written;
  EXPECT_NE(written->find("ShowTopMost=1\r\n"), std::string::npos) << *written;
}

// Moves the real pointer and reports whether any pixel of the label's screen
// area has the colour.
bool LabelShows(HWND label, COLORREF colour) {
  RECT rect;
  GetWindowRect(label, &rect);
  HDC screen = GetDC(nullptr);
  bool found = false;
  for (int y = rect.top; y < rect.bottom && !found; ++y) {
    for (int x = rect.left; x < rect.right && !found; ++x) {
      found = GetPixel(screen, x, y) == colour;
    }
  }
  ReleaseDC(nullptr, screen);
  return found;
}

void MoveMouse(POINT point) {
  SetCursorPos(point.x, point.y);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = 0;
  input.mi.dy = 0;
  input.mi.dwFlags = MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof(input));
}

void ClickMouse(POINT point) {
  MoveMouse(point);
  INPUT inputs[2]{};
  inputs[0].type = INPUT_MOUSE;
  inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[1].type = INPUT_MOUSE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, inputs, sizeof(INPUT));
}

// Takes the "mailto" association away for a while (Wine's default prefix
// hands mail links to its browser bridge, which reports success), and puts it
// back afterwards.
class NoMailProgram {
 public:
  NoMailProgram() {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kBackup);
    HKEY backup = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kBackup, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &backup,
                        nullptr) != ERROR_SUCCESS) {
      return;
    }
    HKEY mailto = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "mailto", 0, KEY_ALL_ACCESS, &mailto) == ERROR_SUCCESS) {
      saved_ = RegCopyTreeA(mailto, nullptr, backup) == ERROR_SUCCESS;
      RegCloseKey(mailto);
      if (saved_) RegDeleteTreeA(HKEY_CLASSES_ROOT, "mailto");
    }
    RegCloseKey(backup);
  }
  ~NoMailProgram() {
    if (saved_) {
      HKEY backup = nullptr;
      HKEY mailto = nullptr;
      if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kBackup, 0, KEY_ALL_ACCESS, &backup) == ERROR_SUCCESS) {
        if (RegCreateKeyExA(HKEY_CLASSES_ROOT, "mailto", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &mailto, nullptr) == ERROR_SUCCESS) {
          RegCopyTreeA(backup, nullptr, mailto);
          RegCloseKey(mailto);
        }
        RegCloseKey(backup);
      }
    }
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kBackup);
  }
  NoMailProgram(const NoMailProgram&) = delete;
  NoMailProgram& operator=(const NoMailProgram&) = delete;

 private:
  static constexpr const char* kBackup = "moxlyn-e2e-mailto-backup";
  bool saved_ = false;
};

TEST(AboutE2e, EveryLabelsTextEndsInsideItsWindowInAllFourWindows) {
  CaseFolder folder("labels");
  Program program(folder);
  HWND main = program.ShownMain();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(LabelsPastTheEdge(main), std::vector<std::string>{});
  for (const auto& [button, caption] :
       {std::pair{"リスト", "削除リスト"}, std::pair{"設定", "設定"},
        std::pair{"ABOUT", "Moxlynについて"}}) {
    Click(FindControl(main, "Button", button));
    HWND window = program.WaitWindow(caption);
    ASSERT_NE(window, nullptr) << caption;
    EXPECT_EQ(LabelsPastTheEdge(window), std::vector<std::string>{}) << caption;
  }
  EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
}

TEST(AboutE2e, ShowsItsLabelsCentredAndLinksReactToThePointerAndClicks) {
  CaseFolder folder("about");
  Program program(folder);
  HWND main = program.ShownMain();
  ASSERT_NE(main, nullptr);
  EXPECT_NE(program.FindTopLevel("Moxlynについて", false), nullptr);
  Click(FindControl(main, "Button", "ABOUT"));
  HWND about = program.WaitWindow("Moxlynについて");
  ASSERT_NE(about, nullptr);
  const SIZE client = ClientSize(about);
  EXPECT_EQ(client.cx, 253);
  EXPECT_EQ(client.cy, 78);
  EXPECT_TRUE(WaitUntil([&] { return IsCentred(about); }));
  const LONG style = GetWindowLongA(about, GWL_STYLE);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

  struct Label {
    const char* text;
    POINT at;
  };
  for (const Label& label :
       {Label{"Moxlyn Ver." MOXLYN_SHOWN_VERSION, {48, 8}}, Label{"Author", {56, 24}},
        Label{"MailAddress", {56, 40}}, Label{"WebSiteURL", {56, 56}}}) {
    HWND control = FindControl(about, "Static", label.text);
    ASSERT_NE(control, nullptr) << label.text;
    const RECT rect = ChildRect(control);
    EXPECT_EQ(rect.left, label.at.x) << label.text;
    EXPECT_EQ(rect.top, label.at.y) << label.text;
  }
  // The links are the labels at their places.
  HWND mail = ChildWindowFromPointEx(about, {140, 45}, CWP_SKIPINVISIBLE);
  HWND url = ChildWindowFromPointEx(about, {141, 61}, CWP_SKIPINVISIBLE);
  ASSERT_NE(mail, about);
  ASSERT_NE(url, about);
  EXPECT_EQ(ChildRect(mail).left, 138);
  EXPECT_EQ(ChildRect(url).left, 139);
  EXPECT_FALSE(WindowText(mail).empty());
  EXPECT_EQ(WindowText(url).find("://") != std::string::npos, true) << WindowText(url);
  Screenshot("about-window", {about});

  // The pointer over a link turns it red; off it, black.
  MoveMouse(CentreOf(mail));
  EXPECT_TRUE(WaitUntil([&] { return LabelShows(mail, RGB(255, 0, 0)); }, 2000));
  MoveMouse({5, 1000});
  EXPECT_TRUE(WaitUntil([&] { return !LabelShows(mail, RGB(255, 0, 0)); }, 2000));
  EXPECT_TRUE(LabelShows(mail, RGB(0, 0, 0)));

  // With no mail program registered the shell open fails and says so.
  NoMailProgram noMailProgram;
  ClickMouse(CentreOf(mail));
  auto box = program.WaitBox(3000);
  if (box.has_value()) {
    EXPECT_EQ(box->text, "mailtoを開けませんでした");
    EXPECT_EQ(box->caption, "エラー");
    EXPECT_FALSE(box->hasIcon);
    ASSERT_EQ(box->buttons.size(), 1u);
    EXPECT_EQ(box->buttons[0].first, IDOK);
    EXPECT_EQ(box->owner, about);
    Screenshot("box-mailto", {box->box});
    Answer(*box, IDOK);
    ASSERT_TRUE(WaitGone(box->box));
    EXPECT_TRUE(IsWindowVisible(about));
  } else {
    ADD_FAILURE() << "no box after the mail link: the shell reported success";
  }
  MoveMouse({5, 1000});

  // The links are the tab stops, mail then web; Enter opens one as a click does.
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(about) == mail; }));
  PostKey(mail, VK_TAB);
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(about) == url; }));
  PostKey(url, VK_TAB);
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(about) == mail; }));
  PostKey(mail, VK_RETURN);
  box = program.WaitBox(3000);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, "mailtoを開けませんでした");
  Answer(*box, IDOK);
  ASSERT_TRUE(WaitGone(box->box));

  // A moved window is centred again at the next showing. Closed, it hands the
  // activation back to the main window; Escape closes it too.
  SetWindowPos(about, nullptr, 3, 3, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  PostMessageA(about, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitGone(about));
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; }));
  Click(FindControl(main, "Button", "ABOUT"));
  ASSERT_TRUE(WaitShown(about));
  EXPECT_TRUE(WaitUntil([&] { return IsCentred(about); }));
  PostKey(mail, VK_ESCAPE);
  EXPECT_TRUE(WaitGone(about));
  EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace moxlyn::e2e
