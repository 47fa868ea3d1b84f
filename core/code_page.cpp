#include "core/code_page.h"

namespace moxlyn {

size_t NextCharLength(Platform& platform, std::string_view text, size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  return platform.IsLeadByte(byte) && at + 1 < text.size() ? 2 : 1;
}

size_t LastBackslash(Platform& platform, std::string_view text) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < text.size(); i += NextCharLength(platform, text, i)) {
    if (text[i] == '\\') found = i;
  }
  return found;
}

}  // namespace moxlyn
