// The platform as the deletion core sees it: file system, locale, clock.
// The core never includes <windows.h>; win32/ implements this on the Win32
// calls, tests/support/ in memory. Paths, names and the locale's texts are
// UTF-8 in std::string (WTF-8 for a lone surrogate, which Windows allows in a
// name: see core/utf8.h), so that every name the system can hand over is
// held as itself. The system code page appears only where the bytes of the
// program's own files are read or written, through AppendFromCodePage and
// AppendToCodePage. The program's own texts (the sources' narrow literals) are code
// page 932 bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace moxlyn {

// Windows file attribute bits the core cares about.
constexpr uint32_t kAttrReadOnly = 0x1;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrReparsePoint = 0x400;
// What an attribute query returns when the path cannot be read.
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

// Reparse tag bits (as the system reports them for a reparse point).
constexpr uint32_t kReparseTagMicrosoft = 0x80000000;
constexpr uint32_t kReparseTagNameSurrogate = 0x20000000;

// The two kinds of file ID a volume may report: the 64-bit ID
// (FileInternalInformation, and the listings that give 64-bit IDs) and the
// 128-bit one (FileIdInformation, the extended listing). A volume's two
// kinds need not agree (on ReFS the 64-bit ID is no part of the 128-bit
// one), so an ID is compared only with one of its own kind.
enum class FileIdKind : uint8_t { k64, k128 };

// A file ID of its kind (a 64-bit ID in low, high 0) and the serial number
// of the volume that holds the object (0 where the system does not say). The
// file system reports 0 where it keeps no IDs and all-ones where an object
// has no unique ID: such an ID is unknown, and equal to none.
struct FileId {
  FileId() = default;
  // A 64-bit ID is a file ID of its own: implicit.
  FileId(uint64_t lowBits, uint64_t highBits = 0, uint64_t volumeSerial = 0,
         FileIdKind idKind = FileIdKind::k64)
      : low(lowBits), high(highBits), volume(volumeSerial), kind(idKind) {}
  uint64_t low = 0;
  uint64_t high = 0;
  uint64_t volume = 0;
  FileIdKind kind = FileIdKind::k64;

  bool Known() const {
    const bool zero = low == 0 && high == 0;
    const bool allOnes = low == ~uint64_t{0} && (high == 0 || high == ~uint64_t{0});
    return !zero && !allOnes;
  }
  // The same object, as far as the IDs tell: both known, of one kind, equal.
  bool Same(const FileId& other) const {
    return Known() && other.Known() && kind == other.kind && low == other.low &&
           high == other.high && volume == other.volume;
  }
};

// One entry of a folder enumeration.
struct FindEntry {
  std::string name;         // bare name, no folder
  uint32_t attributes = 0;  // Windows attribute bits
  uint32_t reparseTag = 0;  // meaningful only with kAttrReparsePoint
  FileId fileId{};          // the object's file ID (engine listings only)
};

// What an entry held open is, as its handle tells.
struct EntryInfo {
  uint32_t attributes = 0;  // Windows attribute bits
  uint32_t reparseTag = 0;  // meaningful only with kAttrReparsePoint
  FileId fileId{};          // as a folder listing gives it for the same object
};

// An entry the deletion engine holds open: it names the object that was
// opened, whatever is renamed, removed or put in its place afterwards. Made
// by one platform and handed back only to it; closed when destroyed.
class EngineEntry {
 public:
  EngineEntry() = default;
  EngineEntry(const EngineEntry&) = delete;
  EngineEntry& operator=(const EngineEntry&) = delete;
  virtual ~EngineEntry() = default;
};

// What the engine means to do through an entry it opens (bits).
enum EngineAccess : uint32_t {
  kEngineInspect = 0,          // learn what it is
  kEngineList = 1,             // read a folder's entries
  kEngineRemove = 2,           // delete it
  kEngineWriteAttributes = 4,  // clear its read-only bit
};

// A path in the platform's engine form (see Platform::ToEnginePath), made by
// the platform from a listed path. A type of its own, so that it never mixes
// with the listed paths.
struct EnginePath {
  std::string text;
};

// Local date and time, as the system clock reports it.
struct LocalTime {
  int year = 0;
  int month = 0;      // 1..12
  int day = 0;        // 1..31
  int dayOfWeek = 0;  // 0 = Sunday .. 6 = Saturday
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The user's locale settings that the log file name and log lines follow.
// An empty text means the locale supplied nothing for it.
struct LocaleInfo {
  std::string shortDatePattern;   // e.g. "yyyy/MM/dd"
  std::string dateSeparator;      // e.g. "/"
  std::string timeSeparator;      // e.g. ":"
  bool hourLeadingZero = false;   // the locale asks for "hh"
  bool clock24 = false;           // 24-hour clock
  bool markerBeforeTime = false;  // AM/PM marker stands before the time
  std::string amMarker;           // e.g. "AM"
  std::string pmMarker;           // e.g. "PM"
  bool removeEraLetters = false;  // Japanese, Chinese or Korean with the Gregorian calendar
  std::string shortMonthNames[12];
  std::string longMonthNames[12];
  std::string shortDayNames[7];  // Sunday first
  std::string longDayNames[7];
};

// Outcome of reading a whole file.
enum class ReadStatus {
  kOk,
  kMissing,     // no file at the path (a folder of that name counts as missing)
  kCannotOpen,  // a file exists but cannot be opened for reading
};

// How a file is opened for writing.
enum class OpenMode {
  kCreateNew,  // a new file; refused when any entry of that name exists
  kOverwrite,  // the file emptied, or created when missing
};

// Outcome of opening a file for writing.
enum class OpenStatus {
  kOk,
  kExists,        // kCreateNew only: an entry of that name exists
  kDenied,        // access denied: the folder takes no new files, or the file no writing
  kCannotCreate,  // the file cannot be created or emptied for any other reason (a full disk)
};

// Outcome of replacing a file with another.
enum class ReplaceStatus {
  kOk,
  kFailed,      // nothing changed: target and source are as they were
  kTargetGone,  // target was removed but source could not take its place
};

// A path in the platform's save form: made by Platform::FinalPath, or from
// another one by appending ASCII text to its last name. It may reach what a
// listed path cannot (a long path); it is never shown or saved. A type of its
// own, like EnginePath.
struct SavePath {
  std::string text;
};

// A file open for writing with exclusive access, written from its start in
// pieces; closed when destroyed.
class FileWriter {
 public:
  FileWriter() = default;
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;
  virtual ~FileWriter() = default;
  // Appends bytes; false when fewer were written than asked (full disk).
  virtual bool Append(std::string_view bytes) = 0;
  // Flushes what was appended to disk; false on failure.
  virtual bool Flush() = 0;
};

// The calls whose result decides what happens to the user's files are
// [[nodiscard]]; the deletion engine ignores the others' failures by design.
class Platform {
 public:
  Platform() = default;
  Platform(const Platform&) = delete;
  Platform& operator=(const Platform&) = delete;
  virtual ~Platform() = default;

  // --- File system -------------------------------------------------------

  // Attribute bits of path, or kInvalidAttributes when they cannot be read.
  [[nodiscard]] virtual uint32_t GetAttributes(const std::string& path) = 0;
  // Replaces the attribute bits of path; false on failure.
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
  // Deletes a file; fails on a read-only file, a folder and a locked file.
  virtual bool RemoveFile(const std::string& path) = 0;
  // Removes an empty folder (or a folder link itself); false on failure.
  virtual bool RemoveFolder(const std::string& path) = 0;
  // Enumerates the entries matching pattern (a folder path + "\*" or "\*.*"),
  // "." and ".." included when the file system reports them, calling visit for
  // each in the file system's order. The folder path is taken literally, as
  // the engine form takes it (a name ending in a blank or a dot is that name).
  // The enumeration stays open while visit runs. False when the enumeration
  // cannot be started. A bare path without a wildcard yields the entry itself
  // (a link as the link, with its tag).
  virtual bool Enumerate(const std::string& pattern,
                         const std::function<void(const FindEntry&)>& visit) = 0;
  // Reads the whole file at path into content (shared reading, nobody writing).
  [[nodiscard]] virtual ReadStatus ReadWholeFile(const std::string& path, std::string& content) = 0;
  // Reads the file at path as ReadWholeFile does, handing its bytes to piece
  // in order, a few kilobytes at a time, until piece returns false.
  [[nodiscard]] virtual ReadStatus ReadInPieces(
      const std::string& path, const std::function<bool(std::string_view)>& piece) = 0;
  // The size in bytes of the file at path, nothing when it cannot be told: a
  // reader may size its work by it, though the file can change before it is
  // read.
  [[nodiscard]] virtual std::optional<uint64_t> FileSize(const std::string& path) {
    (void)path;
    return std::nullopt;
  }
  // Full path of the running executable.
  virtual std::string ModuleFileName() = 0;

  // --- Saving a file through a temporary one ---------------------------------
  // The save form of the file that path finally names, every link on the way
  // followed; the save form of path itself when nothing is there to resolve.
  [[nodiscard]] virtual SavePath FinalPath(const std::string& path) = 0;
  // A number that the next save's temporary name cannot guess: no leftover
  // of an earlier save is likely to hold that name.
  [[nodiscard]] virtual uint64_t RandomNumber() = 0;
  // Opens the file at path for writing as mode says; file holds it on kOk.
  [[nodiscard]] virtual OpenStatus OpenForWriting(const SavePath& path, OpenMode mode,
                                                  std::unique_ptr<FileWriter>& file) = 0;
  // Replaces target with source (source's bytes under target's name) in one
  // step, keeping target's attributes when it exists; source is gone after
  // success, and kept on failure. Creates no file of its own.
  [[nodiscard]] virtual ReplaceStatus ReplaceWithFile(const SavePath& target,
                                                      const SavePath& source) = 0;
  // Gives the file from the name to, where no entry may exist; false on failure.
  [[nodiscard]] virtual bool RenameFile(const SavePath& from, const SavePath& to) = 0;
  // Deletes a file that a save created; false on failure.
  virtual bool RemoveSavedFile(const SavePath& path) = 0;

  // --- The deletion engine's file system -----------------------------------
  // The engine and the drop intake turn a listed path into the platform's
  // engine form; the engine opens by its path only a listed entry that lies
  // under no other listed folder, and reaches every other entry through a
  // folder's open handle, one name at a time. The engine form may reach what
  // a listed path cannot (very long paths) and takes every name literally; it is never shown,
  // logged or saved. A name inside a listed path is a name of the engine's form as it stands.
  [[nodiscard]] virtual EnginePath ToEnginePath(const std::string& listedPath) {
    return {listedPath};
  }
  // Attribute bits of the entry at path itself (a link as the link), or
  // kInvalidAttributes when they cannot be read.
  [[nodiscard]] virtual uint32_t EngineGetAttributes(const EnginePath& path) {
    return GetAttributes(path.text);
  }
  // --- Names looked up from their folder's listing --------------------------
  // A lookup of a name in a folder compares it with the folder's names by a
  // key: the entry whose name (or short name) has the name's key is the one
  // found. The drop intake answers many names of one folder from one listing.
  //
  // The engine form of the folder that folderPart names (a listed path up to
  // its last name, separator included, as FileNameStart cuts it), where the
  // engine form of folderPart + name is that folder's joined with every name
  // that has a LookupKey; nothing where it may not be (a path made full first).
  [[nodiscard]] virtual std::optional<EnginePath> EngineFolderOf(const std::string& folderPart) {
    (void)folderPart;
    return std::nullopt;
  }
  // The key a lookup of name (a last name of a listed path) in a folder
  // compares by; nothing where no key tells that lookup exactly (a name that
  // ends in a dot or a blank, a device name, a character whose case file
  // systems fold differently): such a name is asked alone.
  [[nodiscard]] virtual std::optional<std::string> LookupKey(const std::string& name) {
    (void)name;
    return std::nullopt;
  }
  // Lists the folder at path as a lookup of a name in it reaches it (links
  // on the way followed), calling visit for every name a lookup finds an
  // entry by (its name, and its short name where it has another), with that
  // name's key and the entry's attribute bits as an attribute query tells
  // them, "." and ".." left out, until visit returns false. A listed name
  // that no name with a LookupKey could match (one ending in a dot) may have
  // any key; one whose characters fold differently has none. True when every
  // name was visited.
  [[nodiscard]] virtual bool EngineListKeys(
      const EnginePath& folder,
      const std::function<bool(const std::optional<std::string>& key, uint32_t attributes)>&
          visit) {
    (void)folder, (void)visit;
    return false;
  }
  // Opens the entry at path for access, without following a link where the
  // system allows it (every sharing allowed); null on failure.
  [[nodiscard]] virtual std::unique_ptr<EngineEntry> EngineOpen(const EnginePath& path,
                                                                uint32_t access) = 0;
  // Opens the entry named name inside the open folder, looked up in that
  // folder alone, as EngineOpen does; null on failure.
  [[nodiscard]] virtual std::unique_ptr<EngineEntry> EngineOpenChild(EngineEntry& folder,
                                                                     const std::string& name,
                                                                     uint32_t access) = 0;
  // Opens the object that entry holds once more, for access, whatever its
  // path names now; null on failure.
  [[nodiscard]] virtual std::unique_ptr<EngineEntry> EngineReopen(EngineEntry& entry,
                                                                  uint32_t access) = 0;
  // What the open entry is; false when the system does not say.
  [[nodiscard]] virtual bool EngineQuery(EngineEntry& entry, EntryInfo& info) = 0;
  // The open entry's file ID of kind alone, where one question asks less
  // than EngineQuery; false when the system does not say, or has no ID of
  // that kind for the entry's volume.
  [[nodiscard]] virtual bool EngineQueryId(EngineEntry& entry, FileIdKind kind, FileId& id) {
    EntryInfo info;
    if (!EngineQuery(entry, info) || info.fileId.kind != kind) return false;
    id = info.fileId;
    return true;
  }
  // Lists the entries of the open folder (opened with kEngineList), "." and
  // ".." left out, calling visit for each in the file system's order; false
  // when it cannot be read.
  virtual bool EngineList(EngineEntry& folder,
                          const std::function<void(const FindEntry&)>& visit) = 0;
  // Writes the attribute bits of the open entry; false on failure.
  virtual bool EngineSetAttributes(EngineEntry& entry, uint32_t attributes) = 0;
  // Deletes the open entry (opened with kEngineRemove): a file, an empty
  // folder, or a link itself. Fails on a read-only file and a folder that is
  // not empty. Where the system can, the name goes at once, even while
  // another program holds the entry open with share-delete; elsewhere it
  // goes when the last handle on it closes.
  virtual bool EngineRemove(EngineEntry& entry) = 0;

  // --- Text and locale ---------------------------------------------------

  // Appends bytes, text of the system code page, to text as UTF-8; false,
  // text as it was, when they are not text of the code page (a lone lead
  // byte, an unassigned code). Appending lets a caller keep one buffer for a
  // whole file.
  [[nodiscard]] virtual bool AppendFromCodePage(std::string_view bytes, std::string& text) = 0;
  // Appends UTF-8 text to bytes as bytes of the system code page; false,
  // bytes as they were, unless every character has its own code there and
  // converts back to itself (no look-alike: "é" is never "e").
  [[nodiscard]] virtual bool AppendToCodePage(std::string_view text, std::string& bytes) = 0;
  // The same, as a new string; nothing where the append fails.
  std::optional<std::string> FromCodePage(std::string_view bytes) {
    std::string text;
    if (!AppendFromCodePage(bytes, text)) return std::nullopt;
    return text;
  }
  std::optional<std::string> ToCodePage(std::string_view text) {
    std::string bytes;
    if (!AppendToCodePage(text, bytes)) return std::nullopt;
    return bytes;
  }
  // Compares a and b case-insensitively in the user's default locale:
  // negative, zero or positive.
  virtual int CompareNoCase(const std::string& a, const std::string& b) = 0;
  // Upper-casing in the user's locale.
  virtual std::string UpperCase(const std::string& text) = 0;
  // Lower-casing in the user's locale.
  virtual std::string LowerCase(const std::string& text) = 0;
  // The user's current locale settings, read afresh.
  virtual LocaleInfo ReadLocaleInfo() = 0;

  // --- Clock ---------------------------------------------------------------

  virtual LocalTime Now() = 0;
};

}  // namespace moxlyn
