#include "core/drop_intake.h"

#include <iterator>

#include "core/deletion_engine.h"
#include "core/drop_block.h"

namespace moxlyn {
namespace {

// text with each ASCII character as itself and each byte of any other as an
// ideographic space: what the name rules look at (they forbid ASCII only, and
// a UTF-8 sequence holds no ASCII byte).
std::u16string Characters(Platform& /*platform*/, std::string_view text) {
  std::u16string characters(text.size(), u'\x3000');
  for (size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) characters[at] = byte;
  }
  return characters;
}

void AppendDropped(Platform& platform, const std::vector<std::string>& paths, DelList& list) {
  for (const auto& path : paths) {
    // Never looked at, not even for whether it is a folder.
    if (!IsDroppableName(Characters(platform, path))) continue;
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
    if (!IsListableName(Characters(platform, entry.name))) return;
    listing.push_back(prefix + entry.name);
  });
}

}  // namespace moxlyn
