// The end-to-end suite's entry. It first settles two things in the Wine
// prefix, then runs the cases:
// - the program's windows (and the tray of Wine's explorer) stay unmanaged:
//   without a window manager, hiding a managed window waits two seconds for a
//   withdrawn state that nobody sets, which would make every hide, minimise
//   and close slow. Wine then draws the window frames itself;
// - the windows' font "ＭＳ Ｐゴシック" is stood in for by the proportional
//   IPA face, as on a real Japanese system; otherwise Wine falls back to a
//   wider fixed-pitch face.
// A process reads the font settings when it starts, so the test program and
// the program it drives measure text alike only when the settings were there
// before both started: ctest runs "e2e_tests --prepare-wine" first.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// Sets a string value unless it holds that text already; true when written.
bool SetValue(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &handle,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  wchar_t current[256] = {};
  DWORD size = sizeof(current) - sizeof(wchar_t);
  DWORD type = 0;
  const bool same = RegQueryValueExW(handle, name.c_str(), nullptr, &type,
                                     reinterpret_cast<BYTE*>(current), &size) == ERROR_SUCCESS &&
                    type == REG_SZ && value == current;
  if (!same) {
    RegSetValueExW(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(handle);
  return !same;
}

// True when anything had to be written.
bool PrepareWine() {
  bool changed = false;
  for (const wchar_t* program : {L"Moxlyn.exe", L"explorer.exe"}) {
    changed |= SetValue(std::wstring(L"Software\\Wine\\AppDefaults\\") + program + L"\\X11 Driver",
                        L"Managed", L"N");
  }
  for (const wchar_t* face : {L"ＭＳ Ｐゴシック", L"MS PGothic"}) {
    changed |= SetValue(L"Software\\Wine\\Fonts\\Replacements", face, L"IPAPGothic");
  }
  return changed;
}

// The screen density of the prefix (HKCU\Control Panel\Desktop, LogPixels),
// read by each process when it starts.
bool SetDpi(DWORD dpi) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const bool set = RegSetValueExW(handle, L"LogPixels", 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&dpi), sizeof dpi) == ERROR_SUCCESS;
  RegCloseKey(handle);
  return set;
}

}  // namespace

int main(int argc, char** argv) {
  PrepareWine();
  if (argc == 2 && std::string(argv[1]) == "--prepare-wine") return 0;
  // A prefix of its own for another density: "--prepare-wine --dpi=144".
  if (argc == 3 && std::string(argv[1]) == "--prepare-wine" &&
      std::string(argv[2]).rfind("--dpi=", 0) == 0) {
    return SetDpi(static_cast<DWORD>(std::stoul(std::string(argv[2]).substr(6)))) ? 0 : 1;
  }
  // Brings up Wine's desktop now, so that the first case does not pay for it.
  GetDesktopWindow();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
