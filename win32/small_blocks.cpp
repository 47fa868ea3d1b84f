#include "win32/small_blocks.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

namespace moxlyn {
namespace {

// Slabs of a megabyte: Wine spends tens of kilobytes of a 32-bit program's
// address space on each region that VirtualAlloc hands out, so regions of
// its smallest size (64 KiB) would leave a third of it unused.
constexpr uintptr_t kSlabSize = uintptr_t{1024} * 1024;
// VirtualAlloc's unit: every region starts at a multiple of it.
constexpr uintptr_t kUnit = uintptr_t{64} * 1024;
// Every block size is a multiple of the alignment that malloc gives a 32-bit
// program.
constexpr size_t kGrain = 8;
constexpr size_t kClasses = kLargestSmallBlock / kGrain;

struct FreeBlock {
  FreeBlock* next;
};

// The head of its slab, followed by its blocks.
struct Slab {
  Slab* next = nullptr;  // the slabs of its size with room, when listed
  Slab* prev = nullptr;
  bool listed = false;
  FreeBlock* freed = nullptr;  // blocks handed back
  char* fresh = nullptr;       // blocks never handed out start here
  size_t used = 0;             // blocks handed out and not back
  size_t blockSize = 0;
  size_t size = 0;  // the size class: blockSize / kGrain
};
constexpr size_t kHeadSize = (sizeof(Slab) + kGrain - 1) / kGrain * kGrain;

// The slab at each 64 KiB of the address space, where there is one.
Slab* slabAt[(uintptr_t{UINTPTR_MAX} / kUnit) + 1];
// Per size class, the slabs that have room.
Slab* withRoom[kClasses + 1];
// The program allocates from one thread nearly always: a spin lock costs an
// atomic exchange where Wine's own locks are two calls into the system.
std::atomic_flag busy = ATOMIC_FLAG_INIT;

// Address space held back for the moment memory runs out, and given up just
// before bad_alloc is thrown: under Wine the first throw of a process needs
// memory of its own, and without any it never reaches its handler.
constexpr size_t kHeldBack = size_t{4} * 1024 * 1024;
void* heldBack = nullptr;

class Locked {
 public:
  Locked() {
    while (busy.test_and_set(std::memory_order_acquire)) SwitchToThread();
  }
  ~Locked() { busy.clear(std::memory_order_release); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

void List(Slab* slab, size_t size) {
  slab->prev = nullptr;
  slab->next = withRoom[size];
  if (slab->next != nullptr) slab->next->prev = slab;
  withRoom[size] = slab;
  slab->listed = true;
}

void Unlist(Slab* slab, size_t size) {
  (slab->prev != nullptr ? slab->prev->next : withRoom[size]) = slab->next;
  if (slab->next != nullptr) slab->next->prev = slab->prev;
  slab->listed = false;
}

Slab* NewSlab(size_t size) {
  void* memory = VirtualAlloc(nullptr, kSlabSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (memory == nullptr) return nullptr;
  if (heldBack == nullptr) heldBack = VirtualAlloc(nullptr, kHeldBack, MEM_RESERVE, PAGE_NOACCESS);
  auto* slab = new (memory) Slab;
  slab->fresh = static_cast<char*>(memory) + kHeadSize;
  slab->blockSize = size * kGrain;
  slab->size = size;
  const uintptr_t first = reinterpret_cast<uintptr_t>(memory) / kUnit;
  for (uintptr_t unit = first; unit < first + kSlabSize / kUnit; ++unit) slabAt[unit] = slab;
  List(slab, size);
  return slab;
}

bool Full(const Slab* slab) {
  return slab->freed == nullptr && reinterpret_cast<uintptr_t>(slab->fresh) + slab->blockSize >
                                       reinterpret_cast<uintptr_t>(slab) + kSlabSize;
}

// A block of at least bytes (at most kLargestSmallBlock) from a slab, or
// nullptr when no new slab can be had.
void* TakeSmall(size_t bytes) {
  const size_t size = bytes == 0 ? 1 : (bytes + kGrain - 1) / kGrain;
  const Locked locked;
  Slab* slab = withRoom[size];
  if (slab == nullptr && (slab = NewSlab(size)) == nullptr) return nullptr;
  void* block = nullptr;
  if (slab->freed != nullptr) {
    block = slab->freed;
    slab->freed = slab->freed->next;
  } else {
    block = slab->fresh;
    slab->fresh += slab->blockSize;
  }
  ++slab->used;
  if (Full(slab)) Unlist(slab, size);
  return block;
}

// Takes block back into its slab; false when it is no slab's. A slab left
// empty goes back to the system unless it is the last of its size with room.
bool GiveBackSmall(void* block) {
  // Set before any block of the slab was handed out, cleared after the last
  // came back: stable for as long as block is alive.
  Slab* slab = slabAt[reinterpret_cast<uintptr_t>(block) / kUnit];
  if (slab == nullptr) return false;
  const size_t size = slab->size;
  const Locked locked;
  auto* freed = static_cast<FreeBlock*>(block);
  freed->next = slab->freed;
  slab->freed = freed;
  --slab->used;
  if (!slab->listed) {
    List(slab, size);
  } else if (slab->used == 0 && (slab->prev != nullptr || slab->next != nullptr)) {
    Unlist(slab, size);
    const uintptr_t first = reinterpret_cast<uintptr_t>(slab) / kUnit;
    for (uintptr_t unit = first; unit < first + kSlabSize / kUnit; ++unit) slabAt[unit] = nullptr;
    VirtualFree(slab, 0, MEM_RELEASE);
  }
  return true;
}

void* Allocate(size_t bytes) {
  for (;;) {
    void* block = bytes <= kLargestSmallBlock ? TakeSmall(bytes) : nullptr;
    // Where no slab can be had, the heap may still have room.
    if (block == nullptr) block = std::malloc(bytes == 0 ? 1 : bytes);
    if (block != nullptr) return block;
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) {
      void* room = nullptr;
      {
        const Locked locked;
        std::swap(room, heldBack);
      }
      if (room != nullptr) VirtualFree(room, 0, MEM_RELEASE);
      throw std::bad_alloc();
    }
    handler();
  }
}

void Release(void* block) {
  if (block != nullptr && !GiveBackSmall(block)) std::free(block);
}

}  // namespace

bool IsSmallBlock(const void* block) {
  return slabAt[reinterpret_cast<uintptr_t>(block) / kUnit] != nullptr;
}

}  // namespace moxlyn

void* operator new(size_t bytes) { return moxlyn::Allocate(bytes); }
void* operator new[](size_t bytes) { return moxlyn::Allocate(bytes); }
void* operator new(size_t bytes, const std::nothrow_t& /*unused*/) noexcept {
  try {
    return moxlyn::Allocate(bytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t bytes, const std::nothrow_t& tag) noexcept {
  return operator new(bytes, tag);
}
void operator delete(void* block) noexcept { moxlyn::Release(block); }
void operator delete[](void* block) noexcept { moxlyn::Release(block); }
void operator delete(void* block, size_t /*bytes*/) noexcept { moxlyn::Release(block); }
void operator delete[](void* block, size_t /*bytes*/) noexcept { moxlyn::Release(block); }
void operator delete(void* block, const std::nothrow_t& /*unused*/) noexcept {
  moxlyn::Release(block);
}
void operator delete[](void* block, const std::nothrow_t& /*unused*/) noexcept {
  moxlyn::Release(block);
}
