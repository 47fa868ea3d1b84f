// The deletion engine: deletes listed files, empties listed folders
// recursively and removes them deepest first. Silent: every file-system
// failure is ignored and the engine goes on with the next item.
#pragma once

#include <string>

#include "core/del_list.h"
#include "core/platform.h"

namespace moxlyn {

// Deletes what list names.
void DeleteListed(Platform& platform, const DelList& list);

// Deletes everything inside folder at every depth and removes its sub-folders,
// leaving folder itself in place. folder has no trailing backslash.
void DeleteFolderContents(Platform& platform, const std::string& folder);

}  // namespace moxlyn
