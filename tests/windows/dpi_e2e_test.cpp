// The four windows at 144 dpi (run in a prefix set to that density): each
// client area is 1.5 times its 96-dpi size and every control lies inside it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/windows/harness.h"

namespace moxlyn::e2e {
namespace {

using DpiE2e = ProgramCase;

// This thread reads the program's windows in real pixels, not in sizes
// mapped back to 96 dpi.
void ReadInPixels() {
  using SetContext = HANDLE(WINAPI*)(HANDLE);
  const auto set = reinterpret_cast<SetContext>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  if (set != nullptr) set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)));
}

// The client area is 1.5 times its 96-dpi size and the controls lie inside it,
// every label's text too. The 96-dpi layouts let the lowest button and the
// setup window's bevel run one or two pixels past the edge, which scales too.
void ExpectScaledClient(HWND window, int width96, int height96) {
  const SIZE size = ClientSize(window);
  EXPECT_NEAR(size.cx, width96 * 1.5, 0.5) << WindowText(window);
  EXPECT_NEAR(size.cy, height96 * 1.5, 0.5) << WindowText(window);
  constexpr int kDesignOverhang = 3;  // 2 pixels at 96 dpi
  for (HWND child : Children(window)) {
    const RECT rect = ChildRect(child);
    EXPECT_GE(rect.left, 0) << WindowText(child);
    EXPECT_GE(rect.top, 0) << WindowText(child);
    EXPECT_LE(rect.bottom, size.cy + kDesignOverhang) << WindowText(child);
    EXPECT_LE(rect.right, size.cx + kDesignOverhang) << WindowText(child);
  }
  EXPECT_EQ(LabelsPastTheEdge(window), std::vector<std::string>{}) << WindowText(window);
}

TEST_F(DpiE2e, EveryWindowIsOneAndAHalfTimesItsSizeAt144Dpi) {
  ReadInPixels();
  ASSERT_EQ(testing::ScreenDpi(), 144) << "the prefix is not set to 144 dpi";
  HWND main = Start();
  ExpectScaledClient(main, 146, 96);
  // Buttons 49 x 25 at steps of 24, the panel on the right: all scaled.
  const RECT del = ChildRect(FindControl(main, "Button", "削除"));
  EXPECT_EQ(del.right - del.left, 74);
  EXPECT_EQ(del.bottom - del.top, 38);
  const RECT about = ChildRect(FindControl(main, "Button", "ABOUT"));
  EXPECT_EQ(about.top, 108);
  HWND panel = ChildWindowFromPointEx(main, {200, 72}, CWP_SKIPINVISIBLE);
  ASSERT_NE(panel, main);
  const RECT panelRect = ChildRect(panel);
  EXPECT_EQ(panelRect.right - panelRect.left, 147);
  EXPECT_EQ(panelRect.bottom, ClientSize(main).cy);
  Screenshot("dpi144-main", {main});

  struct Secondary {
    const char* button;
    const char* caption;
    int width96;
    int height96;
    const char* shot;
  } const windows[] = {
      {"リスト", "削除リスト", 334, 295, "dpi144-list"},
      {"設定", "設定", 177, 197, "dpi144-setup"},
      {"ABOUT", "Moxlynについて", 253, 78, "dpi144-about"},
  };
  for (const auto& w : windows) {
    SCOPED_TRACE(w.caption);
    HWND window = program->Open(w.button, w.caption);
    ASSERT_NE(window, nullptr);
    // Shown, the window may still be laying itself out.
    EXPECT_TRUE(WaitUntil([&] {
      const SIZE size = ClientSize(window);
      return std::abs(size.cx * 2 - w.width96 * 3) <= 1 &&
             std::abs(size.cy * 2 - w.height96 * 3) <= 1;
    }));
    ExpectScaledClient(window, w.width96, w.height96);
    if (std::string(w.button) == "リスト") {
      // An empty view scrolls over its margin: 10 pixels at 96 dpi.
      HWND view = FindControl(window, "ListBox", "");
      EXPECT_TRUE(WaitUntil([&] { return HorizontalExtent(view) == 15; }))
          << HorizontalExtent(view);
    }
    if (std::string(w.button) == "ABOUT") {
      // The links stand at their scaled places.
      EXPECT_EQ(ChildRect(FindControl(window, "Static", "mail@example.jp")).left, 207);
      EXPECT_EQ(ChildRect(FindControl(window, "Static", "http://example.jp")).top, 84);
    }
    Screenshot(w.shot, {window});
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitGone(window));
  }
}

}  // namespace
}  // namespace moxlyn::e2e
