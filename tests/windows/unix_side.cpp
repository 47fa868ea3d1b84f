#include "tests/windows/unix_side.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "tests/support/win32_tools.h"
#include "tests/windows/controls.h"

namespace moxlyn::e2e {
namespace {

using testing::Env;
using testing::PathExists;
using testing::StartUnix;
using testing::UnixPath;
using testing::WaitUntil;
using testing::WindowsPathOfUnix;

// A fresh file name in the temp folder for a helper's result.
std::string TempResultPath(const char* stem) {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(counter++) + ".txt";
}

}  // namespace

bool Drop(POINT screenPoint, const std::vector<std::string>& windowsPaths) {
  std::vector<std::string> unixPaths;
  for (const auto& path : windowsPaths) unixPaths.push_back(UnixPath(path));
  return DropUnix(screenPoint, unixPaths);
}

bool DropUnix(POINT screenPoint, const std::vector<std::string>& unixPaths) {
  const std::string source = Env("MOXLYN_SOURCE_DIR");
  if (source.empty()) return false;
  const std::string result = TempResultPath("moxlyn-drop");
  DeleteFileA(result.c_str());
  // The tool gives up on a target that never takes the drop after the hang
  // guard; the wait allows for its start.
  std::vector<std::string> args{source + "/tools/xdnd_drop.py",
                                "--result",
                                UnixPath(result),
                                "--timeout",
                                std::to_string(kTimeoutMs / 1000),
                                std::to_string(screenPoint.x),
                                std::to_string(screenPoint.y)};
  args.insert(args.end(), unixPaths.begin(), unixPaths.end());
  if (!StartUnix("/usr/bin/python3", args)) return false;
  WaitUntil([&] { return PathExists(result); }, 2 * kTimeoutMs);
  const std::string outcome = testing::ReadWhole(result).value_or("");
  DeleteFileA(result.c_str());
  if (outcome.rfind("ok", 0) != 0) {
    fprintf(stderr, "drop failed: %s\n", outcome.empty() ? "no result" : outcome.c_str());
    return false;
  }
  return true;
}

void Screenshot(const std::string& name, const std::vector<HWND>& windows) {
  const std::string dir = Env("MOXLYN_SHOTS_DIR");
  if (dir.empty()) return;
  // Lets the windows paint first.
  Sleep(300);
  CreateDirectoryA(WindowsPathOfUnix(dir).c_str(), nullptr);
  const std::string file = dir + "/" + name + ".png";
  const std::string windowsFile = WindowsPathOfUnix(file);
  DeleteFileA(windowsFile.c_str());
  std::string crop;
  if (!windows.empty()) {
    RECT area{};
    for (HWND window : windows) {
      RECT rect;
      GetWindowRect(window, &rect);
      UnionRect(&area, &area, &rect);
    }
    const int margin = 8;
    const int left = std::max<int>(0, area.left - margin);
    const int top = std::max<int>(0, area.top - margin);
    crop = " -crop " + std::to_string(area.right + margin - left) + "x" +
           std::to_string(area.bottom + margin - top) + "+" + std::to_string(left) + "+" +
           std::to_string(top) + " +repage";
  }
  // Written under another name and renamed, so that a file that exists is whole.
  const std::string script =
      "import -window root" + crop + " \"$1.part.png\" && mv \"$1.part.png\" \"$1\"";
  if (!StartUnix("/bin/sh", {"-c", script, "sh", file})) return;
  WaitUntil([&] { return PathExists(windowsFile); }, kTimeoutMs);
}

}  // namespace moxlyn::e2e
