// The program's text: UTF-8, and WTF-8 for a lone surrogate (as Windows
// allows one in a name), so that every UTF-16 name comes back whole. A byte
// below 0x80 is always the ASCII character it reads as: a backslash is never
// part of another character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace moxlyn {

// Length in bytes (1 to 4) of the character that starts at text[at], never
// reaching past the end of text. at must be less than text.size().
size_t NextCharLength(std::string_view text, size_t at);

// Offset of the last backslash of text, or npos.
size_t LastBackslash(std::string_view text);

// Where the file name of path begins: just past its last backslash or the
// ":" of a drive ("C:x.exe"); 0 when it has neither. What stands before it is
// the folder, separator included.
size_t FileNameStart(std::string_view path);

// The number of ASCII bytes of text from from on, up to its first other byte.
size_t AsciiRun(std::string_view text, size_t from);

// True when every byte of text is ASCII.
bool IsAscii(std::string_view text);

// UTF-16 as WTF-8: a lone surrogate becomes its own three-byte sequence.
std::string Wtf8FromUtf16(std::u16string_view text);

// WTF-8 as UTF-16; nothing is lost for what Wtf8FromUtf16 made. A byte that
// starts no whole sequence becomes U+FFFD. Sets valid (when given) to whether
// every byte was part of a whole sequence.
std::u16string Utf16FromWtf8(std::string_view text, bool* valid = nullptr);

// The same, appended to out: a std::u16string, or a std::wstring where
// wchar_t is a UTF-16 unit (Windows).
template <typename WideString>
void AppendUtf16FromWtf8(std::string_view text, WideString& out, bool* valid = nullptr);

// True when text is whole WTF-8: what Wtf8FromUtf16 can make.
bool IsWtf8(std::string_view text);

// The code point of the whole, shortest sequence at text[at] and its length;
// a length of 0 when none starts there.
inline size_t DecodeUtf8At(std::string_view text, size_t at, uint32_t& code) {
  // Each length spelt out: this runs for every character of a list outside
  // ASCII, on its way to and from the code page.
  const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data()) + at;
  const size_t left = text.size() - at;
  const uint32_t lead = bytes[0];
  const auto follows = [bytes](size_t k) { return (bytes[k] & 0xC0u) == 0x80; };
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  if (lead < 0xC2) return 0;  // a continuation byte, or the lead of an overlong pair
  if (lead < 0xE0) {
    if (left < 2 || !follows(1)) return 0;
    code = ((lead & 0x1Fu) << 6) | (bytes[1] & 0x3Fu);
    return 2;
  }
  if (lead < 0xF0) {
    if (left < 3 || !follows(1) || !follows(2)) return 0;
    code = ((lead & 0x0Fu) << 12) | ((bytes[1] & 0x3Fu) << 6) | (bytes[2] & 0x3Fu);
    return code < 0x800 ? 0 : 3;
  }
  if (lead > 0xF4 || left < 4 || !follows(1) || !follows(2) || !follows(3)) return 0;
  code = ((lead & 0x07u) << 18) | ((bytes[1] & 0x3Fu) << 12) | ((bytes[2] & 0x3Fu) << 6) |
         (bytes[3] & 0x3Fu);
  return code < 0x10000 || code > 0x10FFFF ? 0 : 4;
}

template <typename WideString>
void AppendUtf16FromWtf8(std::string_view text, WideString& out, bool* valid) {
  using Unit = typename WideString::value_type;
  static_assert(sizeof(Unit) == 2, "UTF-16 units");
  out.reserve(out.size() + text.size());
  bool whole = true;
  for (size_t i = 0; i < text.size();) {
    uint32_t code = 0;
    const size_t length = DecodeUtf8At(text, i, code);
    if (length == 0) {
      out += static_cast<Unit>(0xFFFD);
      whole = false;
      ++i;
    } else if (code >= 0x10000) {
      out += static_cast<Unit>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<Unit>(0xDC00 + ((code - 0x10000) & 0x3FF));
      i += length;
    } else {
      out += static_cast<Unit>(code);
      i += length;
    }
  }
  if (valid != nullptr) *valid = whole;
}

}  // namespace moxlyn
