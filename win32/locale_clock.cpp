// Win32Platform: the user's locale settings that the log follows, and the
// clock.
#include "win32/win32_platform.h"

#include <windows.h>

#include "win32/engine_path.h"

#ifndef LOCALE_ITIMEMARKPOSN
#define LOCALE_ITIMEMARKPOSN 0x00001005
#endif

namespace moxlyn {
namespace {

std::string LocaleText(LCTYPE type) {
  wchar_t buffer[256];
  const int got = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 256);
  return got > 0 ? Utf8FromWide(buffer) : std::string();
}

}  // namespace

LocaleInfo Win32Platform::ReadLocaleInfo() {
  LocaleInfo locale;
  locale.shortDatePattern = LocaleText(LOCALE_SSHORTDATE);
  locale.dateSeparator = LocaleText(LOCALE_SDATE);
  locale.timeSeparator = LocaleText(LOCALE_STIME);
  locale.hourLeadingZero = LocaleText(LOCALE_ITLZERO) == "1";
  locale.clock24 = LocaleText(LOCALE_ITIME) == "1";
  locale.markerBeforeTime = LocaleText(LOCALE_ITIMEMARKPOSN) == "1";
  locale.amMarker = LocaleText(LOCALE_S1159);
  locale.pmMarker = LocaleText(LOCALE_S2359);
  const WORD language = PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID()));
  const bool eastAsian =
      language == LANG_JAPANESE || language == LANG_CHINESE || language == LANG_KOREAN;
  locale.removeEraLetters = eastAsian && LocaleText(LOCALE_ICALENDARTYPE) == "1";
  for (int m = 0; m < 12; ++m) {
    locale.shortMonthNames[m] = LocaleText(LOCALE_SABBREVMONTHNAME1 + m);
    locale.longMonthNames[m] = LocaleText(LOCALE_SMONTHNAME1 + m);
  }
  // Windows counts the day names from Monday; the core from Sunday.
  for (int d = 0; d < 7; ++d) {
    const int windowsDay = (d + 6) % 7;
    locale.shortDayNames[d] = LocaleText(LOCALE_SABBREVDAYNAME1 + windowsDay);
    locale.longDayNames[d] = LocaleText(LOCALE_SDAYNAME1 + windowsDay);
  }
  return locale;
}

LocalTime Win32Platform::Now() {
  // Reading the system clock is cheap; turning it into local time is not. The
  // local time changes only with the second, so it is worked out once per
  // second of system time (a log of many entries reads the clock per entry).
  FILETIME utc;
  GetSystemTimeAsFileTime(&utc);
  const uint64_t second =
      ((static_cast<uint64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime) / 10000000;
  if (second != nowSecond_) {
    FILETIME local;
    SYSTEMTIME now;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &now)) {
      GetLocalTime(&now);
    }
    nowSecond_ = second;
    nowLocal_ = LocalTime{now.wYear, now.wMonth,  now.wDay,   now.wDayOfWeek,
                          now.wHour, now.wMinute, now.wSecond};
  }
  return nowLocal_;
}

}  // namespace moxlyn
