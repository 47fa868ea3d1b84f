#include "core/program_texts.h"

#include "core/code_page.h"

namespace moxlyn {

std::string ProgramTitleOf(Platform& platform, const std::string& modulePath) {
  std::string title = modulePath.substr(FileNameStart(platform, modulePath));
  // "." is never a trail byte in the code page.
  const size_t dot = title.find('.');
  if (dot != std::string::npos) title.resize(dot);
  if (title.empty()) return title;
  const size_t first = NextCharLength(platform, title, 0);
  return title.substr(0, first) + platform.LowerCase(title.substr(first));
}

std::string ErrorBoxText(Platform& platform, const std::string& message) {
  if (message.empty()) return message;
  size_t last = 0;
  for (size_t i = 0; i < message.size(); i += NextCharLength(platform, message, i)) last = i;
  return static_cast<unsigned char>(message[last]) > '.' ? message + "." : message;
}

}  // namespace moxlyn
