#include "core/deletion_engine.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace moxlyn {
namespace {

// A reparse point is a link (junction, symbolic link or any other name
// surrogate, or a tag not defined by Microsoft) unless its tag says it is an
// ordinary folder with extra data (deduplicated, cloud-backed, ...).
bool IsLinkTag(uint32_t reparseTag) {
  return (reparseTag & kReparseTagNameSurrogate) != 0 || (reparseTag & kReparseTagMicrosoft) == 0;
}

bool IsReparsePoint(uint32_t attributes) { return (attributes & kAttrReparsePoint) != 0; }

// Whether the listed entry, whose attribute query by path gave
// pathAttributes, is a link, its open handle telling opened. The handle knows
// the tag; a path that says reparse point where the handle does not means
// the system followed the link on opening (Wine does).
bool IsListedLink(uint32_t pathAttributes, const EntryInfo& opened) {
  if (IsReparsePoint(opened.attributes)) return IsLinkTag(opened.reparseTag);
  return pathAttributes != kInvalidAttributes && IsReparsePoint(pathAttributes);
}

// Whether an entry opened by its name is the object that its folder's
// listing named: the same file ID, and a reparse point exactly when the
// listing said so. Anything else was put in its place after the listing, or
// is the target of a link the system followed: it is left alone.
bool IsListedObject(const FindEntry& listed, const EntryInfo& opened) {
  return opened.fileId == listed.fileId &&
         IsReparsePoint(opened.attributes) == IsReparsePoint(listed.attributes);
}

// Opens the entry named listed.name inside folder and checks that it is the
// object the listing named; null when it cannot be opened or is another.
std::unique_ptr<EngineEntry> OpenListed(Platform& platform, EngineEntry& folder,
                                        const FindEntry& listed, uint32_t access,
                                        EntryInfo& opened) {
  auto entry = platform.EngineOpenChild(folder, listed.name, access);
  if (!entry || !platform.EngineQuery(*entry, opened) || !IsListedObject(listed, opened)) {
    return nullptr;
  }
  return entry;
}

// One folder being emptied, held open: its entries were listed whole before
// any was touched; its sub-folders (and folder links) wait there, as listed,
// for their removal.
struct Level {
  std::unique_ptr<EngineEntry> folder;
  std::vector<FindEntry> entries;
  size_t next = 0;
  std::vector<FindEntry> subFolders;
};

Level ListFolder(Platform& platform, std::unique_ptr<EngineEntry> folder) {
  Level level;
  level.folder = std::move(folder);
  platform.EngineList(*level.folder,
                      [&](const FindEntry& entry) { level.entries.push_back(entry); });
  return level;
}

// Empties the open folder at every depth, depth first: each sub-folder is
// emptied where it is met, and the sub-folders of a folder are removed, first
// found first, once its entries are done. Every entry is opened through its
// folder's handle, so no rename or link anywhere above it can send the
// engine elsewhere. The folders being emptied are a work list, not a
// recursion, so that no depth of tree can exhaust the stack.
void EmptyFolder(Platform& platform, std::unique_ptr<EngineEntry> folder) {
  std::vector<Level> levels;
  levels.push_back(ListFolder(platform, std::move(folder)));
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.entries.size()) {
      for (const auto& sub : level.subFolders) {
        EntryInfo opened;
        auto entry = OpenListed(platform, *level.folder, sub, kEngineRemove, opened);
        if (entry) platform.EngineRemove(*entry);
      }
      levels.pop_back();
      continue;
    }
    FindEntry& listed = level.entries[level.next++];
    const bool readOnly = (listed.attributes & kAttrReadOnly) != 0;
    // A folder is removed through a handle of its own, opened again once it
    // is empty.
    uint32_t access = (listed.attributes & kAttrDirectory) != 0 ? kEngineList : kEngineRemove;
    if (readOnly) access |= kEngineWriteAttributes;
    EntryInfo opened;
    auto entry = OpenListed(platform, *level.folder, listed, access, opened);
    // A file that another program holds without share-delete cannot be
    // opened for deleting; its read-only bit is cleared all the same.
    if (!entry && readOnly && (access & kEngineRemove) != 0) {
      entry = OpenListed(platform, *level.folder, listed, kEngineWriteAttributes, opened);
    }
    if (!entry) continue;
    // A link's own bits are written, never its target's: the handle is on
    // the link itself.
    if (readOnly) platform.EngineSetAttributes(*entry, opened.attributes & ~kAttrReadOnly);
    if ((opened.attributes & kAttrDirectory) == 0) {
      platform.EngineRemove(*entry);
      continue;
    }
    const bool link = IsReparsePoint(opened.attributes) && IsLinkTag(opened.reparseTag);
    level.subFolders.push_back(std::move(listed));
    // A link is removed with the other sub-folders, never emptied. From here
    // level is stale.
    if (!link) levels.push_back(ListFolder(platform, std::move(entry)));
  }
}

// A listed folder: sorted by its target path, removed through its engine
// form once it is found to be the object that was emptied.
struct ListedFolder {
  std::string target;
  EnginePath engine;
  EntryInfo opened;
  bool link = false;
};

// Removes the listed folder if its path still names the object the engine
// opened before (a link only where the system reports the link itself).
void RemoveListedFolder(Platform& platform, const ListedFolder& folder) {
  auto entry = platform.EngineOpen(folder.engine, kEngineRemove);
  EntryInfo opened;
  if (!entry || !platform.EngineQuery(*entry, opened)) return;
  const bool reparsePoint = IsReparsePoint(opened.attributes);
  if (opened.fileId == folder.opened.fileId &&
      reparsePoint == IsReparsePoint(folder.opened.attributes) && (reparsePoint || !folder.link)) {
    platform.EngineRemove(*entry);
  }
}

}  // namespace

bool IsFolderLink(Platform& platform, const EnginePath& path, uint32_t attributes) {
  if (!IsReparsePoint(attributes)) return false;
  // Only the handle tells the tag; one that cannot be learnt counts as a link.
  auto entry = platform.EngineOpen(path, kEngineInspect);
  EntryInfo opened;
  if (!entry || !platform.EngineQuery(*entry, opened)) return true;
  return IsListedLink(attributes, opened);
}

void DeleteListed(Platform& platform, const DelList& list) {
  // What each listed path names is learnt before anything is deleted: a path
  // that names another object by the time its turn comes (a folder on its way
  // swapped for a link while an earlier entry was deleted) is left alone.
  struct Listed {
    std::string target;
    EnginePath path;
    uint64_t fileId = 0;
  };
  std::vector<Listed> entries;
  for (const auto& listed : list) {
    auto target = TargetPath(platform, listed);
    if (!target) continue;
    EnginePath path = platform.ToEnginePath(*target);
    auto entry = platform.EngineOpen(path, kEngineInspect);
    EntryInfo opened;
    if (!entry || !platform.EngineQuery(*entry, opened)) continue;
    entries.push_back({std::move(*target), std::move(path), opened.fileId});
  }
  std::vector<ListedFolder> folders;
  for (auto& listed : entries) {
    // The entry is opened once more by its path, and what it is comes from
    // its handle; below it no path is used.
    const uint32_t attributes = platform.EngineGetAttributes(listed.path);
    if (attributes == kInvalidAttributes) continue;
    const bool folder = (attributes & kAttrDirectory) != 0;
    auto entry = platform.EngineOpen(listed.path, folder ? kEngineList : kEngineRemove);
    EntryInfo opened;
    if (!entry || !platform.EngineQuery(*entry, opened) || opened.fileId != listed.fileId) {
      continue;
    }
    const bool link = IsListedLink(attributes, opened);
    if ((opened.attributes & kAttrDirectory) != 0) {
      // A listed link is removed below as the link itself, never emptied.
      if (!link) EmptyFolder(platform, std::move(entry));
      folders.push_back({std::move(listed.target), std::move(listed.path), opened, link});
    } else if (!link || IsReparsePoint(opened.attributes)) {
      platform.EngineRemove(*entry);
    }
  }
  // A folder's path sorts before the paths inside it, so removing from the
  // last to the first takes every listed folder after those inside it.
  std::stable_sort(folders.begin(), folders.end(),
                   [&](const ListedFolder& a, const ListedFolder& b) {
                     return platform.CompareNoCase(a.target, b.target) < 0;
                   });
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
    RemoveListedFolder(platform, *folder);
  }
}

}  // namespace moxlyn
