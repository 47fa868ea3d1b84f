#include "ui/v0011_setup.h"

#include "ui/layout.h"

namespace moxlyn::ui {
namespace {

constexpr int kConfdelId = 100;
constexpr int kLogId = 101;
constexpr int kShowmesId = 102;
constexpr int kOkId = 103;
constexpr int kCanselId = 104;
constexpr int kLtNameId = 105;
constexpr int kLtTimeNameId = 106;
constexpr int kTopmostId = 107;
constexpr int kBevelId = 108;

bool Ticked(HWND box) { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Tick(HWND box, bool ticked) {
  SendMessageW(box, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

}  // namespace

void TForm_setup::Create(HWND owner) {
  CreateTopLevel("TForm_setup", "設定", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
                 owner, 177, 197);
  // Created in tab order, which differs from the order on screen. WS_GROUP
  // opens a group: the two radio buttons form exactly one.
  constexpr DWORD kCheck = WS_TABSTOP | BS_AUTOCHECKBOX;
  constexpr DWORD kPush = WS_TABSTOP | BS_PUSHBUTTON;
  constexpr DWORD kRadio = WS_TABSTOP | BS_AUTORADIOBUTTON;
  CheckBox_confdel = AddControl(hwnd_, "BUTTON", "削除する前に確認する", kCheck | WS_GROUP, 8, 8,
                                137, 17, kConfdelId);
  CheckBox_log =
      AddControl(hwnd_, "BUTTON", "消したファイルのログを取る", kCheck, 8, 56, 161, 17, kLogId);
  CheckBox_showmes =
      AddControl(hwnd_, "BUTTON", "削除後にメッセージを表示", kCheck, 8, 32, 153, 17, kShowmesId);
  Button_ok = AddControl(hwnd_, "BUTTON", "OK", kPush, 24, 160, 49, 25, kOkId);
  Button_cansel = AddControl(hwnd_, "BUTTON", "Cansel", kPush, 104, 160, 49, 25, kCanselId);
  RadioButton_lt_name =
      AddControl(hwnd_, "BUTTON", "ファイル名のみ", kRadio | WS_GROUP, 24, 72, 97, 17, kLtNameId);
  RadioButton_lt_time_name =
      AddControl(hwnd_, "BUTTON", "時刻+ファイル名", kRadio, 24, 88, 105, 17, kLtTimeNameId);
  CheckBox_topmost = AddControl(hwnd_, "BUTTON", "常に最前面に表示", kCheck | WS_GROUP, 8, 112, 113,
                                17, kTopmostId);
  // Bevel1: one etched line along the top edge of its 177 x 10 box.
  AddControl(hwnd_, "STATIC", "", SS_ETCHEDHORZ, 0, 144, 177, 2, kBevelId);
}

void TForm_setup::FormShow() {
  CentreOnScreen(hwnd_);
  Tick(CheckBox_confdel, settings_.ConfirmBeforeDelete);
  Tick(CheckBox_showmes, settings_.ShowMessageAfterDelete);
  Tick(CheckBox_log, settings_.GetDeleteLog);
  Tick(CheckBox_topmost, settings_.ShowTopMost);
  const bool nameOnly = settings_.LogType == LogTypeNameOnly;
  Tick(RadioButton_lt_name, nameOnly);
  Tick(RadioButton_lt_time_name, !nameOnly);
}

void TForm_setup::Button_okClick() {
  if (mayStore_ && !mayStore_()) {
    MessageBeep(0);
    return;
  }
  settings_.ConfirmBeforeDelete = Ticked(CheckBox_confdel);
  settings_.ShowMessageAfterDelete = Ticked(CheckBox_showmes);
  settings_.GetDeleteLog = Ticked(CheckBox_log);
  settings_.ShowTopMost = Ticked(CheckBox_topmost);
  settings_.LogType = Ticked(RadioButton_lt_name) ? LogTypeNameOnly : LogTypeTimeAndName;
  if (stored_) stored_();
  HideForm();
}

void TForm_setup::Button_canselClick() { HideForm(); }

LRESULT TForm_setup::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case kOkId:
        Button_okClick();
        return 0;
      case kCanselId:
        Button_canselClick();
        return 0;
    }
  }
  return Form::HandleMessage(message, wParam, lParam);
}

}  // namespace moxlyn::ui
