#include "win32/dropped_names.h"

#include "core/drop_block.h"
#include "win32/narrow_path.h"

namespace moxlyn {
namespace {

// The block locked for reading, unlocked however the reading ends.
class LockedBlock {
 public:
  explicit LockedBlock(HGLOBAL block) : block_(block), data_(GlobalLock(block)) {}
  ~LockedBlock() {
    if (data_ != nullptr) GlobalUnlock(block_);
  }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;
  const void* Data() const { return data_; }

 private:
  HGLOBAL block_;
  void* data_;
};

}  // namespace

std::optional<std::vector<std::string>> ReadDroppedNames(HGLOBAL block) {
  if (block == nullptr) return std::nullopt;
  const LockedBlock locked(block);
  // The size the block was made with: the reader never looks past it.
  const SIZE_T size = GlobalSize(block);
  if (locked.Data() == nullptr || size == 0) return std::nullopt;
  std::optional<DropBlock> read = ReadDropBlock(locked.Data(), size);
  if (!read) return std::nullopt;
  if (!read->wide) return std::move(read->narrowNames);
  std::vector<std::string> names;
  names.reserve(read->wideNames.size());
  std::wstring wide;
  for (const std::u16string& name : read->wideNames) {
    // A name outside the code page is looked up for its short name: a
    // device's name is refused before that.
    if (!IsDroppableName(name)) continue;
    wide.assign(name.begin(), name.end());
    names.push_back(NarrowPathOf(wide));
  }
  return names;
}

}  // namespace moxlyn
