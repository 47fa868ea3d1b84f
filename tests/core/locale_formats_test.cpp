// The short date and long time texts of the user's locale.
#include <gtest/gtest.h>

#include <functional>

#include "core/locale_formats.h"
#include "tests/support/memory_platform.h"

namespace moxlyn {
namespace {

using testing::EnglishLocale;
using testing::JapaneseLocale;

// Monday 7 December 2026 and Friday 4 March 2005.
const LocalTime kDecember{2026, 12, 7, 1, 13, 5, 9};
const LocalTime kMarch{2005, 3, 4, 5, 9, 5, 9};

LocaleInfo With(LocaleInfo locale, const std::function<void(LocaleInfo&)>& change) {
  change(locale);
  return locale;
}

// The sources' narrow literals are code page 932 bytes; the locale's texts
// and the formats' are UTF-8.
std::string Utf8(const char* text) { return testing::MemoryPlatform().FromCodePage(text).value(); }

LocaleInfo Pattern(LocaleInfo locale, const char* pattern, const char* separator = "/") {
  locale.shortDatePattern = Utf8(pattern);
  locale.dateSeparator = Utf8(separator);
  return locale;
}

TEST(LocaleFormats, ShortDate) {
  struct Case {
    const char* name;
    LocaleInfo locale;
    LocalTime day;
    const char* text;
  } const cases[] = {
      {"Japanese", JapaneseLocale(), kDecember, "2026/12/07"},
      {"Japanese, leading zeros", JapaneseLocale(), kMarch, "2005/03/04"},
      {"English", EnglishLocale(), kMarch, "3/4/2005"},
      {"dots in the pattern", Pattern(EnglishLocale(), "dd.MM.yyyy", "."), kDecember, "07.12.2026"},
      {"dashes in the pattern", Pattern(EnglishLocale(), "yyyy-MM-dd", "-"), kMarch, "2005-03-04"},
      {"slash prints the separator", Pattern(EnglishLocale(), "yyyy/MM/dd", "-"), kMarch,
       "2005-03-04"},
      {"first character of the separator", Pattern(EnglishLocale(), "d/M", ".-"), kMarch, "4.3"},
      {"double-byte separator", Pattern(EnglishLocale(), "d/M", "／x"), kMarch, "4／3"},
      {"double-byte separator alone", Pattern(JapaneseLocale(), "yyyy/MM/dd", "／"), kDecember,
       "2026／12／07"},
      {"year widths", Pattern(EnglishLocale(), "y yy yyy yyyy yyyyy"), kMarch,
       "05 05 2005 2005 2005"},
      {"letters in any case", Pattern(EnglishLocale(), "YYYY/mM/Dd"), kMarch, "2005/03/04"},
      {"month and day names", Pattern(EnglishLocale(), "ddd, MMM d; dddd, MMMM"), kMarch,
       "Fri, Mar 4; Friday, March"},
      {"Japanese names", Pattern(JapaneseLocale(), "MMMM d'日' (ddd)"), kDecember, "12月 7日 (月)"},
      {"quoted text", Pattern(EnglishLocale(), "'Date:' d/M \"y/d\""), kMarch, "Date: 4/3 y/d"},
      {"quoted double-byte text", Pattern(JapaneseLocale(), "yyyy'年'M'月'd'日'"), kMarch,
       "2005年3月4日"},
      {"double-byte outside quotes dropped", Pattern(JapaneseLocale(), "yyyy年M月d日"), kMarch,
       "200534"},
      {"other characters copied", Pattern(EnglishLocale(), "[d] x, h"), kMarch, "[4] x, h"},
      {"unclosed quote runs to the end", Pattern(EnglishLocale(), "d 'M/y"), kMarch, "4 M/y"},
      {"era letters removed", Pattern(JapaneseLocale(), "ggyyyy/MM/dd'g'"), kMarch, "2005/03/04"},
      {"era letters kept elsewhere",
       With(Pattern(EnglishLocale(), "gg yyyy"), [](LocaleInfo& l) { l.removeEraLetters = false; }),
       kMarch, "gg 2005"},
      {"nothing from the locale", LocaleInfo{}, kMarch, "3/4/05"},
      {"no pattern, a separator", Pattern(LocaleInfo{}, "", "-"), kDecember, "12-7-26"},
  };
  for (const auto& c : cases) {
    testing::MemoryPlatform fs;
    fs.SetLocale(c.locale);
    EXPECT_EQ(LocaleFormats(fs).ShortDate(c.day), Utf8(c.text)) << c.name;
  }
}

TEST(LocaleFormats, LongTime) {
  const auto at = [](int hour, int minute, int second) {
    return LocalTime{2026, 12, 7, 1, hour, minute, second};
  };
  struct Case {
    const char* name;
    LocaleInfo locale;
    LocalTime time;
    const char* text;
  } const cases[] = {
      {"24-hour", JapaneseLocale(), at(13, 5, 9), "13:05:09"},
      {"24-hour, no leading zero", JapaneseLocale(), at(9, 5, 9), "9:05:09"},
      {"24-hour midnight", JapaneseLocale(), at(0, 0, 0), "0:00:00"},
      {"24-hour, leading zero",
       With(JapaneseLocale(), [](LocaleInfo& l) { l.hourLeadingZero = true; }), at(9, 5, 9),
       "09:05:09"},
      {"12-hour afternoon", EnglishLocale(), at(13, 5, 9), "1:05:09 PM"},
      {"12-hour morning", EnglishLocale(), at(11, 59, 59), "11:59:59 AM"},
      {"12-hour midnight", EnglishLocale(), at(0, 0, 0), "12:00:00 AM"},
      {"12-hour noon", EnglishLocale(), at(12, 0, 0), "12:00:00 PM"},
      {"12-hour, leading zero",
       With(EnglishLocale(), [](LocaleInfo& l) { l.hourLeadingZero = true; }), at(21, 5, 9),
       "09:05:09 PM"},
      {"marker before the time",
       With(JapaneseLocale(),
            [](LocaleInfo& l) {
              l.clock24 = false;
              l.markerBeforeTime = true;
            }),
       at(13, 5, 9), "午後 1:05:09"},
      {"time separator", With(JapaneseLocale(), [](LocaleInfo& l) { l.timeSeparator = ".x"; }),
       at(13, 5, 9), "13.05.09"},
      {"nothing from the locale", LocaleInfo{}, at(13, 5, 9), "1:05:09 pm"},
      {"nothing from the locale, midnight", LocaleInfo{}, at(0, 7, 0), "12:07:00 am"},
  };
  for (const auto& c : cases) {
    testing::MemoryPlatform fs;
    fs.SetLocale(c.locale);
    EXPECT_EQ(LocaleFormats(fs).LongTime(c.time), Utf8(c.text)) << c.name;
  }
}

TEST(LocaleFormats, KeepsTheLocaleUntilRefreshed) {
  testing::MemoryPlatform fs;
  LocaleFormats formats(fs);
  const int reads = fs.LocaleReads();
  fs.SetLocale(EnglishLocale());
  EXPECT_EQ(formats.ShortDate(kDecember), "2026/12/07");
  EXPECT_EQ(formats.LongTime(kDecember), "13:05:09");
  EXPECT_EQ(fs.LocaleReads(), reads);
  formats.Refresh();
  EXPECT_EQ(formats.ShortDate(kDecember), "12/7/2026");
  EXPECT_EQ(formats.LongTime(kDecember), "1:05:09 PM");
}

}  // namespace
}  // namespace moxlyn
