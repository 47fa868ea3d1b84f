#include "win32/wow64_guard.h"

#include <windows.h>

namespace moxlyn {
namespace {

using IsWow64ProcessCall = BOOL(WINAPI*)(HANDLE, PBOOL);
using DisableCall = BOOL(WINAPI*)(PVOID*);
using RevertCall = BOOL(WINAPI*)(PVOID);

struct RedirectionCalls {
  DisableCall disable = nullptr;
  RevertCall revert = nullptr;
};

template <typename Call>
Call Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Looked up once, at the first use: kernel32 is always loaded, so nothing is
// loaded here. Both calls stay null unless this is a 32-bit process on 64-bit
// Windows.
const RedirectionCalls& Calls() {
  static const RedirectionCalls calls = [] {
    RedirectionCalls found;
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return found;
    const auto isWow64Process = Lookup<IsWow64ProcessCall>(kernel, "IsWow64Process");
    BOOL wow64 = FALSE;
    if (isWow64Process == nullptr || !isWow64Process(GetCurrentProcess(), &wow64) || !wow64) {
      return found;
    }
    const auto disable = Lookup<DisableCall>(kernel, "Wow64DisableWow64FsRedirection");
    const auto revert = Lookup<RevertCall>(kernel, "Wow64RevertWow64FsRedirection");
    if (disable != nullptr && revert != nullptr) {
      found.disable = disable;
      found.revert = revert;
    }
    return found;
  }();
  return calls;
}

}  // namespace

Wow64FsGuard::Wow64FsGuard() {
  const RedirectionCalls& calls = Calls();
  // The system error code is kept: callers read it after their own call.
  const DWORD error = GetLastError();
  if (calls.disable != nullptr && calls.disable(&previous_)) active_ = true;
  SetLastError(error);
}

Wow64FsGuard::~Wow64FsGuard() {
  if (!active_) return;
  const DWORD error = GetLastError();
  Calls().revert(previous_);
  SetLastError(error);
}

}  // namespace moxlyn
