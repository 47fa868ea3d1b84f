// The user's five options and their settings file beside the executable.
#pragma once

#include <cstdint>

namespace moxlyn {

constexpr int32_t LogTypeNameOnly = 1;
constexpr int32_t LogTypeTimeAndName = 2;

// The five options. A fresh record holds false and 0; LoadSettings gives the
// defaults (true, true, false, 2, true) where the file has nothing usable.
struct Settings {
  bool ConfirmBeforeDelete = false;
  bool ShowMessageAfterDelete = false;
  bool GetDeleteLog = false;
  int32_t LogType = 0;
  bool ShowTopMost = false;
};

}  // namespace moxlyn
