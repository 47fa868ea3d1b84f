// The end-to-end suite's entry. Before any window exists it tells Wine to
// leave the program's windows (and the tray of Wine's explorer) unmanaged:
// without a window manager, hiding a managed window waits two seconds for a
// withdrawn state that nobody sets, which would make every hide, minimise and
// close of the program slow. Wine then draws the window frames itself.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

void LeaveUnmanaged(const char* program) {
  const std::string key = std::string("Software\\Wine\\AppDefaults\\") + program + "\\X11 Driver";
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(handle, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
  RegCloseKey(handle);
}

}  // namespace

int main(int argc, char** argv) {
  LeaveUnmanaged("Moxlyn.exe");
  LeaveUnmanaged("explorer.exe");
  // Brings up Wine's desktop now, so that the first case does not pay for it.
  GetDesktopWindow();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
