// UTF-8 text, as the program holds paths and names, from a u8 literal: the
// sources' plain narrow literals are code page 932 bytes.
#pragma once

#include <string>
#include <string_view>

namespace moxlyn::testing {

inline std::string U8(std::u8string_view text) { return std::string(text.begin(), text.end()); }

// The bytes of text (UTF-16 units) as a file in UTF-16 LE holds them.
inline std::string Utf16LeBytes(std::u16string_view text) {
  std::string bytes;
  for (const char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

}  // namespace moxlyn::testing
