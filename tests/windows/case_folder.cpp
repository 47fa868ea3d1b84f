#include "tests/windows/case_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "tests/support/win32_tools.h"

namespace moxlyn::e2e {

using testing::Win32Failure;

CaseFolder::CaseFolder(const std::string& name, const std::string& base) {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  dir_ = (base.empty() ? std::string(temp) : base + "\\") + "moxlyn-e2e-" +
         std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + "-" + name;
  testing::RemoveTree(dir_);
  if (!CreateDirectoryA(dir_.c_str(), nullptr)) throw Win32Failure(dir_);
  std::string exe = testing::Env("MOXLYN_EXE");
  if (exe.empty()) throw std::runtime_error("MOXLYN_EXE is not set");
  exe = testing::WindowsPathOfUnix(exe);
  if (!CopyFileA(exe.c_str(), Exe().c_str(), FALSE)) throw Win32Failure(exe);
}

CaseFolder::~CaseFolder() { testing::RemoveTree(dir_); }

std::string CaseFolder::Path(const std::string& name) const { return dir_ + "\\" + name; }

void CaseFolder::Write(const std::string& name, const std::string& bytes) const {
  if (!testing::WriteWhole(Path(name), bytes)) throw Win32Failure("writing " + Path(name));
}

std::optional<std::string> CaseFolder::Read(const std::string& name) const {
  return testing::ReadWhole(Path(name));
}

bool CaseFolder::Exists(const std::string& name) const { return testing::PathExists(Path(name)); }

std::vector<std::string> CaseFolder::SavedList() const {
  const auto text = Read("dellist.lst");
  return text ? SplitCrLf(*text) : std::vector<std::string>{};
}

void CaseFolder::MakeDir(const std::string& name) const {
  if (!CreateDirectoryA(Path(name).c_str(), nullptr)) throw Win32Failure(Path(name));
}

std::vector<std::string> CaseFolder::Find(const std::string& pattern) const {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  const ScopedFindHandle find(FindFirstFileA(Path(pattern).c_str(), &data));
  if (!find.Valid()) return names;
  do {
    names.push_back(data.cFileName);
  } while (FindNextFileA(find.Get(), &data));
  return names;
}

std::string CrLfLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text does not end with CR LF";
  return lines;
}

}  // namespace moxlyn::e2e
