// The setup window: edits the five options held by the main window.
#pragma once

#include <functional>
#include <utility>

#include "core/settings_store.h"
#include "ui/window_base.h"

namespace moxlyn::ui {

class TForm_setup : public Form {
 public:
  // Edits settings, which the main window owns and keeps for the run; OK
  // stores the options in them and then calls stored.
  // mayStore tells whether the options may change now (not while the
  // delete command runs: its OK is then refused with a beep).
  TForm_setup(Settings& settings, std::function<bool()> mayStore, std::function<void()> stored)
      : settings_(settings), mayStore_(std::move(mayStore)), stored_(std::move(stored)) {}
  void Create(HWND owner);

 protected:
  void FormShow() override;
  // Neither button is the cancel button: Escape does nothing here.
  bool EscapeCloses() const override { return false; }
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

  Settings& settings_;
  std::function<bool()> mayStore_;
  std::function<void()> stored_;
};

}  // namespace moxlyn::ui
