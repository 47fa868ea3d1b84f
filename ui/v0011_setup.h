// The setup window: edits the five options held by the main window.
#pragma once

#include "ui/window_base.h"

namespace moxlyn::ui {

class TForm_setup : public Form {
 public:
  bool Create(HWND owner);

 protected:
  void FormShow() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void Button_okClick();
  void Button_canselClick();

  HWND CheckBox_confdel = nullptr;
  HWND CheckBox_log = nullptr;
  HWND CheckBox_showmes = nullptr;
  HWND Button_ok = nullptr;
  HWND Button_cansel = nullptr;
  HWND RadioButton_lt_name = nullptr;
  HWND RadioButton_lt_time_name = nullptr;
  HWND CheckBox_topmost = nullptr;
};

}  // namespace moxlyn::ui
