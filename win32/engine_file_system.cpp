// Win32Platform: the file system as the engine and the drop intake see it.
// Paths and their attributes, folder listings by pattern, the engine's
// handles (opened without following links, children relative to their
// folder), what each volume can do, and the keys a lookup in a folder
// compares names by.
#include "win32/win32_platform.h"

#include <windows.h>
#include <winternl.h>

#include "core/utf8.h"
#include "win32/engine_path.h"
#include "win32/name_key.h"
#include "win32/scoped_handle.h"
#include "win32/wow64_guard.h"

namespace moxlyn {

VolumeFacts& VolumeRecords::Of(const VolumeIdentity& identity) {
  if (identity.from != VolumeIdentity::Serial::kNone) {
    for (const auto& known : records_) {
      if (known->identity == identity) return *known;
    }
  }
  records_.push_back(std::make_unique<VolumeFacts>(identity));
  return *records_.back();
}

Win32Platform::Win32Platform() = default;

Win32Platform::~Win32Platform() = default;

uint32_t Win32Platform::GetAttributes(const std::string& path) {
  const std::wstring wide = WideFromUtf8(path);
  Wow64FsGuard unredirected;
  return GetFileAttributesW(wide.c_str());
}

bool Win32Platform::SetAttributes(const std::string& path, uint32_t attributes) {
  return SetFileAttributesW(WideFromUtf8(path).c_str(), attributes) != 0;
}

bool Win32Platform::RemoveFile(const std::string& path) {
  return DeleteFileW(WideFromUtf8(path).c_str()) != 0;
}

bool Win32Platform::RemoveFolder(const std::string& path) {
  return RemoveDirectoryW(WideFromUtf8(path).c_str()) != 0;
}

namespace {

// Every entry matching pattern (wide, in the literal long form), found with
// the file-system redirection off.
bool FindEntries(std::wstring pattern, const std::function<void(const FindEntry&)>& visit) {
  // "*.*" means every entry only in the narrow calls' reading of wildcards;
  // "*" means every entry everywhere.
  if (pattern.size() >= 4 && pattern.compare(pattern.size() - 4, 4, L"\\*.*") == 0) {
    pattern.resize(pattern.size() - 2);
  }
  WIN32_FIND_DATAW data{};
  ScopedFindHandle find;
  {
    Wow64FsGuard unredirected;
    find.Reset(FindFirstFileW(pattern.c_str(), &data));
  }
  if (!find.Valid()) return false;
  FindEntry entry;
  do {
    entry.name = Utf8FromWide(data.cFileName);
    entry.attributes = data.dwFileAttributes;
    entry.reparseTag =
        (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? data.dwReserved0 : 0;
    visit(entry);
  } while (FindNextFileW(find.Get(), &data));
  return true;
}

}  // namespace

bool Win32Platform::Enumerate(const std::string& pattern,
                              const std::function<void(const FindEntry&)>& visit) {
  // The folder in the literal long form, as the engine reaches it: the last
  // name of "C:\keep \*" is the wildcard, and "keep " stays "keep ".
  const std::wstring wide = WideFromUtf8(pattern);
  const size_t cut = wide.rfind(L'\\');
  if (cut == std::wstring::npos) return false;
  std::wstring folder = wide.substr(0, cut);
  if (!folder.empty() && folder.back() == L':') folder += L'\\';  // a drive root
  std::wstring literal = LongFormOf(folder);
  if (literal.empty()) return false;
  if (literal.back() != L'\\') literal += L'\\';
  return FindEntries(literal + wide.substr(cut + 1), visit);
}

EnginePath Win32Platform::ToEnginePath(const std::string& listedPath) {
  return {EngineFormOf(listedPath)};
}

uint32_t Win32Platform::EngineGetAttributes(const EnginePath& path) {
  const std::wstring wide = WideEnginePath(path.text);
  Wow64FsGuard unredirected;
  return GetFileAttributesW(wide.c_str());
}

namespace {

// An entry the engine holds open, with its volume once it is known: told by
// a query, or the folder's through which it was opened (a volume mounted
// there is a reparse point, opened as itself).
struct Win32Entry : EngineEntry {
  explicit Win32Entry(ScopedFileHandle opened) : handle(std::move(opened)) {}
  ScopedFileHandle handle;
  VolumeFacts* volume = nullptr;
};

Win32Entry& Win32EntryOf(EngineEntry& entry) { return static_cast<Win32Entry&>(entry); }
HANDLE HandleOf(EngineEntry& entry) { return Win32EntryOf(entry).handle.Get(); }

// Attributes and DELETE are what deciding and deleting need; listing and
// writing attributes are asked only where they are done.
ACCESS_MASK RightsFor(uint32_t access) {
  ACCESS_MASK rights = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
  if ((access & kEngineList) != 0) rights |= FILE_LIST_DIRECTORY;
  if ((access & kEngineRemove) != 0) rights |= DELETE;
  if ((access & kEngineWriteAttributes) != 0) rights |= FILE_WRITE_ATTRIBUTES;
  return rights;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::unique_ptr<EngineEntry> EntryOf(ScopedFileHandle handle) {
  if (!handle.Valid()) return nullptr;
  return std::make_unique<Win32Entry>(std::move(handle));
}

// The native information classes used here, by their numbers.
constexpr auto kFileInternalInformation = static_cast<FILE_INFORMATION_CLASS>(6);
constexpr auto kFileAttributeTagInformation = static_cast<FILE_INFORMATION_CLASS>(35);
constexpr ULONG kOpenReparsePoint = 0x00200000;       // FILE_OPEN_REPARSE_POINT
constexpr ULONG kOpenForBackupIntent = 0x00004000;    // FILE_OPEN_FOR_BACKUP_INTENT
constexpr ULONG kSynchronousIoNonAlert = 0x00000020;  // FILE_SYNCHRONOUS_IO_NONALERT

// The classes of GetFileInformationByHandleEx and SetFileInformationByHandle
// past the headers' Windows 7, and their structures.
constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
constexpr auto kFileIdExtdDirectoryInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(19);
constexpr auto kFileIdExtdDirectoryRestartInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(20);
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;  // FILE_DISPOSITION_FLAG_DELETE
constexpr DWORD kDispositionPosix = 0x2;   // FILE_DISPOSITION_FLAG_POSIX_SEMANTICS
struct FileId128 {
  ULONGLONG low;
  ULONGLONG high;
};
struct FileIdInformation {
  ULONGLONG volumeSerialNumber;
  FileId128 fileId;
};
struct FileIdExtdDirectoryInformation {
  ULONG nextEntryOffset;
  ULONG fileIndex;
  LARGE_INTEGER times[4];
  LARGE_INTEGER endOfFile;
  LARGE_INTEGER allocationSize;
  ULONG fileAttributes;
  ULONG fileNameLength;
  ULONG eaSize;
  ULONG reparsePointTag;
  FileId128 fileId;
  WCHAR fileName[1];
};

// Whether a failure means the system does not know the class or flag asked
// for (rather than refusing this entry).
bool NotSupported(DWORD error) {
  return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED ||
         error == ERROR_INVALID_LEVEL;
}

// Opens name relative to the entry root (root itself for an empty name)
// without following a link; the opened entry is on root's volume.
std::unique_ptr<EngineEntry> OpenRelative(EngineEntry& root, std::wstring& name, uint32_t access) {
  if (name.size() > 0x7FFF) return nullptr;
  UNICODE_STRING objectName;
  objectName.Buffer = name.empty() ? nullptr : name.data();
  objectName.Length = objectName.MaximumLength = static_cast<USHORT>(name.size() * sizeof(WCHAR));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, HandleOf(root),
                             nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE opened = INVALID_HANDLE_VALUE;
  Wow64FsGuard unredirected;
  if (!NT_SUCCESS(NtOpenFile(&opened, RightsFor(access), &attributes, &io, kShareAll,
                             kOpenReparsePoint | kOpenForBackupIntent | kSynchronousIoNonAlert))) {
    return nullptr;
  }
  auto entry = EntryOf(ScopedFileHandle(opened));
  Win32EntryOf(*entry).volume = Win32EntryOf(root).volume;
  return entry;
}

// The 64-bit ID of the open handle; false when the system does not say.
bool NarrowIdOf(HANDLE handle, uint64_t& id) {
  IO_STATUS_BLOCK io{};
  LARGE_INTEGER index{};
  if (!NT_SUCCESS(
          NtQueryInformationFile(handle, &io, &index, sizeof index, kFileInternalInformation))) {
    return false;
  }
  id = static_cast<uint64_t>(index.QuadPart);
  return true;
}

}  // namespace

std::unique_ptr<EngineEntry> Win32Platform::EngineOpen(const EnginePath& path, uint32_t access) {
  const std::wstring wide = WideEnginePath(path.text);
  Wow64FsGuard unredirected;
  return EntryOf(ScopedFileHandle(
      CreateFileW(wide.c_str(), RightsFor(access), kShareAll, nullptr, OPEN_EXISTING,
                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
}

std::unique_ptr<EngineEntry> Win32Platform::EngineOpenChild(EngineEntry& folder,
                                                            const std::string& name,
                                                            uint32_t access) {
  // The name is looked up in the folder the handle holds, whatever path
  // leads there now.
  std::wstring wide = WideFromUtf8(name);
  if (wide.empty()) return nullptr;
  return OpenRelative(folder, wide, access);
}

std::unique_ptr<EngineEntry> Win32Platform::EngineReopen(EngineEntry& entry, uint32_t access) {
  std::wstring self;
  auto reopened = OpenRelative(entry, self, access);
  const VolumeFacts* volume = Win32EntryOf(entry).volume;
  if (reopened == nullptr || volume == nullptr || !volume->Remote()) return reopened;
  // The server opened the path again: whatever is there now must be the
  // object held, where the IDs tell.
  uint64_t was = 0;
  uint64_t now = 0;
  if (NarrowIdOf(HandleOf(entry), was) && NarrowIdOf(HandleOf(*reopened), now) &&
      FileId(was).Known() && FileId(now).Known() && was != now) {
    return nullptr;
  }
  return reopened;
}

VolumeFacts* Win32Platform::FactsOf(EngineEntry& entry, FileId* wide) {
  Win32Entry& opened = Win32EntryOf(entry);
  if (opened.volume != nullptr) return opened.volume;
  HANDLE handle = opened.handle.Get();
  VolumeIdentity identity;
  FileIdInformation full{};
  if (GetFileInformationByHandleEx(handle, kFileIdInfo, &full, sizeof full)) {
    if (wide != nullptr) {
      *wide = {full.fileId.low, full.fileId.high, full.volumeSerialNumber, FileIdKind::k128};
    }
    identity.from = VolumeIdentity::Serial::kIdInfo;
    identity.serial = full.volumeSerialNumber;
  } else if (!NotSupported(GetLastError())) {
    return nullptr;
  }
  // The file system's name, which tells apart volumes of one serial; and
  // where FileIdInfo is refused (before Windows 8, a server that does not
  // answer) the serial the older question gives.
  const bool shortSerial = identity.from == VolumeIdentity::Serial::kNone;
  DWORD serial = 0;
  WCHAR fileSystem[MAX_PATH + 1] = {};
  if (GetVolumeInformationByHandleW(handle, nullptr, 0, shortSerial ? &serial : nullptr, nullptr,
                                    nullptr, fileSystem, MAX_PATH + 1)) {
    identity.fileSystem = fileSystem;
    if (shortSerial) {
      identity.from = VolumeIdentity::Serial::kShort;
      identity.serial = serial;
    }
  }
  constexpr auto kFileFsDeviceInformation = static_cast<FS_INFORMATION_CLASS>(4);
  constexpr ULONG kRemoteDevice = 0x10;  // FILE_REMOTE_DEVICE
  struct {
    ULONG deviceType;
    ULONG characteristics;
  } device{};
  IO_STATUS_BLOCK io{};
  if (NT_SUCCESS(NtQueryVolumeInformationFile(handle, &io, &device, sizeof device,
                                              kFileFsDeviceInformation))) {
    identity.remote = (device.characteristics & kRemoteDevice) != 0;
  }
  return opened.volume = &volumes_.Of(identity);
}

bool Win32Platform::EngineQuery(EngineEntry& entry, EntryInfo& info) {
  IO_STATUS_BLOCK io{};
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (!NT_SUCCESS(NtQueryInformationFile(HandleOf(entry), &io, &tag, sizeof tag,
                                         kFileAttributeTagInformation))) {
    return false;
  }
  info.attributes = tag.FileAttributes;
  info.reparseTag = (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? tag.ReparseTag : 0;
  // The question that learns the volume gives the 128-bit ID on the way.
  FileId wide;
  const VolumeFacts* volume = FactsOf(entry, &wide);
  if (volume == nullptr) return false;
  if (wide.kind == FileIdKind::k128) {
    info.fileId = wide;
    return true;
  }
  return EngineQueryId(entry, volume->IdInfo() ? FileIdKind::k128 : FileIdKind::k64, info.fileId);
}

bool Win32Platform::EngineQueryId(EngineEntry& entry, FileIdKind kind, FileId& fileId) {
  const VolumeFacts* volume = FactsOf(entry);
  if (volume == nullptr) return false;
  HANDLE handle = HandleOf(entry);
  // The 64-bit ID is one question that Wine answers without asking its
  // mount manager for the volume; it answers for the 128-bit one where
  // that is the 64-bit one widened.
  if (kind == FileIdKind::k64 || volume->WideIsNarrow()) {
    uint64_t id = 0;
    if (!NarrowIdOf(handle, id)) return false;
    fileId = {id, 0, volume->identity.serial, kind};
    return true;
  }
  if (!volume->IdInfo()) return false;
  FileIdInformation full{};
  if (!GetFileInformationByHandleEx(handle, kFileIdInfo, &full, sizeof full)) return false;
  fileId = {full.fileId.low, full.fileId.high, volume->identity.serial, kind};
  return true;
}

bool Win32Platform::EngineList(EngineEntry& folder,
                               const std::function<void(const FindEntry&)>& visit) {
  HANDLE handle = HandleOf(folder);
  VolumeFacts* facts = FactsOf(folder);
  if (facts == nullptr) return false;
  const uint64_t volume = facts->identity.serial;
  // Whole entries only: the buffer holds at least one of the longest name.
  constexpr DWORD kBufferBytes = 64 * 1024;
  std::vector<LONGLONG> buffer(kBufferBytes / sizeof(LONGLONG));
  const auto* bytes = reinterpret_cast<const char*>(buffer.data());
  FindEntry entry;
  const auto report = [&](const WCHAR* name, DWORD nameBytes, DWORD attributes, DWORD tag,
                          FileId id) {
    const std::wstring wide(name, nameBytes / sizeof(WCHAR));
    if (wide == L"." || wide == L"..") return;
    entry.name = Utf8FromWide(wide);
    entry.attributes = attributes;
    entry.reparseTag = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? tag : 0;
    entry.fileId = id;
    visit(entry);
  };
  // The 128-bit IDs only where the volume answers for them by handle too.
  if (facts->IdInfo() && facts->extdListing != VolumeFacts::kNo) {
    FILE_INFO_BY_HANDLE_CLASS kind = kFileIdExtdDirectoryRestartInfo;
    bool any = false;
    while (GetFileInformationByHandleEx(handle, kind, buffer.data(), kBufferBytes)) {
      kind = kFileIdExtdDirectoryInfo;
      any = true;
      for (size_t at = 0;;) {
        const auto* found = reinterpret_cast<const FileIdExtdDirectoryInformation*>(bytes + at);
        report(found->fileName, found->fileNameLength, found->fileAttributes,
               found->reparsePointTag,
               {found->fileId.low, found->fileId.high, volume, FileIdKind::k128});
        if (found->nextEntryOffset == 0) break;
        at += found->nextEntryOffset;
      }
    }
    const DWORD error = GetLastError();
    if (any || !NotSupported(error)) {
      if (any) facts->extdListing = VolumeFacts::kYes;
      return error == ERROR_NO_MORE_FILES;
    }
    facts->extdListing = VolumeFacts::kNo;
  }
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  while (GetFileInformationByHandleEx(handle, kind, buffer.data(), kBufferBytes)) {
    kind = FileIdBothDirectoryInfo;
    for (size_t at = 0;;) {
      const auto* found = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + at);
      // With the reparse-point attribute, the EA size field holds the tag.
      report(found->FileName, found->FileNameLength, found->FileAttributes, found->EaSize,
             {static_cast<uint64_t>(found->FileId.QuadPart), 0, volume, FileIdKind::k64});
      if (found->NextEntryOffset == 0) break;
      at += found->NextEntryOffset;
    }
  }
  return GetLastError() == ERROR_NO_MORE_FILES;
}

std::optional<EnginePath> Win32Platform::EngineFolderOf(const std::string& folderPart) {
  // Only a plain full path is only prefixed (see EngineFormOf), so that its
  // names are joined to the folder's form as they stand; a drive root keeps
  // its backslash.
  std::wstring folder = WideFromUtf8(folderPart);
  // A path already in a literal form ("\\?\", "\\.\") is left to the lookup.
  if (folder.empty() || folder.back() != L'\\' || folder.compare(0, 3, L"\\\\?") == 0 ||
      folder.compare(0, 3, L"\\\\.") == 0) {
    return std::nullopt;
  }
  if (folder.size() != 3 || folder[1] != L':') folder.pop_back();
  if (!IsPlainFullPath(folder)) return std::nullopt;
  return EnginePath{Utf8FromWide(LongFormOf(folder))};
}

std::optional<std::string> Win32Platform::LookupKey(const std::string& name) {
  // An ASCII name is its own UTF-16.
  std::string key;
  if (!LookupKeyOf(IsAscii(name) ? std::wstring(name.begin(), name.end()) : WideFromUtf8(name),
                   key)) {
    return std::nullopt;
  }
  return key;
}

bool Win32Platform::EngineListKeys(
    const EnginePath& folder,
    const std::function<bool(const std::optional<std::string>& key, uint32_t attributes)>& visit) {
  const std::wstring wide = WideEnginePath(folder.text);
  ScopedFileHandle handle;
  {
    Wow64FsGuard unredirected;
    handle.Reset(CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY | SYNCHRONIZE, kShareAll, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  }
  if (!handle.Valid()) return false;
  constexpr DWORD kBufferBytes = 64 * 1024;
  std::vector<LONGLONG> buffer(kBufferBytes / sizeof(LONGLONG));
  const auto* bytes = reinterpret_cast<const char*>(buffer.data());
  // One key's bytes, kept from name to name.
  std::optional<std::string> key(std::in_place);
  std::optional<std::string> shortKey(std::in_place);
  const auto visitName = [&](std::wstring_view name, std::optional<std::string>& into,
                             DWORD attributes) {
    return NameKeyOf(name, *into) ? visit(into, attributes) : visit(std::nullopt, attributes);
  };
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  while (GetFileInformationByHandleEx(handle.Get(), kind, buffer.data(), kBufferBytes)) {
    kind = FileIdBothDirectoryInfo;
    for (size_t at = 0;;) {
      const auto* found = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + at);
      const std::wstring_view name(found->FileName, found->FileNameLength / sizeof(WCHAR));
      const std::wstring_view shortName(found->ShortName, found->ShortNameLength / sizeof(WCHAR));
      if (name != L"." && name != L"..") {
        if (!visitName(name, key, found->FileAttributes)) return false;
        // The short name, where it is another name than the long one.
        if (!shortName.empty() && !(NameKeyOf(shortName, *shortKey) && *shortKey == *key) &&
            !visitName(shortName, shortKey, found->FileAttributes)) {
          return false;
        }
      }
      if (found->NextEntryOffset == 0) break;
      at += found->NextEntryOffset;
    }
  }
  return GetLastError() == ERROR_NO_MORE_FILES;
}

bool Win32Platform::EngineSetAttributes(EngineEntry& entry, uint32_t attributes) {
  // Zero times leave the times alone; zero attributes would too, so an entry
  // left with no bit at all is written as "normal", as SetFileAttributes does.
  constexpr DWORD kSettable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                              FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                              FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  FILE_BASIC_INFO info{};
  info.FileAttributes = attributes & kSettable;
  if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(HandleOf(entry), FileBasicInfo, &info, sizeof info) != 0;
}

bool Win32Platform::EngineRemove(EngineEntry& entry) {
  HANDLE handle = HandleOf(entry);
  VolumeFacts* volume = Win32EntryOf(entry).volume;
  if (volume == nullptr || volume->posix != VolumeFacts::kNo) {
    // The name goes at once, even while another program holds the entry
    // with share-delete (an indexer, a virus scanner).
    DWORD flags = kDispositionDelete | kDispositionPosix;
    if (SetFileInformationByHandle(handle, kFileDispositionInfoEx, &flags, sizeof flags)) {
      if (volume != nullptr) volume->posix = VolumeFacts::kYes;
      return true;
    }
    if (!NotSupported(GetLastError())) return false;
    if (volume != nullptr) volume->posix = VolumeFacts::kNo;
  }
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                    sizeof disposition) != 0;
}

}  // namespace moxlyn
