// The code page's tables against the system's own conversion calls, for
// every character of the code page and of the Basic Multilingual Plane.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "core/utf8.h"
#include "win32/code_page.h"

namespace moxlyn {
namespace {

// What the calls give for bytes, with no character left out; nothing for
// bytes that are no text of the code page.
std::optional<std::wstring> Decoded(const std::string& bytes) {
  wchar_t wide[4];
  const int got = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                                      static_cast<int>(bytes.size()), wide, 4);
  if (got <= 0) return std::nullopt;
  return std::wstring(wide, static_cast<size_t>(got));
}

TEST(CodePage, EveryByteAndPairDecodesAsTheCallsDecodeIt) {
  for (int lead = 1; lead < 256; ++lead) {
    for (int trail = IsDBCSLeadByte(static_cast<BYTE>(lead)) ? 1 : 256; trail <= 256; ++trail) {
      std::string bytes(1, static_cast<char>(lead));
      if (trail < 256) bytes += static_cast<char>(trail);
      std::string text = "kept";
      const std::optional<std::wstring> wide = Decoded(bytes);
      const bool known = wide && wide->size() == 1 && (*wide)[0] != 0xFFFF;
      ASSERT_EQ(AppendUtf8FromCodePage(bytes, text), known) << lead << " " << trail;
      ASSERT_EQ(text, known ? "kept" + Wtf8FromUtf16(std::u16string(1, (*wide)[0])) : "kept");
    }
  }
}

TEST(CodePage, EveryCharacterEncodesOnlyToItsOwnCode) {
  for (uint32_t code = 1; code < 0x10000; ++code) {
    if (code >= 0xD800 && code < 0xE000) continue;
    const std::string text = Wtf8FromUtf16(std::u16string(1, static_cast<char16_t>(code)));
    std::string bytes;
    const bool fits = AppendCodePageFromUtf8(text, bytes);
    if (!fits) continue;
    // Back to the same character: no look-alike stands for it.
    ASSERT_EQ(Decoded(bytes), std::wstring(1, static_cast<wchar_t>(code))) << code;
  }
  // What is no character of UTF-8, or none a code page has, fits nothing:
  // "\" spelt too long above all.
  for (const char* text : {"\xE0\x81\x9C", "\xC1\x9C", "\x80", "a\xE3\x81", "\xED\xA0\x80",
                           "\xF0\x9F\x98\x80", "\xEF\xBF\xBF"}) {
    std::string bytes = "kept";
    EXPECT_FALSE(AppendCodePageFromUtf8(text, bytes)) << text;
    EXPECT_EQ(bytes, "kept");
  }
}

}  // namespace
}  // namespace moxlyn
