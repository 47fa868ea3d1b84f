// The production platform: the core's file system, locale and clock on the
// narrow Win32 calls, in the system code page.
#pragma once

#include "core/platform.h"

namespace moxlyn {

class Win32Platform : public Platform {
 public:
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  bool RemoveFile(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
  bool Enumerate(const std::string& pattern,
                 const std::function<void(const FindEntry&)>& visit) override;
  ReadStatus ReadWholeFile(const std::string& path, std::string& content) override;
  WriteStatus WriteNewFile(const std::string& path, std::string_view content) override;
  bool ReplaceWithFile(const std::string& target, const std::string& source) override;
  std::string ModuleFileName() override;
  bool IsLeadByte(unsigned char byte) override;
  int CompareNoCase(const std::string& a, const std::string& b) override;
  std::string UpperCase(const std::string& text) override;
  LocaleInfo ReadLocaleInfo() override;
  LocalTime Now() override;

 private:
  uint64_t nowSecond_ = ~uint64_t{0};  // system time in whole seconds of nowLocal_
  LocalTime nowLocal_;
};

}  // namespace moxlyn
