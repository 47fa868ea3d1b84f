// The program's operator new: small blocks from slabs, larger ones from malloc.
#include "win32/small_blocks.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace moxlyn {
namespace {

TEST(SmallBlocks, BlocksOfEverySizeKeepTheirBytesWhileOthersComeAndGo) {
  std::vector<std::vector<char*>> rounds(2);
  const auto fill = [](std::vector<char*>& blocks) {
    for (size_t size = 0; size <= kLargestSmallBlock + 8; ++size) {
      char* block = new char[size];
      EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0U) << size;
      EXPECT_EQ(IsSmallBlock(block), size <= kLargestSmallBlock) << size;
      std::memset(block, static_cast<int>(size), size);
      blocks.push_back(block);
    }
  };
  fill(rounds[0]);
  fill(rounds[1]);
  // The first round given back, the second round's bytes untouched, and the
  // freed blocks taken again.
  for (char* block : rounds[0]) delete[] block;
  rounds[0].clear();
  fill(rounds[0]);
  for (const auto& blocks : rounds) {
    for (size_t size = 0; size < blocks.size(); ++size) {
      EXPECT_EQ(std::string(blocks[size], size), std::string(size, static_cast<char>(size)));
      delete[] blocks[size];
    }
  }
}

TEST(SmallBlocks, EmptiedSlabsGoBackToTheSystem) {
  // Blocks of a size nothing else uses, enough for several slabs.
  std::vector<void*> blocks(8000);
  for (void*& block : blocks) block = ::operator new(kLargestSmallBlock - 4);
  for (void* block : blocks) ::operator delete(block);
  std::vector<void*> kept;
  kept.reserve(blocks.size());
  for (void* block : blocks) {
    MEMORY_BASIC_INFORMATION info{};
    VirtualQuery(block, &info, sizeof info);
    if (info.State != MEM_FREE && (kept.empty() || kept.back() != info.AllocationBase)) {
      kept.push_back(info.AllocationBase);
    }
  }
  EXPECT_LE(kept.size(), 1U);  // the last one of its size is kept for the next block
}

}  // namespace
}  // namespace moxlyn
