#include "ui/v0011_about.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "ui/dpi.h"
#include "ui/layout.h"
#include "ui/program.h"
#include "ui/version.h"
#include "ui/wide_text.h"
#include "win32/scoped_dc.h"

namespace moxlyn::ui {
namespace {

constexpr int kImageId = 100;
constexpr int kMailId = 101;
constexpr int kUrlId = 102;
constexpr int kFirstLabelId = 110;

constexpr COLORREF kLinkHotColour = RGB(255, 0, 0);
constexpr COLORREF kLinkLeftColour = RGB(0, 0, 0);

constexpr int kLabelHeight = 12;

// A label as wide as its text in the window font, 12 pixels high at 96 dpi.
HWND AddLabel(HWND parent, const char* text, int left, int top, int id, DWORD style = 0) {
  return AddControl(parent, "STATIC", text, SS_LEFT | SS_NOPREFIX | style, left, top, kFitText,
                    kLabelHeight, id);
}

bool ShellOpen(HWND owner, const std::wstring& target) {
  HINSTANCE result = ShellExecuteW(owner, L"open", target.c_str(), nullptr, nullptr, SW_SHOW);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

void ShowError(HWND owner, const char* text) {
  MessageBoxW(owner, TextW(text).c_str(), TextW("エラー").c_str(), MB_OK);
}

}  // namespace

void TForm_about::Create(HWND owner) {
  CreateTopLevel("TForm_about", "Moxlynについて", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                 WS_EX_DLGMODALFRAME, owner, 253, 78);
  AddControl(hwnd_, "STATIC", "", SS_ICON, 8, 8, 32, 32, kImageId);
  SetImageIcon();
  AddLabel(hwnd_, "Moxlyn Ver." MOXLYN_SHOWN_VERSION, 48, 8, kFirstLabelId);
  AddLabel(hwnd_, "Author", 56, 24, kFirstLabelId + 1);
  AddLabel(hwnd_, "MailAddress", 56, 40, kFirstLabelId + 2);
  AddLabel(hwnd_, "WebSiteURL", 56, 56, kFirstLabelId + 3);
  // The author's texts end well inside the 253-pixel client area: in the
  // proportional IPA face (metrics of "ＭＳ Ｐゴシック") the address and the URL
  // take 94 and 98 of the 115 and 114 pixels left of them, and a fixed-pitch
  // face of the same size 90 and 102, so wider faces still show them whole.
  AddLabel(hwnd_, "Moxlyn Project", 136, 24, kFirstLabelId + 4);
  // The links are the window's tab stops, mail then web.
  Label_mail = AddLabel(hwnd_, "mail@example.jp", 138, 40, kMailId, SS_NOTIFY | WS_TABSTOP);
  Label_url = AddLabel(hwnd_, "http://example.jp", 139, 56, kUrlId, SS_NOTIFY | WS_TABSTOP);
  const COLORREF start = GetSysColor(COLOR_WINDOWTEXT);
  mailColour_ = start;
  urlColour_ = start;
  SubclassControl(Label_mail);
  SubclassControl(Label_url);
}

// The main icon drawn 32 pixels square at 96 dpi, scaled to the density.
void TForm_about::SetImageIcon() {
  const int size = Scale(hwnd_, 32);
  if (HANDLE icon = LoadImageW(Instance(), TextW(kIconResource).c_str(), IMAGE_ICON, size, size,
                               LR_DEFAULTCOLOR)) {
    const LRESULT old =
        SendMessageW(GetDlgItem(hwnd_, kImageId), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    if (old != 0) DestroyIcon(reinterpret_cast<HICON>(old));
  }
}

void TForm_about::FormShow() { CentreOnScreen(hwnd_); }

void TForm_about::Label_mailClick() {
  if (!ShellOpen(hwnd_, L"mailto:" + WindowTextW(Label_mail))) {
    ShowError(hwnd_, "mailtoを開けませんでした");
  }
}

void TForm_about::Label_urlClick() {
  if (!ShellOpen(hwnd_, WindowTextW(Label_url))) ShowError(hwnd_, "URLを開けませんでした");
}

void TForm_about::Label_mailMouseEnter(HWND label) { SetLinkColour(label, kLinkHotColour); }

void TForm_about::Label_mailMouseLeave(HWND label) { SetLinkColour(label, kLinkLeftColour); }

void TForm_about::SetLinkColour(HWND label, COLORREF colour) {
  COLORREF& kept = label == Label_mail ? mailColour_ : urlColour_;
  if (kept == colour) return;
  kept = colour;
  InvalidateRect(label, nullptr, TRUE);
}

RECT TForm_about::FocusFrame(HWND label) const {
  RECT frame{};
  GetWindowRect(label, &frame);
  MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&frame), 2);
  InflateRect(&frame, 1, 1);
  return frame;
}

// The focused link's frame, unless the window hides focus cues (as the
// buttons do until the keyboard is used).
void TForm_about::PaintFocusFrame() {
  const ScopedPaint paint(hwnd_);
  HWND focus = GetFocus();
  if ((focus == Label_mail || focus == Label_url) &&
      (SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0) {
    const RECT frame = FocusFrame(focus);
    DrawFocusRect(paint.Get(), &frame);
  }
}

LRESULT TForm_about::HandleControlMessage(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETCURSOR:
      SetCursor(LoadCursor(nullptr, IDC_HAND));
      return TRUE;
    case WM_MOUSEMOVE:
      if (hotLink_ != label) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, label, 0};
        TrackMouseEvent(&track);
        hotLink_ = label;
        Label_mailMouseEnter(label);
      }
      break;
    case WM_MOUSELEAVE:
      if (hotLink_ == label) hotLink_ = nullptr;
      Label_mailMouseLeave(label);
      break;
    case WM_GETDLGCODE: {
      // Enter comes to the link instead of being taken for the window's OK.
      const auto* key = reinterpret_cast<const MSG*>(lParam);
      const LRESULT code = Form::HandleControlMessage(label, message, wParam, lParam);
      if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
        return code | DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      // Enter or Space opens the link exactly as a click does; a key held
      // down opens it once.
      if ((wParam == VK_RETURN || wParam == VK_SPACE) && (lParam & (1 << 30)) == 0) {
        SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(label), STN_CLICKED),
                     reinterpret_cast<LPARAM>(label));
        return 0;
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const RECT frame = FocusFrame(label);
      RedrawWindow(hwnd_, &frame, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      break;
    }
  }
  return Form::HandleControlMessage(label, message, wParam, lParam);
}

LRESULT TForm_about::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == STN_CLICKED) {
        if (LOWORD(wParam) == kMailId) {
          Label_mailClick();
          return 0;
        }
        if (LOWORD(wParam) == kUrlId) {
          Label_urlClick();
          return 0;
        }
      }
      break;
    case WM_PAINT:
      PaintFocusFrame();
      return 0;
    case WM_CTLCOLORSTATIC: {
      const auto control = reinterpret_cast<HWND>(lParam);
      if (control == Label_mail || control == Label_url) {
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, control == Label_mail ? mailColour_ : urlColour_);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_DPICHANGED: {
      const LRESULT result = Form::HandleMessage(message, wParam, lParam);
      SetImageIcon();
      return result;
    }
  }
  return Form::HandleMessage(message, wParam, lParam);
}

}  // namespace moxlyn::ui
