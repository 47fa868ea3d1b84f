// The program's own texts that follow rules: the caption of its boxes and
// the text of its general error box.
#pragma once

#include <string>

#include "core/platform.h"

namespace moxlyn {

// The program's title from the executable's path: the file name without its
// folder, cut at its first ".", every character after the first lower-cased.
std::string ProgramTitleOf(Platform& platform, const std::string& modulePath);

// The general error box's text for message: message with "." appended when
// it is not empty and the first byte of its last whole character is greater
// than "." (so that a Japanese message ends with a full stop).
std::string ErrorBoxText(const std::string& message);

}  // namespace moxlyn
