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

#include <string>

#include "core/platform.h"

namespace moxlyn {

// The main window's screen position as the settings store reaches it.
class WindowPosition {
 public:
  virtual ~WindowPosition() = default;
  virtual int32_t Left() = 0;
  virtual int32_t Top() = 0;
  virtual void SetLeft(int32_t left) = 0;
  virtual void SetTop(int32_t top) = 0;
};

// The settings file: the running executable's path with its extension
// replaced by ".ini".
std::string SettingsFilePath(Platform& platform);

// Reads the settings file: places the window and fills settings. Throws
// AppError(cannot open) before changing anything when the file is unreadable.
void LoadSettings(Platform& platform, WindowPosition& window, Settings& settings);

// Rewrites the settings file with the window's position and the options,
// keeping everything else the file holds. Throws AppError on failure; the
// file then keeps its previous bytes.
void SaveSettings(Platform& platform, WindowPosition& window, const Settings& settings);

}  // namespace moxlyn
