#include "core/drop_intake.h"

#include <iterator>

namespace moxlyn {

namespace {

// Drops every byte of 32 or less from both ends; bytes above 0x7F stay.
std::string TrimControls(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 0x20) --end;
  return text.substr(begin, end - begin);
}

}  // namespace

void IntakeDrop(Platform& platform, const std::vector<std::string>& paths, DelList& list) {
  for (const auto& path : paths) {
    list.push_back(path);
    const uint32_t attributes = platform.GetAttributes(path);
    if (attributes == kInvalidAttributes || (attributes & kAttrDirectory) == 0) continue;
    std::vector<std::string> listing;
    CollectFolder(platform, path, listing);
    list.insert(list.end(), std::make_move_iterator(listing.begin()),
                std::make_move_iterator(listing.end()));
  }
}

void CollectFolder(Platform& platform, const std::string& folder,
                   std::vector<std::string>& listing) {
  const std::string trimmed = TrimControls(folder);
  // JoinPath(trimmed, name) for every entry: a name from the file system
  // never begins with a backslash, so the join is one prefix, worked out once.
  const std::string prefix = JoinPath(platform, trimmed, "");
  platform.Enumerate(trimmed + "\\*", [&](const FindEntry& entry) {
    if (entry.name == "." || entry.name == "..") return;
    listing.push_back(prefix + entry.name);
  });
}

}  // namespace moxlyn
