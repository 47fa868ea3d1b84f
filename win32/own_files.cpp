// Win32Platform: the program's own files. Read whole or in pieces, written
// through a temporary file that replaces the old one by a rename, and the
// running executable's own path.
#include "win32/win32_platform.h"

#include <windows.h>
// After windows.h: RtlGenRandom.
#include <ntsecapi.h>

#include <new>

#include "core/utf8.h"
#include "win32/engine_path.h"
#include "win32/scoped_handle.h"

namespace moxlyn {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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

}  // namespace moxlyn
