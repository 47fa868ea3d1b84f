// The keeper of what is on disk: when the deletion list and the options reach
// "dellist.lst" and the settings file (after a change, at the close, at the
// end of the logon), what a file that could not be read at the start becomes,
// what a failed save leaves, and when the list may change at all. It has no
// window: the main window tells it what happened and asks it when the next
// save is due, and keeps the timer itself.
#pragma once

#include <cstdint>
#include <optional>

#include "core/del_list.h"
#include "core/platform.h"
#include "core/settings_store.h"

namespace moxlyn {

// A clock that only goes forward, in milliseconds from any fixed start.
class SteadyClock {
 public:
  virtual ~SteadyClock() = default;
  virtual uint64_t Milliseconds() = 0;
};

class ListKeeper {
 public:
  // How long the user must have left the list and the options alone before
  // they are saved, and the longest wait between the tries of a save that
  // keeps failing (the waits double from the first up to it).
  static constexpr uint64_t kSaveDelayMs = 500;
  static constexpr uint64_t kLongestRetryMs = 5000;

  // Keeps list and settings, which the caller owns and which outlive it;
  // window is where the settings file's position comes from and goes to.
  ListKeeper(Platform& platform, SteadyClock& clock, DelList& list, Settings& settings,
             WindowPosition& window);

  // The start: reads the settings file and places the window, then reads the
  // list file into the list. Each throws what the reading throws (AppError,
  // std::bad_alloc) and remembers what that means for the saves: options
  // that could not be read are never written over the file until the setup
  // window's OK stores them; a list file that could not be read never joins
  // the list, and every save writes its entries ahead of the list's once it
  // can be read; one too big for memory is never written.
  void LoadSettings();
  void LoadList();

  // False while the delete command runs, from the press to its end with its
  // boxes: a drop, a paste, an exclusion, clearing or the options' OK must
  // then be refused, so that the command acts on the list the user saw when
  // pressing it.
  bool ListMayChange() const { return !commandRunning_; }
  // The list changed (a drop, a paste, an exclusion, clearing).
  void ListChanged();
  // The setup window's OK stored the options.
  void OptionsStored();
  // The delete command: it starts (the list is its alone until it ends),
  // the deletion changed the list (the list file written at once, before
  // anything is shown, without a box; a failure tried again as after any
  // change), and it ends.
  void CommandStarts() { commandRunning_ = true; }
  void CommandSettled();
  void CommandEnds() { commandRunning_ = false; }

  // Milliseconds until the next save is due, 0 when it is due now; nothing
  // when no save waits.
  std::optional<uint64_t> NextSave();
  // The timer came: writes what changed if the save is due. A failure says
  // nothing and is tried again later, after longer and longer waits.
  void SaveWhenDue();

  // The close: writes the list file, then the settings file, each that this
  // run may write, changed or not. Throws the first failure (AppError,
  // std::bad_alloc), the later file not tried, and nothing is finished: the
  // close may be tried again.
  void Close();
  // The end of the logon: each file gets its own try, and nothing is thrown.
  void SessionEnds();
  // The close or the end of the logon has saved: nothing is written again.
  bool Finished() const { return finished_; }

 private:
  // What the list file at the start means for the saves.
  enum class ListFile {
    kOwn,       // absent or read: the list is what the file holds
    kUnread,    // could not be read: its entries must stay ahead of the list's
    kSetAside,  // read since: setAside_ holds its entries
    kUnloaded,  // too big for memory: never written
  };

  void SaveList();
  void SaveSettings();
  // Plans the next save after a change: the delay anew, the failures forgotten.
  void Changed();

  Platform& platform_;
  SteadyClock& clock_;
  DelList& list_;
  Settings& settings_;
  WindowPosition& window_;

  ListFile listFile_ = ListFile::kOwn;
  DelList setAside_;
  bool settingsUnread_ = false;
  bool listChanged_ = false;
  bool optionsChanged_ = false;
  bool commandRunning_ = false;
  bool finished_ = false;
  // When the next save runs, while one waits.
  std::optional<uint64_t> due_;
  // Saves after changes that have failed in a row.
  int failures_ = 0;
};

}  // namespace moxlyn
