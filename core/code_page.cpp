#include "core/code_page.h"

namespace moxlyn {

size_t LastBackslash(Platform& platform, std::string_view text) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < text.size(); i += NextCharLength(platform, text, i)) {
    if (text[i] == '\\') found = i;
  }
  return found;
}

size_t FileNameStart(Platform& platform, std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); i += NextCharLength(platform, path, i)) {
    if (path[i] == '\\' || path[i] == ':') start = i + 1;
  }
  return start;
}

}  // namespace moxlyn
