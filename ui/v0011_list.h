// The list window: reviews the deletion list, excludes entries, clears it.
#pragma once

#include "core/del_list.h"
#include "ui/window_base.h"

namespace moxlyn::ui {

class TForm_list : public Form {
 public:
  // Edits list, which the main window owns and keeps for the run.
  explicit TForm_list(DelList& list) : list_(list) {}
  void Create(HWND owner);
  // Empties the view and sets its horizontal extent to 0, visible or not.
  void ClearListView();

 protected:
  void FormShow() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  int MaxItemWidth();
  void UpdateHorizontalExtent();
  void Button_clearClick();
  void Button_excludeClick();

  HWND ListBox_dellist = nullptr;
  HWND Button_clear = nullptr;
  HWND Button_exclude = nullptr;

  DelList& list_;
};

}  // namespace moxlyn::ui
