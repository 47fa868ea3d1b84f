// The list window's view: a list box that mirrors the deletion list row for
// row. Kept apart from the window so that its cost can be measured alone.
#pragma once

#include <windows.h>

#include <cstddef>

#include "core/del_list.h"

namespace moxlyn::ui {

// Replaces the rows of listBox by the entries of list, one row per entry in
// list order (duplicates and empty entries included). Redraws once at the end.
void FillListView(HWND listBox, const DelList& list);

// Removes every row of listBox; the horizontal extent becomes 0.
void ClearRows(HWND listBox);

// Width in pixels of the widest row text as drawn in the list box's font,
// measured from list, which the rows mirror; 0 for an empty list.
int MaxItemWidth(HWND listBox, const DelList& list);

// Sets the width over which listBox scrolls horizontally.
void SetHorizontalExtent(HWND listBox, int extent);

// Removes every selected row of listBox and the entry of list at the same
// position (by position, not by text); the rest keep their order. Returns the
// number of rows removed. The view must mirror list when called.
size_t ExcludeSelected(HWND listBox, DelList& list);

}  // namespace moxlyn::ui
