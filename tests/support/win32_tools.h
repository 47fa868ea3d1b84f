// Plumbing for the Windows-side tests (Windows builds only): waiting,
// removing trees, text conversion, and reaching the Unix side under Wine.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "win32/win32_platform.h"

namespace moxlyn::testing {

// Polls condition every 20 ms until it holds or timeoutMs has passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);

// text in codePage as UTF-16.
std::wstring Wide(const std::string& text, UINT codePage = CP_ACP);

bool PathExists(const std::string& path);

// Removes a tree whatever its attributes, never through a link: a link goes
// as itself, and what the Windows calls cannot reach (a Unix link, a tree
// past the path limit) goes through the Unix side.
void RemoveTree(const std::string& path);

// The Unix path of a Windows path (through Wine's kernel32), or "" outside Wine.
std::string UnixPath(const std::string& windowsPath);
// A Windows path for a Unix path: the Z: drive maps the Unix root.
std::string WindowsPathOfUnix(const std::string& unixPath);

// Fills the disk that holds folder: a file "filler" there grows until the
// disk refuses even one more byte and, with entries, empty files "entry0",
// "entry1", ... are made until no more can be (a small tmpfs mounted with
// nr_inodes=). True when the disk ended full.
bool FillDisk(const std::string& folder, bool entries = false);

// One argument of a Windows command line, quoted by the rules that split it
// again on the other side.
std::string QuoteArgument(const std::string& arg);

// Starts a Unix program (a Unix path) from this Windows process; its
// arguments are Unix text (UTF-8, as UnixPath gives). Wine gives no handle
// for it, so the caller waits for what it makes.
bool StartUnix(const std::string& program, const std::vector<std::string>& args);

// The Win32 platform with the running executable seeming to be
// moduleFileName (the real one while that is empty).
class Win32PlatformWithModule : public Win32Platform {
 public:
  void SetModuleFileName(std::string moduleFileName) {
    moduleFileName_ = std::move(moduleFileName);
  }
  std::string ModuleFileName() override {
    return moduleFileName_.empty() ? Win32Platform::ModuleFileName() : moduleFileName_;
  }

 private:
  std::string moduleFileName_;
};

}  // namespace moxlyn::testing
