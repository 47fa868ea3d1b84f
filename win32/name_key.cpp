#include "win32/name_key.h"

#include <cstdint>

namespace moxlyn {
namespace {

// unit upper-cased, or nothing where file systems may fold it differently.
std::optional<char16_t> Folded(char16_t unit) {
  const auto lowerBy = [&](bool lower, char16_t by) {
    return static_cast<char16_t>(lower ? unit - by : unit);
  };
  if (unit < 0x80) return lowerBy(unit >= u'a' && unit <= u'z', 0x20);
  if (unit < 0xC0) {
    if (unit == 0xB5) return std::nullopt;  // micro sign: Greek mu in some tables
    return unit;
  }
  if (unit < 0x100) {
    if (unit == 0xFF) return char16_t{0x178};
    return lowerBy(unit >= 0xE0 && unit != 0xF7, 0x20);
  }
  if (unit < 0x180) {
    // Dotless i, the apostrophe n and the long s fold to ASCII in some
    // tables and not in others.
    if (unit == 0x131 || unit == 0x149 || unit == 0x17F) return std::nullopt;
    if (unit == 0x130 || unit == 0x138 || unit == 0x178) return unit;
    // Pairs upper then lower, starting on an even unit or, in 0x139-0x148
    // and 0x179-0x17E, on an odd one.
    const bool oddStarts = (unit >= 0x139 && unit <= 0x148) || unit >= 0x179;
    return lowerBy((unit % 2 == 0) == oddStarts, 1);
  }
  if (unit >= 0x400 && unit < 0x460) {
    if (unit >= 0x450) return static_cast<char16_t>(unit - 0x50);
    return lowerBy(unit >= 0x430, 0x20);
  }
  if (unit >= 0xFF21 && unit <= 0xFF3A) return unit;
  if (unit >= 0xFF41 && unit <= 0xFF5A) return static_cast<char16_t>(unit - 0x20);
  // Without case anywhere: punctuation, arrows, mathematical and technical
  // signs, circled and parenthesised digits, box drawing and shapes, the
  // CJK scripts and symbols, Hangul, surrogates (each unit alone), private
  // use, compatibility ideographs, vertical forms, full-width forms.
  static constexpr char16_t kCaseless[][2] = {{0x2000, 0x206F}, {0x2190, 0x23FF}, {0x2460, 0x249B},
                                              {0x2500, 0x27BF}, {0x2E80, 0x2FDF}, {0x3000, 0x4DBF},
                                              {0x4E00, 0x9FFF}, {0xAC00, 0xD7AF}, {0xD800, 0xFAFF},
                                              {0xFE30, 0xFE4F}, {0xFF00, 0xFFEF}};
  for (const auto& range : kCaseless) {
    if (unit >= range[0] && unit <= range[1]) return unit;
  }
  return std::nullopt;
}

bool IsDeviceName(std::wstring_view name) {
  std::wstring base(name.substr(0, name.find(L'.')));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (auto& unit : base) {
    if (unit >= L'a' && unit <= L'z') unit = static_cast<wchar_t>(unit - 0x20);
  }
  if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" ||
      base == L"CONOUT$") {
    return true;
  }
  return base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0) &&
         ((base[3] >= L'0' && base[3] <= L'9') || base[3] == 0xB9 || base[3] == 0xB2 ||
          base[3] == 0xB3);
}

}  // namespace

bool NameKeyOf(std::wstring_view name, std::string& key) {
  key.resize(name.size() * 2);
  for (size_t at = 0; at < name.size(); ++at) {
    const auto folded = Folded(static_cast<char16_t>(name[at]));
    if (!folded) return false;
    key[2 * at] = static_cast<char>(*folded & 0xFF);
    key[2 * at + 1] = static_cast<char>(*folded >> 8);
  }
  return true;
}

bool LookupKeyOf(std::wstring_view name, std::string& key) {
  if (name.empty() || name.back() == L'.' || name.back() == L' ' || IsDeviceName(name)) {
    return false;
  }
  return NameKeyOf(name, key);
}

}  // namespace moxlyn
