// The key by which a lookup of a name in a folder finds an entry: the name
// upper-cased one UTF-16 unit at a time, as NTFS and Wine compare names
// (no normalisation, no locale). Given only where every file system folds the
// name alike, so that equal keys mean the same entry and different keys
// different ones wherever the lookup happens.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moxlyn {

// name's key (its upper-cased units, two bytes each); nothing for a name
// holding a character outside the ranges whose case every file system's
// table maps alike (ASCII, Latin-1, Latin Extended-A, basic Cyrillic, symbols
// and punctuation without case, the CJK scripts, full-width forms).
// The key is written into key (its bytes replaced); false for nothing.
bool NameKeyOf(std::wstring_view name, std::string& key);

// The key a lookup of name compares by, as NameKeyOf; false also for an
// empty name, one ending in a dot or a blank (which paths outside the
// engine's literal form trim) and a device name ("CON", "com1.txt": some
// lookups open the device). No name of a folder's listing that these leave
// out has the key of a name that they keep.
bool LookupKeyOf(std::wstring_view name, std::string& key);

}  // namespace moxlyn
