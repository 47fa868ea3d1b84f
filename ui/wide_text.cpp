#include "ui/wide_text.h"

#include <algorithm>

#include "core/utf8.h"

namespace moxlyn::ui {

void ConvertInto(std::wstring& wide, std::string_view text, UINT codePage) {
  // A byte or two of these code pages (or of UTF-8) never give more than one
  // UTF-16 unit each.
  wide.resize(text.size());
  if (text.empty()) return;
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                         wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(length > 0 ? length : 0));
}

std::wstring TextW(std::string_view text) {
  std::wstring wide;
  ConvertInto(wide, text, kTextCodePage);
  return wide;
}

void PathInto(std::wstring& wide, std::string_view path) {
  wide.clear();
  AppendUtf16FromWtf8(path, wide);
}

namespace {

bool IsBidiControl(wchar_t unit) {
  return unit == 0x200E || unit == 0x200F || unit == 0x061C || (unit >= 0x202A && unit <= 0x202E) ||
         (unit >= 0x2066 && unit <= 0x2069);
}

}  // namespace

void RowInto(std::wstring& wide, std::string_view path) {
  PathInto(wide, path);
  if (std::none_of(wide.begin(), wide.end(), IsBidiControl)) return;
  static const wchar_t kHex[] = L"0123456789ABCDEF";
  std::wstring shown;
  for (const wchar_t unit : wide) {
    if (!IsBidiControl(unit)) {
      shown += unit;
      continue;
    }
    shown += L"<U+";
    for (int shift = 12; shift >= 0; shift -= 4) shown += kHex[(unit >> shift) & 0xF];
    shown += L'>';
  }
  wide.swap(shown);
}

std::wstring PathW(std::string_view path) {
  std::wstring wide;
  PathInto(wide, path);
  return wide;
}

std::wstring MessageW(const AppError& error) {
  const std::string_view message = error.Message();
  const size_t start = std::min(error.PathStart(), message.size());
  const size_t end = start + std::min(error.PathLength(), message.size() - start);
  return TextW(message.substr(0, start)) + PathW(message.substr(start, end - start)) +
         TextW(message.substr(end));
}

std::wstring WindowTextW(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(
      std::max(GetWindowTextW(window, text.data(), static_cast<int>(text.size())), 0)));
  return text;
}

}  // namespace moxlyn::ui
