// The user's short date and long time texts, from the locale settings, for
// the log file's name and its time-and-name lines.
#pragma once

#include <string>

#include "core/platform.h"

namespace moxlyn {

// The user's date and time formats, read once and kept until Refresh() (the
// program calls it when the system announces a change of settings).
class LocaleFormats {
 public:
  explicit LocaleFormats(Platform& platform);
  // Reads the locale settings afresh.
  void Refresh();
  // The short date text of day, e.g. "2026/12/07".
  std::string ShortDate(const LocalTime& day) const;
  // The long time text of time, e.g. "13:05:09" or "1:05:09 PM".
  std::string LongTime(const LocalTime& time) const;

 private:
  // Whether a character of the locale's texts (not ASCII) is a double-byte
  // one of the system code page, or none of it.
  bool IsDoubleByte(std::string_view character) const;

  Platform& platform_;
  LocaleInfo locale_;
};

}  // namespace moxlyn
