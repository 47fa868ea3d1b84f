#include "ui/dpi.h"

#include <utility>
#include <vector>

#include "ui/wide_text.h"
#include "win32/scoped_dc.h"

namespace moxlyn::ui {
namespace {

constexpr int kFontHeight = -12;  // at 96 dpi

HFONT FontAt(int dpi) {
  // One font per density met; a handful at most over a run.
  static std::vector<std::pair<int, HFONT>> fonts;
  for (const auto& [fontDpi, font] : fonts) {
    if (fontDpi == dpi) return font;
  }
  // Asked for by its wide name, which names the face on every system.
  HFONT font =
      CreateFontW(MulDiv(kFontHeight, dpi, kLayoutDpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                  SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                  DEFAULT_PITCH | FF_DONTCARE, TextW("ＭＳ Ｐゴシック").c_str());
  fonts.emplace_back(dpi, font);
  return font;
}

}  // namespace

int ScreenDpi() {
  static const int dpi = [] {
    int value = 0;
    if (const ScopedWindowDc screen(nullptr); screen.Valid()) {
      value = GetDeviceCaps(screen.Get(), LOGPIXELSX);
    }
    return value > 0 ? value : kLayoutDpi;
  }();
  return dpi;
}

int WindowDpi(HWND window) {
  // Windows 10 1607 and later; looked up so that older systems still start.
  using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (window != nullptr && getDpiForWindow != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return ScreenDpi();
}

int Scale(HWND window, int value) { return MulDiv(value, WindowDpi(window), kLayoutDpi); }

HFONT WindowFont(HWND window) { return FontAt(WindowDpi(window)); }
HFONT WindowFont() { return FontAt(ScreenDpi()); }

}  // namespace moxlyn::ui
