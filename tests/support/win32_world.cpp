// The world of Windows builds: a fresh folder on the real file system, used
// through the production Win32 platform.
#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "tests/support/test_world.h"
#include "win32/win32_platform.h"

namespace moxlyn::testing {
namespace {

class TestWin32Platform : public Win32Platform {
 public:
  std::string ModuleFileName() override {
    return moduleFileName_.empty() ? Win32Platform::ModuleFileName() : moduleFileName_;
  }
  std::string moduleFileName_;
};

// Deletes a tree with plain Win32 calls, whatever its attributes, without
// following folder links.
void RemoveTree(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileA(path.c_str());
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      std::vector<std::string> names;
      do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
      } while (FindNextFileA(find, &data));
      FindClose(find);
      for (const auto& name : names) RemoveTree(path + "\\" + name);
    }
  }
  RemoveDirectoryA(path.c_str());
}

bool IsReparsePoint(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

std::wstring Wide(const std::string& text, UINT codePage) {
  std::wstring wide(text.size() + 1, L'\0');
  const int got = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      wide.data(), static_cast<int>(wide.size()));
  wide.resize(got > 0 ? got : 0);
  return wide;
}

// The Unix path (UTF-8) of a Windows path under Wine; empty elsewhere.
std::string UnixPath(const std::string& path) {
  using ToUnix = char*(CDECL*)(const wchar_t*);
  const auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) return std::string();
  char* unixPath = toUnix(Wide(path, CP_ACP).c_str());
  if (unixPath == nullptr) return std::string();
  std::string result = unixPath;
  HeapFree(GetProcessHeap(), 0, unixPath);
  return result;
}

// Starts a Unix program under Wine. Wine gives no handle to wait on, so the
// caller polls for the result.
bool RunUnix(const wchar_t* program, const std::vector<std::string>& arguments) {
  std::wstring commandLine;
  for (const auto& argument : arguments) {
    if (!commandLine.empty()) commandLine += L' ';
    commandLine += L'"' + Wide(argument, CP_UTF8) + L'"';
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  return true;
}

template <typename Done>
bool WaitFor(Done done) {
  for (int tries = 0; tries < 500; ++tries) {
    if (done()) return true;
    Sleep(10);
  }
  return done();
}

std::string Literal(const std::string& path) { return "\\\\?\\" + path; }

class Win32World : public TestWorld {
 public:
  Win32World() {
    static std::atomic<int> counter{0};
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "moxlyn-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter++);
    RemoveTree(root_);
    if (!CreateDirectoryA(root_.c_str(), nullptr)) throw std::runtime_error("no test folder");
  }
  ~Win32World() override {
    for (HANDLE handle : handles_) CloseHandle(handle);
    // Wine cannot remove a Unix link; Unix does.
    for (const auto& link : unixLinks_) {
      if (RunUnix(L"Z:\\bin\\rm", {"rm", "-f", UnixPath(link)})) {
        WaitFor([&] { return GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES; });
      }
    }
    RemoveTree(root_);
  }

  Platform& platform() override { return platform_; }
  std::string Root() override { return root_; }
  void SetProgramFolder(const std::string& folder) override {
    platform_.moduleFileName_ = folder + "\\Moxlyn.exe";
  }

  // Folders and files are made and looked at under their literal names
  // ("keep " is not "keep"), as the program's own paths reach them.
  void MakeFolder(const std::string& path, uint32_t attributes) override {
    CreateDirectoryA(Literal(path).c_str(), nullptr);
    if (attributes != 0) SetFileAttributesA(Literal(path).c_str(), attributes);
  }
  void MakeFile(const std::string& path, const std::string& content, uint32_t attributes) override {
    HANDLE file = CreateFileA(Literal(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot make " + path);
    DWORD wrote = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &wrote, nullptr);
    CloseHandle(file);
    if (attributes != 0) SetFileAttributesA(Literal(path).c_str(), attributes);
  }
  bool MakeFolderLink(const std::string& path, const std::string& target) override {
    // Wine's CreateSymbolicLinkA reports success but makes nothing; there a
    // Unix symbolic link, which Wine shows as a reparse point, stands in.
    if (CreateSymbolicLinkA(path.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
        IsReparsePoint(path)) {
      return true;
    }
    const std::string unixTarget = UnixPath(target);
    const std::string unixPath = UnixPath(path);
    if (unixTarget.empty() || unixPath.empty()) return false;
    if (!RunUnix(L"Z:\\bin\\ln", {"ln", "-s", unixTarget, unixPath})) return false;
    if (!WaitFor([&] { return IsReparsePoint(path); })) return false;
    unixLinks_.push_back(path);
    return true;
  }
  bool MakeFileLink(const std::string& path, const std::string& target) override {
    // Under Wine a Unix symbolic link, which Wine shows as the plain file.
    const std::string unixTarget = UnixPath(target);
    const std::string unixPath = UnixPath(path);
    if (unixTarget.empty() || unixPath.empty()) return false;
    if (!RunUnix(L"Z:\\bin\\ln", {"ln", "-s", unixTarget, unixPath})) return false;
    if (!WaitFor([&] { return Exists(path); })) return false;
    unixLinks_.push_back(path);
    return true;
  }
  void Lock(const std::string& path) override { Hold(path, GENERIC_READ, FILE_SHARE_READ); }
  bool DenyRead(const std::string& path) override {
    Hold(path, GENERIC_WRITE, 0);
    return true;
  }

  bool Exists(const std::string& path) override {
    return GetFileAttributesA(Literal(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  uint32_t Attributes(const std::string& path) override {
    return GetFileAttributesA(Literal(path).c_str());
  }
  std::string Content(const std::string& path) override {
    std::string content;
    return platform_.ReadWholeFile(path, content) == ReadStatus::kOk ? content : std::string();
  }

 private:
  void Hold(const std::string& path, DWORD access, DWORD share) {
    HANDLE file = CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot hold " + path);
    handles_.push_back(file);
  }

  TestWin32Platform platform_;
  std::string root_;
  std::vector<HANDLE> handles_;
  std::vector<std::string> unixLinks_;  // links made with the Unix ln
};

}  // namespace

std::unique_ptr<TestWorld> MakeWorld() { return std::make_unique<Win32World>(); }

}  // namespace moxlyn::testing
