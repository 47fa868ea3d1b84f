// The end-to-end suite's entry. It first settles two things in the Wine
// prefix, then runs the cases:
// - the program's windows (and the tray of Wine's explorer) stay unmanaged:
//   without a window manager, hiding a managed window waits two seconds for a
//   withdrawn state that nobody sets, which would make every hide, minimise
//   and close slow. Wine then draws the window frames itself;
// - the windows' font "ＭＳ Ｐゴシック" is stood in for by the proportional
//   IPA face, as on a real Japanese system; otherwise Wine falls back to a
//   wider fixed-pitch face; elsewhere for "MS UI Gothic" too (see below);
// - the Marlett face (MOXLYN_MARLETT, put there by scripts/setup.sh) lies in
//   the prefix's font folder, so that the title bars Wine draws show their
//   minimise and close glyphs rather than "0 1 r". It is the only face added:
//   the faces the tests measure stay as they are.
// A process reads the font settings when it starts, so the test program and
// the program it drives measure text alike only when the settings were there
// before both started: ctest runs "e2e_tests --prepare-wine" first.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/windows/harness.h"

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
                   static_cast<DWORD>(value.size() + 1) * sizeof(wchar_t));
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
  // The face the system's own faces link to for Japanese glyphs.
  if (GetACP() != 932) {
    changed |= SetValue(L"Software\\Wine\\Fonts\\Replacements", L"MS UI Gothic", L"IPAPGothic");
  }
  return changed;
}

// Copies the Marlett face into the prefix's font folder unless it is there;
// false when it cannot be placed.
bool PlaceMarlett() {
  const std::string face = moxlyn::e2e::Env("MOXLYN_MARLETT");
  if (face.empty()) return true;
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string target = std::string(windows) + "\\Fonts\\marlett.ttf";
  if (GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  if (CopyFileA(moxlyn::e2e::WindowsPathOfUnix(face).c_str(), target.c_str(), TRUE)) return true;
  fprintf(stderr, "cannot copy %s into the prefix: run scripts/setup.sh\n", face.c_str());
  return false;
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
  const bool facePlaced = PlaceMarlett();
  if (argc == 2 && std::string(argv[1]) == "--prepare-wine") return facePlaced ? 0 : 1;
  // A prefix of its own for another density: "--prepare-wine --dpi=144".
  if (argc == 3 && std::string(argv[1]) == "--prepare-wine" &&
      std::string(argv[2]).rfind("--dpi=", 0) == 0) {
    return facePlaced && SetDpi(static_cast<DWORD>(std::stoul(std::string(argv[2]).substr(6)))) ? 0
                                                                                                : 1;
  }
  // Brings up Wine's desktop now, so that the first case does not pay for it.
  GetDesktopWindow();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
