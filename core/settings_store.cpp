#include "core/settings_store.h"

#include "core/app_error.h"
#include "core/text_file.h"
#include "core/utf8.h"

namespace moxlyn {

namespace {

const char* const kWindowSection = "Window";
const char* const kConfigSection = "Config";

// Drops every byte of 0x20 or less from both ends; bytes above 0x7F stay.
std::string_view Trim(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  return text.substr(begin, end - begin);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool ParseSettingsInteger(std::string_view text, int32_t& value) {
  size_t prefix = 0;
  if (!text.empty() && (text[0] == '$' || text[0] == 'x' || text[0] == 'X')) {
    prefix = 1;
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    prefix = 2;
  }
  if (prefix != 0) {
    const std::string_view digits = text.substr(prefix);
    if (digits.empty()) return false;
    uint32_t pattern = 0;
    int significant = 0;
    for (const char c : digits) {
      const int digit = HexDigit(c);
      if (digit < 0) return false;
      if (significant > 0 || digit != 0) {
        if (++significant > 8) return false;
      }
      pattern = (pattern << 4) | static_cast<uint32_t>(digit);
    }
    value = static_cast<int32_t>(pattern);
    return true;
  }

  size_t i = 0;
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return false;
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return false;
  }
  value = static_cast<int32_t>(negative ? -magnitude : magnitude);
  return true;
}

SettingsFile::SettingsFile(Platform& platform, const std::string& path)
    : platform_(platform), path_(path) {
  std::string content;
  if (!path.empty() && ReadTextFile(platform, path, content)) Parse(content);
}

SettingsFile::SettingsFile(Platform& platform, const std::string& path, std::string_view content)
    : platform_(platform), path_(path) {
  Parse(content);
}

void SettingsFile::Parse(std::string_view content) {
  Section* current = nullptr;
  for (const auto& raw : SplitLines(content)) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      sections_.push_back({std::string(Trim(line.substr(1, line.size() - 2))), {}});
      current = &sections_.back();
      continue;
    }
    if (current == nullptr) continue;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
      current->lines.emplace_back(line);
    } else {
      std::string keyLine(Trim(line.substr(0, equals)));
      keyLine += '=';
      keyLine += Trim(line.substr(equals + 1));
      current->lines.push_back(std::move(keyLine));
    }
  }
}

namespace {

// The file's names are its bytes in the code page and the program's are
// ASCII: only ASCII letters can make them equal.
std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

std::optional<size_t> SettingsFile::FindSection(const std::string& name) const {
  const std::string wanted = AsciiUpper(name);
  for (size_t i = sections_.size(); i-- > 0;) {
    if (AsciiUpper(sections_[i].name) == wanted) return i;
  }
  return std::nullopt;
}

std::optional<size_t> SettingsFile::FindKey(const Section& section, const std::string& key) const {
  const std::string wanted = AsciiUpper(key);
  for (size_t i = section.lines.size(); i-- > 0;) {
    const std::string& line = section.lines[i];
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (AsciiUpper(line.substr(0, equals)) == wanted) return i;
  }
  return std::nullopt;
}

std::string SettingsFile::LookupText(const std::string& section, const std::string& key,
                                     const std::string& defaultValue) const {
  const auto index = FindSection(section);
  if (!index) return defaultValue;
  const Section& found = sections_[*index];
  const auto at = FindKey(found, key);
  if (!at) return defaultValue;
  const std::string& line = found.lines[*at];
  return line.substr(line.find('=') + 1);
}

void SettingsFile::StoreText(const std::string& section, const std::string& key,
                             const std::string& value) {
  const auto index = FindSection(section);
  if (!index) sections_.push_back({section, {}});
  Section& found = index ? sections_[*index] : sections_.back();
  std::string line = key + "=" + value;
  const auto at = FindKey(found, key);
  if (at) {
    found.lines[*at] = std::move(line);
  } else {
    found.lines.push_back(std::move(line));
  }
}

int32_t SettingsFile::LookupInteger(const std::string& section, const std::string& key,
                                    int32_t defaultValue) const {
  int32_t value = 0;
  return ParseSettingsInteger(LookupText(section, key, ""), value) ? value : defaultValue;
}

void SettingsFile::StoreInteger(const std::string& section, const std::string& key, int32_t value) {
  StoreText(section, key, std::to_string(value));
}

bool SettingsFile::LookupSwitch(const std::string& section, const std::string& key,
                                bool defaultValue) const {
  return LookupInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void SettingsFile::StoreSwitch(const std::string& section, const std::string& key, bool value) {
  StoreText(section, key, value ? "1" : "0");
}

std::string SettingsFile::Text() const {
  std::string text;
  for (const auto& section : sections_) {
    text += "[" + section.name + "]\r\n";
    for (const auto& line : section.lines) text += line + "\r\n";
    text += "\r\n";
  }
  return text;
}

void SettingsFile::WriteBack() {
  if (path_.empty()) throw AppError(kCannotCreateText, path_);
  WriteTextFile(platform_, path_, Text());
}

std::string SettingsFilePath(Platform& platform) {
  const std::string module = platform.ModuleFileName();
  const size_t dot = module.rfind('.');
  const bool inName = dot != std::string::npos && dot >= FileNameStart(module);
  return (inName ? module.substr(0, dot) : module) + ".ini";
}

void LoadSettings(Platform& platform, WindowPosition& window, Settings& settings) {
  const SettingsFile file(platform, SettingsFilePath(platform));
  window.SetLeft(file.LookupInteger(kWindowSection, "Left", 100));
  window.SetTop(file.LookupInteger(kWindowSection, "Top", 100));
  settings.ConfirmBeforeDelete = file.LookupSwitch(kConfigSection, "ConfirmBeforeDelete", true);
  settings.ShowMessageAfterDelete =
      file.LookupSwitch(kConfigSection, "ShowMessageAfterDelete", true);
  settings.GetDeleteLog = file.LookupSwitch(kConfigSection, "GetDeleteLog", false);
  settings.LogType = file.LookupInteger(kConfigSection, "LogType", LogTypeTimeAndName);
  settings.ShowTopMost = file.LookupSwitch(kConfigSection, "ShowTopMost", true);
}

void SaveSettings(Platform& platform, WindowPosition& window, const Settings& settings) {
  SettingsFile file(platform, SettingsFilePath(platform));
  file.StoreInteger(kWindowSection, "Left", window.Left());
  file.StoreInteger(kWindowSection, "Top", window.Top());
  file.StoreSwitch(kConfigSection, "ConfirmBeforeDelete", settings.ConfirmBeforeDelete);
  file.StoreSwitch(kConfigSection, "ShowMessageAfterDelete", settings.ShowMessageAfterDelete);
  file.StoreSwitch(kConfigSection, "GetDeleteLog", settings.GetDeleteLog);
  file.StoreInteger(kConfigSection, "LogType", settings.LogType);
  file.StoreSwitch(kConfigSection, "ShowTopMost", settings.ShowTopMost);
  file.WriteBack();
}

}  // namespace moxlyn
