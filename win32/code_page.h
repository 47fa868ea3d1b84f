// The system code page to and from the program's UTF-8, exact: no best fit,
// no character standing for another. Tables read once from the system's own
// conversion serve where they can (a million entries convert without a call
// each), the conversion calls elsewhere. Where the code page is UTF-8
// (65001), its bytes are the program's own, kept as they are.
#pragma once

#include <string>
#include <string_view>

namespace moxlyn {

// Appends bytes of the system code page as UTF-8 to text; false, text as it
// was, when they are no text of it (MB_ERR_INVALID_CHARS). Appends UTF-8 as
// bytes of the code page to bytes; false, bytes as they were, unless every
// character converts without best fit and back to itself.
bool AppendUtf8FromCodePage(std::string_view bytes, std::string& text);
bool AppendCodePageFromUtf8(std::string_view text, std::string& bytes);

}  // namespace moxlyn
