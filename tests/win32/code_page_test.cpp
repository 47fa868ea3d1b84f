// The code page's tables against the system's own conversion calls, for
// every character of the code page and of the Basic Multilingual Plane; on a
// system whose code page is UTF-8 (65001) too (win32_utf8_tests, whose
// manifest asks for that code page).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "core/del_list.h"
#include "core/utf8.h"
#include "tests/support/line_lists.h"
#include "tests/support/test_world.h"
#include "win32/code_page.h"

namespace moxlyn {
namespace {

// What the calls give for bytes, with no character left out; nothing for
// bytes that are no text of the code page.
std::optional<std::wstring> Decoded(const std::string& bytes) {
  wchar_t wide[64];
  const int got = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                                      static_cast<int>(bytes.size()), wide, 64);
  if (got <= 0) return std::nullopt;
  return std::wstring(wide, static_cast<size_t>(got));
}

// The code page's bytes of a UTF-8 text as the calls give them, with the
// flags the code page takes: nothing where a character has no code of its
// own there (a default character, a look-alike, or no character at all).
std::optional<std::string> EncodedByTheCalls(const std::string& text) {
  wchar_t wide[64];
  const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                        static_cast<int>(text.size()), wide, 64);
  if (units <= 0) return std::nullopt;
  const bool utf8 = GetACP() == CP_UTF8;
  BOOL usedDefault = FALSE;
  char bytes[256];
  const int got =
      WideCharToMultiByte(CP_ACP, utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS, wide, units,
                          bytes, 256, nullptr, utf8 ? nullptr : &usedDefault);
  if (got <= 0 || usedDefault) return std::nullopt;
  const std::string encoded(bytes, static_cast<size_t>(got));
  if (Decoded(encoded) != std::wstring(wide, static_cast<size_t>(units))) return std::nullopt;
  return encoded;
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

TEST(CodePage, EveryCharacterEncodesExactlyAsTheCallsEncodeIt) {
  std::string text;
  const auto check = [&text] {
    const std::optional<std::string> expected = EncodedByTheCalls(text);
    std::string bytes = "kept";
    const bool taken = AppendCodePageFromUtf8(text, bytes);
    EXPECT_EQ(taken, expected.has_value()) << text;
    EXPECT_EQ(bytes, "kept" + expected.value_or("")) << text;
    return taken == expected.has_value();
  };
  for (uint32_t code = 1; code < 0x10000; ++code) {
    if (code >= 0xD800 && code < 0xE000) continue;
    text = Wtf8FromUtf16(std::u16string(1, static_cast<char16_t>(code)));
    ASSERT_TRUE(check()) << code;
  }
  // What is no character of UTF-8, or none a code page has, fits nothing:
  // "\" spelt too long above all; a supplementary character only where the
  // code page is UTF-8.
  for (const char* bad : {"\xE0\x81\x9C", "\xC1\x9C", "\x80", "a\xE3\x81", "\xED\xA0\x80",
                          "\xED\xA0\xBD\xED\xB8\x80", "\xF0\x9F\x98\x80", "\xEF\xBF\xBF"}) {
    text = bad;
    check();
  }
}

// A list whose names all have codes of the code page is saved in its own
// form, without a mark, and read back as it was: UTF-8 itself where that is
// the code page.
TEST(CodePage, AListOfItsCharactersIsSavedInItsOwnForm) {
  const auto world = testing::MakeWorld();
  world->SetProgramFolder(world->Root());
  DelList list;
  std::string expected;
  for (const char* name :
       {"C:\\a.txt", "C:\\\xE8\xA1\xA8\\b.txt", "C:\\\xC3\xA9.txt", "C:\\\xF0\x9F\x98\x80.txt"}) {
    const std::optional<std::string> bytes = EncodedByTheCalls(name);
    if (!bytes) continue;
    list.push_back(name);
    expected += *bytes + "\r\n";
  }
  SaveDelList(world->platform(), list);
  EXPECT_EQ(world->Content(world->At("dellist.lst")), expected);
  DelList loaded;
  LoadDelList(world->platform(), loaded);
  EXPECT_EQ(testing::Strings(loaded), testing::Strings(list));
}

}  // namespace
}  // namespace moxlyn
