// A platform that hands every call on to another one, the base of test
// decorators that look at the calls or act between them (CountingPlatform;
// the engine tests' swaps of a folder for a link at a chosen call).
// Before each call it tells Calling() the operation's name (the engine's
// calls by the short names below); Subject() then names the entry an engine
// call is about.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include "core/platform.h"

namespace moxlyn::testing {

#define MOXLYN_FORWARD(operation, Result, Name, Parameters, Arguments) \
  Result Name Parameters override {                                    \
    Calling(operation);                                                \
    return inner_.Name Arguments;                                      \
  }

// Whether an operation of the wrapper reaches the file system (the locale's,
// the clock's and the engine form's do not).
inline bool IsFileSystemCall(const std::string& operation) {
  static const std::set<std::string> kNames = {
      "GetAttributes",   "SetAttributes", "RemoveFile",      "RemoveFolder", "Enumerate",
      "ReadWholeFile",   "ReadInPieces",  "FileSize",        "FinalPath",    "OpenForWriting",
      "ReplaceWithFile", "RenameFile",    "RemoveSavedFile", "Open",         "OpenChild",
      "Reopen",          "Query",         "QueryId",         "List",         "ListKeys",
      "Remove"};
  return kNames.count(operation) != 0;
}

class PlatformWrapper : public Platform {
 public:
  explicit PlatformWrapper(Platform& inner) : inner_(inner) {}

  MOXLYN_FORWARD("GetAttributes", uint32_t, GetAttributes, (const std::string& path), (path))
  MOXLYN_FORWARD("SetAttributes", bool, SetAttributes,
                 (const std::string& path, uint32_t attributes), (path, attributes))
  MOXLYN_FORWARD("RemoveFile", bool, RemoveFile, (const std::string& path), (path))
  MOXLYN_FORWARD("RemoveFolder", bool, RemoveFolder, (const std::string& path), (path))
  MOXLYN_FORWARD("Enumerate", bool, Enumerate,
                 (const std::string& pattern, const std::function<void(const FindEntry&)>& visit),
                 (pattern, visit))
  MOXLYN_FORWARD("ReadWholeFile", ReadStatus, ReadWholeFile,
                 (const std::string& path, std::string& content), (path, content))
  MOXLYN_FORWARD("ReadInPieces", ReadStatus, ReadInPieces,
                 (const std::string& path, const std::function<bool(std::string_view)>& piece),
                 (path, piece))
  MOXLYN_FORWARD("FileSize", std::optional<uint64_t>, FileSize, (const std::string& path), (path))
  MOXLYN_FORWARD("FinalPath", SavePath, FinalPath, (const std::string& path), (path))
  MOXLYN_FORWARD("RandomNumber", uint64_t, RandomNumber, (), ())
  MOXLYN_FORWARD("OpenForWriting", OpenStatus, OpenForWriting,
                 (const SavePath& path, OpenMode mode, std::unique_ptr<FileWriter>& file),
                 (path, mode, file))
  MOXLYN_FORWARD("ReplaceWithFile", ReplaceStatus, ReplaceWithFile,
                 (const SavePath& target, const SavePath& source), (target, source))
  MOXLYN_FORWARD("RenameFile", bool, RenameFile, (const SavePath& from, const SavePath& to),
                 (from, to))
  MOXLYN_FORWARD("RemoveSavedFile", bool, RemoveSavedFile, (const SavePath& path), (path))
  MOXLYN_FORWARD("ModuleFileName", std::string, ModuleFileName, (), ())
  MOXLYN_FORWARD("ToEnginePath", EnginePath, ToEnginePath, (const std::string& listedPath),
                 (listedPath))
  MOXLYN_FORWARD("GetAttributes", uint32_t, EngineGetAttributes, (const EnginePath& path), (path))
  MOXLYN_FORWARD("FolderOf", std::optional<EnginePath>, EngineFolderOf,
                 (const std::string& folderPart), (folderPart))
  MOXLYN_FORWARD("LookupKey", std::optional<std::string>, LookupKey, (const std::string& name),
                 (name))
  MOXLYN_FORWARD("ListKeys", bool, EngineListKeys,
                 (const EnginePath& folder,
                  const std::function<bool(const std::optional<std::string>& key,
                                           uint32_t attributes)>& visit),
                 (folder, visit))
  std::unique_ptr<EngineEntry> EngineOpen(const EnginePath& path, uint32_t access) override {
    subject_ = path.text.substr(path.text.rfind('\\') + 1);
    Calling("Open");
    return Named(inner_.EngineOpen(path, access));
  }
  std::unique_ptr<EngineEntry> EngineOpenChild(EngineEntry& folder, const std::string& name,
                                               uint32_t access) override {
    subject_ = name;
    Calling("OpenChild");
    return Named(inner_.EngineOpenChild(folder, name, access));
  }
  std::unique_ptr<EngineEntry> EngineReopen(EngineEntry& entry, uint32_t access) override {
    On(entry, "Reopen");
    return Named(inner_.EngineReopen(entry, access));
  }
  bool EngineQueryId(EngineEntry& entry, FileIdKind kind, FileId& id) override {
    On(entry, "QueryId");
    return inner_.EngineQueryId(entry, kind, id);
  }
  bool EngineQuery(EngineEntry& entry, EntryInfo& info) override {
    On(entry, "Query");
    return inner_.EngineQuery(entry, info);
  }
  bool EngineList(EngineEntry& folder,
                  const std::function<void(const FindEntry&)>& visit) override {
    On(folder, "List");
    return inner_.EngineList(folder, visit);
  }
  bool EngineSetAttributes(EngineEntry& entry, uint32_t attributes) override {
    On(entry, "SetAttributes");
    return inner_.EngineSetAttributes(entry, attributes);
  }
  bool EngineRemove(EngineEntry& entry) override {
    On(entry, "Remove");
    return inner_.EngineRemove(entry);
  }
  MOXLYN_FORWARD("AppendFromCodePage", bool, AppendFromCodePage,
                 (std::string_view bytes, std::string& text), (bytes, text))
  MOXLYN_FORWARD("AppendToCodePage", bool, AppendToCodePage,
                 (std::string_view text, std::string& bytes), (text, bytes))
  MOXLYN_FORWARD("CompareNoCase", int, CompareNoCase, (const std::string& a, const std::string& b),
                 (a, b))
  MOXLYN_FORWARD("UpperCase", std::string, UpperCase, (const std::string& text), (text))
  MOXLYN_FORWARD("LowerCase", std::string, LowerCase, (const std::string& text), (text))
  MOXLYN_FORWARD("ReadLocaleInfo", LocaleInfo, ReadLocaleInfo, (), ())
  MOXLYN_FORWARD("Now", LocalTime, Now, (), ())
#undef MOXLYN_FORWARD

 protected:
  // Told the name of every operation before it is handed on.
  virtual void Calling(const char* /*operation*/) {}
  // The name of the entry the engine call being made is about: the last
  // name of the path opened, the name opened in a folder, or the name by
  // which the entry held open was opened (in the engine's form).
  const std::string& Subject() const { return subject_; }

 private:
  std::unique_ptr<EngineEntry> Named(std::unique_ptr<EngineEntry> entry) {
    if (entry) names_[entry.get()] = subject_;
    return entry;
  }
  void On(EngineEntry& entry, const char* operation) {
    subject_ = names_[&entry];
    Calling(operation);
  }

  Platform& inner_;
  std::string subject_;
  std::map<const EngineEntry*, std::string> names_;
};

}  // namespace moxlyn::testing
