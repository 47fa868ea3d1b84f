#include "core/delete_command.h"

#include <cstdio>

#include "core/deletion_engine.h"
#include "core/text_file.h"

namespace moxlyn {
namespace {

const char* const kEmptyListText = "リストに削除対象のファイルパスがありません";
const char* const kConfirmText = "本当に削除してよろしいですか?";
const char* const kFinishedText = "削除終了";

std::string Number(int value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", digits, value);
  return text;
}

bool IsLetter(char c, char lower) { return c == lower || c == lower - 'a' + 'A'; }

// The first whole character of text (one or two bytes), or fallback when
// text is empty.
std::string FirstCharacter(Platform& platform, const std::string& text, const char* fallback) {
  if (text.empty()) return fallback;
  const bool dbcs = platform.IsLeadByte(static_cast<unsigned char>(text[0])) && text.size() > 1;
  return text.substr(0, dbcs ? 2 : 1);
}

std::string Name(const std::string* names, int count, int index) {
  return index >= 0 && index < count ? names[index] : std::string();
}

}  // namespace

LocaleFormats::LocaleFormats(Platform& platform) : platform_(platform) { Refresh(); }

void LocaleFormats::Refresh() { locale_ = platform_.ReadLocaleInfo(); }

std::string LocaleFormats::ShortDate(const LocalTime& day) const {
  std::string pattern = locale_.shortDatePattern.empty() ? "m/d/yy" : locale_.shortDatePattern;
  const std::string separator = FirstCharacter(platform_, locale_.dateSeparator, "/");

  if (locale_.removeEraLetters) {
    std::string kept;
    for (size_t i = 0; i < pattern.size(); ++i) {
      if (platform_.IsLeadByte(static_cast<unsigned char>(pattern[i])) && i + 1 < pattern.size()) {
        kept += pattern.substr(i++, 2);
      } else if (!IsLetter(pattern[i], 'g')) {
        kept += pattern[i];
      }
    }
    pattern = kept;
  }

  std::string text;
  size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    if (platform_.IsLeadByte(static_cast<unsigned char>(c))) {
      i += 2;  // a double-byte character outside quotes prints nothing
      continue;
    }
    if (c == '\'' || c == '"') {
      ++i;
      while (i < pattern.size() && pattern[i] != c) {
        const bool dbcs =
            platform_.IsLeadByte(static_cast<unsigned char>(pattern[i])) && i + 1 < pattern.size();
        text += pattern.substr(i, dbcs ? 2 : 1);
        i += dbcs ? 2 : 1;
      }
      ++i;  // the closing quote
      continue;
    }
    if (c == '/') {
      text += separator;
      ++i;
      continue;
    }
    char field = 0;
    for (const char letter : {'y', 'm', 'd'}) {
      if (IsLetter(c, letter)) field = letter;
    }
    if (field == 0) {
      text += c;
      ++i;
      continue;
    }
    size_t count = 0;
    while (i < pattern.size() && IsLetter(pattern[i], field)) {
      ++count;
      ++i;
    }
    if (field == 'y') {
      text += count >= 3 ? Number(day.year, 4) : Number(day.year % 100, 2);
    } else if (count >= 4) {
      text += field == 'm' ? Name(locale_.longMonthNames, 12, day.month - 1)
                           : Name(locale_.longDayNames, 7, day.dayOfWeek);
    } else if (count == 3) {
      text += field == 'm' ? Name(locale_.shortMonthNames, 12, day.month - 1)
                           : Name(locale_.shortDayNames, 7, day.dayOfWeek);
    } else {
      text += Number(field == 'm' ? day.month : day.day, static_cast<int>(count));
    }
  }
  return text;
}

std::string LocaleFormats::LongTime(const LocalTime& time) const {
  const std::string separator = FirstCharacter(platform_, locale_.timeSeparator, ":");
  int hour = time.hour;
  if (!locale_.clock24) {
    hour %= 12;
    if (hour == 0) hour = 12;
  }
  const std::string clock = Number(hour, locale_.hourLeadingZero ? 2 : 1) + separator +
                            Number(time.minute, 2) + separator + Number(time.second, 2);
  if (locale_.clock24) return clock;

  const bool morning = time.hour < 12;
  std::string marker = morning ? locale_.amMarker : locale_.pmMarker;
  if (marker.empty()) marker = morning ? "am" : "pm";
  return locale_.markerBeforeTime ? marker + " " + clock : clock + " " + marker;
}

void WriteDeleteLog(Platform& platform, const LocaleFormats& formats, const DelList& list,
                    int32_t logType) {
  std::string name = formats.ShortDate(platform.Now());
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  const std::string path = JoinPath(platform, ProgramDir(platform), name + ".log");

  std::string previous;
  ReadTextFile(platform, path, previous);
  // Written in pieces as it is formed: the old lines, then the entries.
  const bool timed = logType == LogTypeTimeAndName;
  WriteTextFile(platform, path, [&](TextWriter& out) {
    out.WriteLinesOf(previous);
    // The clock is read for every entry; its text changes only with the second.
    LocalTime stamped{};
    std::string stamp;
    for (const auto& entry : list) {
      if (timed) {
        const LocalTime now = platform.Now();
        if (stamp.empty() || now.hour != stamped.hour || now.minute != stamped.minute ||
            now.second != stamped.second) {
          stamp = formats.LongTime(now) + " // ";
          stamped = now;
        }
        out.Write(stamp);
      }
      out.WriteLine(entry);
    }
  });
}

void Button_delClick(Platform& platform, DeletePrompts& prompts, const LocaleFormats& formats,
                     DelList& list, const Settings& settings) {
  if (list.empty()) {
    prompts.ShowMessage(kEmptyListText);
    return;
  }
  if (settings.ConfirmBeforeDelete && !prompts.AskYesNo(kConfirmText)) return;

  {
    // Ends the busy span however the deletion ends.
    struct BusySpan {
      DeletePrompts& prompts;
      explicit BusySpan(DeletePrompts& p) : prompts(p) { prompts.DeletionStarts(); }
      ~BusySpan() { prompts.DeletionEnds(); }
      BusySpan(const BusySpan&) = delete;
      BusySpan& operator=(const BusySpan&) = delete;
    } busy(prompts);
    DeleteListed(platform, list);
  }

  if (settings.GetDeleteLog) WriteDeleteLog(platform, formats, list, settings.LogType);

  list.clear();
  prompts.ClearListView();
  if (settings.ShowMessageAfterDelete) {
    prompts.ShowMessage(kFinishedText);
  } else {
    prompts.Beep();
  }
}

}  // namespace moxlyn
