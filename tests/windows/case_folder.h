// The case's folder: a fresh, empty folder holding a copy of Moxlyn.exe, and
// the files the program reads and writes there.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace moxlyn::e2e {

// A fresh, empty folder holding a copy of Moxlyn.exe, removed with everything
// in it (whatever its attributes) when the object goes. It is made in the
// temporary folder, or in base (a Windows path) when one is given.
class CaseFolder {
 public:
  explicit CaseFolder(const std::string& name, const std::string& base = "");
  ~CaseFolder();
  CaseFolder(const CaseFolder&) = delete;
  CaseFolder& operator=(const CaseFolder&) = delete;

  const std::string& Dir() const { return dir_; }
  // dir + "\" + name.
  std::string Path(const std::string& name) const;
  std::string Exe() const { return Path("Moxlyn.exe"); }
  std::string Ini() const { return Path("Moxlyn.ini"); }
  std::string ListFile() const { return Path("dellist.lst"); }

  // Writes bytes to dir\name (creating folders on the way is the caller's job).
  void Write(const std::string& name, const std::string& bytes) const;
  // The whole file byte for byte, or nothing when it cannot be read.
  std::optional<std::string> Read(const std::string& name) const;
  bool Exists(const std::string& name) const;
  // The entries of the case's dellist.lst, none when it is missing.
  std::vector<std::string> SavedList() const;
  void MakeDir(const std::string& name) const;
  // Names of the entries of dir matching a wildcard pattern such as "*.log".
  std::vector<std::string> Find(const std::string& pattern) const;

 private:
  std::string dir_;
};

// The lines joined, each followed by CR LF, as the program writes its files.
std::string CrLfLines(const std::vector<std::string>& lines);
// The text split at CR LF; a test failure when it does not end with CR LF.
std::vector<std::string> SplitCrLf(const std::string& text);

}  // namespace moxlyn::e2e
