// The names of a CF_HDROP block in global memory (a drop's handle, or the
// clipboard's files), read through the bounded reader and put into the
// narrow form the deletion list holds.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace moxlyn {

// The block's names in order, narrow, wide names that IsDroppableName
// refuses left out before anything looks them up; nothing when the block
// fails a check of ReadDropBlock or cannot be locked.
std::optional<std::vector<std::string>> ReadDroppedNames(HGLOBAL block);

}  // namespace moxlyn
