// A place where behaviour tests build files and folders and then look at
// them: in memory (MemoryWorld) or in a fresh folder on the real file system
// through the Win32 platform (Win32World, Windows builds only). The same
// tests run against both; MakeWorld() picks the one of this build.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/platform.h"
#include "tests/support/attributes.h"

namespace moxlyn::testing {

class TestWorld {
 public:
  virtual ~TestWorld() = default;

  // The platform under test.
  virtual Platform& platform() = 0;
  // An empty folder to work in, without a trailing backslash.
  virtual std::string Root() = 0;
  // Makes the running executable appear to live in folder (so ProgramDir is
  // folder + "\").
  virtual void SetProgramFolder(const std::string& folder) = 0;

  virtual void MakeFolder(const std::string& path, uint32_t attributes = 0) = 0;
  virtual void MakeFile(const std::string& path, const std::string& content = "",
                        uint32_t attributes = 0) = 0;
  // A link to the folder target at path (a symbolic link or junction); false
  // when this world cannot make one.
  virtual bool MakeFolderLink(const std::string& path, const std::string& target) = 0;
  // A symbolic link to the file target at path; false when this world cannot
  // make one.
  virtual bool MakeFileLink(const std::string& path, const std::string& target) = 0;
  // Holds the file open as another program would, without share-delete and
  // without share-write, until the world ends.
  virtual void Lock(const std::string& path) = 0;
  // Makes the existing file unreadable for the program; false when this world
  // cannot.
  virtual bool DenyRead(const std::string& path) = 0;
  // Gives the entry at from (a folder too) the path to, as another program
  // would; false on failure.
  virtual bool Move(const std::string& from, const std::string& to) = 0;

  // Deletes from now on as Windows without POSIX semantics does (a deleted
  // name stays until its entry's last handle closes); false where the
  // world's own system decides that (Wine has only that way).
  virtual bool UseClassicDeletion() { return false; }
  virtual bool Exists(const std::string& path) = 0;
  virtual uint32_t Attributes(const std::string& path) = 0;
  virtual std::string Content(const std::string& path) = 0;

  // Convenience: Root() + "\" + relative.
  std::string At(const std::string& relative) { return Root() + "\\" + relative; }
  // The names in Root(), sorted: what a save left there.
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    platform().Enumerate(At("*"), [&](const FindEntry& entry) {
      if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
    });
    std::sort(names.begin(), names.end());
    return names;
  }
};

std::unique_ptr<TestWorld> MakeWorld();

}  // namespace moxlyn::testing
