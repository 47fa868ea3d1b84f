// The list window: reviews the deletion list, excludes entries, clears it.
#pragma once

#include <functional>
#include <utility>

#include "core/del_list.h"
#include "ui/window_base.h"

namespace moxlyn::ui {

class TForm_list : public Form {
 public:
  // Edits list, which the main window owns and keeps for the run, when
  // mayChange says it may (a beep otherwise). changed runs after each
  // exclusion and clearing.
  TForm_list(DelList& list, std::function<bool()> mayChange, std::function<void()> changed)
      : list_(list), mayChange_(std::move(mayChange)), changed_(std::move(changed)) {}
  void Create(HWND owner);

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
  std::function<bool()> mayChange_;
  std::function<void()> changed_;
};

}  // namespace moxlyn::ui
