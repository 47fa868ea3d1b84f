// The text-file rules shared by the list file, the log files and the settings
// file: system code page, no byte-order mark, CR LF after every line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/platform.h"

namespace moxlyn {

// Error texts of whole-file reads and writes; %s stands for the path.
extern const char* const kCannotOpenText;    // "ファイル %s は開けません"
extern const char* const kCannotCreateText;  // "ファイル %s を作成できません"
extern const char* const kShortWriteText;    // "ストリームへの書き込みエラー"

// format with path in place of its "%s".
std::string FileErrorText(const char* format, const std::string& path);

// Splits text into lines: CR LF, a lone CR and a lone LF each end a line; a
// line end at the very end adds no empty line; a zero byte ends the text.
std::vector<std::string> SplitLines(std::string_view text);

// Each line followed by CR LF; no lines give an empty text.
std::string JoinLines(const std::vector<std::string>& lines);

// Reads the whole file at path into content. Returns false, leaving content
// alone, when no file exists there; throws AppError(cannot open) when one
// exists but cannot be read.
bool ReadTextFile(Platform& platform, const std::string& path, std::string& content);

// Reads the lines of the text file at path into lines (replacing them).
// Returns false, leaving lines alone, when no file exists there; throws
// AppError(cannot open) when one exists but cannot be read.
bool ReadTextLines(Platform& platform, const std::string& path, std::vector<std::string>& lines);

// Replaces the file at path by text without ever leaving a damaged file: the
// text goes to a temporary file in the same folder, which then takes the
// target's place. On failure the target keeps its previous bytes, the
// temporary file is removed, and AppError(cannot create) or AppError(short
// write) is thrown.
void WriteTextFile(Platform& platform, const std::string& path, std::string_view text);

// The name of the temporary file that WriteTextFile writes beside path.
std::string TemporaryPathFor(const std::string& path);

}  // namespace moxlyn
