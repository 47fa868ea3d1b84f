#include "core/locale_formats.h"

#include <cstdio>

#include "core/utf8.h"

namespace moxlyn {
namespace {

// What stands in for what the locale does not supply.
const char* const kDefaultShortDatePattern = "m/d/yy";
const char* const kDefaultDateSeparator = "/";
const char* const kDefaultTimeSeparator = ":";
const char* const kDefaultAmMarker = "am";
const char* const kDefaultPmMarker = "pm";

constexpr int kMonthsInYear = 12;
constexpr int kDaysInWeek = 7;
constexpr int kHoursOnDial = 12;  // a 12-hour clock shows 12 for 0 and for noon
constexpr size_t kFullYear = 3;   // "yyy" and more: four digits; less: two
constexpr size_t kShortName = 3;  // "MMM", "ddd": the short name
constexpr size_t kLongName = 4;   // "MMMM", "dddd" and more: the long name

std::string Number(int value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", digits, value);
  return text;
}

bool IsLetter(char c, char lower) { return c == lower || c == lower - 'a' + 'A'; }

// The first whole character of text, or fallback when text is empty.
std::string FirstCharacter(const std::string& text, const char* fallback) {
  if (text.empty()) return fallback;
  return text.substr(0, NextCharLength(text, 0));
}

std::string Name(const std::string* names, int count, int index) {
  return index >= 0 && index < count ? names[index] : std::string();
}

// pattern without its era letters "g".
std::string WithoutEraLetters(const std::string& pattern) {
  std::string kept;
  for (const char c : pattern) {
    if (!IsLetter(c, 'g')) kept += c;
  }
  return kept;
}

// The text of a run of count letters of one date field ('y', 'm' or 'd').
std::string DateField(const LocaleInfo& locale, char field, size_t count, const LocalTime& day) {
  if (field == 'y') return count >= kFullYear ? Number(day.year, 4) : Number(day.year % 100, 2);
  const bool month = field == 'm';
  if (count >= kLongName) {
    return month ? Name(locale.longMonthNames, kMonthsInYear, day.month - 1)
                 : Name(locale.longDayNames, kDaysInWeek, day.dayOfWeek);
  }
  if (count == kShortName) {
    return month ? Name(locale.shortMonthNames, kMonthsInYear, day.month - 1)
                 : Name(locale.shortDayNames, kDaysInWeek, day.dayOfWeek);
  }
  return Number(month ? day.month : day.day, static_cast<int>(count));
}

}  // namespace

LocaleFormats::LocaleFormats(Platform& platform) : platform_(platform) { Refresh(); }

bool LocaleFormats::IsDoubleByte(std::string_view character) const {
  const std::optional<std::string> bytes = platform_.ToCodePage(character);
  return !bytes || bytes->size() != 1;
}

void LocaleFormats::Refresh() { locale_ = platform_.ReadLocaleInfo(); }

std::string LocaleFormats::ShortDate(const LocalTime& day) const {
  std::string pattern =
      locale_.shortDatePattern.empty() ? kDefaultShortDatePattern : locale_.shortDatePattern;
  if (locale_.removeEraLetters) pattern = WithoutEraLetters(pattern);
  const std::string separator = FirstCharacter(locale_.dateSeparator, kDefaultDateSeparator);

  std::string text;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    const size_t length = NextCharLength(pattern, i);
    if (length > 1 && IsDoubleByte(pattern.substr(i, length))) {
      i += length;  // a double-byte character outside quotes prints nothing
    } else if (c == '\'' || c == '"') {
      // Quoted text is copied up to the closing quote (or the end).
      for (++i; i < pattern.size() && pattern[i] != c; ++i) text += pattern[i];
      ++i;
    } else if (c == '/') {
      text += separator;
      ++i;
    } else if (IsLetter(c, 'y') || IsLetter(c, 'm') || IsLetter(c, 'd')) {
      const char field = static_cast<char>(c | 0x20);  // lower case
      size_t count = 0;
      for (; i < pattern.size() && IsLetter(pattern[i], field); ++i) ++count;
      text += DateField(locale_, field, count, day);
    } else {
      text.append(pattern, i, length);
      i += length;
    }
  }
  return text;
}

std::string LocaleFormats::LongTime(const LocalTime& time) const {
  const std::string separator = FirstCharacter(locale_.timeSeparator, kDefaultTimeSeparator);
  int hour = time.hour;
  if (!locale_.clock24) {
    hour %= kHoursOnDial;
    if (hour == 0) hour = kHoursOnDial;
  }
  const std::string clock = Number(hour, locale_.hourLeadingZero ? 2 : 1) + separator +
                            Number(time.minute, 2) + separator + Number(time.second, 2);
  if (locale_.clock24) return clock;

  const bool morning = time.hour < kHoursOnDial;
  std::string marker = morning ? locale_.amMarker : locale_.pmMarker;
  if (marker.empty()) marker = morning ? kDefaultAmMarker : kDefaultPmMarker;
  return locale_.markerBeforeTime ? marker + " " + clock : clock + " " + marker;
}

}  // namespace moxlyn
