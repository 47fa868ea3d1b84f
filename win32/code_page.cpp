// The system code page to and from UTF-8: tables read once from the system's
// own conversion, or the conversion calls themselves where tables cannot
// serve.
#include "win32/code_page.h"

#include <windows.h>

#include <array>
#include <climits>
#include <optional>
#include <vector>

#include <emmintrin.h>

#include "core/utf8.h"
#include "win32/engine_path.h"
#include "win32/win32_platform.h"

namespace moxlyn {
namespace {

// The system's own conversion calls, a text at a time.
std::optional<std::string> Utf8FromCodePageCalls(std::string_view bytes) {
  if (IsAscii(bytes)) return std::string(bytes);
  if (bytes.size() > INT_MAX) return std::nullopt;
  const int size = static_cast<int>(bytes.size());
  // A byte sequence that is no character of the code page (a lone lead
  // byte) fails the whole text: nothing may stand for it.
  const int length =
      MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), length) !=
      length) {
    return std::nullopt;
  }
  return Utf8FromWide(wide);
}

std::optional<std::string> CodePageFromUtf8Calls(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  bool whole = false;
  std::wstring wide;
  AppendUtf16FromWtf8(text, wide, &whole);
  if (!whole || wide.size() > INT_MAX) return std::nullopt;
  const int size = static_cast<int>(wide.size());
  // No best fit: "é" must never become "e", a name of another file.
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                         0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string bytes(static_cast<size_t>(length), '\0');
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, bytes.data(), length,
                          nullptr, &usedDefault) != length ||
      usedDefault) {
    return std::nullopt;
  }
  // And back to the same text: no character of the code page stands for two.
  const std::optional<std::string> back = Utf8FromCodePageCalls(bytes);
  if (!back || *back != text) return std::nullopt;
  return bytes;
}

// The system code page as tables, read from the system's own conversion
// once, character by character: a list of a million entries converts
// without a call per entry, exactly as the calls would. Only what decoding
// gives is encoded (no best fit), and where several codes give the same
// character, the system's own choice is kept. Not usable (the calls are
// asked instead) for a code page of characters longer than two bytes, nor
// on a processor without SSE2.
class CodePageTable {
 public:
  static constexpr uint16_t kNone = 0xFFFF;

  CodePageTable() {
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize > 2) return;
    std::vector<uint8_t> leads;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
      for (int byte = info.LeadByte[i]; byte <= info.LeadByte[i + 1]; ++byte) {
        leadIndex_[byte] = static_cast<uint8_t>(leads.size() + 1);
        leads.push_back(static_cast<uint8_t>(byte));
      }
    }
    encode_.assign(0x10000, kNone);
    pairs_.assign(leads.size() * 256, kNone);
    for (int byte = 0; byte < 256; ++byte) {
      if (leadIndex_[byte] != 0) continue;
      const char bytes[] = {static_cast<char>(byte)};
      single_[byte] = Decode(bytes, 1);
      if (single_[byte] != kNone) Learn(single_[byte], static_cast<uint16_t>(byte));
    }
    for (size_t lead = 0; lead < leads.size(); ++lead) {
      for (int trail = 1; trail < 256; ++trail) {
        const char bytes[] = {static_cast<char>(leads[lead]), static_cast<char>(trail)};
        const uint16_t unit = Decode(bytes, 2);
        pairs_[lead * 256 + static_cast<size_t>(trail)] = unit;
        if (unit != kNone) Learn(unit, static_cast<uint16_t>((leads[lead] << 8) | trail));
      }
    }
    for (int byte = 0; byte < 0x80; ++byte) asciiSame_ = asciiSame_ && single_[byte] == byte;
    usable_ = asciiSame_ && __builtin_cpu_supports("sse2");
  }

  bool Usable() const { return usable_; }

  // Both conversions copy ASCII sixteen bytes at a time: the tables are
  // used only where the processor has SSE2 (every x86 processor of this
  // century; a 32-bit build may not assume it), the calls elsewhere.
  __attribute__((target("sse2"))) bool AppendUtf8(std::string_view bytes, std::string& text) const {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = in + bytes.size();
    // A pair of the code page gives at most three bytes of UTF-8, and ASCII
    // one: room for one and a half times the bytes left, and the sixteen
    // more that CopyAscii needs, lasts to the end. A single byte may give
    // three (a half-width kana): the first one makes the room three times
    // the bytes left, which lasts too.
    const size_t kept = text.size();
    text.resize(kept + bytes.size() + bytes.size() / 2 + kSlack);
    auto* start = reinterpret_cast<unsigned char*>(text.data());
    auto* out = start + kept;
    auto* limit = start + text.size();
    const uint8_t* const leads = leadIndex_.data();
    while (in < end) {
      CopyAscii(in, end, out);
      // The characters up to the next ASCII byte, one after another.
      while (in < end && *in >= 0x80) {
        const uint32_t row = leads[*in];
        uint32_t unit = kNone;
        if (row == 0) {
          const auto left = static_cast<size_t>(end - in);
          if (static_cast<size_t>(limit - out) < 3 * left + kSlack) {
            const auto used = static_cast<size_t>(out - start);
            text.resize(used + 3 * left + kSlack);
            start = reinterpret_cast<unsigned char*>(text.data());
            out = start + used;
            limit = start + text.size();
          }
          unit = single_[*in];
          in += 1;
        } else if (end - in >= 2) {
          unit = pairs_[(row - 1) * size_t{256} + in[1]];
          in += 2;
        }
        if (unit == kNone) {
          text.resize(kept);
          return false;
        }
        if (unit < 0x800) {
          *out++ = static_cast<unsigned char>(0xC0 | (unit >> 6));
        } else {
          *out++ = static_cast<unsigned char>(0xE0 | (unit >> 12));
          *out++ = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
        }
        *out++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
      }
    }
    text.resize(static_cast<size_t>(out - start));
    return true;
  }

  __attribute__((target("sse2"))) bool AppendCodePage(std::string_view text,
                                                      std::string& bytes) const {
    // A character gives at most as many bytes of the code page as of UTF-8:
    // the room for the rest never falls below sixteen bytes more.
    const size_t kept = bytes.size();
    bytes.resize(kept + text.size() + kSlack);
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = in + text.size();
    auto* const start = reinterpret_cast<unsigned char*>(bytes.data());
    auto* out = start + kept;
    const uint16_t* const encode = encode_.data();
    while (in < end) {
      CopyAscii(in, end, out);
      // The characters up to the next ASCII byte, one after another. Only
      // characters of two and three bytes have codes in the table, so only
      // they are decoded, here rather than by DecodeUtf8At: inlined in this
      // loop on i686, its general form made a million lines take 46 ms to
      // write instead of 31. A continuation byte XOR 0x80 is below 0x40.
      while (in < end && *in >= 0x80) {
        const uint32_t lead = in[0];
        const auto left = static_cast<size_t>(end - in);
        uint32_t code = kNone;
        if (lead >= 0xC2 && lead < 0xE0 && left >= 2 && (in[1] ^ 0x80u) < 0x40) {
          code = ((lead & 0x1Fu) << 6) | (in[1] ^ 0x80u);
          in += 2;
        } else if (lead >= 0xE0 && lead < 0xF0 && left >= 3 &&
                   ((in[1] ^ 0x80u) | (in[2] ^ 0x80u)) < 0x40) {
          code = ((lead & 0x0Fu) << 12) | ((in[1] ^ 0x80u) << 6) | (in[2] ^ 0x80u);
          in += 3;
          if (code < 0x800) code = kNone;  // overlong
        }
        // No code decodes to U+FFFF (kNone): its entry is kNone too.
        const uint16_t coded = encode[code];
        if (coded == kNone) {
          bytes.resize(kept);
          return false;
        }
        if (coded > 0xFF) *out++ = static_cast<unsigned char>(coded >> 8);
        *out++ = static_cast<unsigned char>(coded & 0xFF);
      }
    }
    bytes.resize(static_cast<size_t>(out - start));
    return true;
  }

 private:
  static constexpr size_t kSlack = 16;

  // Copies the ASCII bytes from in on to out and stops at the first other
  // byte; out must have room for sixteen bytes more than are left to copy
  // (what follows the ASCII ones is written too, then written over).
  __attribute__((target("sse2"))) static void CopyAscii(const unsigned char*& in,
                                                        const unsigned char* end,
                                                        unsigned char*& out) {
    while (end - in >= 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
      const auto high = static_cast<unsigned>(_mm_movemask_epi8(block));
      if (high != 0) {
        const auto ascii = static_cast<unsigned>(__builtin_ctz(high));
        in += ascii;
        out += ascii;
        return;
      }
      in += 16;
      out += 16;
    }
    while (in < end && *in < 0x80) *out++ = *in++;
  }

  static uint16_t Decode(const char* bytes, int size) {
    WCHAR unit[2];
    const int got = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, size, unit, 2);
    return got == 1 && unit[0] != kNone ? static_cast<uint16_t>(unit[0]) : kNone;
  }
  // unit decodes from coded; where another code gave it already, the code
  // the system itself encodes it to stays.
  void Learn(uint16_t unit, uint16_t coded) {
    if (encode_[unit] == kNone) {
      encode_[unit] = coded;
      return;
    }
    const WCHAR wide[] = {static_cast<WCHAR>(unit)};
    char own[2];
    BOOL usedDefault = FALSE;
    const int got =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, 1, own, 2, nullptr, &usedDefault);
    const uint16_t system = got == 2
                                ? static_cast<uint16_t>((static_cast<unsigned char>(own[0]) << 8) |
                                                        static_cast<unsigned char>(own[1]))
                            : got == 1 ? static_cast<unsigned char>(own[0])
                                       : kNone;
    if (!usedDefault && system == coded) encode_[unit] = coded;
  }

  bool usable_ = false;
  bool asciiSame_ = true;
  std::array<uint16_t, 256> single_{};
  std::array<uint8_t, 256> leadIndex_{};  // 1 + the lead byte's row in pairs_, 0 for none
  std::vector<uint16_t> pairs_;
  std::vector<uint16_t> encode_;
};

const CodePageTable& SystemCodePage() {
  // The code page stays the system's for the life of the process.
  static const CodePageTable table;
  return table;
}

// Windows' option "Beta: Use Unicode UTF-8 for worldwide language support"
// (or a program's manifest) makes the code page UTF-8 (65001), whose
// conversion refuses the flags that keep the other code pages exact
// (WC_NO_BEST_FIT_CHARS, a default character). Its text is the program's
// own: kept byte for byte.
bool CodePageIsUtf8() {
  static const bool utf8 = GetACP() == CP_UTF8;
  return utf8;
}

// True when text is UTF-8 as the system's calls take it for code page 65001
// (MB_ERR_INVALID_CHARS, WC_ERR_INVALID_CHARS): whole, shortest sequences, no
// surrogate, which WTF-8 allows and UTF-8 does not.
bool IsUtf8AsTheCallsTakeIt(std::string_view text) {
  for (size_t at = AsciiRun(text, 0); at < text.size(); at += AsciiRun(text, at)) {
    uint32_t code = 0;
    const size_t length = DecodeUtf8At(text, at, code);
    if (length == 0 || (code >= 0xD800 && code < 0xE000)) return false;
    at += length;
  }
  return true;
}

bool AppendUtf8AsItIs(std::string_view from, std::string& to) {
  if (!IsUtf8AsTheCallsTakeIt(from)) return false;
  to += from;
  return true;
}

}  // namespace

bool AppendUtf8FromCodePage(std::string_view bytes, std::string& text) {
  if (CodePageIsUtf8()) return AppendUtf8AsItIs(bytes, text);
  const CodePageTable& table = SystemCodePage();
  if (table.Usable()) return table.AppendUtf8(bytes, text);
  const std::optional<std::string> converted = Utf8FromCodePageCalls(bytes);
  if (converted) text += *converted;
  return converted.has_value();
}

bool AppendCodePageFromUtf8(std::string_view text, std::string& bytes) {
  if (CodePageIsUtf8()) return AppendUtf8AsItIs(text, bytes);
  const CodePageTable& table = SystemCodePage();
  if (table.Usable()) return table.AppendCodePage(text, bytes);
  const std::optional<std::string> converted = CodePageFromUtf8Calls(text);
  if (converted) bytes += *converted;
  return converted.has_value();
}

bool Win32Platform::AppendFromCodePage(std::string_view bytes, std::string& text) {
  return AppendUtf8FromCodePage(bytes, text);
}

bool Win32Platform::AppendToCodePage(std::string_view text, std::string& bytes) {
  return AppendCodePageFromUtf8(text, bytes);
}

}  // namespace moxlyn
