#include "ui/v0011_main.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/drop_intake.h"
#include "ui/dpi.h"
#include "ui/forms.h"
#include "ui/layout.h"
#include "ui/v0011_about.h"
#include "ui/v0011_list.h"
#include "ui/v0011_setup.h"
#include "ui/wide_text.h"
#include "win32/dropped_names.h"
#include "win32/scoped_dc.h"
#include "win32/scoped_handle.h"

namespace moxlyn::ui {
namespace {

// Control ids; 1 and 2 (IDOK, IDCANCEL) stay unused.
constexpr int kDelId = 101;
constexpr int kListId = 102;
constexpr int kSetupId = 103;
constexpr int kAboutId = 104;
constexpr int kPanelId = 105;
// The command of the paste key.
constexpr int kPasteId = 106;

constexpr int kClientWidth = 146;
constexpr int kClientHeight = 96;
constexpr int kPanelWidth = 98;
// Where the window stands when the settings cannot be read.
constexpr int kDesignLeft = 267;
constexpr int kDesignTop = 738;

constexpr UINT kTrayIconId = 1;
// The record's first version, in its wide form.
constexpr DWORD kTrayIconV1Size = NOTIFYICONDATAW_V1_SIZE;

constexpr UINT kNoMoveNoSize = SWP_NOMOVE | SWP_NOSIZE;

// The timer of the saves after changes, and that of the progress shown
// while a deletion runs.
constexpr UINT_PTR kSaveTimerId = 1;
constexpr UINT_PTR kProgressTimerId = 2;
constexpr UINT kProgressMs = 250;

// The deletion's thread has ended.
constexpr UINT WM_DELETIONENDED = WM_APP + 1;

const char* const kPanelCaption = "Please D&D.";
const char* const kDelCaption = "削除";
const char* const kStopCaption = "中止";
const char* const kDeletingText = "削除中";

// Sent by the shell to the top-level windows when its taskbar is created
// again (after explorer restarted): the icons added before are gone.
UINT TaskbarCreatedMessage() {
  static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
  return message;
}

// The shell's drop, finished with DragFinish.
struct DropTraits {
  using Handle = HDROP;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { DragFinish(handle); }
};
using ScopedDrop = ScopedHandle<DropTraits>;

// The clipboard, opened by the window held, closed with CloseClipboard.
struct ClipboardTraits {
  using Handle = HWND;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle) { CloseClipboard(); }
};

void MoveTo(HWND window, int left, int top) {
  SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

TForm_main::TForm_main()
    : keeper_(ThePlatform(), clock_, DelList, Settings, *this), formats_(ThePlatform()) {}

void TForm_main::Create(HWND owner) {
  CreateTopLevel("TForm_main", kProgramName, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, owner,
                 kClientWidth, kClientHeight);
}

void TForm_main::FormCreate() {
  MoveTo(hwnd_, kDesignLeft, kDesignTop);
  // Created in tab order.
  constexpr DWORD kPush = WS_TABSTOP | BS_PUSHBUTTON;
  Button_del = AddControl(hwnd_, "Button", kDelCaption, kPush, 0, 0, 49, 25, kDelId);
  Button_list = AddControl(hwnd_, "Button", "リスト", kPush, 0, 24, 49, 25, kListId);
  Button_setup = AddControl(hwnd_, "Button", "設定", kPush, 0, 48, 49, 25, kSetupId);
  Button_about = AddControl(hwnd_, "Button", "ABOUT", kPush, 0, 72, 49, 25, kAboutId);
  // The panel draws its own raised bevel and its text as it is: a screen
  // reader reads the same text through WM_GETTEXT.
  Panel1 = AddControl(hwnd_, "Static", kPanelCaption, SS_OWNERDRAW | SS_NOPREFIX,
                      kClientWidth - kPanelWidth, 0, kPanelWidth, kClientHeight, kPanelId);
  ACCEL paste{FVIRTKEY | FCONTROL, 'V', kPasteId};
  accelerators_.Reset(CreateAcceleratorTableW(&paste, 1));
  InitMain();
}

void TForm_main::InitMain() {
  try {
    keeper_.LoadSettings();
  } catch (...) {
    // Shown, then the start goes on at the design position with the options
    // as the failed read left them.
    ReportCurrentException();
  }
  BringOntoScreen();

  TrayIconData = NOTIFYICONDATAW{};
  TrayIconData.cbSize = kTrayIconV1Size;
  TrayIconData.hWnd = hwnd_;
  TrayIconData.uID = kTrayIconId;
  TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  TrayIconData.uCallbackMessage = WM_TRAYICON;
  TrayIconData.hIcon = LoadIconW(Instance(), TextW(kIconResource).c_str());
  SetTrayTip(TextW(kProgramName));
  AddTrayIcon();

  DragAcceptFiles(hwnd_, TRUE);

  // A list file that cannot be read stops the start-up here (the window
  // stays, with an empty list).
  keeper_.LoadList();

  BringForward();
}

void TForm_main::FinishMain() {
  if (keeper_.Finished()) return;
  StopDeletion();
  Shell_NotifyIconW(NIM_DELETE, &TrayIconData);
  trayIconShown_ = false;
  try {
    keeper_.Close();
  } catch (...) {
    // The program goes on: put the icon back so that it can still be
    // restored from the tray and closed again.
    AddTrayIcon();
    throw;
  }
  KillTimer(hwnd_, kSaveTimerId);
  DelList.clear();
  PostQuitMessage(0);
}

void TForm_main::ScheduleSave() {
  const std::optional<uint64_t> next = keeper_.NextSave();
  if (!next) {
    KillTimer(hwnd_, kSaveTimerId);
    return;
  }
  // Setting the timer again replaces it.
  SetTimer(hwnd_, kSaveTimerId, static_cast<UINT>(std::min<uint64_t>(*next, USER_TIMER_MAXIMUM)),
           nullptr);
}

void TForm_main::ListChanged() {
  keeper_.ListChanged();
  ScheduleSave();
}

void TForm_main::WMEndSession() {
  if (keeper_.Finished()) return;
  try {
    StopDeletion();
  } catch (...) {
    // Nothing waits on a session that is ending: what could be settled is saved below.
  }
  Shell_NotifyIconW(NIM_DELETE, &TrayIconData);
  trayIconShown_ = false;
  keeper_.SessionEnds();
  KillTimer(hwnd_, kSaveTimerId);
  PostQuitMessage(0);
}

void TForm_main::OptionsStored() {
  keeper_.OptionsStored();
  ScheduleSave();
  SetWindowPos(hwnd_, Settings.ShowTopMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               kNoMoveNoSize);
}

void TForm_main::BringForward() {
  if (Settings.ShowTopMost) {
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, kNoMoveNoSize);
  } else {
    SetForegroundWindow(hwnd_);
  }
}

void TForm_main::WMTrayIcon(LPARAM mouseMessage) {
  if (mouseMessage != WM_LBUTTONDOWN && mouseMessage != WM_RBUTTONDOWN) return;
  RestoreProgram();
  BringForward();
  const Form* forms[] = {Form_list, Form_about, Form_setup};
  for (const Form* form : forms) {
    if (form != nullptr && form->Visible()) SetForegroundWindow(form->Handle());
  }
}

void TForm_main::WMDropFiles(HDROP drop) {
  std::optional<std::vector<std::string>> paths;
  {
    // Finished however the reading ends.
    const ScopedDrop finish(drop);
    paths = ReadDroppedNames(drop);
  }
  ListDropped(paths);
}

void TForm_main::PasteFiles() {
  std::optional<std::vector<std::string>> paths;
  {
    // Closed as soon as the names are read.
    const ScopedHandle<ClipboardTraits> clipboard(OpenClipboard(hwnd_) ? hwnd_ : nullptr);
    if (!clipboard.Valid()) return;
    // Files copied in the shell; anything else on the clipboard is ignored.
    HANDLE files = GetClipboardData(CF_HDROP);
    if (files == nullptr) return;
    paths = ReadDroppedNames(files);
  }
  ListDropped(paths);
}

void TForm_main::ListDropped(const std::optional<std::vector<std::string>>& paths) {
  if (!paths || !keeper_.ListMayChange()) {
    // A block that fails a check is refused whole, as the system refuses a
    // paste it cannot take; so is what comes while the delete command runs
    // (Windows refuses a drop on the window its question disables, but a
    // paste or another drop source can still reach it).
    MessageBeep(0);
    return;
  }
  const size_t before = DelList.size();
  try {
    IntakeDrop(ThePlatform(), *paths, DelList);
  } catch (...) {
    RefreshListWindow();
    throw;
  }
  RefreshListWindow();
  if (DelList.size() != before) ListChanged();
}

void TForm_main::RefreshListWindow() {
  // Hiding and showing again rebuilds the open list window's view.
  if (Form_list != nullptr && Form_list->Visible()) {
    Form_list->HideForm();
    Form_list->ShowForm();
  }
}

bool TForm_main::AddTrayIcon() {
  trayIconShown_ = Shell_NotifyIconW(NIM_ADD, &TrayIconData) != FALSE;
  return trayIconShown_;
}

bool TForm_main::TranslateKeys(MSG& message) {
  if (GetAncestor(message.hwnd, GA_ROOT) != hwnd_) return false;
  return TranslateAcceleratorW(hwnd_, accelerators_.Get(), &message) != 0;
}

void TForm_main::MinimiseProgram() {
  if (minimised_) return;
  if (!trayIconShown_ && !AddTrayIcon()) {
    // Without the icon nothing would bring a hidden program back.
    if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
    return;
  }
  hiddenByMinimise_.clear();
  const Window* windows[] = {Form_main, Form_list, Form_about, Form_setup};
  for (const Window* window : windows) {
    if (window != nullptr && window->Visible()) hiddenByMinimise_.push_back(window->Handle());
  }
  minimised_ = true;
  for (HWND window : hiddenByMinimise_) ShowWindow(window, SW_HIDE);
}

void TForm_main::RestoreProgram() {
  if (!minimised_) return;
  minimised_ = false;
  for (HWND window : hiddenByMinimise_) {
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
  }
  hiddenByMinimise_.clear();
}

void TForm_main::ShowAtStart(int showCommand) {
  if (showCommand == SW_SHOWMINNOACTIVE && (trayIconShown_ || AddTrayIcon())) {
    // Started minimised: nothing shows but the tray icon, which brings the
    // main window up.
    hiddenByMinimise_.assign(1, hwnd_);
    minimised_ = true;
    return;
  }
  ShowWindow(hwnd_, showCommand == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
}

void TForm_main::Button_delClick() {
  if (deletion_.Running()) {
    deletion_.Stop();
    return;
  }
  // A press that reaches the window while its own command asks is refused.
  if (!keeper_.ListMayChange()) {
    MessageBeep(0);
    return;
  }
  keeper_.CommandStarts();
  try {
    if (!StartDelete(*this, DelList, Settings)) {
      keeper_.CommandEnds();
      return;
    }
    deletion_.Start(DelList, hwnd_, WM_DELETIONENDED);
  } catch (...) {
    keeper_.CommandEnds();
    throw;
  }
  ShowDeleting(true);
}

void TForm_main::DeletionEnded() {
  if (deletion_.Running()) SettleDeletion(true);
}

void TForm_main::StopDeletion() {
  if (!deletion_.Running()) return;
  deletion_.Stop();
  SettleDeletion(false);
}

void TForm_main::SettleDeletion(bool tell) {
  ShowDeleting(false);
  // The command ends with its boxes, however they end.
  struct Ends {
    ListKeeper& keeper;
    explicit Ends(ListKeeper& k) : keeper(k) {}
    ~Ends() { keeper.CommandEnds(); }
    Ends(const Ends&) = delete;
    Ends& operator=(const Ends&) = delete;
  } ends(keeper_);
  const DeletionOutcome outcome = deletion_.Finish();
  EndDelete(ThePlatform(), *this, formats_, DelList, Settings, outcome, tell);
}

void TForm_main::ShowDeleting(bool deleting) {
  SetWindowTextW(Button_del, TextW(deleting ? kStopCaption : kDelCaption).c_str());
  for (HWND button : {Button_list, Button_setup, Button_about}) EnableWindow(button, !deleting);
  if (deleting) {
    SetTimer(hwnd_, kProgressTimerId, kProgressMs, nullptr);
    ShowProgress();
    return;
  }
  KillTimer(hwnd_, kProgressTimerId);
  SetWindowTextW(Panel1, TextW(kPanelCaption).c_str());
  SetTrayTip(TextW(kProgramName));
}

void TForm_main::ShowProgress() {
  const std::string removed = std::to_string(deletion_.Removed());
  const std::string entries =
      std::to_string(deletion_.EntriesDone()) + " / " + std::to_string(deletion_.Entries());
  SetWindowTextW(Panel1,
                 TextW(std::string(kDeletingText) + "\n" + removed + "\n" + entries).c_str());
  SetTrayTip(TextW(std::string(kDeletingText) + " " + removed + " " + entries));
}

void TForm_main::SetTrayTip(const std::wstring& tip) {
  const size_t length = std::min(tip.size(), std::size(TrayIconData.szTip) - 1);
  tip.copy(TrayIconData.szTip, length);
  TrayIconData.szTip[length] = 0;
  if (trayIconShown_) Shell_NotifyIconW(NIM_MODIFY, &TrayIconData);
}

void TForm_main::Button_listClick() { Form_list->ShowForm(); }
void TForm_main::Button_setupClick() { Form_setup->ShowForm(); }
void TForm_main::Button_aboutClick() { Form_about->ShowForm(); }

bool TForm_main::AskYesNo(const std::string& text) {
  return MessageBoxW(hwnd_, TextW(text).c_str(), TextW(kProgramName).c_str(), MB_YESNO) == IDYES;
}

void TForm_main::ShowMessage(const std::string& text) {
  MessageBoxW(hwnd_, TextW(text).c_str(), TextW(kProgramName).c_str(), MB_OK);
}

void TForm_main::Beep() { MessageBeep(0); }

void TForm_main::ListSettled() {
  keeper_.CommandSettled();
  ScheduleSave();
  RefreshListWindow();
}

RECT TForm_main::NormalRect() const {
  if (IsZoomed(hwnd_) || IsIconic(hwnd_)) return normalRect_;
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  return rect;
}

int32_t TForm_main::Left() { return NormalRect().left; }
int32_t TForm_main::Top() { return NormalRect().top; }

void TForm_main::SetLeft(int32_t left) { MoveTo(hwnd_, left, NormalRect().top); }
void TForm_main::SetTop(int32_t top) { MoveTo(hwnd_, NormalRect().left, top); }

void TForm_main::BringOntoScreen() {
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  if (MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  const RECT& work = monitor.rcWork;
  const LONG left = std::max(work.left, std::min(rect.left, work.right - (rect.right - rect.left)));
  const LONG top = std::max(work.top, std::min(rect.top, work.bottom - (rect.bottom - rect.top)));
  MoveTo(hwnd_, left, top);
}

void TForm_main::DockPanel() {
  if (Panel1 == nullptr) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  const int width = Scale(hwnd_, kPanelWidth);
  MoveWindow(Panel1, client.right - width, 0, width, client.bottom, TRUE);
}

void TForm_main::Panel1Paint(const DRAWITEMSTRUCT& item) {
  RECT rect = item.rcItem;
  FillRect(item.hDC, &rect, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(item.hDC, &rect, BDR_RAISEDINNER, BF_RECT);
  const std::wstring caption = WindowTextW(item.hwndItem);
  const ScopedSelection font(item.hDC, WindowFont(hwnd_));
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor(COLOR_WINDOWTEXT));
  // Centred whole, the progress's lines too.
  RECT text = rect;
  DrawTextW(item.hDC, caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_CENTER | DT_NOPREFIX | DT_CALCRECT);
  rect.top += ((rect.bottom - rect.top) - (text.bottom - text.top)) / 2;
  DrawTextW(item.hDC, caption.c_str(), static_cast<int>(caption.size()), &rect,
            DT_CENTER | DT_NOPREFIX);
}

LRESULT TForm_main::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != 0 && message == TaskbarCreatedMessage()) {
    // Added again, or a minimised program could never be brought back.
    if (TrayIconData.hWnd != nullptr) AddTrayIcon();
    return 0;
  }
  switch (message) {
    case WM_CREATE:
      FormCreate();
      return 0;
    case WM_CLOSE:
      FinishMain();
      return 0;
    case WM_TRAYICON:
      WMTrayIcon(lParam);
      return 0;
    case WM_DROPFILES:
      WMDropFiles(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_COMMAND:
      // 1: a key of the accelerator table.
      if (HIWORD(wParam) == 1 && LOWORD(wParam) == kPasteId) {
        PasteFiles();
        return 0;
      }
      if (HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
          case kDelId:
            Button_delClick();
            return 0;
          case kListId:
            Button_listClick();
            return 0;
          case kSetupId:
            Button_setupClick();
            return 0;
          case kAboutId:
            Button_aboutClick();
            return 0;
        }
      }
      break;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_MINIMIZE) {
        MinimiseProgram();
        return 0;
      }
      break;
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED) {
        // Minimised by other means than the minimise box: the same rule.
        MinimiseProgram();
      } else {
        DockPanel();
      }
      break;
    case WM_WINDOWPOSCHANGED:
      if (!IsZoomed(hwnd_) && !IsIconic(hwnd_)) GetWindowRect(hwnd_, &normalRect_);
      break;
    case WM_DRAWITEM:
      if (wParam == kPanelId) {
        Panel1Paint(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      break;
    case WM_SETTINGCHANGE:
      formats_.Refresh();
      break;
    case WM_DELETIONENDED:
      DeletionEnded();
      return 0;
    case WM_SETCURSOR:
      // The program works on in the background, and still answers.
      if (deletion_.Running() && LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));
        return TRUE;
      }
      break;
    case WM_TIMER:
      if (wParam == kProgressTimerId) {
        ShowProgress();
        return 0;
      }
      if (wParam == kSaveTimerId) {
        keeper_.SaveWhenDue();
        ScheduleSave();
        return 0;
      }
      break;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The logon ends; a session end that was cancelled changes nothing.
      if (wParam) WMEndSession();
      return 0;
  }
  return Window::HandleMessage(message, wParam, lParam);
}

}  // namespace moxlyn::ui
