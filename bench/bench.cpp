// Benchmark driver, run under Wine by scripts/bench.sh. Each mode times one
// piece of work inside the process (so Wine's start-up is not counted) and
// prints "<mode> ms=<milliseconds> cpu_ms=<its thread's CPU> peak_kib=<peak
// working set>" and, where it means something, the platform call counts.
#include <windows.h>
#include <winternl.h>

#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <functional>
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

// The time of one piece of work: on the clock, and on this thread's CPU (user
// and kernel; under Wine the server's own work is not counted).
struct Timing {
  double ms;
  double cpuMs;
};

double CpuMilliseconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  const auto ticks = [](FILETIME time) {
    return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) |
                               time.dwLowDateTime);
  };
  return (ticks(kernel) + ticks(user)) / 10000.0;
}

template <typename Work>
Timing Time(Work work) {
  LARGE_INTEGER from, to;
  const double cpuFrom = CpuMilliseconds();
  QueryPerformanceCounter(&from);
  work();
  QueryPerformanceCounter(&to);
  return {Milliseconds(from, to), CpuMilliseconds() - cpuFrom};
}

size_t PeakKib() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PeakWorkingSetSize / 1024;
}

void Report(const char* mode, Timing timing) {
  std::printf("%s ms=%.1f cpu_ms=%.1f peak_kib=%zu\n", mode, timing.ms, timing.cpuMs, PeakKib());
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

// --- Calls at the Win32 and NT level ---------------------------------------
// The file-system calls the program makes, counted by patching its own import
// table: opens, questions, listings, dispositions (and attribute writes),
// closes.
struct NtCalls {
  int opens = 0;
  int queries = 0;
  int lists = 0;
  int dispositions = 0;
  int closes = 0;
  int Total() const { return opens + queries + lists + dispositions + closes; }
};
NtCalls g_calls;

using NtOpenFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                        ULONG, ULONG);
using NtQueryCall = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                     FILE_INFORMATION_CLASS);
using CreateFileWCall = HANDLE(WINAPI*)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                        HANDLE);
using GetInfoCall = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);
using CloseHandleCall = BOOL(WINAPI*)(HANDLE);
using GetAttributesWCall = DWORD(WINAPI*)(LPCWSTR);
NtOpenFileCall g_ntOpenFile;
NtQueryCall g_ntQuery;
CreateFileWCall g_createFileW;
GetInfoCall g_getInfo;
GetInfoCall g_setInfo;
CloseHandleCall g_closeHandle;
GetAttributesWCall g_getAttributesW;

NTSTATUS NTAPI CountedNtOpenFile(PHANDLE handle, ACCESS_MASK access, POBJECT_ATTRIBUTES name,
                                 PIO_STATUS_BLOCK io, ULONG share, ULONG options) {
  ++g_calls.opens;
  return g_ntOpenFile(handle, access, name, io, share, options);
}
NTSTATUS NTAPI CountedNtQuery(HANDLE handle, PIO_STATUS_BLOCK io, PVOID data, ULONG size,
                              FILE_INFORMATION_CLASS kind) {
  ++g_calls.queries;
  return g_ntQuery(handle, io, data, size, kind);
}
HANDLE WINAPI CountedCreateFileW(LPCWSTR name, DWORD access, DWORD share,
                                 LPSECURITY_ATTRIBUTES security, DWORD how, DWORD flags,
                                 HANDLE model) {
  ++g_calls.opens;
  return g_createFileW(name, access, share, security, how, flags, model);
}
BOOL WINAPI CountedGetInfo(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID data, DWORD size) {
  // The directory classes: 10 and 11, and 19 and 20 with 128-bit IDs.
  const bool listing = kind == 10 || kind == 11 || kind == 19 || kind == 20;
  ++(listing ? g_calls.lists : g_calls.queries);
  return g_getInfo(handle, kind, data, size);
}
BOOL WINAPI CountedSetInfo(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID data, DWORD size) {
  ++g_calls.dispositions;
  return g_setInfo(handle, kind, data, size);
}
BOOL WINAPI CountedCloseHandle(HANDLE handle) {
  ++g_calls.closes;
  return g_closeHandle(handle);
}
DWORD WINAPI CountedGetAttributesW(LPCWSTR name) {
  ++g_calls.queries;
  return g_getAttributesW(name);
}

// Points the import of name (from any DLL) at counted; original gets what
// was there.
template <typename Call>
void Patch(const char* name, Call counted, Call& original) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const auto& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       dll->Name != 0; ++dll) {
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
      DWORD protection = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
      original = reinterpret_cast<Call>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(counted);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
    }
  }
}

void CountNtCalls() {
  Patch("NtOpenFile", &CountedNtOpenFile, g_ntOpenFile);
  Patch("NtQueryInformationFile", &CountedNtQuery, g_ntQuery);
  Patch("CreateFileW", &CountedCreateFileW, g_createFileW);
  Patch("GetFileInformationByHandleEx", &CountedGetInfo, g_getInfo);
  Patch("SetFileInformationByHandle", &CountedSetInfo, g_setInfo);
  Patch("CloseHandle", &CountedCloseHandle, g_closeHandle);
  Patch("GetFileAttributesW", &CountedGetAttributesW, g_getAttributesW);
}

// --- The safe floor -----------------------------------------------------------
// The fastest deleter with the engine's guarantee and nothing more: each
// entry opened relative to its folder without following a link, one ID
// question checked against the folder's listing, the read-only bit cleared
// where set, one disposition, one close; folders listed through their
// handles.
HANDLE OpenChild(HANDLE folder, const std::wstring& name, ACCESS_MASK access) {
  UNICODE_STRING text;
  text.Buffer = const_cast<PWSTR>(name.data());
  text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(WCHAR));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK io{};
  HANDLE opened = INVALID_HANDLE_VALUE;
  constexpr ULONG kOptions = 0x00200000 | 0x00004000 | 0x00000020;  // reparse, backup, sync
  return NT_SUCCESS(NtOpenFile(&opened, access, &attributes, &io,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kOptions))
             ? opened
             : INVALID_HANDLE_VALUE;
}

struct Listed {
  std::wstring name;
  DWORD attributes;
  LONGLONG id;
};

void SafeEmpty(HANDLE folder) {
  std::vector<Listed> entries;
  std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG));
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  while (GetFileInformationByHandleEx(folder, kind, buffer.data(), 64 * 1024)) {
    kind = FileIdBothDirectoryInfo;
    const auto* bytes = reinterpret_cast<const char*>(buffer.data());
    for (;;) {
      const auto* found = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes);
      std::wstring name(found->FileName, found->FileNameLength / sizeof(WCHAR));
      if (name != L"." && name != L"..") {
        entries.push_back({std::move(name), found->FileAttributes, found->FileId.QuadPart});
      }
      if (found->NextEntryOffset == 0) break;
      bytes += found->NextEntryOffset;
    }
  }
  for (const auto& entry : entries) {
    const bool readOnly = (entry.attributes & FILE_ATTRIBUTE_READONLY) != 0;
    const bool folderToEmpty = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                               (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    const HANDLE child = OpenChild(folder, entry.name,
                                   FILE_READ_ATTRIBUTES | SYNCHRONIZE | DELETE |
                                       (folderToEmpty ? FILE_LIST_DIRECTORY : 0) |
                                       (readOnly ? FILE_WRITE_ATTRIBUTES : 0));
    if (child == INVALID_HANDLE_VALUE) continue;
    IO_STATUS_BLOCK io{};
    LARGE_INTEGER id{};
    if (NT_SUCCESS(NtQueryInformationFile(child, &io, &id, sizeof id,
                                          static_cast<FILE_INFORMATION_CLASS>(6))) &&
        id.QuadPart == entry.id) {
      if (readOnly) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = (entry.attributes & ~FILE_ATTRIBUTE_READONLY) & 0x3FFF;
        if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(child, FileBasicInfo, &basic, sizeof basic);
      }
      if (folderToEmpty) SafeEmpty(child);
      FILE_DISPOSITION_INFO disposition{TRUE};
      SetFileInformationByHandle(child, FileDispositionInfo, &disposition, sizeof disposition);
    }
    CloseHandle(child);
  }
}

void SafeDelete(const std::string& folder) {
  std::wstring wide(folder.begin(), folder.end());
  const HANDLE top =
      CreateFileW((L"\\\\?\\" + wide).c_str(),
                  FILE_READ_ATTRIBUTES | SYNCHRONIZE | DELETE | FILE_LIST_DIRECTORY,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (top == INVALID_HANDLE_VALUE) return;
  SafeEmpty(top);
  FILE_DISPOSITION_INFO disposition{TRUE};
  SetFileInformationByHandle(top, FileDispositionInfo, &disposition, sizeof disposition);
  CloseHandle(top);
}

// The entries of the tree at folder, the folder itself included.
int EntriesIn(const std::string& folder) {
  int entries = 1;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    const char* name = data.cFileName;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    entries +=
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? EntriesIn(folder + "\\" + name) : 1;
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return entries;
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

// Entries the code page holds, or (utf8) that it does not, so that the list
// file is written in UTF-8.
DelList SampleEntries(const std::string& folder, int count, bool utf8) {
  const std::u8string_view name =
      utf8 ? u8"\\deep\\folder\\テスト😀\\file-" : u8"\\deep\\folder\\テスト\\file-";
  const std::string prefix = folder + std::string(name.begin(), name.end());
  DelList list;
  list.reserve(count);
  for (int i = 0; i < count; ++i) list.push_back(prefix + std::to_string(i) + ".txt");
  return list;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench MODE FOLDER [COUNT [utf8]]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string folder = argv[2];
  const int count = argc > 3 ? std::atoi(argv[3]) : 0;
  const bool utf8 = argc > 4 && std::string(argv[4]) == "utf8";
  BenchPlatform platform(folder);

  if (mode == "engine") {
    Report("engine", Time([&] { moxlyn::DeleteListed(platform, {folder}); }));
  } else if (mode == "engine-dropped") {
    // The list as a drop of the folder makes it: the folder, then its direct
    // entries (made before the clock starts).
    DelList list;
    moxlyn::IntakeDrop(platform, {folder}, list);
    Report("engine-dropped", Time([&] { moxlyn::DeleteListed(platform, list); }));
  } else if (mode == "safe") {
    Report("safe", Time([&] { SafeDelete(folder); }));
  } else if (mode == "bare") {
    Report("bare", Time([&] {
             BareDelete(folder);
             RemoveDirectoryA(folder.c_str());
           }));
  } else if (mode == "calls" || mode == "calls-dropped" || mode == "calls-safe") {
    // Call counts per entry of the tree (the folder included): of the
    // engine at the platform and at the NT level, of the bare floor at the
    // Win32 level, and of the safe floor at the NT level.
    const int entries = EntriesIn(folder);
    const int bare = BareCalls(folder) + 1;
    DelList list{folder};
    if (mode == "calls-dropped") {
      list.clear();
      moxlyn::IntakeDrop(platform, {folder}, list);
    }
    moxlyn::testing::CountingPlatform counting(platform);
    CountNtCalls();
    if (mode == "calls-safe") {
      SafeDelete(folder);
    } else {
      moxlyn::DeleteListed(counting, list);
    }
    const double per = entries;
    std::printf(
        "%s per_entry: platform=%.2f nt=%.2f (opens %.2f queries %.2f lists %.2f "
        "dispositions %.2f closes %.2f) bare=%.2f\n",
        mode.c_str(), counting.FileSystemCalls() / per, g_calls.Total() / per, g_calls.opens / per,
        g_calls.queries / per, g_calls.lists / per, g_calls.dispositions / per,
        g_calls.closes / per, bare / per);
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
    const DelList list = SampleEntries(folder, count, utf8);
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
    // The bytes of the list file in its form, without the UTF-8 mark.
    std::string bytes;
    for (const std::string_view line : SampleEntries(folder, count, utf8)) {
      bytes += utf8 ? std::string(line) : platform.ToCodePage(line).value_or(std::string(line));
      bytes += "\r\n";
    }
    Report("raw-write", Time([&] { WriteRaw(folder + "\\raw.bin", bytes); }));
  } else if (mode == "raw-read") {
    std::string bytes;
    Report("raw-read", Time([&] { bytes = ReadRaw(folder + "\\raw.bin"); }));
  } else if (mode == "log") {
    const DelList list = SampleEntries(folder, count, utf8);
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
