#include "win32/narrow_path.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "win32/engine_path.h"
#include "win32/wow64_guard.h"

namespace moxlyn {

std::optional<std::string> LosslessNarrow(const std::wstring& wide) {
  // ASCII is the same bytes in the code page, both ways.
  if (std::all_of(wide.begin(), wide.end(), [](wchar_t c) { return c < 0x80; })) {
    return std::string(wide.begin(), wide.end());
  }
  const int wideLength = static_cast<int>(wide.size());
  BOOL usedDefault = FALSE;
  // No best fit: "ä" must not quietly become "a", which names another file.
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength,
                                         nullptr, 0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return std::nullopt;
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, narrow.data(), length,
                      nullptr, &usedDefault);
  if (usedDefault) return std::nullopt;
  // The way back must give the same name (a lone surrogate, for one, does not).
  const int backLength =
      MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, narrow.data(), length, nullptr, 0);
  if (backLength != wideLength) return std::nullopt;
  std::wstring back(static_cast<size_t>(backLength), L'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, narrow.data(), length, back.data(), backLength);
  if (back != wide) return std::nullopt;
  return narrow;
}

std::string UnnamingNarrow(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int wideLength = static_cast<int>(wide.size());
  // No best fit: "ü" as "u" would name another file; "?" names none.
  const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength,
                                         nullptr, 0, "?", nullptr);
  if (length <= 0) return std::string();
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, narrow.data(), length,
                      "?", nullptr);
  return narrow;
}

namespace {

// The parts of a path between backslashes, empty parts included.
std::vector<std::wstring> Parts(const std::wstring& path) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  for (size_t end; (end = path.find(L'\\', start)) != std::wstring::npos; start = end + 1) {
    parts.push_back(path.substr(start, end - start));
  }
  parts.push_back(path.substr(start));
  return parts;
}

// The short form of path, looked up as the engine will reach it: in the
// literal long form (the plain path would lose a trailing dot or blank and
// name the neighbour) and without the file-system redirection (System32's own
// entry, not SysWOW64's). Given back without the long form's prefix.
std::optional<std::wstring> ShortPathOf(const std::wstring& path) {
  const std::wstring literal = LongFormOf(path);
  if (literal.empty()) return std::nullopt;
  Wow64FsGuard unredirected;
  const DWORD size = GetShortPathNameW(literal.c_str(), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring shortPath(size, L'\0');
  const DWORD length = GetShortPathNameW(literal.c_str(), shortPath.data(), size);
  if (length == 0 || length >= size) return std::nullopt;
  shortPath.resize(length);
  return literal == path ? shortPath : PlainFormOf(shortPath);
}

}  // namespace

std::optional<std::string> ReachingNarrow(const std::wstring& path) {
  if (auto narrow = LosslessNarrow(path)) return narrow;
  if (const auto shortPath = ShortPathOf(path)) {
    // Only the parts that need it take their short names, so that the list
    // shows the rest as the user knows it.
    const auto longParts = Parts(path);
    const auto shortParts = Parts(*shortPath);
    if (longParts.size() == shortParts.size()) {
      std::string mixed;
      bool whole = true;
      for (size_t i = 0; i < longParts.size() && whole; ++i) {
        if (i > 0) mixed += '\\';
        auto part = LosslessNarrow(longParts[i]);
        if (!part) part = LosslessNarrow(shortParts[i]);
        if (part) {
          mixed += *part;
        } else {
          whole = false;
        }
      }
      if (whole) return mixed;
    }
    return LosslessNarrow(*shortPath);
  }
  return std::nullopt;
}

std::string NarrowPathOf(const std::wstring& path) {
  auto narrow = ReachingNarrow(path);
  return narrow ? *narrow : UnnamingNarrow(path);
}

std::string NarrowNameOf(const std::wstring& name, const std::wstring& shortName) {
  if (auto narrow = LosslessNarrow(name)) return *narrow;
  if (!shortName.empty()) {
    if (auto narrow = LosslessNarrow(shortName)) return *narrow;
  }
  return UnnamingNarrow(name);
}

}  // namespace moxlyn
