// Windows attribute bits that only the tests set or look at (the core's own
// are in core/platform.h).
#pragma once

#include <cstdint>

namespace moxlyn {

constexpr uint32_t kAttrHidden = 0x2;
constexpr uint32_t kAttrSystem = 0x4;
constexpr uint32_t kAttrArchive = 0x20;

}  // namespace moxlyn
