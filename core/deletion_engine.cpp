#include "core/deletion_engine.h"

#include <algorithm>
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

// Whether the listed folder at path is a link. Only an enumeration reports
// the reparse tag; enumerating the bare path yields the entry itself. When
// the tag cannot be learnt the folder counts as a link, so that nothing
// behind it is ever emptied.
bool IsListedLink(Platform& platform, const std::string& path, uint32_t attributes) {
  if ((attributes & kAttrReparsePoint) == 0) return false;
  bool link = true;
  platform.Enumerate(path, [&](const FindEntry& entry) { link = IsLinkTag(entry.reparseTag); });
  return link;
}

}  // namespace

void DeleteListed(Platform& platform, const DelList& list) {
  std::vector<std::string> folders;
  for (const auto& entry : list) {
    const uint32_t attributes = platform.GetAttributes(entry);
    if (attributes != kInvalidAttributes && (attributes & kAttrDirectory) != 0) {
      folders.push_back(entry);
      // A listed link is removed below as the link itself, never emptied.
      if (!IsListedLink(platform, entry, attributes)) DeleteFolderContents(platform, entry);
    } else {
      platform.RemoveFile(entry);
    }
  }
  // A folder's path sorts before the paths inside it, so removing from the
  // last to the first takes every listed folder after those inside it.
  std::stable_sort(folders.begin(), folders.end(), [&](const std::string& a, const std::string& b) {
    return platform.CompareNoCase(a, b) < 0;
  });
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
    platform.RemoveFolder(*folder);
  }
}

void DeleteFolderContents(Platform& platform, const std::string& folder) {
  std::vector<std::string> subFolders;
  platform.Enumerate(folder + "\\*.*", [&](const FindEntry& entry) {
    if (entry.name == "." || entry.name == "..") return;
    const std::string path = folder + "\\" + entry.name;
    const bool link = IsLinkEntry(entry);
    // The enumeration reports the same attribute bits as an attribute query.
    // A link's attributes are left alone: writing them could reach its target.
    if (!link && (entry.attributes & kAttrReadOnly) != 0) {
      platform.SetAttributes(path, entry.attributes & ~kAttrReadOnly);
    }
    if ((entry.attributes & kAttrDirectory) == 0) {
      platform.RemoveFile(path);
      return;
    }
    subFolders.push_back(path);
    if (!link) DeleteFolderContents(platform, path);
  });
  for (const auto& subFolder : subFolders) platform.RemoveFolder(subFolder);
}

}  // namespace moxlyn
