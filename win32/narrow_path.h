// Narrow forms, in the system code page, of wide paths and names that the
// shell or the file system delivers, for the deletion list (which holds
// narrow paths only). A name outside the code page would turn into "?"
// characters and name nothing, so such a path is listed by its short (8.3)
// name, whose parts are plain ASCII, when the volume has one.
#pragma once

#include <optional>
#include <string>

namespace moxlyn {

// The narrow form of wide when every character converts and converts back
// to itself; nothing otherwise.
std::optional<std::string> LosslessNarrow(const std::wstring& wide);

// The narrow form of wide with "?" for every character the code page lacks
// (never a look-alike): "?" is never part of a file name, so the form names
// no existing file.
std::string UnnamingNarrow(const std::wstring& wide);

// The narrow form of path that reaches what it names: as it converts when
// that loses nothing, else with the names that do not convert by their short
// names (GetShortPathNameW on the literal long form, so that "a." is never
// taken for its neighbour "a"). Nothing when no such form exists.
std::optional<std::string> ReachingNarrow(const std::wstring& path);

// A dropped path: ReachingNarrow, else the unnaming form.
std::string NarrowPathOf(const std::wstring& path);

// An enumerated entry's name, with the short name the enumeration reported
// (empty when it reported none): the same rule as NarrowPathOf.
std::string NarrowNameOf(const std::wstring& name, const std::wstring& shortName);

}  // namespace moxlyn
