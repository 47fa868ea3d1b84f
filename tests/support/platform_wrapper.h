// A platform that hands every call on to another one, the base of test
// decorators that look at the calls or act between them (CountingPlatform;
// the engine tests' swaps of a folder for a link at a chosen call).
// Before each call it tells Calling() the operation's name; the engine's
// calls go by short names ("GetAttributes", "Open", "OpenChild", "Query",
// "List", "SetAttributes", "Remove").
#pragma once

#include <memory>
#include <string>

#include "core/platform.h"

namespace moxlyn::testing {

class PlatformWrapper : public Platform {
 public:
  explicit PlatformWrapper(Platform& inner) : inner_(inner) {}

  uint32_t GetAttributes(const std::string& path) override {
    Calling("GetAttributes");
    return inner_.GetAttributes(path);
  }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    Calling("SetAttributes");
    return inner_.SetAttributes(path, attributes);
  }
  bool RemoveFile(const std::string& path) override {
    Calling("RemoveFile");
    return inner_.RemoveFile(path);
  }
  bool RemoveFolder(const std::string& path) override {
    Calling("RemoveFolder");
    return inner_.RemoveFolder(path);
  }
  bool Enumerate(const std::string& pattern,
                 const std::function<void(const FindEntry&)>& visit) override {
    Calling("Enumerate");
    return inner_.Enumerate(pattern, visit);
  }
  ReadStatus ReadWholeFile(const std::string& path, std::string& content) override {
    Calling("ReadWholeFile");
    return inner_.ReadWholeFile(path, content);
  }
  ReadStatus ReadInPieces(const std::string& path,
                          const std::function<bool(std::string_view)>& piece) override {
    Calling("ReadInPieces");
    return inner_.ReadInPieces(path, piece);
  }
  SavePath FinalPath(const std::string& path) override {
    Calling("FinalPath");
    return inner_.FinalPath(path);
  }
  uint64_t RandomNumber() override {
    Calling("RandomNumber");
    return inner_.RandomNumber();
  }
  OpenStatus OpenForWriting(const SavePath& path, OpenMode mode,
                            std::unique_ptr<FileWriter>& file) override {
    Calling("OpenForWriting");
    return inner_.OpenForWriting(path, mode, file);
  }
  ReplaceStatus ReplaceWithFile(const SavePath& target, const SavePath& source) override {
    Calling("ReplaceWithFile");
    return inner_.ReplaceWithFile(target, source);
  }
  bool RenameFile(const SavePath& from, const SavePath& to) override {
    Calling("RenameFile");
    return inner_.RenameFile(from, to);
  }
  bool RemoveSavedFile(const SavePath& path) override {
    Calling("RemoveSavedFile");
    return inner_.RemoveSavedFile(path);
  }
  std::string ModuleFileName() override {
    Calling("ModuleFileName");
    return inner_.ModuleFileName();
  }
  EnginePath ToEnginePath(const std::string& listedPath) override {
    Calling("ToEnginePath");
    return inner_.ToEnginePath(listedPath);
  }
  uint32_t EngineGetAttributes(const EnginePath& path) override {
    Calling("GetAttributes");
    return inner_.EngineGetAttributes(path);
  }
  std::unique_ptr<EngineEntry> EngineOpen(const EnginePath& path, uint32_t access) override {
    Calling("Open");
    return inner_.EngineOpen(path, access);
  }
  std::unique_ptr<EngineEntry> EngineOpenChild(EngineEntry& folder, const std::string& name,
                                               uint32_t access) override {
    Calling("OpenChild");
    return inner_.EngineOpenChild(folder, name, access);
  }
  bool EngineQuery(EngineEntry& entry, EntryInfo& info) override {
    Calling("Query");
    return inner_.EngineQuery(entry, info);
  }
  bool EngineList(EngineEntry& folder,
                  const std::function<void(const FindEntry&)>& visit) override {
    Calling("List");
    return inner_.EngineList(folder, visit);
  }
  bool EngineSetAttributes(EngineEntry& entry, uint32_t attributes) override {
    Calling("SetAttributes");
    return inner_.EngineSetAttributes(entry, attributes);
  }
  bool EngineRemove(EngineEntry& entry) override {
    Calling("Remove");
    return inner_.EngineRemove(entry);
  }
  bool IsLeadByte(unsigned char byte) override {
    Calling("IsLeadByte");
    return inner_.IsLeadByte(byte);
  }
  int CompareNoCase(const std::string& a, const std::string& b) override {
    Calling("CompareNoCase");
    return inner_.CompareNoCase(a, b);
  }
  std::string UpperCase(const std::string& text) override {
    Calling("UpperCase");
    return inner_.UpperCase(text);
  }
  std::string LowerCase(const std::string& text) override {
    Calling("LowerCase");
    return inner_.LowerCase(text);
  }
  LocaleInfo ReadLocaleInfo() override {
    Calling("ReadLocaleInfo");
    return inner_.ReadLocaleInfo();
  }
  LocalTime Now() override {
    Calling("Now");
    return inner_.Now();
  }

 protected:
  // Told the name of every operation before it is handed on.
  virtual void Calling(const char* /*operation*/) {}

 private:
  Platform& inner_;
};

}  // namespace moxlyn::testing
