// The names of a CF_HDROP block in global memory (a drop's handle, or the
// clipboard's files), read through the bounded reader, as UTF-8.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace moxlyn {

// The block's names in order, as UTF-8: a wide block's as they are, a
// narrow block's from the system code page. Nothing when the block fails a
// check of ReadDropBlock, cannot be locked, or is narrow and holds a name
// whose bytes are no text of the code page.
std::optional<std::vector<std::string>> ReadDroppedNames(HGLOBAL block);

}  // namespace moxlyn
