#include "ui/v0011.h"

#include <iterator>
#include <string>

#include "ui/app.h"
#include "ui/forms.h"
#include "ui/program.h"
#include "ui/v0011_about.h"
#include "ui/v0011_list.h"
#include "ui/v0011_main.h"
#include "ui/v0011_setup.h"
#include "ui/wide_text.h"
#include "win32/scoped_handle.h"
#include "win32/win32_platform.h"

namespace moxlyn::ui {

TForm_main* Form_main = nullptr;
TForm_list* Form_list = nullptr;
TForm_about* Form_about = nullptr;
TForm_setup* Form_setup = nullptr;

namespace {

// Ownership of a mutex that a wait took, handed back when it goes.
struct MutexOwnershipTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle mutex) { ReleaseMutex(mutex); }
};

// The top-level window of ours that window belongs to, or nullptr.
HWND ProgramWindowOf(HWND window) {
  if (window == nullptr) return nullptr;
  HWND root = GetAncestor(window, GA_ROOT);
  const Window* forms[] = {Form_main, Form_list, Form_about, Form_setup};
  for (const Window* form : forms) {
    if (form != nullptr && form->Handle() == root) return root;
  }
  return nullptr;
}

bool IsPushButton(HWND window) {
  wchar_t className[16] = {};
  if (GetClassNameW(window, className, std::size(className)) == 0) return false;
  if (lstrcmpiW(className, L"Button") != 0) return false;
  const auto type = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// Enter presses the push button that has the focus, and nothing else: no
// button of ours is a default button.
bool PressFocusedButton(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN) return false;
  if (ProgramWindowOf(message.hwnd) == nullptr || !IsPushButton(message.hwnd)) return false;
  SendMessageW(message.hwnd, BM_CLICK, 0, 0);
  return true;
}

void RunMessageLoop() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  const int showCommand =
      (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWNORMAL;
  Form_main->ShowAtStart(showCommand);

  MSG message;
  // GetMessageW gives 0 for WM_QUIT and -1 when it fails; both end the loop.
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (Form_main->TranslateKeys(message) || PressFocusedButton(message)) continue;
    // Tab and the arrow keys move between the controls of our windows.
    if (HWND root = ProgramWindowOf(message.hwnd);
        root != nullptr && IsDialogMessageW(root, &message)) {
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Creates the four windows, hidden, in the order main, list, about, setup.
// Throws AppError when one cannot be created.
void CreateForms() {
  HWND owner = ApplicationWindow();
  Form_main = new TForm_main;
  Form_main->Create(owner);
  // The list and setup windows edit what the main window owns.
  Form_list = new TForm_list(
      Form_main->DeletionList(), [] { return Form_main->ListMayChange(); },
      [] { Form_main->ListChanged(); });
  Form_list->Create(owner);
  Form_about = new TForm_about;
  Form_about->Create(owner);
  Form_setup = new TForm_setup(
      Form_main->CurrentSettings(), [] { return Form_main->ListMayChange(); },
      [] { Form_main->OptionsStored(); });
  Form_setup->Create(owner);
  // Closed while active, each hands the activation back to the main window.
  Form* forms[] = {Form_list, Form_about, Form_setup};
  for (Form* form : forms) form->ReturnActivationTo(Form_main);
}

}  // namespace

int v0011(HINSTANCE instance) {
  try {
    CreateApplicationWindow(instance);
    // A failed create gives a null handle, whose wait fails and refuses the
    // start; the last error is not examined.
    const ScopedKernelObject mutex(CreateMutexW(nullptr, FALSE, TextW(kInstanceMutexName).c_str()));
    const DWORD wait = WaitForSingleObject(mutex.Get(), 0);
    // Released before the handle closes; one found abandoned is ours too and
    // is handed back also on the refusing path.
    const ScopedHandle<MutexOwnershipTraits> owned(
        wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED ? mutex.Get() : nullptr);
    if (wait != WAIT_OBJECT_0) {
      MessageBoxW(ApplicationWindow(), TextW("既に起動しています。").c_str(),
                  TextW(kProgramName).c_str(), MB_OK);
    } else {
      // Written whole: a tool window has no taskbar button, and every other
      // window is owned by this one.
      SetWindowLongW(ApplicationWindow(), GWL_EXSTYLE, WS_EX_TOOLWINDOW);
      // A window that cannot be created ends the start with the error box.
      CreateForms();
      RunMessageLoop();
    }
  } catch (...) {
    ReportCurrentException();
  }
  return 0;
}

}  // namespace moxlyn::ui

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return moxlyn::ui::v0011(instance);
}
