// A platform wrapper that counts the calls made through it, per operation,
// and forwards them to the wrapped platform. Counts are exact where times are
// not, so a test can pin the engine's call budget.
#pragma once

#include <map>
#include <string>

#include "tests/support/platform_wrapper.h"

namespace moxlyn::testing {

class CountingPlatform : public PlatformWrapper {
 public:
  explicit CountingPlatform(Platform& inner) : PlatformWrapper(inner) {}

  // Calls of one operation ("RemoveFile", "List", ...); an enumeration or a
  // listing counts once however many entries it yields.
  int Calls(const std::string& operation) const {
    const auto found = calls_.find(operation);
    return found == calls_.end() ? 0 : found->second;
  }
  // All file-system calls together.
  int FileSystemCalls() const {
    int total = 0;
    for (const auto& [operation, calls] : calls_) {
      if (IsFileSystemCall(operation)) total += calls;
    }
    return total;
  }
  void Reset() { calls_.clear(); }
  // File-ID questions are counted by the kind asked too: "QueryId 64" and
  // "QueryId 128".
  bool EngineQueryId(EngineEntry& entry, FileIdKind kind, FileId& id) override {
    ++calls_[kind == FileIdKind::k128 ? "QueryId 128" : "QueryId 64"];
    return PlatformWrapper::EngineQueryId(entry, kind, id);
  }

 protected:
  void Calling(const char* operation) override { ++calls_[operation]; }

 private:
  std::map<std::string, int> calls_;
};

}  // namespace moxlyn::testing
