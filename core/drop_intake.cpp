#include "core/drop_intake.h"

#include <iterator>
#include <optional>
#include <string_view>
#include <unordered_map>

#include "core/deletion_engine.h"
#include "core/drop_block.h"
#include "core/utf8.h"

namespace moxlyn {
namespace {

// At least this many dropped names of one folder are answered from one
// listing of it; fewer cost less asked one by one.
constexpr size_t kListedFrom = 3;
// A listing reads at most this many names per dropped name, and a few more,
// before it gives up and the names are asked one by one after all: a few
// names from a large folder cost less that way.
constexpr size_t kNamesPerDropped = 32;
constexpr size_t kNamesSpare = 256;

// Dropped names of one folder (indexes into the asked paths).
struct SharedFolder {
  EnginePath path;
  std::vector<size_t> names;
};

// Answers the folder's names from one listing where it tells exactly what an
// attribute query of each would: the entry of the name's key, or no entry.
void AnswerFromListing(Platform& platform, const SharedFolder& folder,
                       const std::vector<std::optional<std::string>>& keys,
                       std::vector<std::optional<uint32_t>>& answers) {
  struct Found {
    uint32_t attributes = kInvalidAttributes;
    size_t names = 0;
  };
  std::unordered_map<std::string_view, Found> wanted;
  wanted.reserve(folder.names.size());
  for (const size_t name : folder.names) wanted.try_emplace(*keys[name]);
  const size_t budget = kNamesSpare + kNamesPerDropped * folder.names.size();
  size_t listed = 0;
  const bool whole = platform.EngineListKeys(
      folder.path, [&](const std::optional<std::string>& key, uint32_t attributes) {
        // A name no key tells might be any of the dropped ones.
        if (!key || ++listed > budget) return false;
        const auto found = wanted.find(*key);
        if (found != wanted.end()) {
          found->second.attributes = attributes;
          ++found->second.names;
        }
        return true;
      });
  if (!whole) return;
  for (const size_t name : folder.names) {
    // Two names of one key (a folder that tells case apart): the lookup picks.
    const Found& found = wanted.at(*keys[name]);
    if (found.names <= 1) answers[name] = found.attributes;
  }
}

// The attribute bits of the entry at each target, as EngineGetAttributes
// tells them for its engine form; names that share a folder answered from
// one listing of it where it can tell, every other name asked alone.
std::vector<uint32_t> AttributesOf(Platform& platform, const std::vector<std::string>& targets) {
  std::vector<std::optional<std::string>> keys(targets.size());
  std::vector<SharedFolder> folders;
  // By folder part; nothing where its names cannot be joined to it.
  std::unordered_map<std::string_view, std::optional<size_t>> folderAt;
  for (size_t name = 0; name < targets.size(); ++name) {
    const std::string_view target = targets[name];
    const size_t start = FileNameStart(target);
    keys[name] = platform.LookupKey(std::string(target.substr(start)));
    if (!keys[name]) continue;
    const auto at = folderAt.try_emplace(target.substr(0, start));
    if (at.second) {
      auto path = platform.EngineFolderOf(std::string(target.substr(0, start)));
      if (path) {
        at.first->second = folders.size();
        folders.push_back({std::move(*path), {}});
      }
    }
    if (at.first->second) folders[*at.first->second].names.push_back(name);
  }
  std::vector<std::optional<uint32_t>> answers(targets.size());
  for (const auto& folder : folders) {
    if (folder.names.size() >= kListedFrom) AnswerFromListing(platform, folder, keys, answers);
  }
  std::vector<uint32_t> attributes(targets.size());
  for (size_t name = 0; name < targets.size(); ++name) {
    attributes[name] = answers[name]
                           ? *answers[name]
                           : platform.EngineGetAttributes(platform.ToEnginePath(targets[name]));
  }
  return attributes;
}

void AppendDropped(Platform& platform, const std::vector<std::string>& paths, DelList& list) {
  // The folder test sees what the engine will delete: the name exactly as
  // dropped, in the engine's literal form. A name IsDroppableName refuses is
  // never looked at, not even for whether it is a folder.
  std::vector<bool> droppable(paths.size());
  std::vector<size_t> asked;
  std::vector<std::string> targets;
  for (size_t at = 0; at < paths.size(); ++at) {
    droppable[at] = IsDroppableName(paths[at]);
    auto target = droppable[at] ? TargetPath(paths[at]) : std::nullopt;
    if (!target) continue;
    asked.push_back(at);
    targets.push_back(std::move(*target));
  }
  const std::vector<uint32_t> attributes = AttributesOf(platform, targets);
  for (size_t at = 0, next = 0; at < paths.size(); ++at) {
    if (!droppable[at]) continue;
    list.push_back(paths[at]);
    if (next == asked.size() || asked[next] != at) continue;
    const size_t name = next++;
    if (attributes[name] == kInvalidAttributes || (attributes[name] & kAttrDirectory) == 0) {
      continue;
    }
    // A dropped link is listed as itself only: its target's entries are not
    // the user's to delete.
    if (IsFolderLink(platform, platform.ToEnginePath(targets[name]), attributes[name])) continue;
    std::vector<std::string> listing;
    CollectFolder(platform, paths[at], listing);
    for (const auto& entry : listing) list.push_back(entry);
  }
}

}  // namespace

void IntakeDrop(Platform& platform, const std::vector<std::string>& paths, DelList& list) {
  const DelList::Mark before = list.Here();
  try {
    AppendDropped(platform, paths, list);
  } catch (...) {
    // Memory ran out on the way: what this drop appended goes again, with
    // the memory its text took.
    list.TakeBack(before);
    throw;
  }
}

void CollectFolder(Platform& platform, const std::string& folder,
                   std::vector<std::string>& listing) {
  // JoinPath(folder, name) for every entry: a name from the file system never
  // begins with a backslash, so the join is one prefix, worked out once.
  const std::string prefix = JoinPath(folder, "");
  platform.Enumerate(prefix + "*", [&](const FindEntry& entry) {
    if (entry.name == "." || entry.name == "..") return;
    if (!IsListableName(entry.name)) return;
    listing.push_back(prefix + entry.name);
  });
}

}  // namespace moxlyn
