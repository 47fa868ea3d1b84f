#include "win32/win32_platform.h"

#include <windows.h>
#include <winternl.h>
// After windows.h: RtlGenRandom.
#include <ntsecapi.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <new>

#include <emmintrin.h>

#include "core/utf8.h"
#include "win32/engine_path.h"
#include "win32/name_key.h"
#include "win32/scoped_handle.h"
#include "win32/wow64_guard.h"

#ifndef LOCALE_ITIMEMARKPOSN
#define LOCALE_ITIMEMARKPOSN 0x00001005
#endif

namespace moxlyn {

// What one volume can do, each learnt from its first answer.
struct Win32Platform::VolumeFacts {
  enum Answer : uint8_t { kUnasked, kYes, kNo };
  // From FileIdInfo where the volume answers it; else the older 32-bit
  // serial where that is known; else 0, and the volume is one of its own.
  uint64_t serial = 0;
  bool serialKnown = false;
  Answer idInfo = kUnasked;       // FileIdInfo: 128-bit IDs and the serial
  Answer extdListing = kUnasked;  // FileIdExtdDirectoryInfo
  Answer posix = kUnasked;        // FileDispositionInfoEx with POSIX semantics
  // The 128-bit ID is the 64-bit one with a zero high half (NTFS), so that
  // one cheaper question answers for both.
  bool wideIsNarrow = false;
  // Opens relative to a handle resolved by the server from its path (a
  // network share), a reopen too.
  bool remote = false;
};

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
  Win32Platform::VolumeFacts* volume = nullptr;
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
  if (reopened == nullptr || volume == nullptr || !volume->remote) return reopened;
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

Win32Platform::VolumeFacts* Win32Platform::FactsOf(EngineEntry& entry, FileId* wide) {
  Win32Entry& opened = Win32EntryOf(entry);
  if (opened.volume != nullptr) return opened.volume;
  auto facts = std::make_unique<VolumeFacts>();
  FileIdInformation full{};
  DWORD shortSerial = 0;
  WCHAR fileSystem[MAX_PATH + 1] = {};
  if (GetFileInformationByHandleEx(opened.handle.Get(), kFileIdInfo, &full, sizeof full)) {
    if (wide != nullptr) {
      *wide = {full.fileId.low, full.fileId.high, full.volumeSerialNumber, FileIdKind::k128};
    }
    for (const auto& known : volumes_) {
      if (known->idInfo == VolumeFacts::kYes && known->serial == full.volumeSerialNumber) {
        return opened.volume = known.get();
      }
    }
    facts->serial = full.volumeSerialNumber;
    facts->serialKnown = true;
    facts->idInfo = VolumeFacts::kYes;
  } else if (!NotSupported(GetLastError())) {
    return nullptr;
  } else if (GetVolumeInformationByHandleW(opened.handle.Get(), nullptr, 0, &shortSerial, nullptr,
                                           nullptr, fileSystem, MAX_PATH + 1)) {
    // Before Windows 8, or a server that does not answer: the volume by the
    // serial the older question gives.
    for (const auto& known : volumes_) {
      if (known->idInfo == VolumeFacts::kNo && known->serialKnown && known->serial == shortSerial) {
        return opened.volume = known.get();
      }
    }
    facts->serial = shortSerial;
    facts->serialKnown = true;
    facts->idInfo = VolumeFacts::kNo;
  } else {
    // Nothing tells which volume this is: one of its own.
    facts->idInfo = VolumeFacts::kNo;
  }
  if (fileSystem[0] != L'\0' ||
      GetVolumeInformationByHandleW(opened.handle.Get(), nullptr, 0, nullptr, nullptr, nullptr,
                                    fileSystem, MAX_PATH + 1)) {
    facts->wideIsNarrow = std::wstring(fileSystem) == L"NTFS";
  }
  constexpr auto kFileFsDeviceInformation = static_cast<FS_INFORMATION_CLASS>(4);
  constexpr ULONG kRemoteDevice = 0x10;  // FILE_REMOTE_DEVICE
  struct {
    ULONG deviceType;
    ULONG characteristics;
  } device{};
  IO_STATUS_BLOCK io{};
  if (NT_SUCCESS(NtQueryVolumeInformationFile(opened.handle.Get(), &io, &device, sizeof device,
                                              kFileFsDeviceInformation))) {
    facts->remote = (device.characteristics & kRemoteDevice) != 0;
  }
  volumes_.push_back(std::move(facts));
  return opened.volume = volumes_.back().get();
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
  return EngineQueryId(
      entry, volume->idInfo == VolumeFacts::kYes ? FileIdKind::k128 : FileIdKind::k64, info.fileId);
}

bool Win32Platform::EngineQueryId(EngineEntry& entry, FileIdKind kind, FileId& fileId) {
  const VolumeFacts* volume = FactsOf(entry);
  if (volume == nullptr) return false;
  HANDLE handle = HandleOf(entry);
  // The 64-bit ID is one question that Wine answers without asking its
  // mount manager for the volume; it answers for the 128-bit one where
  // that is the 64-bit one widened.
  if (kind == FileIdKind::k64 || volume->wideIsNarrow) {
    uint64_t id = 0;
    if (!NarrowIdOf(handle, id)) return false;
    fileId = {id, 0, volume->serial, kind};
    return true;
  }
  if (volume->idInfo != VolumeFacts::kYes) return false;
  FileIdInformation full{};
  if (!GetFileInformationByHandleEx(handle, kFileIdInfo, &full, sizeof full)) return false;
  fileId = {full.fileId.low, full.fileId.high, volume->serial, kind};
  return true;
}

bool Win32Platform::EngineList(EngineEntry& folder,
                               const std::function<void(const FindEntry&)>& visit) {
  HANDLE handle = HandleOf(folder);
  VolumeFacts* facts = FactsOf(folder);
  if (facts == nullptr) return false;
  const uint64_t volume = facts->serial;
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
  if (facts->idInfo == VolumeFacts::kYes && facts->extdListing != VolumeFacts::kNo) {
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

namespace {

// Opens the file at path for shared reading (nobody writing): kMissing when
// no file is there (a folder of that name counts as none).
ReadStatus OpenForReading(const std::string& path, DWORD flags, ScopedFileHandle& file) {
  const std::wstring wide = WideFromUtf8(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return ReadStatus::kMissing;
  }
  file.Reset(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, flags,
                         nullptr));
  return file.Valid() ? ReadStatus::kOk : ReadStatus::kCannotOpen;
}

}  // namespace

ReadStatus Win32Platform::ReadWholeFile(const std::string& path, std::string& content) {
  ScopedFileHandle file;
  const ReadStatus opened = OpenForReading(path, FILE_ATTRIBUTE_NORMAL, file);
  if (opened != ReadStatus::kOk) return opened;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size)) return ReadStatus::kCannotOpen;
  std::string text;
  // A file larger than a string can be (a gigabyte in a 32-bit program) is
  // larger than the memory, too: it opens, but does not fit.
  if (static_cast<uint64_t>(size.QuadPart) > text.max_size()) throw std::bad_alloc();
  text.assign(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < text.size()) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), text.data() + done, static_cast<DWORD>(text.size() - done), &got,
                  nullptr)) {
      return ReadStatus::kCannotOpen;
    }
    if (got == 0) break;
    done += got;
  }
  text.resize(done);
  content = std::move(text);
  return ReadStatus::kOk;
}

ReadStatus Win32Platform::ReadInPieces(const std::string& path,
                                       const std::function<bool(std::string_view)>& piece) {
  ScopedFileHandle file;
  const ReadStatus opened = OpenForReading(path, FILE_FLAG_SEQUENTIAL_SCAN, file);
  if (opened != ReadStatus::kOk) return opened;
  std::string buffer(64 * 1024, '\0');
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return ReadStatus::kCannotOpen;
    }
    if (got == 0) return ReadStatus::kOk;
    if (!piece(std::string_view(buffer.data(), got))) return ReadStatus::kOk;
  }
}

std::optional<uint64_t> Win32Platform::FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

namespace {

class Win32FileWriter : public FileWriter {
 public:
  explicit Win32FileWriter(ScopedFileHandle file) : file_(std::move(file)) {}
  bool Append(std::string_view bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      DWORD wrote = 0;
      if (!WriteFile(file_.Get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                     &wrote, nullptr) ||
          wrote == 0) {
        return false;
      }
      done += wrote;
    }
    return true;
  }
  bool Flush() override { return FlushFileBuffers(file_.Get()) != 0; }

 private:
  ScopedFileHandle file_;
};

}  // namespace

SavePath Win32Platform::FinalPath(const std::string& path) {
  const SavePath own{EngineFormOf(path)};
  ScopedFileHandle file(CreateFileW(WideFromUtf8(own.text).c_str(), 0, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.Valid()) return own;
  std::wstring final(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got =
        GetFinalPathNameByHandleW(file.Get(), final.data(), static_cast<DWORD>(final.size()),
                                  FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (got == 0) return own;
    if (got < final.size()) {
      final.resize(got);
      break;
    }
    final.resize(got);
  }
  // Already "\\?\C:\..." or "\\?\UNC\server\...": the save form itself.
  return {Utf8FromWide(final)};
}

uint64_t Win32Platform::RandomNumber() {
  uint64_t random = 0;
  if (!RtlGenRandom(&random, sizeof random)) {
    // Without the system's generator, the time and the process still make
    // a name that no earlier run used.
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    random = static_cast<uint64_t>(counter.QuadPart) ^ (uint64_t{GetCurrentProcessId()} << 40);
  }
  return random;
}

OpenStatus Win32Platform::OpenForWriting(const SavePath& path, OpenMode mode,
                                         std::unique_ptr<FileWriter>& file) {
  const std::wstring wide = WideFromUtf8(path.text);
  // Emptied after opening rather than created afresh: a hidden or system file
  // cannot be created over.
  ScopedFileHandle handle(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr,
                                      mode == OpenMode::kCreateNew ? CREATE_NEW : OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.Valid()) {
    const DWORD error = GetLastError();
    if (mode == OpenMode::kCreateNew &&
        (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
         GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES)) {
      return OpenStatus::kExists;
    }
    return error == ERROR_ACCESS_DENIED ? OpenStatus::kDenied : OpenStatus::kCannotCreate;
  }
  if (mode == OpenMode::kOverwrite && !SetEndOfFile(handle.Get())) {
    return OpenStatus::kCannotCreate;
  }
  file = std::make_unique<Win32FileWriter>(std::move(handle));
  return OpenStatus::kOk;
}

ReplaceStatus Win32Platform::ReplaceWithFile(const SavePath& target, const SavePath& source) {
  // A rename over the old file, not the system's replace: Wine's replace
  // parks the old file under a name of its own ("rf*.tmp") and removes it
  // before the new one moves in, so a failure leaves a file nobody can tell
  // from another program's, and a power cut in between leaves no file at
  // all. The rename takes the old file's place in one step and creates
  // nothing; the attributes it would not keep are given to the new file
  // first.
  const std::wstring to = WideFromUtf8(target.text);
  const std::wstring from = WideFromUtf8(source.text);
  DWORD flags = MOVEFILE_WRITE_THROUGH;
  const DWORD attributes = GetFileAttributesW(to.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
      return ReplaceStatus::kFailed;
    }
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if ((attributes & kKept) != 0 && !SetFileAttributesW(from.c_str(), attributes & kKept)) {
      return ReplaceStatus::kFailed;
    }
    flags |= MOVEFILE_REPLACE_EXISTING;
  }
  return MoveFileExW(from.c_str(), to.c_str(), flags) ? ReplaceStatus::kOk : ReplaceStatus::kFailed;
}

bool Win32Platform::RenameFile(const SavePath& from, const SavePath& to) {
  return MoveFileExW(WideFromUtf8(from.text).c_str(), WideFromUtf8(to.text).c_str(),
                     MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32Platform::RemoveSavedFile(const SavePath& path) {
  return DeleteFileW(WideFromUtf8(path.text).c_str()) != 0;
}

std::wstring WideModuleFileName() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (got < path.size()) {
      path.resize(got);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

std::string Win32Platform::ModuleFileName() { return Utf8FromWide(WideModuleFileName()); }

namespace {

// The system's own conversion calls, a text at a time.
std::optional<std::string> Utf8FromCodePageCalls(std::string_view bytes) {
  if (IsAscii(bytes)) return std::string(bytes);
  if (bytes.size() > INT_MAX) return std::nullopt;
  const int size = static_cast<int>(bytes.size());
  // A byte sequence that is no character of the code page (a lone lead
  // byte) fails the whole text: nothing may stand for it.
  const int length =
      MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(length), L'\0');
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.data(), length) !=
      length) {
    return std::nullopt;
  }
  return Utf8FromWide(wide);
}

std::optional<std::string> CodePageFromUtf8Calls(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  bool whole = false;
  std::wstring wide;
  AppendUtf16FromWtf8(text, wide, &whole);
  if (!whole || wide.size() > INT_MAX) return std::nullopt;
  const int size = static_cast<int>(wide.size());
  // No best fit: "é" must never become "e", a name of another file.
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                         0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string bytes(static_cast<size_t>(length), '\0');
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, bytes.data(), length,
                          nullptr, &usedDefault) != length ||
      usedDefault) {
    return std::nullopt;
  }
  // And back to the same text: no character of the code page stands for two.
  const std::optional<std::string> back = Utf8FromCodePageCalls(bytes);
  if (!back || *back != text) return std::nullopt;
  return bytes;
}

// The system code page as tables, read from the system's own conversion
// once, character by character: a list of a million entries converts
// without a call per entry, exactly as the calls would. Only what decoding
// gives is encoded (no best fit), and where several codes give the same
// character, the system's own choice is kept. Not usable (the calls are
// asked instead) for a code page of characters longer than two bytes, nor
// on a processor without SSE2.
class CodePageTable {
 public:
  static constexpr uint16_t kNone = 0xFFFF;

  CodePageTable() {
    CPINFO info{};
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize > 2) return;
    std::vector<uint8_t> leads;
    for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
      for (int byte = info.LeadByte[i]; byte <= info.LeadByte[i + 1]; ++byte) {
        leadIndex_[byte] = static_cast<uint8_t>(leads.size() + 1);
        leads.push_back(static_cast<uint8_t>(byte));
      }
    }
    encode_.assign(0x10000, kNone);
    pairs_.assign(leads.size() * 256, kNone);
    for (int byte = 0; byte < 256; ++byte) {
      if (leadIndex_[byte] != 0) continue;
      const char bytes[] = {static_cast<char>(byte)};
      single_[byte] = Decode(bytes, 1);
      if (single_[byte] != kNone) Learn(single_[byte], static_cast<uint16_t>(byte));
    }
    for (size_t lead = 0; lead < leads.size(); ++lead) {
      for (int trail = 1; trail < 256; ++trail) {
        const char bytes[] = {static_cast<char>(leads[lead]), static_cast<char>(trail)};
        const uint16_t unit = Decode(bytes, 2);
        pairs_[lead * 256 + static_cast<size_t>(trail)] = unit;
        if (unit != kNone) Learn(unit, static_cast<uint16_t>((leads[lead] << 8) | trail));
      }
    }
    for (int byte = 0; byte < 0x80; ++byte) asciiSame_ = asciiSame_ && single_[byte] == byte;
    usable_ = asciiSame_ && __builtin_cpu_supports("sse2");
  }

  bool Usable() const { return usable_; }

  // Both conversions copy ASCII sixteen bytes at a time: the tables are
  // used only where the processor has SSE2 (every x86 processor of this
  // century; a 32-bit build may not assume it), the calls elsewhere.
  __attribute__((target("sse2"))) bool AppendUtf8(std::string_view bytes, std::string& text) const {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = in + bytes.size();
    // A pair of the code page gives at most three bytes of UTF-8, and ASCII
    // one: room for one and a half times the bytes left, and the sixteen
    // more that CopyAscii needs, lasts to the end. A single byte may give
    // three (a half-width kana): the first one makes the room three times
    // the bytes left, which lasts too.
    const size_t kept = text.size();
    text.resize(kept + bytes.size() + bytes.size() / 2 + kSlack);
    auto* start = reinterpret_cast<unsigned char*>(text.data());
    auto* out = start + kept;
    auto* limit = start + text.size();
    const uint8_t* const leads = leadIndex_.data();
    while (in < end) {
      CopyAscii(in, end, out);
      // The characters up to the next ASCII byte, one after another.
      while (in < end && *in >= 0x80) {
        const uint32_t row = leads[*in];
        uint32_t unit = kNone;
        if (row == 0) {
          const auto left = static_cast<size_t>(end - in);
          if (static_cast<size_t>(limit - out) < 3 * left + kSlack) {
            const auto used = static_cast<size_t>(out - start);
            text.resize(used + 3 * left + kSlack);
            start = reinterpret_cast<unsigned char*>(text.data());
            out = start + used;
            limit = start + text.size();
          }
          unit = single_[*in];
          in += 1;
        } else if (end - in >= 2) {
          unit = pairs_[(row - 1) * size_t{256} + in[1]];
          in += 2;
        }
        if (unit == kNone) {
          text.resize(kept);
          return false;
        }
        if (unit < 0x800) {
          *out++ = static_cast<unsigned char>(0xC0 | (unit >> 6));
        } else {
          *out++ = static_cast<unsigned char>(0xE0 | (unit >> 12));
          *out++ = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
        }
        *out++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
      }
    }
    text.resize(static_cast<size_t>(out - start));
    return true;
  }

  __attribute__((target("sse2"))) bool AppendCodePage(std::string_view text,
                                                      std::string& bytes) const {
    // A character gives at most as many bytes of the code page as of UTF-8:
    // the room for the rest never falls below sixteen bytes more.
    const size_t kept = bytes.size();
    bytes.resize(kept + text.size() + kSlack);
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = in + text.size();
    auto* const start = reinterpret_cast<unsigned char*>(bytes.data());
    auto* out = start + kept;
    const uint16_t* const encode = encode_.data();
    while (in < end) {
      CopyAscii(in, end, out);
      // The characters up to the next ASCII byte, one after another. Only
      // characters of two and three bytes have codes in the table, so only
      // they are decoded, here rather than by DecodeUtf8At: inlined in this
      // loop on i686, its general form made a million lines take 46 ms to
      // write instead of 31. A continuation byte XOR 0x80 is below 0x40.
      while (in < end && *in >= 0x80) {
        const uint32_t lead = in[0];
        const auto left = static_cast<size_t>(end - in);
        uint32_t code = kNone;
        if (lead >= 0xC2 && lead < 0xE0 && left >= 2 && (in[1] ^ 0x80u) < 0x40) {
          code = ((lead & 0x1Fu) << 6) | (in[1] ^ 0x80u);
          in += 2;
        } else if (lead >= 0xE0 && lead < 0xF0 && left >= 3 &&
                   ((in[1] ^ 0x80u) | (in[2] ^ 0x80u)) < 0x40) {
          code = ((lead & 0x0Fu) << 12) | ((in[1] ^ 0x80u) << 6) | (in[2] ^ 0x80u);
          in += 3;
          if (code < 0x800) code = kNone;  // overlong
        }
        // No code decodes to U+FFFF (kNone): its entry is kNone too.
        const uint16_t coded = encode[code];
        if (coded == kNone) {
          bytes.resize(kept);
          return false;
        }
        if (coded > 0xFF) *out++ = static_cast<unsigned char>(coded >> 8);
        *out++ = static_cast<unsigned char>(coded & 0xFF);
      }
    }
    bytes.resize(static_cast<size_t>(out - start));
    return true;
  }

 private:
  static constexpr size_t kSlack = 16;

  // Copies the ASCII bytes from in on to out and stops at the first other
  // byte; out must have room for sixteen bytes more than are left to copy
  // (what follows the ASCII ones is written too, then written over).
  __attribute__((target("sse2"))) static void CopyAscii(const unsigned char*& in,
                                                        const unsigned char* end,
                                                        unsigned char*& out) {
    while (end - in >= 16) {
      const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), block);
      const auto high = static_cast<unsigned>(_mm_movemask_epi8(block));
      if (high != 0) {
        const auto ascii = static_cast<unsigned>(__builtin_ctz(high));
        in += ascii;
        out += ascii;
        return;
      }
      in += 16;
      out += 16;
    }
    while (in < end && *in < 0x80) *out++ = *in++;
  }

  static uint16_t Decode(const char* bytes, int size) {
    WCHAR unit[2];
    const int got = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, size, unit, 2);
    return got == 1 && unit[0] != kNone ? static_cast<uint16_t>(unit[0]) : kNone;
  }
  // unit decodes from coded; where another code gave it already, the code
  // the system itself encodes it to stays.
  void Learn(uint16_t unit, uint16_t coded) {
    if (encode_[unit] == kNone) {
      encode_[unit] = coded;
      return;
    }
    const WCHAR wide[] = {static_cast<WCHAR>(unit)};
    char own[2];
    BOOL usedDefault = FALSE;
    const int got =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, 1, own, 2, nullptr, &usedDefault);
    const uint16_t system = got == 2
                                ? static_cast<uint16_t>((static_cast<unsigned char>(own[0]) << 8) |
                                                        static_cast<unsigned char>(own[1]))
                            : got == 1 ? static_cast<unsigned char>(own[0])
                                       : kNone;
    if (!usedDefault && system == coded) encode_[unit] = coded;
  }

  bool usable_ = false;
  bool asciiSame_ = true;
  std::array<uint16_t, 256> single_{};
  std::array<uint8_t, 256> leadIndex_{};  // 1 + the lead byte's row in pairs_, 0 for none
  std::vector<uint16_t> pairs_;
  std::vector<uint16_t> encode_;
};

const CodePageTable& SystemCodePage() {
  // The code page stays the system's for the life of the process.
  static const CodePageTable table;
  return table;
}

}  // namespace

bool AppendUtf8FromCodePage(std::string_view bytes, std::string& text) {
  const CodePageTable& table = SystemCodePage();
  if (table.Usable()) return table.AppendUtf8(bytes, text);
  const std::optional<std::string> converted = Utf8FromCodePageCalls(bytes);
  if (converted) text += *converted;
  return converted.has_value();
}

bool AppendCodePageFromUtf8(std::string_view text, std::string& bytes) {
  const CodePageTable& table = SystemCodePage();
  if (table.Usable()) return table.AppendCodePage(text, bytes);
  const std::optional<std::string> converted = CodePageFromUtf8Calls(text);
  if (converted) bytes += *converted;
  return converted.has_value();
}

bool Win32Platform::AppendFromCodePage(std::string_view bytes, std::string& text) {
  return AppendUtf8FromCodePage(bytes, text);
}

bool Win32Platform::AppendToCodePage(std::string_view text, std::string& bytes) {
  return AppendCodePageFromUtf8(text, bytes);
}

int Win32Platform::CompareNoCase(const std::string& a, const std::string& b) {
  const std::wstring wideA = WideFromUtf8(a);
  const std::wstring wideB = WideFromUtf8(b);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wideA.data(),
                        static_cast<int>(wideA.size()), wideB.data(),
                        static_cast<int>(wideB.size())) -
         CSTR_EQUAL;
}

namespace {

// text with its characters upper-cased (or lower-cased) by the system; ASCII
// alone changes only its letters.
std::string ChangeCase(const std::string& text, bool upper) {
  if (IsAscii(text)) {
    std::string changed = text;
    const char from = upper ? 'a' : 'A';
    for (char& c : changed) {
      if (c >= from && c <= from + 25) c = static_cast<char>(c ^ 0x20);
    }
    return changed;
  }
  std::wstring wide = WideFromUtf8(text);
  if (upper) {
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  } else {
    CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  }
  return Utf8FromWide(wide);
}

std::string LocaleText(LCTYPE type) {
  wchar_t buffer[256];
  const int got = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 256);
  return got > 0 ? Utf8FromWide(buffer) : std::string();
}

}  // namespace

std::string Win32Platform::UpperCase(const std::string& text) { return ChangeCase(text, true); }

std::string Win32Platform::LowerCase(const std::string& text) { return ChangeCase(text, false); }

LocaleInfo Win32Platform::ReadLocaleInfo() {
  LocaleInfo locale;
  locale.shortDatePattern = LocaleText(LOCALE_SSHORTDATE);
  locale.dateSeparator = LocaleText(LOCALE_SDATE);
  locale.timeSeparator = LocaleText(LOCALE_STIME);
  locale.hourLeadingZero = LocaleText(LOCALE_ITLZERO) == "1";
  locale.clock24 = LocaleText(LOCALE_ITIME) == "1";
  locale.markerBeforeTime = LocaleText(LOCALE_ITIMEMARKPOSN) == "1";
  locale.amMarker = LocaleText(LOCALE_S1159);
  locale.pmMarker = LocaleText(LOCALE_S2359);
  const WORD language = PRIMARYLANGID(LANGIDFROMLCID(GetUserDefaultLCID()));
  const bool eastAsian =
      language == LANG_JAPANESE || language == LANG_CHINESE || language == LANG_KOREAN;
  locale.removeEraLetters = eastAsian && LocaleText(LOCALE_ICALENDARTYPE) == "1";
  for (int m = 0; m < 12; ++m) {
    locale.shortMonthNames[m] = LocaleText(LOCALE_SABBREVMONTHNAME1 + m);
    locale.longMonthNames[m] = LocaleText(LOCALE_SMONTHNAME1 + m);
  }
  // Windows counts the day names from Monday; the core from Sunday.
  for (int d = 0; d < 7; ++d) {
    const int windowsDay = (d + 6) % 7;
    locale.shortDayNames[d] = LocaleText(LOCALE_SABBREVDAYNAME1 + windowsDay);
    locale.longDayNames[d] = LocaleText(LOCALE_SDAYNAME1 + windowsDay);
  }
  return locale;
}

LocalTime Win32Platform::Now() {
  // Reading the system clock is cheap; turning it into local time is not. The
  // local time changes only with the second, so it is worked out once per
  // second of system time (a log of many entries reads the clock per entry).
  FILETIME utc;
  GetSystemTimeAsFileTime(&utc);
  const uint64_t second =
      ((static_cast<uint64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime) / 10000000;
  if (second != nowSecond_) {
    FILETIME local;
    SYSTEMTIME now;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &now)) {
      GetLocalTime(&now);
    }
    nowSecond_ = second;
    nowLocal_ = LocalTime{now.wYear, now.wMonth,  now.wDay,   now.wDayOfWeek,
                          now.wHour, now.wMinute, now.wSecond};
  }
  return nowLocal_;
}

}  // namespace moxlyn
