// The Win32 platform's engine form of a path: the full path with the "\\?\"
// prefix ("\\?\UNC\" for a network path), held as UTF-8 so that the deletion
// engine can go on joining names with an ASCII backslash, as every path of
// the program is held. The prefix lifts the length limit and takes every name
// literally (reserved device names, trailing dots and spaces).
#pragma once

#include <string>
#include <string_view>

namespace moxlyn {

// UTF-16 to UTF-8 and back (core/utf8.h). A lone surrogate, which Windows
// allows in names, is carried as its own three-byte sequence, so every name
// comes back whole.
std::string Utf8FromWide(const std::wstring& wide);
std::wstring WideFromUtf8(std::string_view utf8);

// Whether path is absolute ("X:\..." or "\\server\share...") and holds no
// forward slash and no empty, "." or ".." name after its root, so that making
// it full would change nothing but the trailing dots and spaces of its names.
bool IsPlainFullPath(std::wstring_view path);

// The literal long form of a wide path, by the rule below; empty when the
// path is empty or cannot be made full.
std::wstring LongFormOf(const std::wstring& path);

// A long form without its prefix, as the narrow calls take it: "\\?\C:\a"
// is "C:\a", "\\?\UNC\srv\s" is "\\srv\s"; any other path as it is.
std::wstring PlainFormOf(const std::wstring& longForm);

// The engine form of a listed path. An absolute path with
// nothing to resolve is only prefixed, so that a last name ending in a dot or
// a space stays the name it is; any other path is made full first
// (GetFullPathNameW). Empty when the path is empty or cannot be made full.
std::string EngineFormOf(const std::string& listedPath);

// The path handed to the wide calls for an engine-form path: doubled
// backslashes (a root path joined with a name) are made single, as the
// narrow calls do.
std::wstring WideEnginePath(const std::string& enginePath);

}  // namespace moxlyn
