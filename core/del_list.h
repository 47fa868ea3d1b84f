// The deletion list, the two path operations every part of the program uses,
// and the list file "dellist.lst" beside the executable.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/line_list.h"
#include "core/platform.h"

namespace moxlyn {

// Ordered paths in order of arrival; unsorted, duplicates and empty entries
// allowed. Whether an entry is a folder is decided at deletion time.
using DelList = LineList;

// Name of the list file inside the program folder.
extern const char* const kDelListFileName;  // "dellist.lst"

// Joins dir and name with exactly one backslash between them: drops one
// leading backslash of name when dir ends in one, adds one when neither has
// it. Nothing else is normalised.
std::string JoinPath(const std::string& dir, const std::string& name);

// True when path is absolute: a drive letter, ":" and "\" ("C:\..."), or
// "\\" and a name (a network path "\\server\share\...", and the "\\?\" and
// "\\.\" forms). A relative, rooted ("\x") or drive-relative ("C:x") path is
// not: it would mean a place that depends on the current folder.
bool IsAbsolutePath(std::string_view path);

// The path that the deletion engine and the drop intake act on for a list
// entry: the entry without its trailing backslashes (a drive root such as
// "C:\" keeps its own), so that a link written as "link\" is still the link.
// Nothing when the entry is not absolute; such an entry touches nothing.
std::optional<std::string> TargetPath(std::string_view entry);

// The running executable's folder with its trailing backslash.
std::string ProgramDir(Platform& platform);

// Replaces list with the content of "dellist.lst" in the program folder when
// that file exists; leaves it alone otherwise. Throws AppError(cannot open).
void LoadDelList(Platform& platform, DelList& list);

// Writes list to "dellist.lst" in the program folder, one entry per line.
// Throws AppError(cannot create / short write); the old file then survives.
void SaveDelList(Platform& platform, const DelList& list);

}  // namespace moxlyn
