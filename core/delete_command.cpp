#include "core/delete_command.h"

#include "core/deletion_engine.h"
#include "core/text_file.h"

namespace moxlyn {
namespace {

const char* const kEmptyListText = "リストに削除対象のファイルパスがありません";
const char* const kConfirmText = "本当に削除してよろしいですか?";
const char* const kFinishedText = "削除終了";

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
