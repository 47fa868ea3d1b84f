#include "ui/list_view.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "ui/wide_text.h"
#include "win32/scoped_dc.h"

namespace moxlyn::ui {
namespace {

// Above this many shifted rows per remaining row, deleting rows one at a time
// costs more than filling the list box again (each deletion moves every row
// behind it).
constexpr size_t kShiftsPerRefill = 500;

// Turns the list box's drawing off for the lifetime of the object and redraws
// it once at the end.
class RedrawOff {
 public:
  explicit RedrawOff(HWND listBox) : listBox_(listBox) {
    SendMessageW(listBox_, WM_SETREDRAW, FALSE, 0);
  }
  ~RedrawOff() {
    SendMessageW(listBox_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox_, nullptr, TRUE);
  }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;

 private:
  HWND listBox_;
};

// The rows hold the entries as themselves, their bidirectional controls
// written out.
void AddRows(HWND listBox, const DelList& list) {
  size_t bytes = 0;
  for (const std::string_view entry : list) bytes += (entry.size() + 1) * sizeof(wchar_t);
  SendMessageW(listBox, LB_INITSTORAGE, list.size(), static_cast<LPARAM>(bytes));
  std::wstring row;
  for (const std::string_view entry : list) {
    RowInto(row, entry);
    SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
  }
}

// The advance widths of UTF-16 units in the font selected into dc, asked for
// 256 at a time as they are first met; kUnknown for a surrogate, whose width
// alone tells nothing, and where the system gives none.
class CharWidths {
 public:
  static constexpr int kUnknown = -1;
  explicit CharWidths(HDC dc) : dc_(dc) {}
  int Of(wchar_t unit) {
    std::vector<INT>& block = blocks_[unit >> 8];
    if (block.empty()) {
      block.assign(256, kUnknown);
      const UINT first = unit & 0xFF00u;
      const bool surrogates = first >= 0xD800 && first < 0xE000;
      if (!surrogates && !GetCharWidth32W(dc_, first, first + 255, block.data())) {
        block.assign(256, kUnknown);
      }
    }
    return block[unit & 0xFF];
  }
  // The sum of the advances of text, or kUnknown.
  int Of(const std::wstring& text) {
    int width = 0;
    for (const wchar_t unit : text) {
      const int advance = Of(unit);
      if (advance == kUnknown) return kUnknown;
      width += advance;
    }
    return width;
  }

 private:
  HDC dc_;
  std::array<std::vector<INT>, 256> blocks_;
};

}  // namespace

void FillListView(HWND listBox, const DelList& list) {
  RedrawOff redrawOff(listBox);
  SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
  AddRows(listBox, list);
}

void ClearRows(HWND listBox) {
  SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
  SetHorizontalExtent(listBox, 0);
}

int MaxItemWidth(HWND listBox, const DelList& list) {
  if (list.empty()) return 0;
  const ScopedWindowDc dc(listBox);
  if (!dc.Valid()) return 0;
  const ScopedSelection font(dc.Get(),
                             reinterpret_cast<HFONT>(SendMessageW(listBox, WM_GETFONT, 0, 0)));
  // A row's width is the sum of its characters' advances but for kerning
  // and rounding: the sums find the few rows that can be the widest, and
  // only those (and rows whose sum is unknown) are measured as drawn. No row
  // is read back from the list box.
  CharWidths widths(dc.Get());
  std::vector<int> estimates(list.size());
  std::wstring row;
  int most = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    RowInto(row, list[i]);
    estimates[i] = widths.Of(row);
    most = std::max(most, estimates[i]);
  }
  const int threshold = most - most / 32 - 2;
  int widest = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    if (estimates[i] != CharWidths::kUnknown && estimates[i] < threshold) continue;
    RowInto(row, list[i]);
    SIZE size{};
    if (GetTextExtentPoint32W(dc.Get(), row.c_str(), static_cast<int>(row.size()), &size)) {
      widest = std::max(widest, static_cast<int>(size.cx));
    }
  }
  return widest;
}

void SetHorizontalExtent(HWND listBox, int extent) {
  SendMessageW(listBox, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent), 0);
}

size_t ExcludeSelected(HWND listBox, DelList& list) {
  const LRESULT selectedCount = SendMessageW(listBox, LB_GETSELCOUNT, 0, 0);
  if (selectedCount <= 0) return 0;
  std::vector<int> selected(static_cast<size_t>(selectedCount));
  const LRESULT got = SendMessageW(listBox, LB_GETSELITEMS, selected.size(),
                                   reinterpret_cast<LPARAM>(selected.data()));
  if (got <= 0) return 0;
  selected.resize(static_cast<size_t>(got));
  std::sort(selected.begin(), selected.end());

  const size_t rows = static_cast<size_t>(SendMessageW(listBox, LB_GETCOUNT, 0, 0));
  // Rows the one-at-a-time deletion would move, walking from the last.
  size_t shifted = 0;
  for (size_t i = 0; i < selected.size(); ++i) {
    shifted += rows - static_cast<size_t>(selected[i]) - (selected.size() - i);
  }

  // One pass over the list: keep every entry whose position is not selected.
  std::vector<bool> keep(list.size(), true);
  for (const int position : selected) {
    if (static_cast<size_t>(position) < keep.size()) keep[static_cast<size_t>(position)] = false;
  }
  list.KeepOnly(keep);

  RedrawOff redrawOff(listBox);
  if (shifted <= kShiftsPerRefill * (rows - selected.size() + 1)) {
    for (auto row = selected.rbegin(); row != selected.rend(); ++row) {
      SendMessageW(listBox, LB_DELETESTRING, static_cast<WPARAM>(*row), 0);
    }
  } else {
    const LRESULT top = SendMessageW(listBox, LB_GETTOPINDEX, 0, 0);
    SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
    AddRows(listBox, list);
    if (top > 0) SendMessageW(listBox, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
  }
  return selected.size();
}

}  // namespace moxlyn::ui
