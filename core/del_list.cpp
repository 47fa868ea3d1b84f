#include "core/del_list.h"

#include "core/code_page.h"
#include "core/text_file.h"

namespace moxlyn {

const char* const kDelListFileName = "dellist.lst";

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string ListFilePath(Platform& platform) {
  return JoinPath(platform, ProgramDir(platform), kDelListFileName);
}

}  // namespace

bool EndsWithBackslash(Platform& platform, const std::string& text) {
  return !text.empty() && LastBackslash(platform, text) == text.size() - 1;
}

std::string JoinPath(Platform& platform, const std::string& dir, const std::string& name) {
  // A first byte is always a whole character, so name needs no scan.
  const bool nameLeads = !name.empty() && name[0] == '\\';
  if (EndsWithBackslash(platform, dir)) {
    return nameLeads ? dir + name.substr(1) : dir + name;
  }
  return nameLeads ? dir + name : dir + "\\" + name;
}

bool IsAbsolutePath(const std::string& path) {
  if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\') return true;
  return path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
}

std::optional<std::string> TargetPath(Platform& platform, const std::string& entry) {
  if (!IsAbsolutePath(entry)) return std::nullopt;
  // The end of the last whole character that is no backslash.
  size_t end = 0;
  for (size_t i = 0, length = 0; i < entry.size(); i += length) {
    length = NextCharLength(platform, entry, i);
    if (entry[i] != '\\') end = i + length;
  }
  // A drive root keeps its backslash: "C:" alone is the drive's current folder.
  if (entry[end - 1] == ':' && end < entry.size()) ++end;
  return entry.substr(0, end);
}

std::string ProgramDir(Platform& platform) {
  const std::string module = platform.ModuleFileName();
  return module.substr(0, FileNameStart(platform, module));
}

void LoadDelList(Platform& platform, DelList& list) {
  ReadTextLines(platform, ListFilePath(platform), list);
}

void SaveDelList(Platform& platform, const DelList& list) {
  // Line by line: a list that fills the memory has no room for a copy.
  WriteTextFile(platform, ListFilePath(platform), [&list](TextWriter& out) {
    for (const auto& entry : list) out.WriteLine(entry);
  });
}

}  // namespace moxlyn
