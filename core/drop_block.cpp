#include "core/drop_block.h"

#include <cstdint>
#include <cstring>

#include "core/utf8.h"

namespace moxlyn {
namespace {

uint32_t ReadUint32(const unsigned char* at) {
  uint32_t value = 0;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// The names from the list at bytes (count units of Unit), each ended by a
// zero, the list by an empty name; false when that end is not inside it. A
// wide name is kept as WTF-8, a narrow one as its bytes.
template <typename Unit>
bool ReadNames(const unsigned char* bytes, size_t count, std::vector<std::string>& names) {
  const auto unitAt = [bytes](size_t at) {
    Unit unit{};
    std::memcpy(&unit, bytes + at * sizeof(Unit), sizeof(Unit));
    return unit;
  };
  std::u16string units;
  for (size_t start = 0; start < count;) {
    size_t end = start;
    while (end < count && end - start <= kMaxDroppedNameLength && unitAt(end) != 0) ++end;
    if (end == count || end - start > kMaxDroppedNameLength) return false;
    if (end == start) return true;
    if (names.size() == kMaxDroppedNames) return false;
    const size_t length = end - start;
    if constexpr (sizeof(Unit) == 1) {
      names.emplace_back(reinterpret_cast<const char*>(bytes + start), length);
    } else {
      units.resize(length);
      std::memcpy(units.data(), bytes + start * sizeof(Unit), length * sizeof(Unit));
      names.push_back(Wtf8FromUtf16(units));
    }
    start = end + 1;
  }
  return false;
}

// The rules below look at ASCII alone: every byte of a longer UTF-8 (or
// WTF-8) sequence is 0x80 or above, so a name's bytes are read as they are.
bool IsForbiddenInName(char c) {
  switch (c) {
    case '\\':
    case '/':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
      return true;
    default:
      return static_cast<unsigned char>(c) < 0x20;
  }
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "C:\" at the start of path.
bool IsDriveRoot(std::string_view path) {
  return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i];
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    if (upper != prefix[i]) return false;
  }
  return true;
}

// "Volume{GUID}\" (the GUID's 36 hexadecimal digits and hyphens) at the
// start of path: a volume by its name, mounted with or without a letter.
constexpr size_t kVolumeRootLength = 7 + 1 + 36 + 1 + 1;
bool IsVolumeRoot(std::string_view path) {
  if (path.size() < kVolumeRootLength || !StartsWithNoCase(path, "VOLUME{")) return false;
  for (size_t at = 7; at < 7 + 36; ++at) {
    const char c = path[at];
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!(hex || c == '-')) return false;
  }
  return path[7 + 36] == '}' && path[7 + 36 + 1] == '\\';
}

// Where the names between separators begin: past a drive, a network path's
// two backslashes or a long form's prefix; npos for the device namespace.
size_t NamesStart(std::string_view path) {
  if (StartsWithNoCase(path, "\\\\?\\")) {
    const std::string_view rest = path.substr(4);
    if (IsDriveRoot(rest)) return 7;
    if (StartsWithNoCase(rest, "UNC\\")) return 8;
    if (IsVolumeRoot(rest)) return 4 + kVolumeRootLength;
    return std::string_view::npos;
  }
  if (StartsWithNoCase(path, "\\\\.\\") || StartsWithNoCase(path, "\\??\\")) {
    return std::string_view::npos;
  }
  if (IsDriveRoot(path)) return 3;
  if (StartsWithNoCase(path, "\\\\")) return 2;
  return 0;
}

}  // namespace

std::optional<DropBlock> ReadDropBlock(const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (bytes == nullptr || size < kDropHeaderSize) return std::nullopt;
  const uint32_t offset = ReadUint32(bytes);
  const uint32_t wide = ReadUint32(bytes + 16);
  if (offset < kDropHeaderSize || offset > size) return std::nullopt;
  DropBlock block;
  // A BOOL: any value but 0 is true.
  block.wide = wide != 0;
  const size_t rest = size - offset;
  const bool ended = block.wide ? ReadNames<char16_t>(bytes + offset, rest / 2, block.names)
                                : ReadNames<char>(bytes + offset, rest, block.names);
  if (!ended) return std::nullopt;
  return block;
}

bool IsDroppableName(std::string_view path) {
  const size_t start = NamesStart(path);
  if (start == std::string_view::npos) return false;
  for (size_t at = 0; at < path.size(); ++at) {
    const char c = path[at];
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (at >= start && c != '\\' && IsForbiddenInName(c)) return false;
  }
  return true;
}

bool IsListableName(std::string_view name) {
  for (const char c : name) {
    if (IsForbiddenInName(c)) return false;
  }
  return true;
}

}  // namespace moxlyn
