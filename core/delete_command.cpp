#include "core/delete_command.h"

#include <exception>

#include "core/app_error.h"
#include "core/text_file.h"

namespace moxlyn {
namespace {

const char* const kEmptyListText = "リストに削除対象のファイルパスがありません";
const char* const kConfirmText = "本当に削除してよろしいですか?";
const char* const kFinishedText = "削除終了";
const char* const kLeftText = " 件を削除できませんでした。リストに残しています。";
const char* const kStoppedText = "削除を中止しました。";
const char* const kStoppedLeftText = " 件をリストに残しています。";

}  // namespace

namespace {

// Whether every line the log gets from list fits the code page: the entries,
// and the time texts, which differ from one another only in their digits and
// in the morning's and the afternoon's marker.
bool LinesFitCodePage(Platform& platform, const LocaleFormats& formats, const DelList& list,
                      bool timed) {
  if (timed) {
    LocalTime morning{};
    morning.hour = 1;
    LocalTime afternoon{};
    afternoon.hour = 13;
    if (!FitsCodePage(platform, formats.LongTime(morning)) ||
        !FitsCodePage(platform, formats.LongTime(afternoon))) {
      return false;
    }
  }
  return AllFitCodePage(platform, list);
}

}  // namespace

void WriteDeleteLog(Platform& platform, const LocaleFormats& formats, const DelList& list,
                    int32_t logType) {
  std::string name = formats.ShortDate(platform.Now());
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  const std::string path = JoinPath(ProgramDir(platform), name + ".log");

  std::string previous;
  ReadTextFile(platform, path, previous);
  const bool timed = logType == LogTypeTimeAndName;
  // A log in the code page keeps its bytes and stays so while the new lines
  // fit it; otherwise the whole log is rewritten in UTF-8, losing nothing.
  size_t mark = 0;
  const TextForm form = FormOfText(previous, mark);
  // A new log whose first path would read as a mark is UTF-8 too (a time
  // begins with a digit).
  const bool codePage =
      form == TextForm::kCodePage &&
      (!previous.empty() || list.empty() || timed || StaysCodePage(platform, list.front())) &&
      LinesFitCodePage(platform, formats, list, timed);
  if (!codePage && form != TextForm::kUtf8) {
    previous = ProgramText(platform, previous);
    mark = 0;
  }
  // Written in pieces as it is formed: the old lines, then the entries.
  WriteTextFile(platform, path, [&](TextWriter& out) {
    if (!codePage) out.Write(kUtf8Mark);
    out.WriteLinesOf(std::string_view(previous).substr(mark));
    if (codePage) out.ToCodePage(platform);
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

bool StartDelete(DeletePrompts& prompts, const DelList& list, const Settings& settings) {
  if (list.empty()) {
    prompts.ShowMessage(kEmptyListText);
    return false;
  }
  return !settings.ConfirmBeforeDelete || prompts.AskYesNo(kConfirmText);
}

void EndDelete(Platform& platform, DeletePrompts& prompts, const LocaleFormats& formats,
               DelList& list, const Settings& settings, const DeletionOutcome& outcome, bool tell) {
  const size_t left = outcome.Remaining();
  DelList gone;
  if (settings.GetDeleteLog && left < list.size()) {
    gone.reserve(list.size() - left);
    size_t at = 0;
    for (const auto& entry : list) {
      if (!outcome.remains[at++]) gone.push_back(entry);
    }
  }
  // Settled before the log and any box: a deleted entry never comes back
  // with the list, to meet a new file of its name.
  list.KeepOnly(outcome.remains);
  prompts.ListSettled();
  std::exception_ptr logError;
  if (!gone.empty()) {
    try {
      WriteDeleteLog(platform, formats, gone, settings.LogType);
    } catch (const AppError&) {
      logError = std::current_exception();
    }
  }
  if (!tell) return;
  if (outcome.stopped) {
    prompts.ShowMessage(kStoppedText + std::to_string(left) + kStoppedLeftText);
  } else if (left != 0) {
    prompts.ShowMessage(std::to_string(left) + kLeftText);
  }
  if (logError) std::rethrow_exception(logError);
  if (outcome.stopped || left != 0) return;
  if (settings.ShowMessageAfterDelete) {
    prompts.ShowMessage(kFinishedText);
  } else {
    prompts.Beep();
  }
}

void Button_delClick(Platform& platform, DeletePrompts& prompts, const LocaleFormats& formats,
                     DelList& list, const Settings& settings) {
  if (!StartDelete(prompts, list, settings)) return;
  const DeletionOutcome outcome = DeleteListed(platform, list);
  EndDelete(platform, prompts, formats, list, settings, outcome, true);
}

}  // namespace moxlyn
