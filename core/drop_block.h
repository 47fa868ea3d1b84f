// The names of a CF_HDROP block, as a drop or the clipboard hands it over: a
// DROPFILES header and a list of names, each ended by a zero, the list by an
// empty name. Any program can make such a block, so it is read strictly
// inside its bytes, in one pass, and refused whole when anything is amiss.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moxlyn {

// The header: the names' offset, the drop point (eight bytes), the
// non-client flag and the wide flag.
constexpr size_t kDropHeaderSize = 20;
// More names than this in one block are no user's drop.
constexpr size_t kMaxDroppedNames = 1000000;
// No Windows path is longer (in characters, the terminating zero left out).
constexpr size_t kMaxDroppedNameLength = 32767;

struct DropBlock {
  bool wide = false;
  // A wide block's names as UTF-8 (WTF-8 for a lone surrogate), converted
  // as they are read; a narrow block's as their bytes of the system code page.
  std::vector<std::string> names;
};

// The names of the block of size bytes at data, in order. Nothing when the
// block is shorter than its header, its names' offset lies inside the header
// or past the block, a name or the list ends past the block (the wide flag is
// a BOOL: any value but 0 means wide names), a name is longer than a path can be or the names are
// more than kMaxDroppedNames.
std::optional<DropBlock> ReadDropBlock(const void* data, size_t size);

// The name rules take the program's UTF-8 (core/utf8.h) and look at its ASCII
// alone.
//
// True when path can name a file or folder that the shell hands over: no
// control character (below 0x20); none of \ / : * ? " < > | inside a name
// between its separators (the ":" of a drive "C:\" stands before them); not
// in the device namespace ("\\.\...", "\??\...", "\\?\..." other than the
// long forms "\\?\C:\...", "\\?\UNC\..." and a volume by its name,
// "\\?\Volume{GUID}\..."). Checked without opening it.
bool IsDroppableName(std::string_view path);

// True when name, a bare name from a folder's listing, is one Windows can
// have: no control character, none of \ / : * ? " < > |.
bool IsListableName(std::string_view name);

}  // namespace moxlyn
