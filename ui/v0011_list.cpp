#include "ui/v0011_list.h"

#include "ui/dpi.h"
#include "ui/layout.h"
#include "ui/list_view.h"
#include "ui/wide_text.h"

namespace moxlyn::ui {
namespace {

constexpr int kListBoxId = 100;
constexpr int kClearId = 101;
constexpr int kExcludeId = 102;
constexpr int kListNameId = 103;

constexpr char kCaption[] = "削除リスト";

}  // namespace

void TForm_list::Create(HWND owner) {
  CreateTopLevel("TForm_list", kCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME,
                 owner, 334, 295);
  // The list box's name for screen readers: a control without a text of its
  // own is named after the static label just before it in the z-order, which
  // may be hidden.
  if (CreateWindowExW(0, L"STATIC", TextW(kCaption).c_str(), WS_CHILD | SS_NOPREFIX, 0, 0, 0, 0,
                      hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListNameId)), Instance(),
                      nullptr) == nullptr) {
    ThrowWindowNotCreated("STATIC");
  }
  // Tab order is creation order.
  ListBox_dellist = AddControl(hwnd_, "LISTBOX", "",
                               WS_TABSTOP | WS_GROUP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY |
                                   LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT,
                               0, 0, 334, 241, kListBoxId);
  // The sunken edge is drawn inside the 334 x 241 box.
  SetWindowLongW(ListBox_dellist, GWL_EXSTYLE,
                 GetWindowLongW(ListBox_dellist, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
  SetWindowPos(ListBox_dellist, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  Button_clear = AddControl(hwnd_, "BUTTON", "リストクリア", WS_TABSTOP | BS_PUSHBUTTON, 224, 256,
                            97, 25, kClearId);
  Button_exclude = AddControl(hwnd_, "BUTTON", "指定項目を除外", WS_TABSTOP | BS_PUSHBUTTON, 128,
                              256, 97, 25, kExcludeId);
}

void TForm_list::FormShow() {
  CentreOnScreen(hwnd_);
  FillListView(ListBox_dellist, list_);
  UpdateHorizontalExtent();
}

// The widest row and a margin of 10 pixels at 96 dpi.
void TForm_list::UpdateHorizontalExtent() {
  SetHorizontalExtent(ListBox_dellist, MaxItemWidth() + Scale(hwnd_, 10));
}

int TForm_list::MaxItemWidth() { return ui::MaxItemWidth(ListBox_dellist, list_); }

void TForm_list::Button_clearClick() {
  if (!mayChange_()) {
    MessageBeep(0);
    return;
  }
  ClearRows(ListBox_dellist);
  list_.clear();
  changed_();
}

void TForm_list::Button_excludeClick() {
  if (!mayChange_()) {
    MessageBeep(0);
    return;
  }
  ExcludeSelected(ListBox_dellist, list_);
  UpdateHorizontalExtent();
  changed_();
}

LRESULT TForm_list::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    switch (LOWORD(wParam)) {
      case kClearId:
        Button_clearClick();
        return 0;
      case kExcludeId:
        Button_excludeClick();
        return 0;
    }
  }
  if (message == WM_DPICHANGED) {
    // The rows are measured again in the font at the new density.
    const LRESULT result = Form::HandleMessage(message, wParam, lParam);
    if (SendMessageW(ListBox_dellist, LB_GETCOUNT, 0, 0) > 0 ||
        SendMessageW(ListBox_dellist, LB_GETHORIZONTALEXTENT, 0, 0) > 0) {
      UpdateHorizontalExtent();
    }
    return result;
  }
  return Form::HandleMessage(message, wParam, lParam);
}

}  // namespace moxlyn::ui
