// The world of native builds: everything in memory.
#include "tests/support/memory_platform.h"
#include "tests/support/test_world.h"

namespace moxlyn::testing {
namespace {

class MemoryWorld : public TestWorld {
 public:
  MemoryWorld() { fs_.AddFolder(Root()); }
  Platform& platform() override { return fs_; }
  std::string Root() override { return "C:\\work"; }
  void SetProgramFolder(const std::string& folder) override {
    fs_.SetModuleFileName(folder + "\\Moxlyn.exe");
  }
  void MakeFolder(const std::string& path, uint32_t attributes) override {
    fs_.AddFolder(path, attributes);
  }
  void MakeFile(const std::string& path, const std::string& content, uint32_t attributes) override {
    fs_.AddFile(path, content, attributes);
  }
  bool MakeFolderLink(const std::string& path, const std::string& target) override {
    fs_.AddFolderLink(path, target);
    return true;
  }
  bool MakeFileLink(const std::string& path, const std::string& target) override {
    fs_.AddFileLink(path, target);
    return true;
  }
  void Lock(const std::string& path) override { fs_.Lock(path); }
  bool DenyRead(const std::string& path) override {
    fs_.DenyRead(path);
    return true;
  }
  bool Move(const std::string& from, const std::string& to) override {
    return fs_.MoveEntry(from, to);
  }
  bool UseClassicDeletion() override {
    fs_.Model(MemoryPlatform::System::kWindowsWithoutPosixDelete);
    return true;
  }
  bool Exists(const std::string& path) override { return fs_.Exists(path); }
  uint32_t Attributes(const std::string& path) override { return fs_.GetAttributes(path); }
  std::string Content(const std::string& path) override { return fs_.Content(path); }

 private:
  MemoryPlatform fs_;
};

}  // namespace

std::unique_ptr<TestWorld> MakeWorld() { return std::make_unique<MemoryWorld>(); }

}  // namespace moxlyn::testing
