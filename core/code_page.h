// Walking narrow text in the system code page one whole character at a time.
// In code page 932 the second byte of a double-byte character may be 0x5C,
// the backslash: only a walk from the start tells it from a separator.
#pragma once

#include <cstddef>
#include <string_view>

#include "core/platform.h"

namespace moxlyn {

// Length in bytes (1 or 2) of the character that starts at text[at], never
// reaching past the end of text. at must be less than text.size(). No code
// page has a lead byte below 0x80: ASCII is walked without asking.
inline size_t NextCharLength(Platform& platform, std::string_view text, size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  return byte >= 0x80 && platform.IsLeadByte(byte) && at + 1 < text.size() ? 2 : 1;
}

// Offset of the last whole character of text that is a backslash, or npos.
size_t LastBackslash(Platform& platform, std::string_view text);

// Where the file name of path begins: just past its last whole character
// that is a backslash or the ":" of a drive ("C:x.exe"); 0 when it has
// neither. What stands before it is the folder, separator included.
size_t FileNameStart(Platform& platform, std::string_view path);

}  // namespace moxlyn
