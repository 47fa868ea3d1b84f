#include "ui/deletion_run.h"

#include <utility>

#include "core/app_error.h"
#include "win32/win32_platform.h"

namespace moxlyn::ui {

DeletionRun::~DeletionRun() {
  if (!Running()) return;
  Stop();
  WaitForSingleObject(thread_.Get(), INFINITE);
}

void DeletionRun::Start(const DelList& list, HWND window, UINT message) {
  list_ = &list;
  entries_ = list.size();
  window_ = window;
  message_ = message;
  progress_.removed = 0;
  progress_.entriesDone = 0;
  progress_.stop = false;
  outcome_ = {};
  failure_ = nullptr;
  thread_.Reset(CreateThread(nullptr, 0, &DeletionRun::Main, this, 0, nullptr));
  if (!thread_.Valid()) throw AppError("スレッドを作成できません");
}

DWORD WINAPI DeletionRun::Main(void* context) {
  auto& run = *static_cast<DeletionRun*>(context);
  // Nothing may leave a thread's function: what the engine throws is given
  // to Finish.
  try {
    // The engine's platform is its own: what it learns of each volume is
    // never shared with the window's thread.
    Win32Platform platform;
    run.outcome_ = DeleteListed(platform, *run.list_, &run.progress_);
  } catch (...) {
    run.failure_ = std::current_exception();
  }
  PostMessageW(run.window_, run.message_, 0, 0);
  return 0;
}

DeletionOutcome DeletionRun::Finish() {
  WaitForSingleObject(thread_.Get(), INFINITE);
  thread_.Reset();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
  return std::move(outcome_);
}

}  // namespace moxlyn::ui
