// Turns off the file-system redirection that 64-bit Windows applies to a
// 32-bit program (C:\Windows\System32 seen as SysWOW64) for the guard's
// lifetime, so that a path means the file the shell meant. Nothing is done on
// a 32-bit Windows or where the calls do not exist. Only for plain file-system
// calls: never hold one around anything that may load a library.
#pragma once

namespace moxlyn {

class Wow64FsGuard {
 public:
  Wow64FsGuard();
  ~Wow64FsGuard();
  Wow64FsGuard(const Wow64FsGuard&) = delete;
  Wow64FsGuard& operator=(const Wow64FsGuard&) = delete;

 private:
  void* previous_ = nullptr;
  bool active_ = false;
};

}  // namespace moxlyn
