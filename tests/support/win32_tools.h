// Plumbing for the Windows-side tests (Windows builds only): waiting, whole
// files, removing trees, text conversion and measurement, and reaching the
// Unix side under Wine.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "win32/scoped_handle.h"
#include "win32/win32_platform.h"

namespace moxlyn::testing {

// How long a wait for work to finish gives up after: a guard against a hang
// that no working machine comes near, never a claim about speed (the
// benchmarks time the work).
constexpr DWORD kHangGuardMs = 60000;

// Polls condition every 20 ms until it holds or timeoutMs has passed.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kHangGuardMs);

// text in codePage as UTF-16.
std::wstring Wide(const std::string& text, UINT codePage = CP_ACP);

// An error that names what failed and the last Win32 error code.
std::runtime_error Win32Failure(const std::string& what);

// The value of an environment variable, or "" when it is not set.
std::string Env(const char* name);

bool PathExists(const std::string& path);

// The literal form of a full path ("\\?\" before it, unless it starts with
// "\\"), which the calls take past the path limit and with a name's trailing
// dot or space.
std::wstring Literal(const std::wstring& path);
std::string Literal(const std::string& path);

// The whole file byte for byte, or nothing when it cannot be opened (it may be
// open elsewhere with any sharing).
std::optional<std::string> ReadWhole(const std::wstring& path);
std::optional<std::string> ReadWhole(const std::string& path);
// Replaces the file with bytes; false when it cannot be written whole.
bool WriteWhole(const std::wstring& path, const std::string& bytes);
bool WriteWhole(const std::string& path, const std::string& bytes);
// The existing file opened with access and share, held until the owner goes
// (as another program holds a file); not Valid() when it cannot be opened.
ScopedFileHandle OpenExisting(const std::string& path, DWORD access, DWORD share);

// Removes a tree whatever its attributes and names (a name ending in a dot or
// a space, a tree past the path limit), never through a link: a link goes as
// itself, and what the Windows calls cannot reach (a Unix link, a tree past
// Wine's Unix path limit) goes through the Unix side.
void RemoveTree(const std::wstring& path);
void RemoveTree(const std::string& path);

// The Unix path of a Windows path (through Wine's kernel32), or "" outside Wine.
std::string UnixPath(const std::wstring& windowsPath);
std::string UnixPath(const std::string& windowsPath);
// A Windows path for a Unix path: the Z: drive maps the Unix root.
std::string WindowsPathOfUnix(const std::string& unixPath);

// Fills the disk that holds folder: a file "filler" there grows until the
// disk refuses even one more byte and, with entries, empty files "entry0",
// "entry1", ... are made until no more can be (a small tmpfs mounted with
// nr_inodes=). True when the disk ended full.
bool FillDisk(const std::string& folder, bool entries = false);

// Starts a Unix program (a Unix path) from this Windows process; its
// arguments are Unix text (UTF-8, as UnixPath gives). Wine gives no handle
// for it, so the caller waits for what it makes.
bool StartUnix(const std::string& program, const std::vector<std::string>& args);

// GDI objects (fonts, bitmaps) and memory device contexts, for ScopedHandle.
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { DeleteObject(handle); }
};
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { DeleteDC(handle); }
};
using ScopedGdiObject = ScopedHandle<GdiObjectTraits>;
using ScopedMemoryDc = ScopedHandle<MemoryDcTraits>;

// The screen's density in dots per inch.
int ScreenDpi();
// The program's window font, "ＭＳ Ｐゴシック" 12 pixels high at 96 dpi, at the
// screen's density.
ScopedGdiObject ProgramFont();
// The width in pixels of text (in codePage) drawn in font on the screen.
int TextWidth(HGDIOBJ font, const std::string& text, UINT codePage = CP_ACP);

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
