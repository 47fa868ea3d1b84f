// An in-memory Windows file system and locale for fast native tests of the
// core. It models drives, folders, the read-only, hidden, directory and
// reparse-point attributes, case-insensitive names (ASCII, Latin-1 and
// full-width letters), backslash separators, a system code page (932 unless
// set: the system's own conversion under Windows, glibc's iconv elsewhere),
// links to folders and to files, objects with file
// IDs and the engine's handles on them (opened as Windows opens them: a link
// as the link, the rights asked for checked, a deleted name kept while a
// handle is open unless deleted with POSIX semantics), the systems that
// differ there (see Model), and the faults the core must survive: locked
// files, unreadable files, folders that refuse new files, a full disk and a
// replace that loses its target. It records what a power cut after each
// change could leave of the disk.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/platform.h"
#include "tests/support/attributes.h"

namespace moxlyn::testing {

class MemoryPlatform : public Platform {
 public:
  MemoryPlatform();
  ~MemoryPlatform() override;

  // --- Building the file system (parents are created as needed) ----------
  void AddFolder(const std::string& path, uint32_t attributes = 0);
  void AddFile(const std::string& path, const std::string& content = "", uint32_t attributes = 0);
  // A folder link (junction or symbolic link) at path that leads to target;
  // false on a volume without reparse points.
  bool AddFolderLink(const std::string& path, const std::string& target,
                     uint32_t reparseTag = 0xA000000C);
  // A symbolic link to the file target at path; false as AddFolderLink.
  bool AddFileLink(const std::string& path, const std::string& target);
  // Gives the entry at from (a folder or link too) the path to, where no
  // entry may be; open handles keep naming it. False on failure.
  bool MoveEntry(const std::string& from, const std::string& to);

  // --- Inspecting it ------------------------------------------------------
  bool Exists(const std::string& path);
  bool IsFolder(const std::string& path);
  std::string Content(const std::string& path);  // through links; "" when missing
  bool IsLink(const std::string& path);
  // Names directly inside folder, in enumeration order.
  std::vector<std::string> Names(const std::string& folder);

  // --- Faults ----------------------------------------------------------------
  // Held open by another program for reading, without share-delete and
  // share-write: can be read, but not deleted, emptied or replaced.
  void Lock(const std::string& path);
  // Exists but cannot be opened for reading (held open for writing elsewhere).
  void DenyRead(const std::string& path);
  // Let go by the other program: Lock and DenyRead end.
  void Release(const std::string& path);
  // Files cannot be created in (or renamed into) this folder; the files it
  // holds can still be written.
  void DenyCreateIn(const std::string& folder);
  // Replacing target removes it and then fails, as the system's replace does
  // when the new file cannot be moved into place.
  void LoseTargetOnReplace(const std::string& target);
  // Renaming a file to path fails.
  void DenyRenameTo(const std::string& path);
  // The systems whose engine calls differ. Windows 10 and later delete with
  // POSIX semantics: the name goes at once, even while another program holds
  // the entry with share-delete. Without them (older Windows, FAT, Wine) a
  // deleted entry keeps its name until the last handle on it closes, and
  // opening it meanwhile fails. Wine also follows links on opening: engine
  // handles opened on a link are on its target, and a folder listing gives a
  // link its target's file ID.
  enum class System { kWindows10, kWindowsWithoutPosixDelete, kWine };
  void Model(System system);
  // Held open by another program with share-delete (an indexer, a scanner):
  // it can be deleted, but without POSIX semantics its name stays.
  void HoldSharingDelete(const std::string& path);
  // What the entry refuses (per entry, as its ACL would): engine opens that
  // ask for one of these access bits, any open, or the query on a handle.
  static constexpr uint32_t kRefuseOpen = 0x100;
  static constexpr uint32_t kRefuseQuery = 0x200;
  void Refuse(const std::string& path, uint32_t what);
  // The existing folder compares its names exactly, case included, as
  // Windows allows per folder: "Sub" and "SUB" are two entries there.
  void TellCaseApart(const std::string& folder);
  // The file IDs the system reports: unique per volume, all 0 (a file system
  // without IDs) or all-ones (objects without a unique ID).
  enum class Ids { kUnique, kZero, kAllOnes };
  void ReportIds(Ids ids) { ids_ = ids; }
  // The kinds of volume a list can reach, each with the facts Microsoft
  // documents for it (MS-FSCC: the 64-bit and 128-bit file IDs,
  // FileInternalInformation, FileIdInformation, the directory information
  // classes and the disposition; the FILE_ID_128 and FILE_ID_INFO pages):
  // - kNtfs: a 64-bit ID per object; its 128-bit ID is the 64-bit one with a
  //   zero high half; folders listed with 128-bit IDs (the extended
  //   listing); reparse points; POSIX deletion where the system has it.
  // - kReFS (a Dev Drive): 128-bit IDs with the high half in use (here the
  //   low half 0); the 64-bit ID no part of it, or all-ones where no unique
  //   64-bit ID can be established; listed with 128-bit IDs; reparse points
  //   and deletion as on NTFS (whether a volume takes POSIX deletion is
  //   learnt from it; every table runs both dispositions anyway).
  // - kFat (FAT32, exFAT): the 64-bit ID made from the position of the
  //   entry's record in its folder, so that it changes when the entry is
  //   renamed and a newcomer may take it; the root's is 0; no 128-bit ID
  //   (FileIdInformation refused), listed with 64-bit IDs; no reparse points,
  //   no POSIX deletion.
  // - kShare (a network share): the server's 64-bit IDs, FileIdInformation
  //   refused, listed with 64-bit IDs; no POSIX deletion; every open relative
  //   to a handle resolved by the server from the path that handle was opened
  //   by, a reopen too (which keeps the object it held where the server
  //   reports IDs, as the Win32 platform checks).
  // Every drive is NTFS unless set otherwise.
  enum class Volume { kNtfs, kReFS, kFat, kShare };
  // Before anything is added to drive ("E:").
  void SetVolume(const std::string& drive, Volume kind);
  // Only this many bytes of file content fit on the disk in all.
  void SetDiskCapacity(size_t bytes);
  // No new entry fits on the disk (no free inode): creating a file fails,
  // and not as an access denial does.
  void UseUpEntries() { noFreeEntries_ = true; }
  // Every flush of a file fails.
  void FailFlushes() { failFlushes_ = true; }
  // The save form is "\\?\" and the path (as the Win32 platform's long
  // form), and the save calls take nothing else.
  void UseOwnSaveForm() { ownSaveForm_ = true; }
  // Reads in pieces hand over this many bytes at a time.
  void SetReadPieceSize(size_t bytes) { readPieceSize_ = bytes; }

  // --- Power cuts --------------------------------------------------------------
  // The disk as a power cut leaves it: every file by its path with its bytes,
  // every link by its path as "-> " and its target.
  using DiskState = std::map<std::string, std::string>;
  // One call that changed the disk, and every state a power cut right after
  // it can leave: a file keeps its bytes up to its last flush, and of those
  // written since none, half or all; creating, emptying, replacing, renaming
  // and removing are atomic and kept in their order.
  struct PowerCut {
    std::string operation;
    std::vector<DiskState> states;
  };
  // From now on every change adds its PowerCut.
  void RecordPowerCuts() { recording_ = true; }
  const std::vector<PowerCut>& PowerCuts() const { return powerCuts_; }
  // The disk as it is now, every byte kept.
  DiskState CurrentState();

  // --- Environment -------------------------------------------------------------
  void SetModuleFileName(const std::string& path) { moduleFileName_ = path; }
  void SetLocale(const LocaleInfo& locale) { locale_ = locale; }
  // The system code page: 932, 936 or 1252.
  void SetCodePage(unsigned codePage) { codePage_ = codePage; }
  void SetNow(const LocalTime& now) { now_ = now; }
  // Every call of Now() moves the clock on by this many seconds afterwards.
  void SetClockStep(int seconds) { clockStep_ = seconds; }
  int LocaleReads() const { return localeReads_; }

  // --- Platform ---------------------------------------------------------------
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  bool RemoveFile(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
  bool Enumerate(const std::string& pattern,
                 const std::function<void(const FindEntry&)>& visit) override;
  ReadStatus ReadWholeFile(const std::string& path, std::string& content) override;
  ReadStatus ReadInPieces(const std::string& path,
                          const std::function<bool(std::string_view)>& piece) override;
  std::optional<uint64_t> FileSize(const std::string& path) override;
  // The save form is the path itself, or with UseOwnSaveForm "\\?\" and it.
  SavePath FinalPath(const std::string& path) override;
  // 0, 1, 2 and so on: a test knows the temporary names to come.
  uint64_t RandomNumber() override { return nextRandom_++; }
  OpenStatus OpenForWriting(const SavePath& path, OpenMode mode,
                            std::unique_ptr<FileWriter>& file) override;
  ReplaceStatus ReplaceWithFile(const SavePath& target, const SavePath& source) override;
  bool RenameFile(const SavePath& from, const SavePath& to) override;
  bool RemoveSavedFile(const SavePath& path) override;
  std::string ModuleFileName() override { return moduleFileName_; }
  std::unique_ptr<EngineEntry> EngineOpen(const EnginePath& path, uint32_t access) override;
  std::unique_ptr<EngineEntry> EngineOpenChild(EngineEntry& folder, const std::string& name,
                                               uint32_t access) override;
  std::unique_ptr<EngineEntry> EngineReopen(EngineEntry& entry, uint32_t access) override;
  // The ID of the kind the volume's listing gives.
  bool EngineQuery(EngineEntry& entry, EntryInfo& info) override;
  bool EngineQueryId(EngineEntry& entry, FileIdKind kind, FileId& id) override;
  bool EngineList(EngineEntry& folder, const std::function<void(const FindEntry&)>& visit) override;
  // Names are compared by their upper case (ASCII letters). A name ending in
  // a dot or a blank has no lookup key, as on Windows; one with a full-width
  // capital (which LowerCase folds and lookups do not) no key at all.
  std::optional<EnginePath> EngineFolderOf(const std::string& folderPart) override;
  std::optional<std::string> LookupKey(const std::string& name) override;
  bool EngineListKeys(const EnginePath& folder,
                      const std::function<bool(const std::optional<std::string>& key,
                                               uint32_t attributes)>& visit) override;
  bool EngineSetAttributes(EngineEntry& entry, uint32_t attributes) override;
  bool EngineRemove(EngineEntry& entry) override;
  bool AppendFromCodePage(std::string_view bytes, std::string& text) override;
  bool AppendToCodePage(std::string_view text, std::string& bytes) override;
  int CompareNoCase(const std::string& a, const std::string& b) override;
  // ASCII letters and those of Latin-1; the full-width ones lower-cased only.
  std::string UpperCase(const std::string& text) override;
  std::string LowerCase(const std::string& text) override;
  LocaleInfo ReadLocaleInfo() override;
  LocalTime Now() override;

 private:
  struct Node;
  struct Handle;
  class Writer;
  struct Located {
    Node* parent = nullptr;  // folder holding the node (after links)
    Node* node = nullptr;    // the node itself, nullptr when missing
    std::string name;        // last component as given
  };

  static constexpr const char* kSaveFormPrefix = "\\\\?\\";
  // The path a save form names; "" for one this platform did not make.
  std::string Plain(const SavePath& path) const;
  std::vector<std::string> Split(const std::string& path);
  Located Locate(const std::string& path);
  Located LocateName(const std::string& path);  // the last name as it is, a link as the link
  bool EndsWithSeparator(const std::string& path);
  // The child of folder named name (case-insensitively); null when none.
  Node* Child(const Node& folder, const std::string& name);
  Node* Resolve(Node* node);  // follows a link to its target
  Node* MakeFolders(const std::vector<std::string>& parts, size_t count);
  // A new entry at path with the given attributes, its folders made as needed.
  Node& AddEntry(const std::string& path, uint32_t attributes);
  std::string Key(const std::string& path);
  // The key a lookup compares a name by (see LookupKey).
  std::optional<std::string> NameKey(const std::string& name);
  size_t UsedBytes(const Node& node) const;
  // Held by another program, or open for writing.
  bool IsLocked(const std::string& path) {
    const std::string key = Key(path);
    return locked_.count(key) != 0 || open_.count(key) != 0;
  }
  bool CreationDenied(const std::string& path);
  std::shared_ptr<Node> NewNode(std::string name, uint32_t attributes);
  Node* Adopt(Node& folder, std::shared_ptr<Node> node);  // node goes into folder, last
  std::shared_ptr<Node> Detach(Node& node);               // out of its folder
  void MoveTo(Node& node, const Located& destination);    // renamed, open handles kept
  // Adds the PowerCut of operation when recording.
  void Changed(const char* operation);
  // Every state of the disk that a power cut can leave now, or, without
  // powerCut, the one state it is in.
  std::vector<DiskState> States(bool powerCut);
  // The same for node's tree at path, added to each of states.
  void AddStates(const Node& node, const std::string& path, std::vector<DiskState>& states,
                 bool powerCut);
  std::string PathOf(const Node& node);  // "" once removed
  // Where the entries of a folder opened as itself are: a reparse point that
  // is an ordinary folder (deduplicated, cloud files) keeps them at its
  // target here; null when that is gone.
  Node* Contents(Node& folder);
  // A handle on node (on its target with follow) for access; null where
  // another program's hold or the entry's rights forbid it.
  std::unique_ptr<EngineEntry> Open(const std::shared_ptr<Node>& node, uint32_t access, bool follow,
                                    const std::string& path);
  Volume VolumeOf(const Node& node) const;
  FileIdKind ListingKind(const Node& node) const {
    const Volume kind = VolumeOf(node);
    return kind == Volume::kNtfs || kind == Volume::kReFS ? FileIdKind::k128 : FileIdKind::k64;
  }
  // The node's file ID of kind as its volume reports it; false where the
  // volume has no such question.
  bool IdOf(const Node& node, FileIdKind kind, FileId& id) const;
  // A handle on a share: what the server resolves path to now.
  std::unique_ptr<EngineEntry> OpenOnShare(const std::string& path, uint32_t access);

  std::map<std::string, std::shared_ptr<Node>> drives_;  // "C:" upper-cased
  uint64_t lastId_ = 0;
  bool followLinks_ = false;
  bool posixDelete_ = true;
  Ids ids_ = Ids::kUnique;
  std::map<uint64_t, Volume> volumes_;    // by serial (the drive letter)
  std::map<uint64_t, uint32_t> refused_;  // by node ID
  std::set<std::string> locked_;
  std::set<std::string> denyRead_;
  std::set<std::string> denyCreateIn_;
  std::set<std::string> loseOnReplace_;
  std::set<std::string> denyRenameTo_;
  std::multiset<std::string> open_;  // files open for writing
  size_t capacity_ = static_cast<size_t>(-1);
  bool noFreeEntries_ = false;
  bool failFlushes_ = false;
  bool ownSaveForm_ = false;
  uint64_t nextRandom_ = 0;
  bool recording_ = false;
  std::vector<PowerCut> powerCuts_;
  size_t readPieceSize_ = 4096;
  std::string moduleFileName_ = "C:\\Moxlyn\\Moxlyn.exe";
  LocaleInfo locale_;
  unsigned codePage_ = 932;
  LocalTime now_{2026, 12, 7, 1, 13, 5, 9};
  int clockStep_ = 0;
  int localeReads_ = 0;
};

// The locale of a Japanese Windows: yyyy/MM/dd, 24-hour H:mm:ss.
LocaleInfo JapaneseLocale();
// The locale of a US English Windows: M/d/yyyy, 12-hour h:mm:ss AM.
LocaleInfo EnglishLocale();

}  // namespace moxlyn::testing
