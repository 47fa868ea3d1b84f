#include "tests/support/win32_tools.h"

namespace moxlyn::testing {

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return condition();
    Sleep(20);
  }
}

std::wstring Wide(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
  return wide;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  const std::string unixPath = UnixPath(path);
  // Under Wine a removal through a Unix link would reach its target: the
  // Unix side removes the link itself.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && !unixPath.empty()) {
    if (StartUnix("/bin/rm", {"-f", unixPath})) WaitUntil([&] { return !PathExists(path); });
    return;
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL | (attributes & FILE_ATTRIBUTE_DIRECTORY));
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileA(path.c_str());
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      std::vector<std::string> names;
      do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
      } while (FindNextFileA(find, &data));
      FindClose(find);
      for (const auto& name : names) RemoveTree(path + "\\" + name);
    }
  }
  RemoveDirectoryA(path.c_str());
  // A tree deeper than the narrow calls reach goes through the Unix side.
  if (PathExists(path) && !unixPath.empty() && StartUnix("/bin/rm", {"-rf", unixPath})) {
    WaitUntil([&] { return !PathExists(path); });
  }
}

std::string UnixPath(const std::string& windowsPath) {
  using UnixName = char*(CDECL*)(const WCHAR*);
  static const auto toUnix = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) return "";
  const std::wstring wide = Wide(windowsPath);
  char* unix = toUnix(wide.c_str());
  // Paths beyond MAX_PATH convert only in their long form.
  if (unix == nullptr && windowsPath.rfind("\\\\", 0) != 0)
    unix = toUnix((L"\\\\?\\" + wide).c_str());
  if (unix == nullptr) return "";
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

std::string WindowsPathOfUnix(const std::string& unixPath) {
  if (unixPath.empty() || unixPath[0] != '/') return unixPath;
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool FillDisk(const std::string& folder, bool entries) {
  HANDLE file = CreateFileA((folder + "\\filler").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const std::string block(64 * 1024, 'x');
  bool refused = false;
  for (DWORD size = static_cast<DWORD>(block.size()); size > 0 && !refused;) {
    DWORD wrote = 0;
    if (!WriteFile(file, block.data(), size, &wrote, nullptr) || wrote < size) {
      // Smaller pieces use up what is left; the one-byte piece ends it.
      if (size == 1) refused = true;
      size /= 2;
    }
  }
  CloseHandle(file);
  for (int made = 0; entries && refused; ++made) {
    file = CreateFileA((folder + "\\entry" + std::to_string(made)).c_str(), GENERIC_WRITE, 0,
                       nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_DISK_FULL;
    CloseHandle(file);
  }
  return refused;
}

std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
    } else {
      if (c == '"') quoted.append(backslashes + 1, '\\');
      backslashes = 0;
    }
    quoted += c;
  }
  quoted.append(backslashes, '\\');
  return quoted + "\"";
}

bool StartUnix(const std::string& program, const std::vector<std::string>& args) {
  std::string commandLine = QuoteArgument(WindowsPathOfUnix(program));
  for (const auto& arg : args) commandLine += " " + QuoteArgument(arg);
  // The arguments are Unix text (UTF-8): pass them as such, not in the code page.
  std::wstring wide = Wide(commandLine, CP_UTF8);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return false;
  }
  // Wine hands out no usable handles for a Unix process; close what there is.
  if (process.hProcess != nullptr) CloseHandle(process.hProcess);
  if (process.hThread != nullptr) CloseHandle(process.hThread);
  return true;
}

}  // namespace moxlyn::testing
