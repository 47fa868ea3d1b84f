// Win32Platform: case in the user's locale, upper-casing, lower-casing and
// comparing without case, by the system's own tables.
#include "win32/win32_platform.h"

#include <windows.h>

#include "core/utf8.h"
#include "win32/engine_path.h"

namespace moxlyn {

int Win32Platform::CompareNoCase(const std::string& a, const std::string& b) {
  const std::wstring wideA = WideFromUtf8(a);
  const std::wstring wideB = WideFromUtf8(b);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wideA.data(),
                        static_cast<int>(wideA.size()), wideB.data(),
                        static_cast<int>(wideB.size())) -
         CSTR_EQUAL;
}

namespace {

// text with its characters upper-cased (or lower-cased) by the system; ASCII
// alone changes only its letters.
std::string ChangeCase(const std::string& text, bool upper) {
  if (IsAscii(text)) {
    std::string changed = text;
    const char from = upper ? 'a' : 'A';
    for (char& c : changed) {
      if (c >= from && c <= from + 25) c = static_cast<char>(c ^ 0x20);
    }
    return changed;
  }
  std::wstring wide = WideFromUtf8(text);
  if (upper) {
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  } else {
    CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  }
  return Utf8FromWide(wide);
}

}  // namespace

std::string Win32Platform::UpperCase(const std::string& text) { return ChangeCase(text, true); }

std::string Win32Platform::LowerCase(const std::string& text) { return ChangeCase(text, false); }

}  // namespace moxlyn
