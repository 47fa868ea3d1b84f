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

// True when the three bytes of text at at are a high surrogate's (ED A0..AF
// and a trail byte), or a low one's (ED B0..BF and a trail byte) with low.
inline bool SurrogateHalfAt(std::string_view text, size_t at, bool low) {
  if (at + 3 > text.size() || static_cast<unsigned char>(text[at]) != 0xED) return false;
  const auto second = static_cast<unsigned char>(text[at + 1]);
  const auto third = static_cast<unsigned char>(text[at + 2]);
  return (second & 0xF0) == (low ? 0xB0 : 0xA0) && (third & 0xC0) == 0x80;
}

// The code point of the whole, shortest sequence at text[at] and its length;
// a length of 0 when none starts there. A lone surrogate is a sequence (WTF-8);
// a high and a low one side by side are none: a pair is spelt in four bytes,
// so that one character has one spelling.
inline size_t DecodeUtf8At(std::string_view text, size_t at, uint32_t& code) {
  const auto lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  const size_t length = lead >= 0xF8   ? 0
                        : lead >= 0xF0 ? 4
                        : lead >= 0xE0 ? 3
                        : lead >= 0xC2 ? 2
                                       : 0;
  if (length == 0 || at + length > text.size()) return 0;
  code = lead & (0x7Fu >> length);
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3Fu);
  }
  const uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (code < least || code > 0x10FFFF) return 0;
  if (code >= 0xD800 && code < 0xE000) {
    const bool high = code < 0xDC00;
    if (high ? SurrogateHalfAt(text, at + 3, true)
             : at >= 3 && SurrogateHalfAt(text, at - 3, false)) {
      return 0;
    }
  }
  return length;
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
