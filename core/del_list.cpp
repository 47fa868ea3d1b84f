#include "core/del_list.h"

#include "core/text_file.h"
#include "core/utf8.h"

namespace moxlyn {

const char* const kDelListFileName = "dellist.lst";

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// "\\?\Volume{GUID}": a volume by its name (one without a drive letter).
bool IsVolumeName(std::string_view path) {
  constexpr std::string_view kPrefix = "\\\\?\\volume{";
  constexpr size_t kGuidLength = 36;
  if (path.size() != kPrefix.size() + kGuidLength + 1 || path.back() != '}') return false;
  for (size_t i = 0; i < kPrefix.size(); ++i) {
    if (AsciiLower(path[i]) != kPrefix[i]) return false;
  }
  return true;
}

std::string ListFilePath(Platform& platform) {
  return JoinPath(ProgramDir(platform), kDelListFileName);
}

}  // namespace

std::string JoinPath(const std::string& dir, const std::string& name) {
  const bool nameLeads = !name.empty() && name[0] == '\\';
  if (!dir.empty() && dir.back() == '\\') {
    return nameLeads ? dir + name.substr(1) : dir + name;
  }
  return nameLeads ? dir + name : dir + "\\" + name;
}

bool IsAbsolutePath(std::string_view path) {
  if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\') return true;
  return path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
}

std::optional<std::string> TargetPath(std::string_view entry) {
  if (!IsAbsolutePath(entry)) return std::nullopt;
  // No name holds a control character: such an entry (a line of a list file
  // that was no text) names nothing.
  for (const char c : entry) {
    if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
  }
  const size_t end = entry.find_last_not_of('\\') + 1;
  // A drive root keeps its backslash: "C:" alone is the drive's current
  // folder, and a volume's name without it is the volume device.
  if (end < entry.size() && (entry[end - 1] == ':' || IsVolumeName(entry.substr(0, end)))) {
    return std::string(entry.substr(0, end + 1));
  }
  return std::string(entry.substr(0, end));
}

std::string ProgramDir(Platform& platform) {
  const std::string module = platform.ModuleFileName();
  return module.substr(0, FileNameStart(module));
}

void LoadDelList(Platform& platform, DelList& list) {
  ReadTextLines(platform, ListFilePath(platform), list);
}

void SaveDelList(Platform& platform, const DelList& list) {
  // The code page, byte for byte as other programs know the file, unless an
  // entry does not fit it: then the whole file is UTF-8. The code page is
  // tried first, line by line (a list that fills the memory has no room for
  // a copy); a save that meets an entry it cannot hold is given up (its
  // temporary file removed) and made again in UTF-8.
  const std::string path = ListFilePath(platform);
  bool fits = list.empty() || StaysCodePage(platform, list.front());
  if (fits) {
    try {
      WriteTextFile(platform, path, [&](TextWriter& out) {
        out.ToCodePage(platform);
        for (const auto& entry : list) out.WriteLine(entry);
      });
    } catch (const NotInCodePage&) {
      fits = false;
    }
  }
  if (fits) return;
  WriteTextFile(platform, path, [&](TextWriter& out) {
    out.Write(kUtf8Mark);
    for (const auto& entry : list) out.WriteLine(entry);
  });
}

}  // namespace moxlyn
