// The user's five options and their settings file beside the executable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform.h"

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

// The integer text rule of settings values: decimal with an optional sign
// (leading zeros allowed, 32-bit signed range), or "$", "0x", "0X", "x", "X"
// followed by at most eight significant hexadecimal digits taken as a 32-bit
// pattern. Sets value and returns true for a valid text; false otherwise.
bool ParseSettingsInteger(std::string_view text, int32_t& value);

// The in-memory image of one settings file: sections in file order, each
// with its name and its lines (name=value key lines and plain lines). Names
// compare after the platform's upper-casing; the last section and the last
// key line of a name win.
class SettingsFile {
 public:
  struct Section {
    std::string name;
    std::vector<std::string> lines;
    bool operator==(const Section&) const = default;
  };

  // Builds the image of the file at path: empty when path is empty or no
  // file is there. Throws AppError(cannot open) for an unreadable file.
  SettingsFile(Platform& platform, const std::string& path);
  // The same from text already read (the file's whole content).
  SettingsFile(Platform& platform, const std::string& path, std::string_view content);

  std::string LookupText(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  void StoreText(const std::string& section, const std::string& key, const std::string& value);
  int32_t LookupInteger(const std::string& section, const std::string& key,
                        int32_t defaultValue) const;
  void StoreInteger(const std::string& section, const std::string& key, int32_t value);
  bool LookupSwitch(const std::string& section, const std::string& key, bool defaultValue) const;
  void StoreSwitch(const std::string& section, const std::string& key, bool value);

  // The text WriteBack writes: "[name]", the lines and one empty line per
  // section, CR LF after each; an empty image gives an empty text.
  std::string Text() const;
  // Replaces the file with Text() safely. Throws AppError(cannot create /
  // short write); the file then keeps its previous bytes.
  void WriteBack();

  const std::vector<Section>& Sections() const { return sections_; }

 private:
  void Parse(std::string_view content);
  // Index of the last section named name, if any.
  std::optional<size_t> FindSection(const std::string& name) const;
  // Index of the last key line of section named key, if any.
  std::optional<size_t> FindKey(const Section& section, const std::string& key) const;

  Platform& platform_;
  std::string path_;
  std::vector<Section> sections_;
};

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
