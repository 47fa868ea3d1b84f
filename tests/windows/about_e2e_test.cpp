// The about window of the real program, and the labels of all four windows.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/windows/harness.h"
#include "ui/version.h"

namespace moxlyn::e2e {
namespace {

using AboutE2e = ProgramCase;

// Whether any pixel of the label's screen area has the colour.
bool LabelShows(HWND label, COLORREF colour) {
  const std::vector<COLORREF> pixels = PixelsOnScreen(label);
  return std::find(pixels.begin(), pixels.end(), colour) != pixels.end();
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

TEST_F(AboutE2e, EveryLabelsTextEndsInsideItsWindowInAllFourWindows) {
  HWND main = Start();
  EXPECT_EQ(LabelsPastTheEdge(main), std::vector<std::string>{});
  for (const auto& [button, caption] :
       {std::pair{"リスト", "削除リスト"}, std::pair{"設定", "設定"},
        std::pair{"ABOUT", "Moxlynについて"}}) {
    HWND window = program->Open(button, caption);
    ASSERT_NE(window, nullptr) << caption;
    EXPECT_EQ(LabelsPastTheEdge(window), std::vector<std::string>{}) << caption;
  }
}

TEST_F(AboutE2e, ShowsItsLabelsCentredAndLinksReactToThePointerAndClicks) {
  HWND main = Start();
  EXPECT_NE(program->FindTopLevel("Moxlynについて", false), nullptr);
  HWND about = program->Open("ABOUT", "Moxlynについて");
  ASSERT_NE(about, nullptr);
  ExpectSecondaryFrame(about, {253, 78});

  struct Label {
    const char* text;
    std::pair<int, int> at;
  };
  for (const Label& label :
       {Label{"Moxlyn Ver." MOXLYN_SHOWN_VERSION, {48, 8}}, Label{"Author", {56, 24}},
        Label{"MailAddress", {56, 40}}, Label{"WebSiteURL", {56, 56}}}) {
    HWND control = FindControl(about, "Static", label.text);
    ASSERT_NE(control, nullptr) << label.text;
    EXPECT_EQ(TopLeft(ChildRect(control)), label.at) << label.text;
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
  EXPECT_TRUE(WaitUntil([&] { return LabelShows(mail, RGB(255, 0, 0)); }));
  MoveMouse({5, 1000});
  EXPECT_TRUE(WaitUntil([&] { return !LabelShows(mail, RGB(255, 0, 0)); }));
  EXPECT_TRUE(LabelShows(mail, RGB(0, 0, 0)));

  // With no mail program registered the shell open fails and says so.
  NoMailProgram noMailProgram;
  ClickMouse(CentreOf(mail));
  auto box = program->WaitBox();
  ASSERT_TRUE(box.has_value()) << "no box after the mail link: the shell reported success";
  EXPECT_EQ(box->text, "mailtoを開けませんでした");
  EXPECT_EQ(box->caption, "エラー");
  EXPECT_FALSE(box->hasIcon);
  ASSERT_EQ(box->buttons.size(), 1u);
  EXPECT_EQ(box->buttons[0].first, IDOK);
  EXPECT_EQ(box->owner, about);
  Screenshot("box-mailto", {box->box});
  ASSERT_TRUE(Answer(*box, IDOK));
  EXPECT_TRUE(IsWindowVisible(about));
  MoveMouse({5, 1000});

  // The links are the tab stops, mail then web; Enter opens one as a click does.
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(about) == mail; }));
  PostKey(mail, VK_TAB);
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(about) == url; }));
  PostKey(url, VK_TAB);
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(about) == mail; }));
  PostKey(mail, VK_RETURN);
  ASSERT_TRUE(program->AnswerBox("mailtoを開けませんでした", IDOK, 3000));

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
}

}  // namespace
}  // namespace moxlyn::e2e
