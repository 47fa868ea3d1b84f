// The deletion engine: deletes listed files, empties listed folders at every
// depth and removes them deepest first. A file-system failure stops nothing:
// the engine goes on with the next item, and tells at the end which entries
// still have something at their path.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "core/del_list.h"
#include "core/platform.h"

namespace moxlyn {

// How far a deletion has come, read from another thread while it runs, and
// the stop it may be asked for there.
struct DeletionProgress {
  std::atomic<size_t> removed{0};      // files and folders removed so far
  std::atomic<size_t> entriesDone{0};  // list entries whose turn has come
  std::atomic<bool> stop{false};       // set to stop after the item at hand
};

// What a deletion left, entry by entry.
struct DeletionOutcome {
  // For each entry of the list, in its order: something is still at its
  // path (a file or folder that could not be removed, a folder that kept
  // something inside, an entry the stop left unreached). An entry that was
  // already gone, or that names no absolute path, counts as gone.
  std::vector<bool> remains;
  // The stop came before the deletion was done, and something remains.
  bool stopped = false;

  size_t Remaining() const;
};

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
// whose handle shows its target is left alone. What remains is learnt from
// the engine's own failed calls. With progress, the counts are kept there as
// the deletion goes, and its stop is heeded before each file or folder: the
// one at hand is finished, never left halfway.
DeletionOutcome DeleteListed(Platform& platform, const DelList& list,
                             DeletionProgress* progress = nullptr);

// Whether the folder at path, whose attribute query gave attributes, is a link (junction, symbolic
// link, any name surrogate or a tag not defined by Microsoft) rather than a folder to empty. The
// tag comes from the entry's handle; a reparse point whose handle does not report it (the system
// followed the link) or whose tag cannot be learnt counts as a link.
bool IsFolderLink(Platform& platform, const EnginePath& path, uint32_t attributes);

}  // namespace moxlyn
