// A platform wrapper that counts the calls made through it, per operation,
// and forwards them to the wrapped platform. Counts are exact where times are
// not, so a test can pin the engine's call budget.
#pragma once

#include <map>
#include <string>

#include "core/platform.h"

namespace moxlyn::testing {

class CountingPlatform : public Platform {
 public:
  explicit CountingPlatform(Platform& inner) : inner_(inner) {}

  // Calls of one operation ("RemoveFile", "Enumerate", ...); an enumeration
  // counts once however many entries it yields.
  int Calls(const std::string& operation) const {
    const auto found = calls_.find(operation);
    return found == calls_.end() ? 0 : found->second;
  }
  // All file-system calls together.
  int FileSystemCalls() const {
    int total = 0;
    for (const char* name : {"GetAttributes", "SetAttributes", "RemoveFile", "RemoveFolder",
                             "Enumerate", "ReadWholeFile", "ReadInPieces", "OpenForWriting",
                             "ReplaceWithFile", "RenameFile", "FinalPath"}) {
      total += Calls(name);
    }
    return total;
  }
  void Reset() { calls_.clear(); }

  uint32_t GetAttributes(const std::string& path) override {
    Count("GetAttributes");
    return inner_.GetAttributes(path);
  }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    Count("SetAttributes");
    return inner_.SetAttributes(path, attributes);
  }
  bool RemoveFile(const std::string& path) override {
    Count("RemoveFile");
    return inner_.RemoveFile(path);
  }
  bool RemoveFolder(const std::string& path) override {
    Count("RemoveFolder");
    return inner_.RemoveFolder(path);
  }
  bool Enumerate(const std::string& pattern,
                 const std::function<void(const FindEntry&)>& visit) override {
    Count("Enumerate");
    return inner_.Enumerate(pattern, visit);
  }
  ReadStatus ReadWholeFile(const std::string& path, std::string& content) override {
    Count("ReadWholeFile");
    return inner_.ReadWholeFile(path, content);
  }
  ReadStatus ReadInPieces(const std::string& path,
                          const std::function<bool(std::string_view)>& piece) override {
    Count("ReadInPieces");
    return inner_.ReadInPieces(path, piece);
  }
  OpenStatus OpenForWriting(const std::string& path, OpenMode mode,
                            std::unique_ptr<FileWriter>& file) override {
    Count("OpenForWriting");
    return inner_.OpenForWriting(path, mode, file);
  }
  ReplaceStatus ReplaceWithFile(const std::string& target, const std::string& source) override {
    Count("ReplaceWithFile");
    return inner_.ReplaceWithFile(target, source);
  }
  bool RenameFile(const std::string& from, const std::string& to) override {
    Count("RenameFile");
    return inner_.RenameFile(from, to);
  }
  std::string FinalPath(const std::string& path) override {
    Count("FinalPath");
    return inner_.FinalPath(path);
  }
  std::string ModuleFileName() override { return inner_.ModuleFileName(); }
  // The engine's calls count under the names of the plain ones.
  EnginePath ToEnginePath(const std::string& listedPath) override {
    return inner_.ToEnginePath(listedPath);
  }
  uint32_t EngineGetAttributes(const EnginePath& path) override {
    Count("GetAttributes");
    return inner_.EngineGetAttributes(path);
  }
  bool EngineSetAttributes(const EnginePath& path, uint32_t attributes) override {
    Count("SetAttributes");
    return inner_.EngineSetAttributes(path, attributes);
  }
  bool EngineRemoveFile(const EnginePath& path) override {
    Count("RemoveFile");
    return inner_.EngineRemoveFile(path);
  }
  bool EngineRemoveFolder(const EnginePath& path) override {
    Count("RemoveFolder");
    return inner_.EngineRemoveFolder(path);
  }
  bool EngineEnumerate(const EnginePath& pattern,
                       const std::function<void(const FindEntry&)>& visit) override {
    Count("Enumerate");
    return inner_.EngineEnumerate(pattern, visit);
  }
  bool IsLeadByte(unsigned char byte) override { return inner_.IsLeadByte(byte); }
  int CompareNoCase(const std::string& a, const std::string& b) override {
    Count("CompareNoCase");
    return inner_.CompareNoCase(a, b);
  }
  std::string UpperCase(const std::string& text) override { return inner_.UpperCase(text); }
  std::string LowerCase(const std::string& text) override { return inner_.LowerCase(text); }
  LocaleInfo ReadLocaleInfo() override {
    Count("ReadLocaleInfo");
    return inner_.ReadLocaleInfo();
  }
  LocalTime Now() override {
    Count("Now");
    return inner_.Now();
  }

 private:
  void Count(const char* operation) { ++calls_[operation]; }

  Platform& inner_;
  std::map<std::string, int> calls_;
};

}  // namespace moxlyn::testing
