// The text-file rules shared by the list file, the log files and the settings
// file: system code page, no byte-order mark, CR LF after every line.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform.h"

namespace moxlyn {

// Error texts of whole-file reads and writes; %s stands for the path.
extern const char* const kCannotOpenText;    // "ファイル %s は開けません"
extern const char* const kCannotCreateText;  // "ファイル %s を作成できません"
extern const char* const kShortWriteText;    // "ストリームへの書き込みエラー"

// Splits text into lines: CR LF, a lone CR and a lone LF each end a line; a
// line end at the very end adds no empty line; a zero byte ends the text.
std::vector<std::string> SplitLines(std::string_view text);

// Each line followed by CR LF; no lines give an empty text.
std::string JoinLines(const std::vector<std::string>& lines);

// Reads the whole file at path into content. Returns false, leaving content
// alone, when no file exists there; throws AppError(cannot open) when one
// exists but cannot be read.
bool ReadTextFile(Platform& platform, const std::string& path, std::string& content);

// Reads the lines of the text file at path into lines (replacing them), in
// pieces: the file's text is never held whole. Returns false, leaving lines
// alone, when no file exists there; throws AppError(cannot open) when one
// exists but cannot be read.
bool ReadTextLines(Platform& platform, const std::string& path, std::vector<std::string>& lines);

// Gathers the bytes of a text file into blocks and hands them to the file.
class TextWriter {
 public:
  explicit TextWriter(FileWriter& file);
  // Appends bytes. Throws AppError(short write) when the disk refuses them.
  void Write(std::string_view bytes);
  // Appends line and CR LF.
  void WriteLine(std::string_view line);
  // Appends the lines of text as SplitLines reads them, each with CR LF.
  void WriteLinesOf(std::string_view text);
  // Hands the rest to the file and flushes it to disk. Throws AppError(short
  // write).
  void Finish();

 private:
  void Drain();

  FileWriter& file_;
  std::string block_;
};

// Replaces the file at path by the text that write hands to its TextWriter,
// without ever leaving a damaged file. A link at path stays a link: the file
// it finally names receives the text, whatever its name. The text goes to a
// temporary file of a fresh name with a random part beside that file,
// created by this call alone and flushed, which then takes the file's place;
// only where the folder refuses new files (access denied) is the file
// rewritten in place (a full disk then leaves it cut short). Any other
// failure to create the temporary file (a full disk) fails the save. A file
// with hard links is replaced under its name alone: its other names keep the
// old bytes. On failure the file keeps its previous bytes (or, where the
// system removed it on the way, the temporary file keeps the new ones), no
// file this call did not create is removed, and AppError(cannot create) or
// AppError(short write) is thrown, or what write threw.
void WriteTextFile(Platform& platform, const std::string& path,
                   const std::function<void(TextWriter&)>& write);

// The same for a text given whole.
void WriteTextFile(Platform& platform, const std::string& path, std::string_view text);

// The temporary file that WriteTextFile tries beside path for a random number.
SavePath TemporaryPathFor(const SavePath& path, uint64_t random);

}  // namespace moxlyn
