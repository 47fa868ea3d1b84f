#include "core/drop_block.h"

#include <cstdint>
#include <cstring>

namespace moxlyn {
namespace {

uint32_t ReadUint32(const unsigned char* at) {
  uint32_t value = 0;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// The names from the list at bytes (count units of Unit), each ended by a
// zero, the list by an empty name; false when that end is not inside it.
template <typename Unit, typename Name>
bool ReadNames(const unsigned char* bytes, size_t count, std::vector<Name>& names) {
  const auto unitAt = [bytes](size_t at) {
    Unit unit{};
    std::memcpy(&unit, bytes + at * sizeof(Unit), sizeof(Unit));
    return unit;
  };
  for (size_t start = 0; start < count;) {
    size_t end = start;
    while (end < count && end - start <= kMaxDroppedNameLength && unitAt(end) != 0) ++end;
    if (end == count || end - start > kMaxDroppedNameLength) return false;
    if (end == start) return true;
    if (names.size() == kMaxDroppedNames) return false;
    Name& name = names.emplace_back(end - start, typename Name::value_type{});
    std::memcpy(name.data(), bytes + start * sizeof(Unit), (end - start) * sizeof(Unit));
    start = end + 1;
  }
  return false;
}

bool IsForbiddenInName(char16_t c) {
  switch (c) {
    case u'\\':
    case u'/':
    case u':':
    case u'*':
    case u'?':
    case u'"':
    case u'<':
    case u'>':
    case u'|':
      return true;
    default:
      return c < 0x20;
  }
}

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// "C:\" at the start of path.
bool IsDriveRoot(std::u16string_view path) {
  return path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == u':' && path[2] == u'\\';
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char16_t c = text[i];
    const char16_t upper = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    if (upper != prefix[i]) return false;
  }
  return true;
}

// "Volume{GUID}\" (the GUID's 36 hexadecimal digits and hyphens) at the
// start of path: a volume by its name, mounted with or without a letter.
constexpr size_t kVolumeRootLength = 7 + 1 + 36 + 1 + 1;
bool IsVolumeRoot(std::u16string_view path) {
  if (path.size() < kVolumeRootLength || !StartsWithNoCase(path, u"VOLUME{")) return false;
  for (size_t at = 7; at < 7 + 36; ++at) {
    const char16_t c = path[at];
    const bool hex =
        (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    if (!(hex || c == u'-')) return false;
  }
  return path[7 + 36] == u'}' && path[7 + 36 + 1] == u'\\';
}

// Where the names between separators begin: past a drive, a network path's
// two backslashes or a long form's prefix; npos for the device namespace.
size_t NamesStart(std::u16string_view path) {
  if (StartsWithNoCase(path, u"\\\\?\\")) {
    const std::u16string_view rest = path.substr(4);
    if (IsDriveRoot(rest)) return 7;
    if (StartsWithNoCase(rest, u"UNC\\")) return 8;
    if (IsVolumeRoot(rest)) return 4 + kVolumeRootLength;
    return std::u16string_view::npos;
  }
  if (StartsWithNoCase(path, u"\\\\.\\") || StartsWithNoCase(path, u"\\??\\")) {
    return std::u16string_view::npos;
  }
  if (IsDriveRoot(path)) return 3;
  if (StartsWithNoCase(path, u"\\\\")) return 2;
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
  const bool ended = block.wide ? ReadNames<char16_t>(bytes + offset, rest / 2, block.wideNames)
                                : ReadNames<char>(bytes + offset, rest, block.narrowNames);
  if (!ended) return std::nullopt;
  return block;
}

bool IsDroppableName(std::u16string_view path) {
  const size_t start = NamesStart(path);
  if (start == std::u16string_view::npos) return false;
  for (size_t at = 0; at < path.size(); ++at) {
    const char16_t c = path[at];
    if (c < 0x20) return false;
    if (at >= start && c != u'\\' && IsForbiddenInName(c)) return false;
  }
  return true;
}

bool IsListableName(std::u16string_view name) {
  for (const char16_t c : name) {
    if (IsForbiddenInName(c)) return false;
  }
  return true;
}

}  // namespace moxlyn
