#include "core/list_keeper.h"

#include <algorithm>
#include <exception>
#include <new>

namespace moxlyn {

ListKeeper::ListKeeper(Platform& platform, SteadyClock& clock, DelList& list, Settings& settings,
                       WindowPosition& window)
    : platform_(platform), clock_(clock), list_(list), settings_(settings), window_(window) {}

void ListKeeper::LoadSettings() {
  try {
    moxlyn::LoadSettings(platform_, window_, settings_);
  } catch (...) {
    settingsUnread_ = true;
    throw;
  }
}

void ListKeeper::LoadList() {
  list_.clear();
  try {
    LoadDelList(platform_, list_);
  } catch (const std::bad_alloc&) {
    // What fitted is no list the file holds: nothing of it is kept.
    list_.clear();
    listFile_ = ListFile::kUnloaded;
    throw;
  } catch (...) {
    list_.clear();
    listFile_ = ListFile::kUnread;
    throw;
  }
}

void ListKeeper::ListChanged() {
  listChanged_ = true;
  Changed();
}

void ListKeeper::OptionsStored() {
  settingsUnread_ = false;
  optionsChanged_ = true;
  Changed();
}

void ListKeeper::Changed() {
  failures_ = 0;
  due_ = clock_.Milliseconds() + kSaveDelayMs;
}

void ListKeeper::CommandSettled() {
  if (finished_) return;
  listChanged_ = true;
  try {
    SaveList();
    return;
  } catch (const std::exception&) {
  }
  // Tried again as the save after any change is.
  Changed();
}

std::optional<uint64_t> ListKeeper::NextSave() {
  if (finished_ || !due_) return std::nullopt;
  const uint64_t now = clock_.Milliseconds();
  return *due_ > now ? *due_ - now : 0;
}

void ListKeeper::SaveWhenDue() {
  if (finished_ || !due_) return;
  const uint64_t now = clock_.Milliseconds();
  if (now < *due_) return;
  due_.reset();
  bool failed = false;
  // Each file has its own try: one that cannot be written holds up no other.
  if (listChanged_) {
    try {
      SaveList();
    } catch (const std::exception&) {
      failed = true;
    }
  }
  if (optionsChanged_) {
    try {
      SaveSettings();
    } catch (const std::exception&) {
      failed = true;
    }
  }
  if (!failed) {
    failures_ = 0;
    return;
  }
  // No box for a save the user did not ask for: tried again, less and less
  // often, until it succeeds or the close saves.
  ++failures_;
  uint64_t wait = kSaveDelayMs;
  for (int i = 0; i < failures_ && wait < kLongestRetryMs; ++i) wait *= 2;
  due_ = now + std::min(wait, kLongestRetryMs);
}

void ListKeeper::Close() {
  if (finished_) return;
  SaveList();
  SaveSettings();
  finished_ = true;
  due_.reset();
}

void ListKeeper::SessionEnds() {
  if (finished_) return;
  // No box may wait on a session that is ending: a file that cannot be
  // written keeps its bytes, and the other is written all the same.
  try {
    SaveList();
  } catch (...) {
  }
  try {
    SaveSettings();
  } catch (...) {
  }
  finished_ = true;
  due_.reset();
}

void ListKeeper::SaveList() {
  if (listFile_ == ListFile::kUnloaded) return;
  if (listFile_ == ListFile::kUnread) {
    // Read now that it may be readable; until then nothing is written over it.
    DelList read;
    try {
      LoadDelList(platform_, read);
    } catch (const std::bad_alloc&) {
      listFile_ = ListFile::kUnloaded;
      throw;
    }
    setAside_ = std::move(read);
    listFile_ = ListFile::kSetAside;
  }
  if (setAside_.empty()) {
    SaveDelList(platform_, list_);
  } else {
    DelList whole;
    whole.reserve(setAside_.size() + list_.size());
    whole.Append(setAside_);
    whole.Append(list_);
    SaveDelList(platform_, whole);
  }
  listChanged_ = false;
}

void ListKeeper::SaveSettings() {
  if (settingsUnread_) return;
  moxlyn::SaveSettings(platform_, window_, settings_);
  optionsChanged_ = false;
}

}  // namespace moxlyn
