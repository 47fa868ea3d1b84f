#include "core/program_texts.h"

#include "core/utf8.h"

namespace moxlyn {

std::string ProgramTitleOf(Platform& platform, const std::string& modulePath) {
  std::string title = modulePath.substr(FileNameStart(modulePath));
  const size_t dot = title.find('.');
  if (dot != std::string::npos) title.resize(dot);
  if (title.empty()) return title;
  const size_t first = NextCharLength(title, 0);
  return title.substr(0, first) + platform.LowerCase(title.substr(first));
}

std::string ErrorBoxText(const std::string& message) {
  if (message.empty()) return message;
  // The last character's first byte: the last byte itself, or a byte above
  // "." either way (a trail byte of code page 932 is 0x40 or more, a UTF-8
  // continuation byte 0x80 or more).
  return static_cast<unsigned char>(message.back()) > '.' ? message + "." : message;
}

}  // namespace moxlyn
