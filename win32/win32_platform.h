// The production platform: the core's file system, locale and clock on the
// wide Win32 calls, each path converted from UTF-8 to UTF-16 at the call and
// each name the system reports back to UTF-8; the system code page only in
// FromCodePage and ToCodePage. The file-system calls of the engine and
// of the drop intake see the file system without the redirection that 64-bit
// Windows applies to a 32-bit program.
//
// Its members are defined where their concern lives:
// - win32/engine_file_system.cpp: paths and their attributes, listings by
//   pattern, the engine's handles and what each volume can do (its records:
//   win32/volume_facts.h), the keys of a lookup in a folder;
// - win32/own_files.cpp: the program's own files (read, written through a
//   temporary file and put in place) and its own path;
// - win32/code_page.cpp: the system code page (win32/code_page.h);
// - win32/letter_case.cpp: upper-casing, lower-casing, comparing without case;
// - win32/locale_clock.cpp: the locale's date and time settings, the clock.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/platform.h"
#include "win32/volume_facts.h"

namespace moxlyn {

class Win32Platform : public Platform {
 public:
  Win32Platform();
  ~Win32Platform() override;
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
  // Saves go through the wide calls on the engine form of win32/engine_path.h
  // (the save form): the final path of a link whatever its name, long paths.
  // Resolved with GetFinalPathNameByHandleW.
  SavePath FinalPath(const std::string& path) override;
  // From the system's generator (RtlGenRandom).
  uint64_t RandomNumber() override;
  OpenStatus OpenForWriting(const SavePath& path, OpenMode mode,
                            std::unique_ptr<FileWriter>& file) override;
  ReplaceStatus ReplaceWithFile(const SavePath& target, const SavePath& source) override;
  bool RenameFile(const SavePath& from, const SavePath& to) override;
  bool RemoveSavedFile(const SavePath& path) override;
  std::string ModuleFileName() override;
  // The engine works on the wide calls: see win32/engine_path.h.
  EnginePath ToEnginePath(const std::string& listedPath) override;
  uint32_t EngineGetAttributes(const EnginePath& path) override;
  // Opened with the reparse-point flag, children relative to their folder's
  // handle and an entry again relative to its own (NtOpenFile); folders
  // listed through their handle.
  std::unique_ptr<EngineEntry> EngineOpen(const EnginePath& path, uint32_t access) override;
  std::unique_ptr<EngineEntry> EngineOpenChild(EngineEntry& folder, const std::string& name,
                                               uint32_t access) override;
  std::unique_ptr<EngineEntry> EngineReopen(EngineEntry& entry, uint32_t access) override;
  // The 128-bit ID with the volume serial where the volume answers
  // (FileIdInfo; listings FileIdExtdDirectoryInfo), the 64-bit ID elsewhere
  // (FileInternalInformation; listings FileIdBothDirectoryInfo). What a
  // volume can do is learnt per volume, and kept for it alone.
  bool EngineQuery(EngineEntry& entry, EntryInfo& info) override;
  bool EngineQueryId(EngineEntry& entry, FileIdKind kind, FileId& fileId) override;
  bool EngineList(EngineEntry& folder, const std::function<void(const FindEntry&)>& visit) override;
  // Keys by win32/name_key.h; the listing opens the folder through its path,
  // links followed, and reads its names with their short names.
  std::optional<EnginePath> EngineFolderOf(const std::string& folderPart) override;
  std::optional<std::string> LookupKey(const std::string& name) override;
  bool EngineListKeys(const EnginePath& folder,
                      const std::function<bool(const std::optional<std::string>& key,
                                               uint32_t attributes)>& visit) override;
  bool EngineSetAttributes(EngineEntry& entry, uint32_t attributes) override;
  // With POSIX semantics (FileDispositionInfoEx) where the volume takes
  // them, learnt once per volume; the classic disposition elsewhere.
  bool EngineRemove(EngineEntry& entry) override;
  // AppendUtf8FromCodePage and AppendCodePageFromUtf8 (win32/code_page.h).
  bool AppendFromCodePage(std::string_view bytes, std::string& text) override;
  bool AppendToCodePage(std::string_view text, std::string& bytes) override;
  int CompareNoCase(const std::string& a, const std::string& b) override;
  std::string UpperCase(const std::string& text) override;
  std::string LowerCase(const std::string& text) override;
  LocaleInfo ReadLocaleInfo() override;
  LocalTime Now() override;

 private:
  uint64_t nowSecond_ = ~uint64_t{0};  // system time in whole seconds of nowLocal_
  LocalTime nowLocal_;
  // The volumes met, each learnt once: one whose serial cannot be learnt
  // is a volume of its own for each entry opened by its path.
  VolumeRecords volumes_;
  // The facts of the entry's volume, learnt when it is first met; wide gets
  // the entry's 128-bit ID where that was asked on the way.
  VolumeFacts* FactsOf(EngineEntry& entry, FileId* wide = nullptr);
};

// The running executable's full path as the wide call gives it.
std::wstring WideModuleFileName();

}  // namespace moxlyn
