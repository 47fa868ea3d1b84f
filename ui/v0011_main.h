// The main window: four buttons and the drop area. It owns the deletion list
// and the options for the whole run, keeps the tray icon and takes drops.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "core/del_list.h"
#include "core/delete_command.h"
#include "core/list_keeper.h"
#include "core/settings_store.h"
#include "ui/deletion_run.h"
#include "ui/program.h"
#include "ui/window_base.h"
#include "win32/scoped_handle.h"

namespace moxlyn::ui {

// A table of keys, destroyed with DestroyAcceleratorTable.
struct AcceleratorTraits {
  using Handle = HACCEL;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle table) { DestroyAcceleratorTable(table); }
};
using ScopedAccelerators = ScopedHandle<AcceleratorTraits>;

class TForm_main : public Window, private DeletePrompts, private WindowPosition {
 public:
  TForm_main();
  // Creates the window hidden; its creation runs InitMain.
  void Create(HWND owner);

  moxlyn::DelList& DeletionList() { return DelList; }
  moxlyn::Settings& CurrentSettings() { return Settings; }

  // Shows the program after start-up with the shell's show command.
  void ShowAtStart(int showCommand);

  // The main window's keys (Ctrl+V pastes files) for a message of the loop:
  // true when message was one of them and has been handled.
  bool TranslateKeys(MSG& message);

  // The setup window's OK stored the options: the window is topmost or not
  // as they say, and the options are saved as a change of the list is.
  void OptionsStored();

  // False while the delete command runs: the list window refuses to exclude
  // or clear meanwhile, and the setup window its OK, as the main window
  // refuses drops and pastes.
  bool ListMayChange() const { return keeper_.ListMayChange(); }
  // The list changed (a drop, a paste, an exclusion, clearing, a deletion):
  // it is saved once the user has left the program alone for a moment.
  void ListChanged();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // DeletePrompts
  bool AskYesNo(const std::string& text) override;
  void ShowMessage(const std::string& text) override;
  void Beep() override;
  void ListSettled() override;
  // WindowPosition
  int32_t Left() override;
  int32_t Top() override;
  void SetLeft(int32_t left) override;
  void SetTop(int32_t top) override;

  void FormCreate();
  void InitMain();
  void FinishMain();
  // The save timer runs when the keeper next wants to save, or stops.
  void ScheduleSave();
  // The logon ends: each file saved without a box, then the end.
  void WMEndSession();
  void WMTrayIcon(LPARAM mouseMessage);
  void WMDropFiles(HDROP drop);
  // Ctrl+V: files and folders copied in the shell are listed as a drop.
  void PasteFiles();
  // What a drop or a paste gives: through IntakeDrop onto the list (all or
  // nothing), and into the list window's view when it is open; a beep for a
  // block that was refused (nothing).
  void ListDropped(const std::optional<std::vector<std::string>>& paths);
  // The open list window shows the list as it is now; a hidden one stays hidden.
  void RefreshListWindow();
  // "削除": starts the delete command, whose deletion runs on a thread of its
  // own; while it runs the button reads "中止", and a press stops it.
  void Button_delClick();
  // The deletion has ended: what it left settles the list, then the user is told.
  void DeletionEnded();
  // The close or the end of the logon during a deletion: it is stopped, and
  // what it did settles the list, without a box.
  void StopDeletion();
  // Waits for the deletion's end, and ends the command by what it left,
  // telling the user where tell says so.
  void SettleDeletion(bool tell);
  // While the deletion runs: the button reads "中止", the other buttons are
  // disabled, and the panel and the tray icon's tip show its progress;
  // afterwards all as before.
  void ShowDeleting(bool deleting);
  void ShowProgress();
  // The tray icon's tip, shown at once where the icon is there.
  void SetTrayTip(const std::wstring& tip);
  void Button_listClick();
  void Button_setupClick();
  void Button_aboutClick();

  // Topmost or foreground, as ShowTopMost says.
  void BringForward();
  // Adds the tray icon; false when the shell refuses it (its taskbar is not
  // there yet, say).
  bool AddTrayIcon();
  // Minimising hides every open window of the program, only while the tray
  // icon is there to bring it back; restoring shows the same windows again.
  void MinimiseProgram();
  void RestoreProgram();
  // A window none of whose pixels would be on any monitor moves wholly onto
  // the nearest monitor's work area; any other position stays as it is.
  void BringOntoScreen();
  // The outer rectangle in the normal (not maximised or minimised) state, in
  // screen coordinates.
  RECT NormalRect() const;
  void Panel1Paint(const DRAWITEMSTRUCT& item);
  void DockPanel();

  HWND Button_del = nullptr;
  HWND Button_list = nullptr;
  HWND Button_setup = nullptr;
  HWND Button_about = nullptr;
  HWND Panel1 = nullptr;

  // The deletion of the delete command, while it runs.
  DeletionRun deletion_;
  bool minimised_ = false;
  bool trayIconShown_ = false;
  std::vector<HWND> hiddenByMinimise_;
  // The last outer rectangle in the normal state. The system's placement
  // record gives it in work-area coordinates on Windows (and in screen
  // coordinates under Wine), so it is kept here as the window moves.
  RECT normalRect_{};

  moxlyn::DelList DelList;
  moxlyn::Settings Settings;
  // The system's tick count, for the keeper's save times.
  class TickClock : public SteadyClock {
   public:
    uint64_t Milliseconds() override { return GetTickCount64(); }
  } clock_;
  // Decides what reaches the list and settings files, and when.
  ListKeeper keeper_;
  moxlyn::LocaleFormats formats_;
  NOTIFYICONDATAW TrayIconData{};
  ScopedAccelerators accelerators_;
};

}  // namespace moxlyn::ui
