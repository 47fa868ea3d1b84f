#include "core/code_page.h"

namespace moxlyn {

size_t NextCharLength(Platform& platform, std::string_view text, size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  return platform.IsLeadByte(byte) && at + 1 < text.size() ? 2 : 1;
}

}  // namespace moxlyn
