// The drop intake: turns the paths of one shell drop into list entries.
#pragma once

#include <string>
#include <vector>

#include "core/del_list.h"
#include "core/platform.h"

namespace moxlyn {

// Appends to list each dropped path in order, exactly as dropped; a dropped
// folder is followed by every entry directly inside it, a dropped link to a
// folder is not. A path that IsDroppableName refuses is left out unopened.
// All or nothing: when it throws (memory ran out), list is as it was, and so
// is the memory it holds.
void IntakeDrop(Platform& platform, const std::vector<std::string>& paths, DelList& list);

// Appends to listing the full path of every entry directly inside folder
// whose name Windows can have (IsListableName), the folder taken literally
// (no blank or dot trimmed from its name).
void CollectFolder(Platform& platform, const std::string& folder,
                   std::vector<std::string>& listing);

}  // namespace moxlyn
