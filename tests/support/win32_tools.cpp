#include "tests/support/win32_tools.h"

#include "win32/scoped_dc.h"

namespace moxlyn::testing {

std::wstring Literal(const std::wstring& path) {
  return path.rfind(L"\\\\", 0) == 0 ? path : L"\\\\?\\" + path;
}

std::string Literal(const std::string& path) {
  return path.rfind("\\\\", 0) == 0 ? path : "\\\\?\\" + path;
}

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

std::runtime_error Win32Failure(const std::string& what) {
  return std::runtime_error(what + " failed, error " + std::to_string(GetLastError()));
}

std::string Env(const char* name) {
  char buffer[4096];
  const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof(buffer));
  if (length == 0 || length >= sizeof(buffer)) return "";
  return std::string(buffer, length);
}

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::string> ReadWhole(const std::wstring& path) {
  const ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  return bytes;
}

std::optional<std::string> ReadWhole(const std::string& path) { return ReadWhole(Wide(path)); }

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
  const ScopedFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file.Valid() &&
         WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
  return WriteWhole(Wide(path), bytes);
}

ScopedFileHandle OpenExisting(const std::string& path, DWORD access, DWORD share) {
  return ScopedFileHandle(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
}

void RemoveTree(const std::wstring& path) {
  const std::wstring literal = Literal(path);
  const DWORD attributes = GetFileAttributesW(literal.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  const std::string unixPath = UnixPath(path);
  const auto gone = [&] { return GetFileAttributesW(literal.c_str()) == INVALID_FILE_ATTRIBUTES; };
  // Under Wine a removal through a Unix link would reach its target: the
  // Unix side removes the link itself.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && !unixPath.empty()) {
    if (StartUnix("/bin/rm", {"-f", unixPath})) WaitUntil(gone);
    return;
  }
  SetFileAttributesW(literal.c_str(),
                     FILE_ATTRIBUTE_NORMAL | (attributes & FILE_ATTRIBUTE_DIRECTORY));
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileW(literal.c_str());
    return;
  }
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const ScopedFindHandle find(FindFirstFileW((literal + L"\\*").c_str(), &data));
    if (find.Valid()) {
      do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
      } while (FindNextFileW(find.Get(), &data));
    }
    for (const auto& name : names) RemoveTree(path + L"\\" + name);
  }
  RemoveDirectoryW(literal.c_str());
  // A tree deeper than Wine's Unix paths reach goes through the Unix side.
  if (!gone() && !unixPath.empty() && StartUnix("/bin/rm", {"-rf", unixPath})) WaitUntil(gone);
}

void RemoveTree(const std::string& path) { RemoveTree(Wide(path)); }

std::string UnixPath(const std::wstring& windowsPath) {
  using UnixName = char*(CDECL*)(const WCHAR*);
  static const auto toUnix = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (toUnix == nullptr) return "";
  char* unix = toUnix(windowsPath.c_str());
  // Paths beyond MAX_PATH convert only in their long form.
  if (unix == nullptr && windowsPath.rfind(L"\\\\", 0) != 0)
    unix = toUnix(Literal(windowsPath).c_str());
  if (unix == nullptr) return "";
  std::string result = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return result;
}

std::string UnixPath(const std::string& windowsPath) { return UnixPath(Wide(windowsPath)); }

std::string WindowsPathOfUnix(const std::string& unixPath) {
  if (unixPath.empty() || unixPath[0] != '/') return unixPath;
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool FillDisk(const std::string& folder, bool entries) {
  bool refused = false;
  {
    const ScopedFileHandle file(CreateFileA((folder + "\\filler").c_str(), GENERIC_WRITE, 0,
                                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
    if (!file.Valid()) return false;
    const std::string block(64 * 1024, 'x');
    for (DWORD size = static_cast<DWORD>(block.size()); size > 0 && !refused;) {
      DWORD wrote = 0;
      if (!WriteFile(file.Get(), block.data(), size, &wrote, nullptr) || wrote < size) {
        // Smaller pieces use up what is left; the one-byte piece ends it.
        if (size == 1) refused = true;
        size /= 2;
      }
    }
  }
  for (int made = 0; entries && refused; ++made) {
    const ScopedFileHandle file(CreateFileA((folder + "\\entry" + std::to_string(made)).c_str(),
                                            GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return GetLastError() == ERROR_DISK_FULL;
  }
  return refused;
}

namespace {

// One argument of a Windows command line, quoted by the rules that split it
// again on the other side.
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

}  // namespace

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
  const ScopedKernelObject processHandle(process.hProcess);
  const ScopedKernelObject threadHandle(process.hThread);
  return true;
}

int ScreenDpi() {
  const ScopedWindowDc screen(nullptr);
  return GetDeviceCaps(screen.Get(), LOGPIXELSX);
}

ScopedGdiObject ProgramFont() {
  return ScopedGdiObject(
      CreateFontW(MulDiv(-12, ScreenDpi(), 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                  SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH | FF_DONTCARE, Wide("ＭＳ Ｐゴシック", 932).c_str()));
}

int TextWidth(HGDIOBJ font, const std::string& text, UINT codePage) {
  const ScopedWindowDc screen(nullptr);
  const ScopedSelection selection(screen.Get(), font);
  SIZE size{};
  const std::wstring wide = Wide(text, codePage);
  GetTextExtentPoint32W(screen.Get(), wide.c_str(), static_cast<int>(wide.size()), &size);
  return size.cx;
}

}  // namespace moxlyn::testing
