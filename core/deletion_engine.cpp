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

bool IsLinkEntry(const FindEntry& entry) {
  return (entry.attributes & kAttrReparsePoint) != 0 && IsLinkTag(entry.reparseTag);
}

// One folder being emptied: its path is the first `length` bytes of the path
// the engine works on (its text); its entries were listed whole before any was touched;
// the names of its sub-folders wait there for their removal.
struct Level {
  size_t length = 0;
  std::vector<FindEntry> entries;
  size_t next = 0;
  std::vector<std::string> subFolders;
};

// The entries of the folder at path, "." and ".." left out. path comes back
// as it was given.
Level ListFolder(Platform& platform, EnginePath& path) {
  Level level;
  level.length = path.text.size();
  path.text += "\\*.*";
  platform.EngineEnumerate(path, [&](const FindEntry& entry) {
    if (entry.name == "." || entry.name == "..") return;
    level.entries.push_back(entry);
  });
  path.text.resize(level.length);
  return level;
}

// Empties the folder at path (engine form) at every depth, depth first: each
// sub-folder is emptied where it is met, and the sub-folders of a folder are
// removed, first found first, once its entries are done. The folders being
// emptied are a work list, not a recursion, so that no depth of tree can
// exhaust the stack; the one path grows and shrinks in place, so that a deep
// tree costs no copy of its path per level.
void EmptyFolder(Platform& platform, EnginePath path) {
  std::vector<Level> levels;
  levels.push_back(ListFolder(platform, path));
  while (!levels.empty()) {
    Level& level = levels.back();
    path.text.resize(level.length);
    if (level.next == level.entries.size()) {
      for (const auto& name : level.subFolders) {
        path.text.resize(level.length);
        path.text += '\\';
        path.text += name;
        platform.EngineRemoveFolder(path);
      }
      levels.pop_back();
      continue;
    }
    FindEntry& entry = level.entries[level.next++];
    path.text += '\\';
    path.text += entry.name;
    // The enumeration reports the same attribute bits as an attribute query.
    // The platform writes a link's own bits, never its target's.
    if ((entry.attributes & kAttrReadOnly) != 0) {
      platform.EngineSetAttributes(path, entry.attributes & ~kAttrReadOnly);
    }
    if ((entry.attributes & kAttrDirectory) == 0) {
      platform.EngineRemoveFile(path);
      continue;
    }
    const bool link = IsLinkEntry(entry);
    level.subFolders.push_back(std::move(entry.name));
    // A link is removed with the other sub-folders, never emptied.
    if (!link) levels.push_back(ListFolder(platform, path));  // level is stale from here
  }
}

// A listed folder: sorted by its target path, removed through its engine form.
struct ListedFolder {
  std::string target;
  EnginePath engine;
};

}  // namespace

bool IsFolderLink(Platform& platform, const EnginePath& path, uint32_t attributes) {
  if ((attributes & kAttrReparsePoint) == 0) return false;
  // Only an enumeration reports the reparse tag; enumerating the bare path
  // yields the entry itself.
  bool link = true;
  platform.EngineEnumerate(path,
                           [&](const FindEntry& entry) { link = IsLinkTag(entry.reparseTag); });
  return link;
}

void DeleteListed(Platform& platform, const DelList& list) {
  std::vector<ListedFolder> folders;
  for (const auto& entry : list) {
    auto target = TargetPath(platform, entry);
    if (!target) continue;
    EnginePath path = platform.ToEnginePath(*target);
    const uint32_t attributes = platform.EngineGetAttributes(path);
    if (attributes != kInvalidAttributes && (attributes & kAttrDirectory) != 0) {
      // A listed link is removed below as the link itself, never emptied.
      if (!IsFolderLink(platform, path, attributes)) EmptyFolder(platform, path);
      folders.push_back({std::move(*target), std::move(path)});
    } else {
      platform.EngineRemoveFile(path);
    }
  }
  // A folder's path sorts before the paths inside it, so removing from the
  // last to the first takes every listed folder after those inside it.
  std::stable_sort(folders.begin(), folders.end(),
                   [&](const ListedFolder& a, const ListedFolder& b) {
                     return platform.CompareNoCase(a.target, b.target) < 0;
                   });
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
    platform.EngineRemoveFolder(folder->engine);
  }
}

}  // namespace moxlyn
