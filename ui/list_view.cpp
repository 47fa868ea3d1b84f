#include "ui/list_view.h"

#include <algorithm>
#include <string>
#include <vector>

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
    SendMessageA(listBox_, WM_SETREDRAW, FALSE, 0);
  }
  ~RedrawOff() {
    SendMessageA(listBox_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(listBox_, nullptr, TRUE);
  }
  RedrawOff(const RedrawOff&) = delete;
  RedrawOff& operator=(const RedrawOff&) = delete;

 private:
  HWND listBox_;
};

void AddRows(HWND listBox, const DelList& list) {
  size_t bytes = 0;
  for (const std::string& entry : list) bytes += entry.size() + 1;
  SendMessageA(listBox, LB_INITSTORAGE, list.size(), static_cast<LPARAM>(bytes));
  for (const std::string& entry : list) {
    SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  }
}

}  // namespace

void FillListView(HWND listBox, const DelList& list) {
  RedrawOff redrawOff(listBox);
  SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
  AddRows(listBox, list);
}

void ClearRows(HWND listBox) {
  SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
  SetHorizontalExtent(listBox, 0);
}

int MaxItemWidth(HWND listBox) {
  const LRESULT count = SendMessageA(listBox, LB_GETCOUNT, 0, 0);
  if (count <= 0) return 0;
  const ScopedWindowDc dc(listBox);
  if (!dc.Valid()) return 0;
  const ScopedSelection font(dc.Get(),
                             reinterpret_cast<HFONT>(SendMessageA(listBox, WM_GETFONT, 0, 0)));
  int widest = 0;
  std::string text;
  for (LRESULT row = 0; row < count; ++row) {
    const LRESULT length = SendMessageA(listBox, LB_GETTEXTLEN, row, 0);
    if (length <= 0) continue;
    text.resize(static_cast<size_t>(length) + 1);
    const LRESULT copied =
        SendMessageA(listBox, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()));
    if (copied <= 0) continue;
    SIZE size{};
    if (GetTextExtentPoint32A(dc.Get(), text.data(), static_cast<int>(copied), &size) &&
        size.cx > widest) {
      widest = size.cx;
    }
  }
  return widest;
}

void SetHorizontalExtent(HWND listBox, int extent) {
  SendMessageA(listBox, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent), 0);
}

size_t ExcludeSelected(HWND listBox, DelList& list) {
  const LRESULT selectedCount = SendMessageA(listBox, LB_GETSELCOUNT, 0, 0);
  if (selectedCount <= 0) return 0;
  std::vector<int> selected(static_cast<size_t>(selectedCount));
  const LRESULT got = SendMessageA(listBox, LB_GETSELITEMS, selected.size(),
                                   reinterpret_cast<LPARAM>(selected.data()));
  if (got <= 0) return 0;
  selected.resize(static_cast<size_t>(got));
  std::sort(selected.begin(), selected.end());

  const size_t rows = static_cast<size_t>(SendMessageA(listBox, LB_GETCOUNT, 0, 0));
  // Rows the one-at-a-time deletion would move, walking from the last.
  size_t shifted = 0;
  for (size_t i = 0; i < selected.size(); ++i) {
    shifted += rows - static_cast<size_t>(selected[i]) - (selected.size() - i);
  }

  // One pass over the list: keep every entry whose position is not selected.
  size_t next = 0;  // first selected position not yet passed
  size_t kept = 0;
  for (size_t position = 0; position < list.size(); ++position) {
    if (next < selected.size() && static_cast<size_t>(selected[next]) == position) {
      ++next;
      continue;
    }
    if (kept != position) list[kept] = std::move(list[position]);
    ++kept;
  }
  list.resize(kept);

  RedrawOff redrawOff(listBox);
  if (shifted <= kShiftsPerRefill * (rows - selected.size() + 1)) {
    for (auto row = selected.rbegin(); row != selected.rend(); ++row) {
      SendMessageA(listBox, LB_DELETESTRING, static_cast<WPARAM>(*row), 0);
    }
  } else {
    const LRESULT top = SendMessageA(listBox, LB_GETTOPINDEX, 0, 0);
    SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
    AddRows(listBox, list);
    if (top > 0) SendMessageA(listBox, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
  }
  return selected.size();
}

}  // namespace moxlyn::ui
