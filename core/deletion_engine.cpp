#include "core/deletion_engine.h"

#include <algorithm>
#include <initializer_list>
#include <map>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/utf8.h"

namespace moxlyn {
namespace {

// A reparse point is a link (junction, symbolic link or any other name
// surrogate, or a tag not defined by Microsoft) unless its tag says it is an
// ordinary folder with extra data (deduplicated, cloud-backed, ...).
bool IsLinkTag(uint32_t reparseTag) {
  return (reparseTag & kReparseTagNameSurrogate) != 0 || (reparseTag & kReparseTagMicrosoft) == 0;
}

bool IsReparsePoint(uint32_t attributes) { return (attributes & kAttrReparsePoint) != 0; }
bool IsDirectory(uint32_t attributes) { return (attributes & kAttrDirectory) != 0; }

// Whether the entry that its folder's listing or an attribute query by path
// showed with seenAttributes is a link, its open handle telling opened. The
// handle knows the tag; a link that the handle does not show as a reparse
// point means the system followed it on opening (Wine does).
bool IsListedLink(uint32_t seenAttributes, const EntryInfo& opened) {
  if (IsReparsePoint(opened.attributes)) return IsLinkTag(opened.reparseTag);
  return seenAttributes != kInvalidAttributes && IsReparsePoint(seenAttributes);
}

// Whether an entry opened by its name is the object that its folder's
// listing named: a reparse point exactly when the listing said so, and the
// same file ID where both IDs are known. Anything else was put in its place
// after the listing, or is the target of a link the system followed: it is
// left alone. Where an ID is unknown the open itself, relative to the folder
// and never through a link, and the reparse check decide.
bool IsListedObject(const FindEntry& listed, const EntryInfo& opened) {
  if (IsReparsePoint(opened.attributes) != IsReparsePoint(listed.attributes)) return false;
  return !listed.fileId.Known() || listed.fileId.Same(opened.fileId);
}

// Opens the entry listed inside folder with the first of tries that is
// granted (granted tells which), and checks that it is the object the
// listing named; null when it cannot be opened or is another. Where the
// listing gave a known ID and no reparse point, the ID alone decides and
// the rest of opened comes from the listing: the entry was opened without
// following a link, so an object with that ID is the one listed (where the
// system follows links, the listing marks a link as a reparse point, and
// such an entry is asked in full). The ID asked is of the listing's kind: a
// volume's 64-bit and 128-bit IDs need not agree.
std::unique_ptr<EngineEntry> OpenListed(Platform& platform, EngineEntry& folder,
                                        const FindEntry& listed,
                                        std::initializer_list<uint32_t> tries, uint32_t& granted,
                                        EntryInfo& opened) {
  std::unique_ptr<EngineEntry> entry;
  for (const uint32_t access : tries) {
    entry = platform.EngineOpenChild(folder, listed.name, access);
    granted = access;
    if (entry) break;
  }
  if (!entry) return nullptr;
  if (listed.fileId.Known() && !IsReparsePoint(listed.attributes)) {
    FileId id;
    if (!platform.EngineQueryId(*entry, listed.fileId.kind, id) || !listed.fileId.Same(id)) {
      return nullptr;
    }
    opened = {listed.attributes, listed.reparseTag, id};
    return entry;
  }
  if (!platform.EngineQuery(*entry, opened)) return nullptr;
  if (listed.fileId.Known() && opened.fileId.kind != listed.fileId.kind &&
      !platform.EngineQueryId(*entry, listed.fileId.kind, opened.fileId)) {
    return nullptr;
  }
  if (!IsListedObject(listed, opened)) return nullptr;
  return entry;
}

// One folder being emptied: held open by handle (for its listing, and for
// its removal where canRemove says so) and, where that could not delete it,
// by remover; its entries were listed whole before any was touched. name is
// its name in its parent (empty for the folder the emptying began with).
struct Level {
  std::unique_ptr<EngineEntry> handle;
  std::unique_ptr<EngineEntry> remover;
  bool canRemove = false;
  bool listedWhole = false;
  std::string name;
  std::vector<FindEntry> entries;
  size_t next = 0;
};

Level ListFolder(Platform& platform, std::unique_ptr<EngineEntry> handle,
                 std::unique_ptr<EngineEntry> remover, bool canRemove, std::string name) {
  Level level;
  level.handle = std::move(handle);
  level.remover = std::move(remover);
  level.canRemove = canRemove;
  level.name = std::move(name);
  level.listedWhole = platform.EngineList(
      *level.handle, [&](const FindEntry& entry) { level.entries.push_back(entry); });
  return level;
}

// What a listed folder that could not be removed left inside it, kept where
// listed entries lie under it: the paths below it (names joined by
// backslashes, upper-cased) of what could not be removed or was not reached,
// and of such folders whose insides are unknown the path with "\*" added.
struct LeftInside {
  bool all = false;  // nothing inside is known: all of it counts as left
  std::unordered_set<std::string> paths;

  // Whether the entry at path below the folder (its names joined by
  // backslashes, upper-cased) was left.
  bool Holds(const std::string& path) const {
    if (all || paths.count(path) != 0) return true;
    for (size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 1)) {
      if (paths.count(path.substr(0, at) + "\\*") != 0) return true;
    }
    return false;
  }
};

constexpr size_t kNone = static_cast<size_t>(-1);

// A listed folder that other listed entries lie under, opened when the first
// of them needs it: through remover it is deleted at its own turn, through
// lister those entries are reached; byName and byId find its listing's entry.
struct HeldFolder {
  std::unique_ptr<EngineEntry> remover;
  EntryInfo opened;
  uint32_t seenAttributes = kInvalidAttributes;
  std::unique_ptr<EngineEntry> lister;
  std::vector<FindEntry> entries;
  std::unordered_map<std::string, size_t> byName;
  std::map<std::pair<uint64_t, uint64_t>, size_t> byId;
  FileIdKind idKind = FileIdKind::k64;  // the kind of the IDs in byId
};

// What became of a listed entry.
enum class Fate : uint8_t {
  kUnreached,  // its turn never came (the stop)
  kGone,
  kRemains,
  kAsAncestor,  // left to its nearest listed ancestor: what that left tells
};

// One entry of the list, as the engine acts on it.
struct Listed {
  std::string target;
  size_t entry = 0;         // its place in the list
  size_t ancestor = kNone;  // its nearest listed ancestor, kNone for none
  bool done = false;        // its turn has come
  bool unusable = false;    // needed as a folder and found to be none
  bool hasBelow = false;    // other listed entries have it as their nearest ancestor
  Fate fate = Fate::kUnreached;
  std::unique_ptr<HeldFolder> held;
  std::unique_ptr<LeftInside> left;  // where it has entries below and remains
};

// The list's path rules applied to names: a backslash or a slash ends one.
bool IsSeparator(const std::string& path, size_t at) { return path[at] == '/' || path[at] == '\\'; }

// A key that is the same for two targets that name the same path by the
// list's rules (case ignored, either separator), and that no drive root
// ends in a separator.
std::string KeyOf(Platform& platform, const std::string& target) {
  std::string key = platform.UpperCase(target);
  for (size_t i = 0; i < key.size(); i += NextCharLength(key, i)) {
    if (key[i] == '/') key[i] = '\\';
  }
  if (!key.empty() && key.back() == '\\') key.pop_back();
  return key;
}

// The names of target below the listed folder whose target is ancestor;
// empty when one of them is no name to look up in a folder ("." or "..").
std::vector<std::string> NamesBelow(const std::string& ancestor, const std::string& target) {
  std::vector<std::string> names;
  std::string name;
  size_t at = ancestor.size();
  while (at <= target.size()) {
    if (at == target.size() || IsSeparator(target, at)) {
      if (name == "." || name == "..") return {};
      if (!name.empty()) names.push_back(name);
      name.clear();
      if (at == target.size()) break;
      ++at;
      continue;
    }
    const size_t length = NextCharLength(target, at);
    name.append(target, at, length);
    at += length;
  }
  return names;
}

class Engine {
 public:
  Engine(Platform& platform, const DelList& list, DeletionProgress* progress)
      : platform_(platform), progress_(progress) {
    items_.reserve(list.size());
    // The keys stay where they are: the map holds views of them.
    std::vector<std::string> keys;
    keys.reserve(list.size());
    std::unordered_map<std::string_view, size_t> byKey;
    byKey.reserve(list.size());
    size_t place = 0;
    for (const auto& entry : list) {
      auto target = TargetPath(entry);
      if (target) {
        keys.push_back(KeyOf(platform_, *target));
        byKey.emplace(keys.back(), items_.size());
        items_.emplace_back();
        items_.back().target = std::move(*target);
        items_.back().entry = place;
      }
      ++place;
    }
    // The nearest listed ancestor: the longest listed path that a target's
    // path lies under, by the list's own rules.
    std::vector<size_t> ends;
    for (size_t i = 0; i < items_.size(); ++i) {
      const std::string_view key = keys[i];
      ends.clear();
      for (size_t at = 0; at < key.size(); at += NextCharLength(key, at)) {
        if (key[at] == '\\') ends.push_back(at);
      }
      for (auto end = ends.rbegin(); end != ends.rend() && items_[i].ancestor == kNone; ++end) {
        const auto found = byKey.find(key.substr(0, *end));
        if (found != byKey.end()) items_[i].ancestor = found->second;
      }
      if (items_[i].ancestor != kNone) items_[items_[i].ancestor].hasBelow = true;
    }
  }

  DeletionOutcome Run(size_t listSize) {
    for (size_t i = 0; i < items_.size(); ++i) {
      if (Stopping()) break;
      Listed& item = items_[i];
      // What lies under a listed folder whose turn has come was handled by
      // it, or is not the user's to delete (the folder was a link).
      if (UnderHandledFolder(i)) {
        item.fate = Fate::kAsAncestor;
      } else {
        // Where a deleted name stays until its last handle closes, a folder
        // with a handle open inside it cannot go: the folders held for the
        // entries under this one are its own to delete now, and closed first.
        CloseHeldUnder(i);
        item.fate = Delete(i);
      }
      item.done = true;
      item.held.reset();
      if (progress_ != nullptr) progress_->entriesDone.store(item.entry + 1);
    }
    // Past a stop, what lies under a folder whose turn came is as that folder left it.
    for (size_t i = 0; i < items_.size(); ++i) {
      if (!items_[i].done && UnderHandledFolder(i)) items_[i].fate = Fate::kAsAncestor;
    }
    DeletionOutcome outcome;
    outcome.remains.assign(listSize, false);
    for (size_t i = 0; i < items_.size(); ++i) outcome.remains[items_[i].entry] = Remains(i);
    // A stop that left nothing behind came too late to change anything.
    outcome.stopped = stopped_ && outcome.Remaining() != 0;
    if (progress_ != nullptr && !stopped_) progress_->entriesDone.store(listSize);
    return outcome;
  }

 private:
  // The stop was asked for: true from then on, and the outcome says so.
  bool Stopping() {
    if (progress_ != nullptr && progress_->stop.load(std::memory_order_relaxed)) stopped_ = true;
    return stopped_;
  }

  bool Remove(EngineEntry& entry) {
    if (!platform_.EngineRemove(entry)) return false;
    if (progress_ != nullptr) progress_->removed.fetch_add(1, std::memory_order_relaxed);
    return true;
  }

  // Whether something is still at the path of the listed entry at index.
  bool Remains(size_t index) {
    const Listed& item = items_[index];
    if (item.fate != Fate::kAsAncestor) return item.fate != Fate::kGone;
    size_t at = item.ancestor;
    while (at != kNone && items_[at].fate == Fate::kAsAncestor) at = items_[at].ancestor;
    if (at == kNone) return true;
    const Listed& top = items_[at];
    if (top.fate == Fate::kGone) return false;
    if (top.fate == Fate::kUnreached || !top.left) return true;
    const auto names = NamesBelow(top.target, item.target);
    if (names.empty()) return true;
    std::string path;
    for (const auto& name : names) {
      if (!path.empty()) path += '\\';
      path += name;
    }
    return top.left->Holds(platform_.UpperCase(path));
  }

  // Empties the folder that remover holds at every depth, depth first, and
  // removes it: each sub-folder is emptied where it is met and removed once it
  // is empty; true when the folder is gone. Every entry is opened through its
  // folder's handle with what its listing says it needs: a file or a link
  // with no more than deleting needs (a link is deleted through that handle,
  // never listed), a real folder for listing and deleting too, with less
  // where that is refused (an empty folder that refuses its listing is still
  // removed, one that refuses deletion still emptied). The folders being
  // emptied are a work list, not a recursion, so that no depth of tree can
  // exhaust the stack. left, where given, gets what was left inside.
  bool EmptyAndRemove(std::unique_ptr<EngineEntry> remover, LeftInside* left) {
    auto lister = platform_.EngineReopen(*remover, kEngineList);
    // A folder that refuses its listing is removed if it is empty.
    if (!lister) {
      if (Remove(*remover)) return true;
      if (left != nullptr) left->all = true;
      return false;
    }
    std::vector<Level> levels;
    levels.push_back(ListFolder(platform_, std::move(lister), std::move(remover), false, {}));
    // Notes the entry named name inside the innermost level as left.
    const auto note = [&](const std::string& name, bool unknownInside) {
      if (left == nullptr) return;
      std::string path;
      for (size_t k = 1; k < levels.size(); ++k) path.append(levels[k].name).push_back('\\');
      path = platform_.UpperCase(path + name);
      if (unknownInside) left->paths.insert(path + "\\*");
      left->paths.insert(std::move(path));
    };
    while (!levels.empty()) {
      if (Stopping()) {
        // What the stop leaves: the folders being emptied, and what their
        // listings named that was not reached yet.
        while (!levels.empty()) {
          Level& level = levels.back();
          for (size_t k = level.next; k < level.entries.size(); ++k) {
            note(level.entries[k].name, IsDirectory(level.entries[k].attributes));
          }
          const std::string name = std::move(level.name);
          levels.pop_back();
          if (!levels.empty()) note(name, false);
        }
        return false;
      }
      Level& level = levels.back();
      if (level.next == level.entries.size()) {
        auto handle = std::move(level.handle);
        auto done = std::move(level.remover);
        const bool canRemove = level.canRemove;
        const bool listedWhole = level.listedWhole;
        const std::string name = std::move(level.name);
        levels.pop_back();
        bool removed = false;
        if (done) {
          // The listing handle is closed first: the folder goes with its last handle.
          handle.reset();
          removed = Remove(*done);
        } else if (canRemove) {
          removed = Remove(*handle);
        }
        if (levels.empty()) {
          if (!removed && !listedWhole && left != nullptr) left->all = true;
          return removed;
        }
        if (!removed) note(name, !listedWhole);
        continue;
      }
      const FindEntry& listed = level.entries[level.next++];
      const uint32_t write =
          (listed.attributes & kAttrReadOnly) != 0 ? uint32_t{kEngineWriteAttributes} : 0u;
      const bool realFolder = IsDirectory(listed.attributes) && !IsReparsePoint(listed.attributes);
      EntryInfo opened;
      uint32_t granted = 0;
      // A file that another program holds without share-delete cannot be
      // opened for deleting; its read-only bit is cleared all the same. A
      // read-only folder whose rights refuse the attribute write is still
      // listed and emptied with what they grant.
      std::unique_ptr<EngineEntry> entry;
      if (!realFolder) {
        entry = OpenListed(platform_, *level.handle, listed, {kEngineRemove | write, write},
                           granted, opened);
      } else if (write == 0) {
        entry =
            OpenListed(platform_, *level.handle, listed,
                       {kEngineList | kEngineRemove, kEngineList, kEngineRemove}, granted, opened);
      } else {
        entry = OpenListed(platform_, *level.handle, listed,
                           {kEngineList | kEngineRemove | write, kEngineList | write,
                            kEngineRemove | write, kEngineList | kEngineRemove, kEngineList},
                           granted, opened);
      }
      if (!entry) {
        note(listed.name, realFolder);
        continue;
      }
      // A link's own bits are written, never its target's: the handle is on
      // the link itself.
      if ((granted & kEngineWriteAttributes) != 0) {
        platform_.EngineSetAttributes(*entry, opened.attributes & ~kAttrReadOnly);
      }
      if (!IsDirectory(opened.attributes) ||
          (IsReparsePoint(opened.attributes) && IsLinkTag(opened.reparseTag))) {
        if (!Remove(*entry)) note(listed.name, false);
        continue;
      }
      std::unique_ptr<EngineEntry> folderRemover;
      if ((granted & kEngineList) == 0) {
        // A folder with extra data (deduplicated, cloud files) was opened as a
        // link would be; one that refused its listing has no more to give.
        if (realFolder) {
          if (!Remove(*entry)) note(listed.name, true);
          continue;
        }
        folderRemover = std::move(entry);
        entry = platform_.EngineReopen(*folderRemover, kEngineList);
        if (!entry) {
          if (!Remove(*folderRemover)) note(listed.name, true);
          continue;
        }
      }
      const bool canRemove = (granted & kEngineRemove) != 0;
      // From here level is stale.
      levels.push_back(ListFolder(platform_, std::move(entry), std::move(folderRemover), canRemove,
                                  listed.name));
    }
    return false;
  }

  // Deletes the entry held open as entry, which its folder's listing or an
  // attribute query by path showed with seenAttributes: a file or a link (as
  // itself, never its target), or a real folder emptied and removed; true
  // when it is gone. left, where given, gets what was left inside.
  bool DeleteOpened(std::unique_ptr<EngineEntry> entry, const EntryInfo& opened,
                    uint32_t seenAttributes, LeftInside* left) {
    const bool link = IsListedLink(seenAttributes, opened);
    if (IsDirectory(opened.attributes) && !link) return EmptyAndRemove(std::move(entry), left);
    if (!link || IsReparsePoint(opened.attributes)) return Remove(*entry);
    // A link that the system followed on opening stays, and so does what it leads to.
    if (left != nullptr) left->all = true;
    return false;
  }

  void CloseHeldUnder(size_t index) {
    size_t kept = 0;
    for (const size_t at : heldItems_) {
      if (!items_[at].held) continue;
      bool under = false;
      for (size_t up = items_[at].ancestor; up != kNone && !under; up = items_[up].ancestor) {
        under = up == index;
      }
      if (under) {
        items_[at].held.reset();
      } else {
        heldItems_[kept++] = at;
      }
    }
    heldItems_.resize(kept);
  }

  bool UnderHandledFolder(size_t index) {
    for (size_t at = items_[index].ancestor; at != kNone; at = items_[at].ancestor) {
      if (items_[at].done || items_[at].unusable) return true;
    }
    return false;
  }

  Fate Delete(size_t index) {
    Listed& item = items_[index];
    LeftInside* left = nullptr;
    if (item.hasBelow) {
      item.left = std::make_unique<LeftInside>();
      left = item.left.get();
    }
    if (item.held) {
      HeldFolder& held = *item.held;
      held.lister.reset();
      return DeleteOpened(std::move(held.remover), held.opened, held.seenAttributes, left)
                 ? Fate::kGone
                 : Fate::kRemains;
    }
    EntryInfo opened;
    uint32_t seen = kInvalidAttributes;
    Fate fate = Fate::kRemains;
    auto entry = Reach(index, opened, seen, fate);
    if (!entry) {
      if (left != nullptr) left->all = true;
      return fate;
    }
    return DeleteOpened(std::move(entry), opened, seen, left) ? Fate::kGone : Fate::kRemains;
  }

  // Opens the listed entry at index, with the right to delete where that is
  // granted: by its path when it lies under no listed folder, otherwise
  // through its nearest listed ancestor's handle, one name at a time, each
  // checked to be the object its folder's listing names (a link on the way
  // ends it). seen gets what the listing or an attribute query by path
  // showed of it. Where it cannot be opened, unreached tells what that
  // means: gone (its path names nothing), remains, or as its ancestor (its
  // folder's listing did not name it, or its folder is no real folder).
  std::unique_ptr<EngineEntry> Reach(size_t index, EntryInfo& opened, uint32_t& seen,
                                     Fate& unreached) {
    unreached = Fate::kRemains;
    const Listed& item = items_[index];
    if (item.ancestor == kNone) {
      const EnginePath path = platform_.ToEnginePath(item.target);
      // A folder that may not be deleted is still emptied.
      auto entry = platform_.EngineOpen(path, kEngineRemove);
      if (!entry) entry = platform_.EngineOpen(path, kEngineInspect);
      if (!entry) {
        if (platform_.EngineGetAttributes(path) == kInvalidAttributes) unreached = Fate::kGone;
        return nullptr;
      }
      if (!platform_.EngineQuery(*entry, opened)) return nullptr;
      // Asked after the open: a link put there before it shows here, where
      // the system followed it and the handle does not tell.
      seen = platform_.EngineGetAttributes(path);
      return entry;
    }
    HeldFolder* folder = Hold(item.ancestor);
    if (folder == nullptr) {
      unreached = Fate::kAsAncestor;
      return nullptr;
    }
    const auto names = NamesBelow(items_[item.ancestor].target, item.target);
    if (names.empty()) return nullptr;
    HeldFolder step;
    for (size_t k = 0;; ++k) {
      const FindEntry* listed = Find(*folder, names[k]);
      if (listed == nullptr) {
        unreached = Fate::kAsAncestor;
        return nullptr;
      }
      seen = listed->attributes;
      uint32_t granted = 0;
      if (k + 1 == names.size()) {
        // A folder that may not be deleted is still emptied.
        return OpenListed(platform_, *folder->lister, *listed, {kEngineRemove, kEngineInspect},
                          granted, opened);
      }
      // A folder on the way: a real one, listed through its own handle.
      auto entry =
          OpenListed(platform_, *folder->lister, *listed, {kEngineInspect}, granted, opened);
      if (!entry || !IsDirectory(opened.attributes) || IsReparsePoint(opened.attributes)) {
        return nullptr;
      }
      HeldFolder next;
      next.lister = platform_.EngineReopen(*entry, kEngineList);
      if (!next.lister) return nullptr;
      TakeListing(next);
      step = std::move(next);
      folder = &step;
    }
  }

  // The listed folder at index, opened and listed when first needed; null
  // when it is no real folder (its entries are then left alone).
  HeldFolder* Hold(size_t index) {
    // The chain of listed ancestors not yet held, opened from the top down.
    std::vector<size_t> chain;
    for (size_t at = index; at != kNone && !items_[at].held; at = items_[at].ancestor) {
      if (items_[at].unusable) return nullptr;
      chain.push_back(at);
    }
    for (auto at = chain.rbegin(); at != chain.rend(); ++at) {
      Listed& item = items_[*at];
      auto held = std::make_unique<HeldFolder>();
      Fate unreached = Fate::kRemains;
      held->remover = Reach(*at, held->opened, held->seenAttributes, unreached);
      if (held->remover && IsDirectory(held->opened.attributes) &&
          !IsListedLink(held->seenAttributes, held->opened)) {
        held->lister = platform_.EngineReopen(*held->remover, kEngineList);
      }
      if (!held->lister) {
        item.unusable = true;
        return nullptr;
      }
      TakeListing(*held);
      item.held = std::move(held);
      heldItems_.push_back(*at);
    }
    return items_[index].held.get();
  }

  void TakeListing(HeldFolder& folder) {
    platform_.EngineList(*folder.lister, [&](const FindEntry& entry) {
      folder.byName.emplace(entry.name, folder.entries.size());
      if (entry.fileId.Known()) {
        folder.idKind = entry.fileId.kind;
        folder.byId.emplace(std::make_pair(entry.fileId.low, entry.fileId.high),
                            folder.entries.size());
      }
      folder.entries.push_back(entry);
    });
  }

  // The entry of folder's listing named name: by the name as listed, or by
  // the name as the file system looks it up (case ignored), asked of it.
  const FindEntry* Find(HeldFolder& folder, const std::string& name) {
    const auto exact = folder.byName.find(name);
    if (exact != folder.byName.end()) return &folder.entries[exact->second];
    if (folder.byId.empty()) return nullptr;
    auto entry = platform_.EngineOpenChild(*folder.lister, name, kEngineInspect);
    FileId id;
    if (!entry || !platform_.EngineQueryId(*entry, folder.idKind, id)) return nullptr;
    const auto byId = folder.byId.find(std::make_pair(id.low, id.high));
    if (byId == folder.byId.end() || !folder.entries[byId->second].fileId.Same(id)) return nullptr;
    return &folder.entries[byId->second];
  }

  Platform& platform_;
  DeletionProgress* progress_;
  bool stopped_ = false;
  std::vector<Listed> items_;
  std::vector<size_t> heldItems_;  // the items that may hold their folder open
};

}  // namespace

bool IsFolderLink(Platform& platform, const EnginePath& path, uint32_t attributes) {
  if (!IsReparsePoint(attributes)) return false;
  // Only the handle tells the tag; one that cannot be learnt counts as a link.
  auto entry = platform.EngineOpen(path, kEngineInspect);
  EntryInfo opened;
  if (!entry || !platform.EngineQuery(*entry, opened)) return true;
  return IsListedLink(attributes, opened);
}

DeletionOutcome DeleteListed(Platform& platform, const DelList& list, DeletionProgress* progress) {
  return Engine(platform, list, progress).Run(list.size());
}

size_t DeletionOutcome::Remaining() const {
  return static_cast<size_t>(std::count(remains.begin(), remains.end(), true));
}

}  // namespace moxlyn
