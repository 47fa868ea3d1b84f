#include "core/del_list.h"

#include "core/text_file.h"

namespace moxlyn {

const char* const kDelListFileName = "dellist.lst";

namespace {

// Offset of the last whole character that is a backslash, or npos.
size_t LastBackslash(Platform& platform, const std::string& text) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '\\') {
      found = i;
    } else if (platform.IsLeadByte(byte) && i + 1 < text.size()) {
      ++i;
    }
  }
  return found;
}

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

std::string ProgramDir(Platform& platform) {
  const std::string module = platform.ModuleFileName();
  const size_t slash = LastBackslash(platform, module);
  return slash == std::string::npos ? std::string() : module.substr(0, slash + 1);
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
