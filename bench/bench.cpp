// Benchmark driver, run under Wine by scripts/bench.sh. Each mode times one
// piece of work inside the process (so Wine's start-up is not counted) and
// prints "<mode> ms=<milliseconds> peak_kib=<peak working set>" and, where it
// means something, the platform call counts.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/del_list.h"
#include "core/delete_command.h"
#include "core/deletion_engine.h"
#include "core/drop_intake.h"
#include "core/text_file.h"
#include "tests/support/counting_platform.h"
#include "win32/win32_platform.h"

namespace {

using moxlyn::DelList;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

template <typename Work>
double Time(Work work) {
  LARGE_INTEGER from, to;
  QueryPerformanceCounter(&from);
  work();
  QueryPerformanceCounter(&to);
  return Milliseconds(from, to);
}

size_t PeakKib() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize / 1024;
}

void Report(const char* mode, double ms) {
  std::printf("%s ms=%.1f peak_kib=%zu\n", mode, ms, PeakKib());
}

// The floor: one enumeration per folder, one delete per file (read-only
// cleared first where set), one removal per folder, nothing else.
void BareDelete(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const char* name = data.cFileName;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    const std::string path = folder + "\\" + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      BareDelete(path);
      RemoveDirectoryA(path.c_str());
    } else {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        SetFileAttributesA(path.c_str(), data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
      }
      DeleteFileA(path.c_str());
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

int BareCalls(const std::string& folder) {
  int calls = 1;  // this folder's enumeration
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return calls;
  do {
    const char* name = data.cFileName;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      calls += BareCalls(folder + "\\" + name) + 1;
    } else {
      calls += (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? 2 : 1;
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return calls;
}

class BenchPlatform : public moxlyn::Win32Platform {
 public:
  explicit BenchPlatform(std::string folder) : folder_(std::move(folder)) {}
  std::string ModuleFileName() override { return folder_ + "\\Moxlyn.exe"; }

 private:
  std::string folder_;
};

void WriteRaw(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD wrote = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
  FlushFileBuffers(file);
  CloseHandle(file);
}

std::string ReadRaw(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD got = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  return bytes;
}

DelList SampleEntries(const std::string& folder, int count) {
  DelList list;
  list.reserve(count);
  for (int i = 0; i < count; ++i) {
    list.push_back(folder + "\\deep\\folder\\テスト\\file-" + std::to_string(i) + ".txt");
  }
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench MODE FOLDER [COUNT]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string folder = argv[2];
  const int count = argc > 3 ? std::atoi(argv[3]) : 0;
  BenchPlatform platform(folder);

  if (mode == "engine") {
    Report("engine", Time([&] { moxlyn::DeleteListed(platform, {folder}); }));
  } else if (mode == "bare") {
    Report("bare", Time([&] {
             BareDelete(folder);
             RemoveDirectoryA(folder.c_str());
           }));
  } else if (mode == "calls") {
    // Call counts of the engine and of the floor on the same kind of tree.
    const int bare = BareCalls(folder) + 1;
    moxlyn::testing::CountingPlatform counting(platform);
    moxlyn::DeleteListed(counting, {folder});
    std::printf("calls engine=%d bare=%d ratio=%.3f\n", counting.FileSystemCalls(), bare,
                static_cast<double>(counting.FileSystemCalls()) / bare);
  } else if (mode == "enumerate") {
    size_t names = 0;
    Report("enumerate", Time([&] {
             WIN32_FIND_DATAA data;
             HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
             do {
               names += std::strlen(data.cFileName);
             } while (FindNextFileA(find, &data));
             FindClose(find);
           }));
  } else if (mode == "intake") {
    DelList list;
    Report("intake", Time([&] { moxlyn::IntakeDrop(platform, {folder}, list); }));
  } else if (mode == "list-save") {
    const DelList list = SampleEntries(folder, count);
    const size_t listKib = PeakKib();
    Report("list-save", Time([&] { moxlyn::SaveDelList(platform, list); }));
    std::printf("list_kib=%zu\n", listKib);
  } else if (mode == "list-round-trip") {
    // Loads the list file beside the program and saves it again; says where
    // memory ran out.
    DelList list;
    const char* step = "load";
    try {
      moxlyn::LoadDelList(platform, list);
      step = "save";
      moxlyn::SaveDelList(platform, list);
      step = "none";
    } catch (const std::bad_alloc&) {
    }
    std::printf("list-round-trip entries=%zu out_of_memory=%s peak_kib=%zu\n", list.size(), step,
                PeakKib());
  } else if (mode == "list-load") {
    DelList list;
    Report("list-load", Time([&] { moxlyn::LoadDelList(platform, list); }));
  } else if (mode == "raw-write") {
    const std::string bytes = moxlyn::JoinLines(SampleEntries(folder, count));
    Report("raw-write", Time([&] { WriteRaw(folder + "\\raw.bin", bytes); }));
  } else if (mode == "raw-read") {
    std::string bytes;
    Report("raw-read", Time([&] { bytes = ReadRaw(folder + "\\raw.bin"); }));
  } else if (mode == "log") {
    const DelList list = SampleEntries(folder, count);
    moxlyn::LocaleFormats formats(platform);
    Report("log", Time([&] {
             moxlyn::WriteDeleteLog(platform, formats, list, moxlyn::LogTypeTimeAndName);
           }));
  } else {
    std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
    return 2;
  }
  return 0;
}
