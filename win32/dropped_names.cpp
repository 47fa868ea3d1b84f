#include "win32/dropped_names.h"

#include "core/drop_block.h"
#include "win32/code_page.h"

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
  // A wide block's names are the program's UTF-8 already.
  if (read->wide) return std::move(read->names);
  std::vector<std::string> names;
  names.reserve(read->names.size());
  for (const std::string& name : read->names) {
    // Bytes that are no text of the code page (a lone lead byte) are no
    // name: nothing else may stand for them, and the block is refused.
    std::string text;
    if (!AppendUtf8FromCodePage(name, text)) return std::nullopt;
    names.push_back(std::move(text));
  }
  return names;
}

}  // namespace moxlyn
