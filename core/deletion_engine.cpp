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

// Whether the listed folder at path (engine form) is a link. Only an
// enumeration reports the reparse tag; enumerating the bare path yields the
// entry itself. When the tag cannot be learnt the folder counts as a link, so
// that nothing behind it is ever emptied.
bool IsListedLink(Platform& platform, const std::string& path, uint32_t attributes) {
  if ((attributes & kAttrReparsePoint) == 0) return false;
  bool link = true;
  platform.EngineEnumerate(path,
                           [&](const FindEntry& entry) { link = IsLinkTag(entry.reparseTag); });
  return link;
}

// Empties folder, given and worked on in the platform's engine form.
void EmptyFolder(Platform& platform, const std::string& folder) {
  std::vector<std::string> subFolders;
  platform.EngineEnumerate(folder + "\\*.*", [&](const FindEntry& entry) {
    if (entry.name == "." || entry.name == "..") return;
    const std::string path = folder + "\\" + entry.name;
    const bool link = IsLinkEntry(entry);
    // The enumeration reports the same attribute bits as an attribute query.
    // A link's attributes are left alone: writing them could reach its target.
    if (!link && (entry.attributes & kAttrReadOnly) != 0) {
      platform.EngineSetAttributes(path, entry.attributes & ~kAttrReadOnly);
    }
    if ((entry.attributes & kAttrDirectory) == 0) {
      platform.EngineRemoveFile(path);
      return;
    }
    subFolders.push_back(path);
    if (!link) EmptyFolder(platform, path);
  });
  for (const auto& subFolder : subFolders) platform.EngineRemoveFolder(subFolder);
}

// A listed folder: sorted by its listed path, removed through its engine form.
struct ListedFolder {
  const std::string* listed;
  std::string engine;
};

}  // namespace

void DeleteListed(Platform& platform, const DelList& list) {
  std::vector<ListedFolder> folders;
  for (const auto& entry : list) {
    std::string path = platform.EnginePath(entry);
    const uint32_t attributes = platform.EngineGetAttributes(path);
    if (attributes != kInvalidAttributes && (attributes & kAttrDirectory) != 0) {
      // A listed link is removed below as the link itself, never emptied.
      if (!IsListedLink(platform, path, attributes)) EmptyFolder(platform, path);
      folders.push_back({&entry, std::move(path)});
    } else {
      platform.EngineRemoveFile(path);
    }
  }
  // A folder's path sorts before the paths inside it, so removing from the
  // last to the first takes every listed folder after those inside it.
  std::stable_sort(folders.begin(), folders.end(),
                   [&](const ListedFolder& a, const ListedFolder& b) {
                     return platform.CompareNoCase(*a.listed, *b.listed) < 0;
                   });
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
    platform.EngineRemoveFolder(folder->engine);
  }
}

void DeleteFolderContents(Platform& platform, const std::string& folder) {
  EmptyFolder(platform, platform.EnginePath(folder));
}

}  // namespace moxlyn
