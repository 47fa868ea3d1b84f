// The deletion engine: deletes listed files, empties listed folders at every
// depth and removes them deepest first. Silent: every file-system failure is
// ignored and the engine goes on with the next item.
#pragma once

#include <string>

#include "core/del_list.h"
#include "core/platform.h"

namespace moxlyn {

// Deletes what list names. An entry that is not an absolute path touches
// nothing; a listed link is removed as the link, and links met inside listed
// folders likewise: nothing behind a link is ever emptied. Each listed path
// is opened once; everything below it is reached through its folder's
// handle and checked to be the object the listing named, so that nothing
// renamed or swapped in meanwhile sends the engine outside the list.
void DeleteListed(Platform& platform, const DelList& list);

// Whether the folder at path, whose attribute query gave attributes, is a link (junction, symbolic
// link, any name surrogate or a tag not defined by Microsoft) rather than a folder to empty. The
// tag comes from the entry's handle; a reparse point whose handle does not report it (the system
// followed the link) or whose tag cannot be learnt counts as a link.
bool IsFolderLink(Platform& platform, const EnginePath& path, uint32_t attributes);

}  // namespace moxlyn
