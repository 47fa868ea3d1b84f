// The texts the windows show, as the system's wide ("W") calls take them.
// The program's own texts are code page 932 bytes whatever the system's code
// page is (the sources' narrow literals); paths and names are UTF-8 (WTF-8
// for a lone surrogate). Both become UTF-16 here and nowhere else, so that
// the windows read alike on every system and show every name as itself.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "core/app_error.h"

namespace moxlyn::ui {

// The code page of the program's own texts.
constexpr UINT kTextCodePage = 932;

// text in codePage as UTF-16, into wide (whose storage is reused).
void ConvertInto(std::wstring& wide, std::string_view text, UINT codePage);

// A text of the program's own as UTF-16.
std::wstring TextW(std::string_view text);

// A path or name (UTF-8) as UTF-16, into wide (whose storage is reused).
void PathInto(std::wstring& wide, std::string_view path);

// A path or name (UTF-8) as UTF-16.
std::wstring PathW(std::string_view path);

// A path (UTF-8) as a row of a list shows it, into wide (whose storage is
// reused): as PathInto, but each bidirectional control (U+200E, U+200F,
// U+061C, U+202A to U+202E, U+2066 to U+2069) written as its code, "<U+202E>",
// so that the row reads in the order the name's characters stand. No name
// holds "<" or ">".
void RowInto(std::wstring& wide, std::string_view path);

// An error's message as UTF-16: the program's text around the path it names.
std::wstring MessageW(const AppError& error);

// A control's or window's text as it holds it.
std::wstring WindowTextW(HWND window);

}  // namespace moxlyn::ui
