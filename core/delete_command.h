// The delete command behind the "削除" button, and the per-day deletion log.
#pragma once

#include <string>

#include "core/del_list.h"
#include "core/deletion_engine.h"
#include "core/locale_formats.h"
#include "core/platform.h"
#include "core/settings_store.h"

namespace moxlyn {

// What the command needs of the user interface. The window side supplies the
// caption "Moxlyn" and the owner window.
class DeletePrompts {
 public:
  virtual ~DeletePrompts() = default;
  // Asks a Yes/No question; true when Yes was chosen.
  virtual bool AskYesNo(const std::string& text) = 0;
  // Shows a message with one OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // Sounds the default beep.
  virtual void Beep() = 0;
  // The list now holds what the deletion left: it reaches its file and the
  // list window's view shows it, before any box.
  virtual void ListSettled() = 0;
};

// Appends the entries of list to the day's log file beside the executable
// (named from today's short date with "/" replaced by "_", + ".log"): each
// entry alone, or "time // entry" for LogTypeTimeAndName. Throws AppError when
// the log cannot be read or written; list is never changed.
void WriteDeleteLog(Platform& platform, const LocaleFormats& formats, const DelList& list,
                    int32_t logType);

// The press: true when the deletion may start. An empty list only says so;
// where the options ask for it, the user confirms (anything but Yes: false,
// nothing changed).
bool StartDelete(DeletePrompts& prompts, const DelList& list, const Settings& settings);

// The end, by what the deletion left: the entries that are gone leave the
// list, those with something left stay in their order, and the list is
// settled before anything else; then the day's log gets a line for each
// entry that is gone, where the options ask for it. With tell, the user is
// told last: what remains (stopped or not) in a box whatever the options,
// otherwise the finished message or the beep. A log that cannot be read or
// written throws AppError after the list is settled and what remains told,
// in place of the finished message; without tell it is not thrown.
void EndDelete(Platform& platform, DeletePrompts& prompts, const LocaleFormats& formats,
               DelList& list, const Settings& settings, const DeletionOutcome& outcome, bool tell);

// The whole command on the calling thread: StartDelete, the deletion, and
// EndDelete telling the user.
void Button_delClick(Platform& platform, DeletePrompts& prompts, const LocaleFormats& formats,
                     DelList& list, const Settings& settings);

}  // namespace moxlyn
