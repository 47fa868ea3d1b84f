// The program's text against UTF-16, each way, at every edge of the forms:
// the in-memory platform converts with these same helpers, so only a table
// of known spellings catches a slip that both directions share.
#include "core/utf8.h"

#include <gtest/gtest.h>

namespace moxlyn {
namespace {

TEST(Utf8, EachCharacterHasOneSpellingAndEveryOtherByteIsNoText) {
  const struct {
    std::u16string units;
    std::string bytes;
    bool whole;  // bytes is what the units become, and back
  } cases[] = {
      {u"\u007F", "\x7F", true},
      {u"\u0080", "\xC2\x80", true},
      {u"\u07FF", "\xDF\xBF", true},
      {u"\u0800", "\xE0\xA0\x80", true},
      {u"\uFFFF", "\xEF\xBF\xBF", true},
      {u"\xD800\xDC00", "\xF0\x90\x80\x80", true},  // U+10000
      {u"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF", true},  // U+10FFFF
      {u"\xD83D\xDE00", "\xF0\x9F\x98\x80", true},
      {u"\xD800", "\xED\xA0\x80", true},  // lone surrogates
      {u"a\xDFFF", "a\xED\xBF\xBF", true},
      {u"\xDC00\xD800", "\xED\xB0\x80\xED\xA0\x80", true},  // low before high: no pair
      {u"\xFFFD\xFFFD", "\xC0\x80", false},                 // overlong forms
      {u"\xFFFD\xFFFD", "\xC1\xBF", false},
      {u"\xFFFD\xFFFD\xFFFD", "\xE0\x9F\xBF", false},
      {u"\xFFFD\xFFFD\xFFFD\xFFFD", "\xF0\x8F\xBF\xBF", false},
      {u"\xFFFD\xFFFD\xFFFD\xFFFD", "\xF4\x90\x80\x80", false},  // past U+10FFFF
      {u"\xFFFD\xFFFD", "\xE3\x81", false},                      // cut short
      {u"x\xFFFD\xFFFD\xFFFD\xFFFD\xFFFD\xFFFDy", "x\xED\xA0\xBD\xED\xB8\x80y", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    bool valid = !c.whole;
    EXPECT_EQ(Utf16FromWtf8(c.bytes, &valid), c.units);
    EXPECT_EQ(valid, c.whole);
    EXPECT_EQ(IsWtf8(c.bytes), c.whole);
    if (c.whole) {
      EXPECT_EQ(Wtf8FromUtf16(c.units), c.bytes);
    }
  }
}

}  // namespace
}  // namespace moxlyn
