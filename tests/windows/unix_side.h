// What the tests do from the Unix side under Wine: real drops through the X
// drag-and-drop protocol (tools/xdnd_drop.py) and screenshots of the screen.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace moxlyn::e2e {

// Drops the files and folders (Windows paths) onto the screen point through
// tools/xdnd_drop.py; true when the target accepted and finished the drop.
bool Drop(POINT screenPoint, const std::vector<std::string>& windowsPaths);
// The same for Unix paths (UTF-8), which can name what the code page cannot.
bool DropUnix(POINT screenPoint, const std::vector<std::string>& unixPaths);

// Saves a screenshot as NAME.png in the shots folder (MOXLYN_SHOTS_DIR): of
// the screen area around the given windows, or of the whole screen without
// them. Waits until it is written. No-op without the folder.
void Screenshot(const std::string& name, const std::vector<HWND>& windows = {});

}  // namespace moxlyn::e2e
