// The world of Windows builds: a fresh folder on the real file system, used
// through the production Win32 platform.
#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "tests/support/test_world.h"
#include "tests/support/win32_tools.h"
#include "win32/engine_path.h"

namespace moxlyn::testing {
namespace {

// The program's paths are UTF-8: the world reaches them through the wide
// calls.
std::wstring W(const std::string& path) { return Literal(WideFromUtf8(path)); }

bool IsReparsePoint(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(W(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

class Win32World : public TestWorld {
 public:
  Win32World() {
    static std::atomic<int> counter{0};
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "moxlyn-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(counter++);
    RemoveTree(root_);
    if (!CreateDirectoryW(W(root_).c_str(), nullptr)) throw std::runtime_error("no test folder");
  }
  ~Win32World() override {
    held_.clear();
    // Wine cannot remove a Unix link, and through a link to a file it would
    // delete the target; Unix removes the link.
    for (const auto& link : unixLinks_) {
      if (StartUnix("/bin/rm", {"-f", UnixPath(W(link))})) {
        WaitUntil([&] { return !Exists(link); });
      }
    }
    RemoveTree(W(root_));
  }

  Platform& platform() override { return platform_; }
  std::string Root() override { return root_; }
  void SetProgramFolder(const std::string& folder) override {
    platform_.SetModuleFileName(folder + "\\Moxlyn.exe");
  }

  // Folders and files are made and looked at under their literal names
  // ("keep " is not "keep"), as the program's own paths reach them.
  void MakeFolder(const std::string& path, uint32_t attributes) override {
    CreateDirectoryW(W(path).c_str(), nullptr);
    if (attributes != 0) SetFileAttributesW(W(path).c_str(), attributes);
  }
  void MakeFile(const std::string& path, const std::string& content, uint32_t attributes) override {
    if (!WriteWhole(W(path), content)) throw std::runtime_error("cannot make " + path);
    if (attributes != 0) SetFileAttributesW(W(path).c_str(), attributes);
  }
  bool MakeFolderLink(const std::string& path, const std::string& target) override {
    // Wine's CreateSymbolicLinkA reports success but makes nothing; there a
    // Unix symbolic link, which Wine shows as a reparse point, stands in.
    if (CreateSymbolicLinkW(WideFromUtf8(path).c_str(), WideFromUtf8(target).c_str(),
                            SYMBOLIC_LINK_FLAG_DIRECTORY) &&
        IsReparsePoint(path)) {
      return true;
    }
    return MakeUnixLink(path, target, [&] { return IsReparsePoint(path); });
  }
  bool MakeFileLink(const std::string& path, const std::string& target) override {
    // Under Wine a Unix symbolic link, which Wine shows as the plain file.
    return MakeUnixLink(path, target, [&] { return Exists(path); });
  }
  void Lock(const std::string& path) override { Hold(path, GENERIC_READ, FILE_SHARE_READ); }
  bool DenyRead(const std::string& path) override {
    Hold(path, GENERIC_WRITE, 0);
    return true;
  }
  bool Move(const std::string& from, const std::string& to) override {
    return MoveFileExW(W(from).c_str(), W(to).c_str(), 0) != 0;
  }

  bool Exists(const std::string& path) override {
    return GetFileAttributesW(W(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  uint32_t Attributes(const std::string& path) override {
    return GetFileAttributesW(W(path).c_str());
  }
  std::string Content(const std::string& path) override {
    std::string content;
    return platform_.ReadWholeFile(path, content) == ReadStatus::kOk ? content : std::string();
  }

 private:
  // A Unix symbolic link at path to target, once Wine shows it as made.
  bool MakeUnixLink(const std::string& path, const std::string& target,
                    const std::function<bool()>& made) {
    const std::string unixTarget = UnixPath(W(target));
    const std::string unixPath = UnixPath(W(path));
    if (unixTarget.empty() || unixPath.empty()) return false;
    if (!StartUnix("/bin/ln", {"-s", unixTarget, unixPath}) || !WaitUntil(made)) return false;
    unixLinks_.push_back(path);
    return true;
  }

  void Hold(const std::string& path, DWORD access, DWORD share) {
    ScopedFileHandle file(CreateFileW(W(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) throw std::runtime_error("cannot hold " + path);
    held_.push_back(std::move(file));
  }

  Win32PlatformWithModule platform_;
  std::string root_;
  std::vector<ScopedFileHandle> held_;
  std::vector<std::string> unixLinks_;  // links made with the Unix ln
};

}  // namespace

std::unique_ptr<TestWorld> MakeWorld() { return std::make_unique<Win32World>(); }

}  // namespace moxlyn::testing
