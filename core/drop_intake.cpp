#include "core/drop_intake.h"

#include <iterator>

#include "core/deletion_engine.h"

namespace moxlyn {
namespace {

void AppendDropped(Platform& platform, const std::vector<std::string>& paths, DelList& list) {
  for (const auto& path : paths) {
    list.push_back(path);
    // The folder test sees what the engine will delete: the name exactly as
    // dropped, in the engine's literal form.
    const auto target = TargetPath(platform, path);
    if (!target) continue;
    const EnginePath engine = platform.ToEnginePath(*target);
    const uint32_t attributes = platform.EngineGetAttributes(engine);
    if (attributes == kInvalidAttributes || (attributes & kAttrDirectory) == 0) continue;
    // A dropped link is listed as itself only: its target's entries are not
    // the user's to delete.
    if (IsFolderLink(platform, engine, attributes)) continue;
    std::vector<std::string> listing;
    CollectFolder(platform, path, listing);
    list.insert(list.end(), std::make_move_iterator(listing.begin()),
                std::make_move_iterator(listing.end()));
  }
}

}  // namespace

void IntakeDrop(Platform& platform, const std::vector<std::string>& paths, DelList& list) {
  const size_t before = list.size();
  try {
    AppendDropped(platform, paths, list);
  } catch (...) {
    // Memory ran out on the way: what this drop appended goes again.
    list.resize(before);
    throw;
  }
}

void CollectFolder(Platform& platform, const std::string& folder,
                   std::vector<std::string>& listing) {
  // JoinPath(folder, name) for every entry: a name from the file system never
  // begins with a backslash, so the join is one prefix, worked out once.
  const std::string prefix = JoinPath(platform, folder, "");
  platform.Enumerate(prefix + "*", [&](const FindEntry& entry) {
    if (entry.name == "." || entry.name == "..") return;
    listing.push_back(prefix + entry.name);
  });
}

}  // namespace moxlyn
