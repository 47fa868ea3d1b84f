// A deletion on a thread of its own, so that the windows keep answering
// while it runs: the engine over the list, the progress it has made, its
// stop, and its end told to a window.
#pragma once

#include <windows.h>

#include <exception>

#include "core/del_list.h"
#include "core/deletion_engine.h"
#include "win32/scoped_handle.h"

namespace moxlyn::ui {

class DeletionRun {
 public:
  DeletionRun() = default;
  // A deletion still running is stopped and waited for.
  ~DeletionRun();
  DeletionRun(const DeletionRun&) = delete;
  DeletionRun& operator=(const DeletionRun&) = delete;

  // Starts deleting what list names on a thread of its own, with a platform
  // of its own; list must not change until Finish. window gets message once
  // the deletion has ended. Throws AppError when no thread can be started.
  void Start(const DelList& list, HWND window, UINT message);
  // From Start until Finish.
  bool Running() const { return thread_.Valid(); }
  // Asks the deletion to stop after the item at hand.
  void Stop() { progress_.stop = true; }

  // Files and folders removed so far, and list entries whose turn has come
  // of all of them.
  size_t Removed() const { return progress_.removed.load(std::memory_order_relaxed); }
  size_t EntriesDone() const { return progress_.entriesDone.load(std::memory_order_relaxed); }
  size_t Entries() const { return entries_; }

  // Waits for the deletion to end and gives what it left; throws what the
  // engine threw.
  DeletionOutcome Finish();

 private:
  static DWORD WINAPI Main(void* run);

  const DelList* list_ = nullptr;
  size_t entries_ = 0;
  HWND window_ = nullptr;
  UINT message_ = 0;
  DeletionProgress progress_;
  DeletionOutcome outcome_;
  std::exception_ptr failure_;
  ScopedKernelObject thread_;
};

}  // namespace moxlyn::ui
