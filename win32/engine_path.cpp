#include "win32/engine_path.h"

#include <windows.h>

#include <string_view>

#include "core/utf8.h"

namespace moxlyn {
namespace {

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";
// A network path "\\server\share" in the long form: "\\?\UNC\server\share".
constexpr std::wstring_view kUncLongPrefix = L"\\\\?\\UNC\\";

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool IsPlainFullPath(std::wstring_view path) {
  size_t rest = 0;
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') {
    rest = 3;
  } else if (StartsWith(path, L"\\\\") && path.size() > 2 && path[2] != L'\\') {
    rest = 2;
  } else {
    return false;
  }
  if (path.find(L'/') != std::wstring_view::npos) return false;
  while (rest < path.size()) {
    size_t end = path.find(L'\\', rest);
    if (end == std::wstring_view::npos) end = path.size();
    const std::wstring_view name = path.substr(rest, end - rest);
    if (name.empty() || name == L"." || name == L"..") return false;
    rest = end + 1;
  }
  // A trailing backslash is fine only on a drive root ("C:\").
  return path.back() != L'\\' || path.size() == 3;
}

namespace {

std::wstring FullPath(const std::wstring& path) {
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  for (int tries = 0; tries < 3 && size > 0; ++tries) {
    std::wstring full(size, L'\0');
    const DWORD got = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (got == 0) break;
    if (got < size) {
      full.resize(got);
      return full;
    }
    size = got;  // the current folder changed in between
  }
  return std::wstring();
}

}  // namespace

std::string Utf8FromWide(const std::wstring& wide) {
  return Wtf8FromUtf16(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

std::wstring WideFromUtf8(std::string_view utf8) {
  std::wstring wide;
  AppendUtf16FromWtf8(utf8, wide);
  return wide;
}

std::wstring LongFormOf(const std::wstring& path) {
  if (path.empty()) return std::wstring();
  // Already in the form the wide calls take literally.
  if (StartsWith(path, kLongPrefix) || StartsWith(path, kDevicePrefix)) return path;
  const std::wstring full = IsPlainFullPath(path) ? path : FullPath(path);
  if (full.empty()) return std::wstring();
  if (StartsWith(full, kLongPrefix) || StartsWith(full, kDevicePrefix)) return full;
  if (StartsWith(full, L"\\\\")) return std::wstring(kUncLongPrefix) + full.substr(2);
  return std::wstring(kLongPrefix) + full;
}

std::wstring PlainFormOf(const std::wstring& longForm) {
  if (StartsWith(longForm, kUncLongPrefix)) {
    return L"\\\\" + longForm.substr(kUncLongPrefix.size());
  }
  if (StartsWith(longForm, kLongPrefix)) return longForm.substr(kLongPrefix.size());
  return longForm;
}

std::string EngineFormOf(const std::string& listedPath) {
  return Utf8FromWide(LongFormOf(WideFromUtf8(listedPath)));
}

std::wstring WideEnginePath(const std::string& enginePath) {
  std::wstring wide = WideFromUtf8(enginePath);
  if (!StartsWith(wide, kLongPrefix) && !StartsWith(wide, kDevicePrefix)) return wide;
  const size_t start = kLongPrefix.size();
  size_t write = start;
  for (size_t read = start; read < wide.size(); ++read) {
    if (wide[read] == L'\\' && write > start && wide[write - 1] == L'\\') continue;
    wide[write++] = wide[read];
  }
  wide.resize(write);
  return wide;
}

}  // namespace moxlyn
