// The deletion engine: deletes listed files, empties listed folders at every
// depth and removes them deepest first. Silent: every file-system failure is
// ignored and the engine goes on with the next item.
#pragma once

#include <string>

#include "core/del_list.h"
#include "core/platform.h"

namespace moxlyn {

// Deletes what list names, in its order. An entry that is not an absolute
// path touches nothing. An entry under no other listed folder is opened by
// its path, which names what it names at that moment: a link there is
// removed as the link (where the system opens a link as itself), never
// emptied. An entry under a listed folder (the nearest one by the list's
// path rules) is reached only through that folder's handle, one name at a
// time, each checked to be the object the folder's listing named; once the
// folder's own turn has come, or where it is a link or no folder, the
// entries under it are left to it. Everything inside a folder being emptied
// is reached the same way, and a link met there is removed as the link,
// never entered. Where the system follows links on opening (Wine), a link
// whose handle shows its target is left alone.
void DeleteListed(Platform& platform, const DelList& list);

// Whether the folder at path, whose attribute query gave attributes, is a link (junction, symbolic
// link, any name surrogate or a tag not defined by Microsoft) rather than a folder to empty. The
// tag comes from the entry's handle; a reparse point whose handle does not report it (the system
// followed the link) or whose tag cannot be learnt counts as a link.
bool IsFolderLink(Platform& platform, const EnginePath& path, uint32_t attributes);

}  // namespace moxlyn
