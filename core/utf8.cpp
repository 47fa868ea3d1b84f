#include "core/utf8.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace moxlyn {
namespace {

void AppendCode(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

#if defined(__i386__) || defined(__x86_64__)
// Sixteen bytes at a time where the processor has SSE2 (every x86 processor
// of this century); a 32-bit build may not assume it.
__attribute__((target("sse2"))) size_t AsciiBlocksSse2(std::string_view text, size_t at) {
  for (; at + 16 <= text.size(); at += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    const auto high = static_cast<unsigned>(_mm_movemask_epi8(block));
    if (high != 0) return at + static_cast<size_t>(__builtin_ctz(high));
  }
  return at;
}

// IsWtf8 with its ASCII runs skipped in line: a list of a million paths
// holds a few characters outside ASCII a line.
__attribute__((target("sse2"))) bool IsWtf8Sse2(std::string_view text) {
  for (size_t i = 0;;) {
    i = AsciiBlocksSse2(text, i);
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0x80) == 0) ++i;
    if (i == text.size()) return true;
    uint32_t code = 0;
    const size_t length = DecodeUtf8At(text, i, code);
    if (length == 0) return false;
    i += length;
  }
}
#endif

}  // namespace

size_t NextCharLength(std::string_view text, size_t at) {
  uint32_t code = 0;
  const size_t length = DecodeUtf8At(text, at, code);
  return length == 0 ? 1 : length;
}

size_t LastBackslash(std::string_view text) { return text.rfind('\\'); }

size_t FileNameStart(std::string_view path) {
  const size_t last = path.find_last_of("\\:");
  return last == std::string_view::npos ? 0 : last + 1;
}

size_t AsciiRun(std::string_view text, size_t from) {
  size_t at = from;
  // A list of a million paths is mostly ASCII: whole blocks first.
#if defined(__i386__) || defined(__x86_64__)
  if (__builtin_cpu_supports("sse2")) at = AsciiBlocksSse2(text, at);
#endif
  for (; at + 8 <= text.size(); at += 8) {
    uint64_t word = 0;
    std::memcpy(&word, text.data() + at, sizeof word);
    if ((word & 0x8080808080808080ULL) != 0) break;
  }
  while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0x80) == 0) ++at;
  return at - from;
}

bool IsAscii(std::string_view text) { return AsciiRun(text, 0) == text.size(); }

std::string Wtf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t unit = text[i];
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size()) {
      const uint32_t low = text[i + 1];
      if (low >= 0xDC00 && low < 0xE000) {
        AppendCode(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendCode(out, unit);
  }
  return out;
}

std::u16string Utf16FromWtf8(std::string_view text, bool* valid) {
  std::u16string out;
  AppendUtf16FromWtf8(text, out, valid);
  return out;
}

bool IsWtf8(std::string_view text) {
#if defined(__i386__) || defined(__x86_64__)
  if (__builtin_cpu_supports("sse2")) return IsWtf8Sse2(text);
#endif
  for (size_t i = AsciiRun(text, 0); i < text.size(); i += AsciiRun(text, i)) {
    uint32_t code = 0;
    const size_t length = DecodeUtf8At(text, i, code);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

}  // namespace moxlyn
