// The delete command behind the "削除" button, and the per-day deletion log.
#pragma once

#include <string>

#include "core/del_list.h"
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
  // Empties the list window's view and sets its horizontal extent to 0,
  // whether the window is visible or not.
  virtual void ClearListView() = 0;
  // The deletion itself starts and has ended (also when it ended by an
  // exception): the window side shows meanwhile that the program is busy.
  // No prompt is shown between the two.
  virtual void DeletionStarts() {}
  virtual void DeletionEnds() {}
};

// Appends the entries of list to the day's log file beside the executable
// (named from today's short date with "/" replaced by "_", + ".log"): each
// entry alone, or "time // entry" for LogTypeTimeAndName. Throws AppError when
// the log cannot be read or written; list is never changed.
void WriteDeleteLog(Platform& platform, const LocaleFormats& formats, const DelList& list,
                    int32_t logType);

// The delete command: checks the list, asks for confirmation, deletes, logs,
// empties the list and its view, and tells the user it has finished. A log
// that cannot be read or written throws AppError after the deletion, with the
// list and its view left as they were.
void Button_delClick(Platform& platform, DeletePrompts& prompts, const LocaleFormats& formats,
                     DelList& list, const Settings& settings);

}  // namespace moxlyn
