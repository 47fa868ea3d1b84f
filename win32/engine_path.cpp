#include "win32/engine_path.h"

#include <windows.h>

#include <string_view>

namespace moxlyn {
namespace {

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";
// A network path "\\server\share" in the long form: "\\?\UNC\server\share".
constexpr std::wstring_view kUncLongPrefix = L"\\\\?\\UNC\\";

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

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

std::wstring WideFromCodePage(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string Utf8FromWide(const std::wstring& wide) {
  std::string out;
  out.reserve(wide.size() + wide.size() / 2);
  for (size_t i = 0; i < wide.size(); ++i) {
    const uint32_t unit = static_cast<uint16_t>(wide[i]);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < wide.size()) {
      const uint32_t low = static_cast<uint16_t>(wide[i + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, unit);
  }
  return out;
}

std::wstring WideFromUtf8(const std::string& utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80    ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 0;
    uint32_t code = length == 1   ? lead
                    : length == 2 ? (lead & 0x1F)
                    : length == 3 ? (lead & 0x0F)
                                  : (lead & 0x07);
    bool whole = length != 0 && i + length <= utf8.size();
    for (size_t k = 1; whole && k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      whole = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (!whole || code > 0x10FFFF) {
      // Never made by Utf8FromWide; a name that no file can carry.
      out += L'\xFFFD';
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      out += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
      out += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out += static_cast<wchar_t>(code);
    }
    i += length;
  }
  return out;
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
  return Utf8FromWide(LongFormOf(WideFromCodePage(listedPath)));
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
