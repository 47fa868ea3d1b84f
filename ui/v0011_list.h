// The list window: reviews the deletion list, excludes entries, clears it.
#pragma once

#include "ui/window_base.h"

namespace moxlyn::ui {

class TForm_list : public Form {
 public:
  bool Create(HWND owner);
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
};

}  // namespace moxlyn::ui
