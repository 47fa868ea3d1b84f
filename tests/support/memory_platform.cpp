#include "tests/support/memory_platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <algorithm>

#include "core/utf8.h"
#include "tests/support/utf8_text.h"

namespace moxlyn::testing {

// An object of the file system. Its folder owns it, and so does every
// handle on it: an open handle keeps naming it after a rename or a removal.
struct MemoryPlatform::Node : std::enable_shared_from_this<Node> {
  std::string name;
  uint32_t attributes = 0;
  uint64_t id = 0;  // the file ID, never reused
  uint64_t volume = 0;
  uint32_t slot = 0;           // on FAT, the position of its record in its folder
  int handles = 0;             // engine handles open on it, and other programs' holds
  bool deletePending = false;  // deleted, its name kept until the last handle closes
  bool caseSensitive = false;  // a folder whose names are compared exactly
  std::string content;
  std::string durable;     // what of content a power cut keeps: up to the last flush
  std::string linkTarget;  // non-empty for a link
  uint32_t reparseTag = 0;
  Node* parent = nullptr;                       // nullptr for a drive or once removed
  std::vector<std::shared_ptr<Node>> children;  // in enumeration order

  bool IsFolder() const { return (attributes & kAttrDirectory) != 0; }
};

// An engine handle: the object it was opened on, and the rights it has.
struct MemoryPlatform::Handle : EngineEntry {
  Handle(MemoryPlatform& owner, std::shared_ptr<Node> opened, uint32_t rights)
      : fs(owner), node(std::move(opened)), access(rights) {
    ++node->handles;
  }
  // A deleted name kept since goes with the last handle.
  ~Handle() override {
    if (--node->handles == 0 && node->deletePending && node->parent != nullptr) fs.Detach(*node);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  MemoryPlatform& fs;
  std::shared_ptr<Node> node;
  uint32_t access;
  std::string path;  // the path it was opened by, as a share's server keeps it
};

namespace {

// What writing attributes changes: neither the directory nor the reparse-point bit.
template <typename Node>
void WriteAttributes(Node& node, uint32_t attributes) {
  const uint32_t kept = node.attributes & (kAttrDirectory | kAttrReparsePoint);
  node.attributes = kept | (attributes & ~(kAttrDirectory | kAttrReparsePoint));
}

}  // namespace

MemoryPlatform::MemoryPlatform() { locale_ = JapaneseLocale(); }
MemoryPlatform::~MemoryPlatform() = default;

namespace {

// text converted from one character set to another, nothing unless every
// character converts (no look-alike, no replacement).
std::optional<std::string> Convert(std::string_view text, unsigned codePage, bool toUtf8) {
  if (IsAscii(text)) return std::string(text);
#ifdef _WIN32
  std::wstring wide;
  if (toUtf8) {
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(),
                                           static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return std::nullopt;
    wide.resize(static_cast<size_t>(length));
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        wide.data(), length);
    return Wtf8FromUtf16(
        std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
  }
  bool whole = false;
  AppendUtf16FromWtf8(text, wide, &whole);
  BOOL usedDefault = FALSE;
  const int length =
      WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                          static_cast<int>(wide.size()), nullptr, 0, nullptr, &usedDefault);
  if (!whole || length <= 0 || usedDefault) return std::nullopt;
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                      bytes.data(), length, nullptr, &usedDefault);
  return bytes;
#else
  if (!toUtf8 && !IsWtf8(text)) return std::nullopt;
  const std::string name = "CP" + std::to_string(codePage);
  iconv_t converter =
      toUtf8 ? iconv_open("UTF-8", name.c_str()) : iconv_open(name.c_str(), "UTF-8");
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string in(text);
  std::string out(text.size() * 4 + 4, '\0');
  char* from = in.data();
  size_t fromLeft = in.size();
  char* to = out.data();
  size_t toLeft = out.size();
  const size_t done = iconv(converter, &from, &fromLeft, &to, &toLeft);
  iconv_close(converter);
  if (done == static_cast<size_t>(-1) || fromLeft != 0) return std::nullopt;
  out.resize(out.size() - toLeft);
  return out;
#endif
}

// The case partner of a code point in the model: ASCII and Latin-1 ("é"
// and "É"); the full-width letters ("Ａ" to "ａ") are lower-cased only, a
// case that file systems fold differently.
uint32_t ChangeCase(uint32_t code, bool upper) {
  const auto inRange = [](uint32_t c, uint32_t first, uint32_t last) {
    return c >= first && c <= last;
  };
  if (upper) {
    if (inRange(code, 'a', 'z') || (inRange(code, 0xE0, 0xFE) && code != 0xF7)) return code - 0x20;
  } else {
    if (inRange(code, 'A', 'Z') || (inRange(code, 0xC0, 0xDE) && code != 0xD7)) return code + 0x20;
    if (inRange(code, 0xFF21, 0xFF3A)) return code + 0x20;
  }
  return code;
}

std::string ChangeCase(const std::string& text, bool upper) {
  std::u16string wide = Utf16FromWtf8(text);
  for (char16_t& unit : wide) unit = static_cast<char16_t>(ChangeCase(unit, upper));
  return IsWtf8(text) ? Wtf8FromUtf16(wide) : text;
}

}  // namespace

bool MemoryPlatform::AppendFromCodePage(std::string_view bytes, std::string& text) {
  const std::optional<std::string> converted = Convert(bytes, codePage_, true);
  if (converted) text += *converted;
  return converted.has_value();
}

bool MemoryPlatform::AppendToCodePage(std::string_view text, std::string& bytes) {
  const std::optional<std::string> converted = Convert(text, codePage_, false);
  // Exactly back to itself, or nothing.
  if (!converted || Convert(*converted, codePage_, true) != std::optional<std::string>(text)) {
    return false;
  }
  bytes += *converted;
  return true;
}

std::string MemoryPlatform::UpperCase(const std::string& text) { return ChangeCase(text, true); }

std::string MemoryPlatform::LowerCase(const std::string& text) { return ChangeCase(text, false); }

int MemoryPlatform::CompareNoCase(const std::string& a, const std::string& b) {
  return UpperCase(a).compare(UpperCase(b));
}

std::vector<std::string> MemoryPlatform::Split(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : path) {
    if (c == '\\') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

std::string MemoryPlatform::Key(const std::string& path) {
  std::string key;
  for (const auto& part : Split(path)) key += UpperCase(part) + "\\";
  return key;
}

MemoryPlatform::Node* MemoryPlatform::Resolve(Node* node) {
  for (int hops = 0; node != nullptr && !node->linkTarget.empty() && hops < 16; ++hops) {
    node = Locate(node->linkTarget).node;
  }
  return node;
}

bool MemoryPlatform::EndsWithSeparator(const std::string& path) {
  return !path.empty() && path.back() == '\\';
}

MemoryPlatform::Node* MemoryPlatform::Child(const Node& folder, const std::string& name) {
  for (const auto& child : folder.children) {
    if (folder.caseSensitive ? child->name == name : UpperCase(child->name) == UpperCase(name)) {
      return child.get();
    }
  }
  return nullptr;
}

MemoryPlatform::Located MemoryPlatform::Locate(const std::string& path) {
  Located found = LocateName(path);
  // As on Windows, a path written with a trailing backslash resolves through
  // a folder link: "link\" is the link's target.
  if (found.node != nullptr && !found.node->linkTarget.empty() && EndsWithSeparator(path)) {
    return LocateName(found.node->linkTarget);
  }
  return found;
}

MemoryPlatform::Located MemoryPlatform::LocateName(const std::string& path) {
  Located found;
  const auto parts = Split(path);
  if (parts.empty() || parts[0].size() != 2 || parts[0][1] != ':') return found;
  auto drive = drives_.find(UpperCase(parts[0]));
  if (drive == drives_.end()) return found;
  if (parts.size() == 1) {
    found.node = drive->second.get();
    found.name = parts[0];
    return found;
  }
  Node* folder = drive->second.get();
  for (size_t i = 1; i < parts.size(); ++i) {
    folder = Resolve(folder);
    if (folder == nullptr || !folder->IsFolder()) return Located{};
    Node* next = Child(*folder, parts[i]);
    if (i + 1 == parts.size()) {
      found.parent = folder;
      found.node = next;
      found.name = parts[i];
      return found;
    }
    folder = next;
  }
  return found;
}

MemoryPlatform::Node* MemoryPlatform::MakeFolders(const std::vector<std::string>& parts,
                                                  size_t count) {
  auto& drive = drives_[UpperCase(parts[0])];
  if (!drive) {
    drive = NewNode(parts[0], kAttrDirectory);
    drive->volume = static_cast<unsigned char>(UpperCase(parts[0])[0]);
  }
  Node* folder = drive.get();
  for (size_t i = 1; i < count; ++i) {
    folder = Resolve(folder);
    Node* next = Child(*folder, parts[i]);
    if (next == nullptr) next = Adopt(*folder, NewNode(parts[i], kAttrDirectory));
    folder = next;
  }
  return Resolve(folder);
}

void MemoryPlatform::AddFolder(const std::string& path, uint32_t attributes) {
  const auto parts = Split(path);
  Node* folder = MakeFolders(parts, parts.size());
  folder->attributes = kAttrDirectory | attributes;
}

MemoryPlatform::Node& MemoryPlatform::AddEntry(const std::string& path, uint32_t attributes) {
  const auto parts = Split(path);
  Node* folder = MakeFolders(parts, parts.size() - 1);
  return *Adopt(*folder, NewNode(parts.back(), attributes));
}

void MemoryPlatform::AddFile(const std::string& path, const std::string& content,
                             uint32_t attributes) {
  Node& file = AddEntry(path, attributes == 0 ? kAttrArchive : attributes);
  file.content = content;
  file.durable = content;
}

bool MemoryPlatform::AddFolderLink(const std::string& path, const std::string& target,
                                   uint32_t reparseTag) {
  if (volumes_[static_cast<unsigned char>(UpperCase(path)[0])] == Volume::kFat) return false;
  Node& link = AddEntry(path, kAttrDirectory | kAttrReparsePoint);
  link.linkTarget = target;
  link.reparseTag = reparseTag;
  return true;
}

bool MemoryPlatform::AddFileLink(const std::string& path, const std::string& target) {
  if (volumes_[static_cast<unsigned char>(UpperCase(path)[0])] == Volume::kFat) return false;
  Node& link = AddEntry(path, kAttrArchive | kAttrReparsePoint);
  link.linkTarget = target;
  link.reparseTag = 0xA000000C;
  return true;
}

bool MemoryPlatform::IsLink(const std::string& path) {
  const Node* node = Locate(path).node;
  return node != nullptr && !node->linkTarget.empty();
}

bool MemoryPlatform::Exists(const std::string& path) { return Locate(path).node != nullptr; }

bool MemoryPlatform::IsFolder(const std::string& path) {
  const Node* node = Locate(path).node;
  return node != nullptr && node->IsFolder();
}

std::string MemoryPlatform::Content(const std::string& path) {
  const Node* node = Resolve(Locate(path).node);
  return node == nullptr ? std::string() : node->content;
}

std::vector<std::string> MemoryPlatform::Names(const std::string& folder) {
  std::vector<std::string> names;
  const Node* node = Resolve(Locate(folder).node);
  if (node == nullptr) return names;
  for (const auto& child : node->children) names.push_back(child->name);
  return names;
}

void MemoryPlatform::Lock(const std::string& path) { locked_.insert(Key(path)); }
void MemoryPlatform::DenyRead(const std::string& path) { denyRead_.insert(Key(path)); }
void MemoryPlatform::Release(const std::string& path) {
  locked_.erase(Key(path));
  denyRead_.erase(Key(path));
}
void MemoryPlatform::DenyCreateIn(const std::string& folder) { denyCreateIn_.insert(Key(folder)); }
void MemoryPlatform::SetDiskCapacity(size_t bytes) { capacity_ = bytes; }
void MemoryPlatform::LoseTargetOnReplace(const std::string& target) {
  loseOnReplace_.insert(Key(target));
}
void MemoryPlatform::DenyRenameTo(const std::string& path) { denyRenameTo_.insert(Key(path)); }

bool MemoryPlatform::CreationDenied(const std::string& path) {
  auto parts = Split(path);
  parts.pop_back();
  std::string parentKey;
  for (const auto& part : parts) parentKey += UpperCase(part) + "\\";
  return denyCreateIn_.count(parentKey) != 0;
}

std::shared_ptr<MemoryPlatform::Node> MemoryPlatform::NewNode(std::string name,
                                                              uint32_t attributes) {
  auto node = std::make_shared<Node>();
  node->name = std::move(name);
  node->attributes = attributes;
  node->id = ++lastId_;
  return node;
}

MemoryPlatform::Node* MemoryPlatform::Adopt(Node& folder, std::shared_ptr<Node> node) {
  node->parent = &folder;
  node->volume = folder.volume;
  // On FAT a record takes the first free place in its folder.
  if (VolumeOf(folder) == Volume::kFat) {
    std::set<uint32_t> taken;
    for (const auto& child : folder.children) taken.insert(child->slot);
    node->slot = 0;
    while (taken.count(node->slot) != 0) ++node->slot;
  }
  folder.children.push_back(std::move(node));
  return folder.children.back().get();
}

std::shared_ptr<MemoryPlatform::Node> MemoryPlatform::Detach(Node& node) {
  auto& siblings = node.parent->children;
  const auto at = std::find_if(siblings.begin(), siblings.end(),
                               [&](const auto& child) { return child.get() == &node; });
  std::shared_ptr<Node> detached = std::move(*at);
  siblings.erase(at);
  node.parent = nullptr;
  return detached;
}

void MemoryPlatform::MoveTo(Node& node, const Located& destination) {
  // The new record is written before the old one is freed.
  const auto placeholder = std::make_shared<Node>();
  Adopt(*destination.parent, placeholder);
  std::shared_ptr<Node> moved = Detach(node);
  moved->name = destination.name;
  moved->parent = destination.parent;
  moved->volume = destination.parent->volume;
  moved->slot = placeholder->slot;
  std::replace(destination.parent->children.begin(), destination.parent->children.end(),
               placeholder, moved);
}

std::string MemoryPlatform::PathOf(const Node& node) {
  if (node.parent == nullptr) {
    const auto drive = drives_.find(UpperCase(node.name));
    return drive != drives_.end() && drive->second.get() == &node ? node.name : std::string();
  }
  const std::string folder = PathOf(*node.parent);
  return folder.empty() ? folder : folder + "\\" + node.name;
}

bool MemoryPlatform::MoveEntry(const std::string& from, const std::string& to) {
  const Located source = LocateName(from);
  const Located destination = LocateName(to);
  if (source.node == nullptr || source.parent == nullptr || destination.parent == nullptr ||
      destination.node != nullptr) {
    return false;
  }
  MoveTo(*source.node, destination);
  return true;
}

MemoryPlatform::Node* MemoryPlatform::Contents(Node& folder) {
  return folder.linkTarget.empty() ? &folder : Resolve(&folder);
}

void MemoryPlatform::SetVolume(const std::string& drive, Volume kind) {
  volumes_[static_cast<unsigned char>(UpperCase(drive)[0])] = kind;
}

MemoryPlatform::Volume MemoryPlatform::VolumeOf(const Node& node) const {
  const auto found = volumes_.find(node.volume);
  return found == volumes_.end() ? Volume::kNtfs : found->second;
}

void MemoryPlatform::Model(System system) {
  posixDelete_ = system == System::kWindows10;
  followLinks_ = system == System::kWine;
}

void MemoryPlatform::HoldSharingDelete(const std::string& path) {
  ++LocateName(path).node->handles;  // a handle that never closes
}

void MemoryPlatform::Refuse(const std::string& path, uint32_t what) {
  refused_[LocateName(path).node->id] |= what;
}

void MemoryPlatform::TellCaseApart(const std::string& folder) {
  Locate(folder).node->caseSensitive = true;
}

bool MemoryPlatform::IdOf(const Node& node, FileIdKind kind, FileId& id) const {
  const Volume volume = VolumeOf(node);
  const bool wide = kind == FileIdKind::k128;
  if (wide && (volume == Volume::kFat || volume == Volume::kShare)) return false;
  constexpr uint64_t kOnes = ~uint64_t{0};
  if (ids_ == Ids::kZero) {
    id = {0, 0, node.volume, kind};
  } else if (ids_ == Ids::kAllOnes) {
    id = {kOnes, wide ? kOnes : 0, node.volume, kind};
  } else if (volume == Volume::kReFS) {
    // No part of the 128-bit ID; every other object has none at all.
    id = wide ? FileId(0, node.id, node.volume, kind)
              : FileId(node.id % 2 == 0 ? node.id + 0x10000 : kOnes, 0, node.volume, kind);
  } else if (volume == Volume::kFat) {
    id = {node.parent == nullptr ? 0 : (node.parent->id << 16) + node.slot + 1, 0, node.volume,
          kind};
  } else {
    id = {node.id, 0, node.volume, kind};
  }
  return true;
}

std::unique_ptr<EngineEntry> MemoryPlatform::Open(const std::shared_ptr<Node>& node,
                                                  uint32_t access, bool follow,
                                                  const std::string& path) {
  Node* opened = follow ? Resolve(node.get()) : node.get();
  if (opened == nullptr || opened->deletePending) return nullptr;
  const auto refused = refused_.find(opened->id);
  if (refused != refused_.end() && (refused->second & (access | kRefuseOpen)) != 0) return nullptr;
  // Another program's hold without share-delete keeps out a handle that may delete.
  if ((access & kEngineRemove) != 0 && IsLocked(PathOf(*opened))) return nullptr;
  auto handle = std::make_unique<Handle>(*this, opened->shared_from_this(), access);
  handle->path = path;
  return handle;
}

std::unique_ptr<EngineEntry> MemoryPlatform::OpenOnShare(const std::string& path, uint32_t access) {
  // The server follows the links on the way, and opens the last name as itself.
  Node* node = LocateName(path).node;
  return node == nullptr ? nullptr : Open(node->shared_from_this(), access, followLinks_, path);
}

std::unique_ptr<EngineEntry> MemoryPlatform::EngineReopen(EngineEntry& entry, uint32_t access) {
  const Handle& handle = static_cast<Handle&>(entry);
  if (VolumeOf(*handle.node) == Volume::kShare) {
    auto reopened = OpenOnShare(handle.path, access);
    FileId was;
    FileId now;
    if (reopened != nullptr && static_cast<Handle&>(*reopened).node != handle.node &&
        IdOf(*handle.node, FileIdKind::k64, was) &&
        IdOf(*static_cast<Handle&>(*reopened).node, FileIdKind::k64, now) && was.Known() &&
        now.Known()) {
      return nullptr;
    }
    return reopened;
  }
  // The handle is on the object itself: nothing to follow.
  return Open(handle.node, access, false, handle.path);
}

std::unique_ptr<EngineEntry> MemoryPlatform::EngineOpen(const EnginePath& path, uint32_t access) {
  Node* node = Locate(path.text).node;
  return node == nullptr ? nullptr
                         : Open(node->shared_from_this(), access, followLinks_, path.text);
}

std::unique_ptr<EngineEntry> MemoryPlatform::EngineOpenChild(EngineEntry& folder,
                                                             const std::string& name,
                                                             uint32_t access) {
  const Handle& handle = static_cast<Handle&>(folder);
  const std::string path = handle.path + "\\" + name;
  if (VolumeOf(*handle.node) == Volume::kShare) return OpenOnShare(path, access);
  const Node* parent = Contents(*handle.node);
  Node* child = parent == nullptr ? nullptr : Child(*parent, name);
  return child == nullptr ? nullptr : Open(child->shared_from_this(), access, followLinks_, path);
}

bool MemoryPlatform::EngineQuery(EngineEntry& entry, EntryInfo& info) {
  const Node& node = *static_cast<Handle&>(entry).node;
  const auto refused = refused_.find(node.id);
  if (refused != refused_.end() && (refused->second & kRefuseQuery) != 0) return false;
  info = {node.attributes, node.reparseTag, FileId(0, 0, node.volume, ListingKind(node))};
  IdOf(node, info.fileId.kind, info.fileId);
  return true;
}

bool MemoryPlatform::EngineQueryId(EngineEntry& entry, FileIdKind kind, FileId& id) {
  const Node& node = *static_cast<Handle&>(entry).node;
  const auto refused = refused_.find(node.id);
  if (refused != refused_.end() && (refused->second & kRefuseQuery) != 0) return false;
  return IdOf(node, kind, id);
}

bool MemoryPlatform::EngineList(EngineEntry& folder,
                                const std::function<void(const FindEntry&)>& visit) {
  const Handle& handle = static_cast<Handle&>(folder);
  const Node* node = Contents(*handle.node);
  if ((handle.access & kEngineList) == 0 || node == nullptr || !node->IsFolder() ||
      IsLocked(PathOf(*handle.node))) {
    return false;
  }
  // Like a directory read buffer: the listing is taken when it starts.
  std::vector<FindEntry> entries;
  const FileIdKind kind = ListingKind(*node);
  for (const auto& child : node->children) {
    const Node* target = followLinks_ ? Resolve(child.get()) : child.get();
    FileId id(0, 0, child->volume, kind);
    IdOf(target ? *target : *child, kind, id);
    entries.push_back({child->name, child->attributes, child->reparseTag, id});
  }
  for (const auto& entry : entries) visit(entry);
  return true;
}

std::optional<std::string> MemoryPlatform::NameKey(const std::string& name) {
  const std::string upper = UpperCase(name);
  if (UpperCase(LowerCase(name)) != upper) return std::nullopt;
  return upper;
}

std::optional<EnginePath> MemoryPlatform::EngineFolderOf(const std::string& folderPart) {
  // "C:\" is a root; any other folder part loses its separator.
  if (!EndsWithSeparator(folderPart)) return std::nullopt;
  const bool root = folderPart.size() == 3 && folderPart[1] == ':';
  return EnginePath{root ? folderPart : folderPart.substr(0, folderPart.size() - 1)};
}

std::optional<std::string> MemoryPlatform::LookupKey(const std::string& name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ') return std::nullopt;
  return NameKey(name);
}

bool MemoryPlatform::EngineListKeys(
    const EnginePath& folder,
    const std::function<bool(const std::optional<std::string>& key, uint32_t attributes)>& visit) {
  const Node* node = Resolve(Locate(folder.text).node);
  if (node == nullptr || !node->IsFolder() || IsLocked(folder.text)) return false;
  for (const auto& child : node->children) {
    if (!visit(NameKey(child->name), child->attributes)) return false;
  }
  return true;
}

bool MemoryPlatform::EngineSetAttributes(EngineEntry& entry, uint32_t attributes) {
  const Handle& handle = static_cast<Handle&>(entry);
  if ((handle.access & kEngineWriteAttributes) == 0) return false;
  WriteAttributes(*handle.node, attributes);
  return true;
}

bool MemoryPlatform::EngineRemove(EngineEntry& entry) {
  const Handle& handle = static_cast<Handle&>(entry);
  Node& node = *handle.node;
  if ((handle.access & kEngineRemove) == 0 || node.parent == nullptr) return false;
  if ((node.attributes & kAttrReadOnly) != 0 || IsLocked(PathOf(node))) return false;
  if (node.IsFolder() && node.linkTarget.empty() && !node.children.empty()) return false;
  node.deletePending = true;
  const Volume volume = VolumeOf(node);
  if (posixDelete_ && (volume == Volume::kNtfs || volume == Volume::kReFS)) Detach(node);
  return true;
}

size_t MemoryPlatform::UsedBytes(const Node& node) const {
  size_t used = node.content.size();
  for (const auto& child : node.children) used += UsedBytes(*child);
  return used;
}

uint32_t MemoryPlatform::GetAttributes(const std::string& path) {
  const Node* node = Locate(path).node;
  return node == nullptr ? kInvalidAttributes : node->attributes;
}

bool MemoryPlatform::SetAttributes(const std::string& path, uint32_t attributes) {
  Node* node = Locate(path).node;
  if (node == nullptr) return false;
  WriteAttributes(*node, attributes);
  return true;
}

bool MemoryPlatform::RemoveFile(const std::string& path) {
  const Located found = Locate(path);
  if (found.node == nullptr || found.parent == nullptr || found.node->IsFolder()) return false;
  if ((found.node->attributes & kAttrReadOnly) != 0 || IsLocked(path)) return false;
  Detach(*found.node);
  Changed("RemoveFile");
  return true;
}

bool MemoryPlatform::RemoveFolder(const std::string& path) {
  const Located found = Locate(path);
  if (found.node == nullptr || found.parent == nullptr || !found.node->IsFolder()) return false;
  if ((found.node->attributes & kAttrReadOnly) != 0 || IsLocked(path)) return false;
  if (found.node->linkTarget.empty() && !found.node->children.empty()) return false;
  Detach(*found.node);
  return true;
}

bool MemoryPlatform::Enumerate(const std::string& pattern,
                               const std::function<void(const FindEntry&)>& visit) {
  std::string folder;
  if (pattern.size() >= 4 && pattern.compare(pattern.size() - 4, 4, "\\*.*") == 0) {
    folder = pattern.substr(0, pattern.size() - 4);
  } else if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, "\\*") == 0) {
    folder = pattern.substr(0, pattern.size() - 2);
  } else if (pattern.find_first_of("*?") == std::string::npos) {
    // A bare path: the entry itself, a link as the link.
    const Located self = Locate(pattern);
    if (self.node == nullptr || self.parent == nullptr) return false;
    visit({self.node->name, self.node->attributes, self.node->reparseTag});
    return true;
  } else {
    return false;
  }
  const Located found = Locate(folder);
  const Node* node = Resolve(found.node);
  if (node == nullptr || !node->IsFolder() || IsLocked(folder)) return false;

  // Like a directory read buffer: the listing is taken when it starts.
  std::vector<FindEntry> entries;
  if (found.parent != nullptr) {
    entries.push_back({".", kAttrDirectory, 0});
    entries.push_back({"..", kAttrDirectory, 0});
  }
  for (const auto& child : node->children) {
    entries.push_back({child->name, child->attributes, child->reparseTag});
  }
  for (const auto& entry : entries) visit(entry);
  return true;
}

ReadStatus MemoryPlatform::ReadWholeFile(const std::string& path, std::string& content) {
  const Node* node = Resolve(Locate(path).node);
  if (node == nullptr || node->IsFolder()) return ReadStatus::kMissing;
  if (denyRead_.count(Key(path)) != 0) return ReadStatus::kCannotOpen;
  content = node->content;
  return ReadStatus::kOk;
}

ReadStatus MemoryPlatform::ReadInPieces(const std::string& path,
                                        const std::function<bool(std::string_view)>& piece) {
  std::string content;
  const ReadStatus status = ReadWholeFile(path, content);
  if (status != ReadStatus::kOk) return status;
  const std::string_view text = content;
  for (size_t at = 0; at < text.size(); at += readPieceSize_) {
    if (!piece(text.substr(at, readPieceSize_))) break;
  }
  return ReadStatus::kOk;
}

std::optional<uint64_t> MemoryPlatform::FileSize(const std::string& path) {
  const Node* node = Resolve(Locate(path).node);
  if (node == nullptr || node->IsFolder()) return std::nullopt;
  return node->content.size();
}

// A file open for writing: held against removal and replacement until it
// is closed; each piece takes what room the disk has left.
class MemoryPlatform::Writer : public FileWriter {
 public:
  Writer(MemoryPlatform& fs, Node& node, std::string key)
      : fs_(fs), node_(node), key_(std::move(key)) {
    fs_.open_.insert(key_);
  }
  ~Writer() override { fs_.open_.erase(fs_.open_.find(key_)); }
  bool Append(std::string_view bytes) override {
    size_t used = 0;
    for (const auto& drive : fs_.drives_) used += fs_.UsedBytes(*drive.second);
    const size_t room = fs_.capacity_ > used ? fs_.capacity_ - used : 0;
    node_.content.append(bytes.substr(0, std::min(room, bytes.size())));
    fs_.Changed("Append");
    return room >= bytes.size();
  }
  bool Flush() override {
    if (fs_.failFlushes_) return false;
    node_.durable = node_.content;
    fs_.Changed("Flush");
    return true;
  }

 private:
  MemoryPlatform& fs_;
  Node& node_;
  std::string key_;
};

OpenStatus MemoryPlatform::OpenForWriting(const SavePath& savePath, OpenMode mode,
                                          std::unique_ptr<FileWriter>& file) {
  const std::string path = Plain(savePath);
  const Located found = Locate(path);
  if (found.parent == nullptr) return OpenStatus::kCannotCreate;
  if (found.node != nullptr && mode == OpenMode::kCreateNew) return OpenStatus::kExists;
  if (IsLocked(path)) return OpenStatus::kCannotCreate;
  // Writing through a link writes the file it leads to.
  Node* node = Resolve(found.node);
  if (found.node != nullptr && node == nullptr) return OpenStatus::kCannotCreate;
  if (node != nullptr && (node->IsFolder() || (node->attributes & kAttrReadOnly) != 0)) {
    return OpenStatus::kDenied;
  }
  if (node == nullptr) {
    if (CreationDenied(path)) return OpenStatus::kDenied;
    if (noFreeEntries_) return OpenStatus::kCannotCreate;
    node = Adopt(*found.parent, NewNode(found.name, kAttrArchive));
  }
  node->content.clear();
  file = std::make_unique<Writer>(*this, *node, Key(path));
  Changed(mode == OpenMode::kCreateNew ? "OpenForWriting new" : "OpenForWriting overwrite");
  return OpenStatus::kOk;
}

ReplaceStatus MemoryPlatform::ReplaceWithFile(const SavePath& targetPath,
                                              const SavePath& sourcePath) {
  const std::string target = Plain(targetPath);
  const std::string source = Plain(sourcePath);
  const Located from = Locate(source);
  const Located to = Locate(target);
  if (from.node == nullptr || from.node->IsFolder() || to.parent == nullptr) {
    return ReplaceStatus::kFailed;
  }
  if (IsLocked(target) || IsLocked(source)) return ReplaceStatus::kFailed;
  if (to.node != nullptr && (to.node->IsFolder() || (to.node->attributes & kAttrReadOnly) != 0)) {
    return ReplaceStatus::kFailed;
  }
  if (to.node != nullptr && loseOnReplace_.count(Key(target)) != 0) {
    Detach(*to.node);
    Changed("ReplaceWithFile");
    return ReplaceStatus::kTargetGone;
  }
  // The file under target's name is replaced: a link there becomes a plain
  // file, and what it led to stays as it was.
  Node* replaced = to.node ? to.node : Adopt(*to.parent, NewNode(to.name, kAttrArchive));
  replaced->content = std::move(from.node->content);
  replaced->durable = std::move(from.node->durable);
  replaced->linkTarget.clear();
  replaced->reparseTag = 0;
  replaced->attributes &= ~kAttrReparsePoint;
  Detach(*from.node);
  Changed("ReplaceWithFile");
  return ReplaceStatus::kOk;
}

bool MemoryPlatform::RenameFile(const SavePath& fromPath, const SavePath& toPath) {
  const std::string from = Plain(fromPath);
  const std::string to = Plain(toPath);
  const Located source = Locate(from);
  const Located destination = Locate(to);
  if (source.node == nullptr || source.parent == nullptr || source.node->IsFolder()) return false;
  if (destination.parent == nullptr || destination.node != nullptr) return false;
  if (IsLocked(from) || CreationDenied(to) || denyRenameTo_.count(Key(to)) != 0) return false;
  MoveTo(*source.node, destination);
  Changed("RenameFile");
  return true;
}

SavePath MemoryPlatform::FinalPath(const std::string& path) {
  const std::string prefix = ownSaveForm_ ? kSaveFormPrefix : "";
  std::string final = path;
  for (int hops = 0; hops < 16; ++hops) {
    const Node* node = Locate(final).node;
    if (node == nullptr) return {prefix + path};  // a link that leads nowhere opens nothing
    if (node->linkTarget.empty()) return {prefix + final};
    final = node->linkTarget;
  }
  return {prefix + path};
}

std::string MemoryPlatform::Plain(const SavePath& path) const {
  if (!ownSaveForm_) return path.text;
  // A path the save form was not made for names nothing.
  const std::string prefix = kSaveFormPrefix;
  return path.text.rfind(prefix, 0) == 0 ? path.text.substr(prefix.size()) : "";
}

bool MemoryPlatform::RemoveSavedFile(const SavePath& path) { return RemoveFile(Plain(path)); }

void MemoryPlatform::Changed(const char* operation) {
  if (recording_) powerCuts_.push_back({operation, States(true)});
}

std::vector<MemoryPlatform::DiskState> MemoryPlatform::States(bool powerCut) {
  std::vector<DiskState> states{DiskState{}};
  for (const auto& drive : drives_) AddStates(*drive.second, drive.second->name, states, powerCut);
  return states;
}

void MemoryPlatform::AddStates(const Node& node, const std::string& path,
                               std::vector<DiskState>& states, bool powerCut) {
  if (!node.linkTarget.empty()) {
    for (auto& state : states) state[path] = "-> " + node.linkTarget;
  } else if (node.IsFolder()) {
    for (const auto& child : node.children) {
      AddStates(*child, path + "\\" + child->name, states, powerCut);
    }
  } else {
    // Bytes written since the last flush: none, half or all of them kept.
    std::set<std::string> kept{node.content};
    if (powerCut && node.content != node.durable) {
      kept.insert(node.durable);
      kept.insert(node.content.substr(0, node.content.size() / 2));
    }
    std::vector<DiskState> all;
    for (const auto& bytes : kept) {
      for (auto state : states) {
        state[path] = bytes;
        all.push_back(std::move(state));
      }
    }
    states = std::move(all);
  }
}

MemoryPlatform::DiskState MemoryPlatform::CurrentState() { return States(false).front(); }

LocaleInfo MemoryPlatform::ReadLocaleInfo() {
  ++localeReads_;
  return locale_;
}

LocalTime MemoryPlatform::Now() {
  const LocalTime now = now_;
  now_.second += clockStep_;
  while (now_.second >= 60) {
    now_.second -= 60;
    ++now_.minute;
  }
  return now;
}

LocaleInfo JapaneseLocale() {
  LocaleInfo locale;
  locale.shortDatePattern = "yyyy/MM/dd";
  locale.dateSeparator = "/";
  locale.timeSeparator = ":";
  locale.clock24 = true;
  locale.amMarker = U8(u8"午前");
  locale.pmMarker = U8(u8"午後");
  locale.removeEraLetters = true;
  for (int m = 0; m < 12; ++m) {
    locale.shortMonthNames[m] = std::to_string(m + 1);
    locale.longMonthNames[m] = std::to_string(m + 1) + U8(u8"月");
  }
  const char8_t* const days[7] = {u8"日", u8"月", u8"火", u8"水", u8"木", u8"金", u8"土"};
  for (int d = 0; d < 7; ++d) {
    locale.shortDayNames[d] = U8(days[d]);
    locale.longDayNames[d] = U8(days[d]) + U8(u8"曜日");
  }
  return locale;
}

LocaleInfo EnglishLocale() {
  LocaleInfo locale;
  locale.shortDatePattern = "M/d/yyyy";
  locale.dateSeparator = "/";
  locale.timeSeparator = ":";
  locale.amMarker = "AM";
  locale.pmMarker = "PM";
  const char* const months[12] = {"January",   "February", "March",    "April",
                                  "May",       "June",     "July",     "August",
                                  "September", "October",  "November", "December"};
  const char* const days[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                               "Thursday", "Friday", "Saturday"};
  for (int m = 0; m < 12; ++m) {
    locale.longMonthNames[m] = months[m];
    locale.shortMonthNames[m] = std::string(months[m]).substr(0, 3);
  }
  for (int d = 0; d < 7; ++d) {
    locale.longDayNames[d] = days[d];
    locale.shortDayNames[d] = std::string(days[d]).substr(0, 3);
  }
  return locale;
}

}  // namespace moxlyn::testing
