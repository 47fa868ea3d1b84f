// The wait cursor during a long deletion, read from outside the program the
// way the user sees it: the cursor of the foreground window's thread.
#include <gtest/gtest.h>

#include <set>

#include "tests/windows/harness.h"

namespace moxlyn::e2e {
namespace {

HCURSOR CurrentCursor() {
  CURSORINFO info{};
  info.cbSize = sizeof info;
  return GetCursorInfo(&info) ? info.hCursor : nullptr;
}

TEST(DeleteE2e, WaitCursorShowsWhileTheDeletionRunsAndGoesAfterwards) {
  CaseFolder folder("wait-cursor");
  folder.MakeDir("many");
  // Enough files that the deletion lasts well beyond the polling interval.
  ASSERT_TRUE(
      StartUnix("/bin/sh", {"-c", "cd \"$1\" && seq 1 6000 | xargs touch && : > \"$2\"", "sh",
                            UnixPath(folder.Path("many")), UnixPath(folder.Path("made"))}));
  ASSERT_TRUE(WaitUntil([&] { return folder.Exists("made"); }, 30000));
  folder.Write("dellist.lst", folder.Path("many") + "\r\n");
  folder.Write(
      "Moxlyn.ini",
      "[Config]\r\nConfirmBeforeDelete=1\r\nShowMessageAfterDelete=1\r\nGetDeleteLog=0\r\n");
  Program program(folder);
  HWND main = program.ShownMain();
  ASSERT_NE(main, nullptr);
  HWND del = FindControl(main, "Button", "削除");
  SetCursorPos(CentreOf(del).x, CentreOf(del).y);
  Settle();
  const HCURSOR idle = CurrentCursor();

  Click(del);
  auto ask = program.WaitBox();
  ASSERT_TRUE(ask.has_value());
  // The question is no busy time.
  EXPECT_EQ(CurrentCursor(), idle);
  Answer(*ask, IDYES);
  ASSERT_TRUE(WaitGone(ask->box));

  std::set<HCURSOR> seen;
  std::optional<MessageBoxView> done;
  ASSERT_TRUE(WaitUntil(
      [&] {
        seen.insert(CurrentCursor());
        if (!program.HasBox()) return false;
        done = program.WaitBox();
        return true;
      },
      60000));
  ASSERT_TRUE(done.has_value());
  EXPECT_EQ(done->text, "削除終了");
  EXPECT_FALSE(folder.Exists("many"));
  seen.erase(idle);
  EXPECT_EQ(seen.size(), 1u) << "no other cursor while the deletion ran";
  Answer(*done, IDOK);
  ASSERT_TRUE(WaitGone(done->box));
  Settle();
  EXPECT_EQ(CurrentCursor(), idle);
  EXPECT_EQ(program.CloseAndWait(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace moxlyn::e2e
