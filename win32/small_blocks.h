// The program's operator new and delete. Wine's heap takes a few hundred
// nanoseconds for each block, which for the strings the engine and the drop
// intake make for each of a million paths costs more than reading the list
// file; blocks up to kLargestSmallBlock bytes come instead from slabs that
// each hold blocks of one size, larger ones from malloc.
#pragma once

#include <cstddef>

namespace moxlyn {

// Blocks of this size or smaller come from the slabs.
inline constexpr size_t kLargestSmallBlock = 512;

// True when block, from operator new, lies in a slab.
bool IsSmallBlock(const void* block);

}  // namespace moxlyn
