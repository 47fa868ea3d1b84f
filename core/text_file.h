// The text-file rules shared by the list file, the log files and the settings
// file: CR LF after every line; the system code page without a byte-order
// mark, or, for the list and the log when a line does not fit the code page,
// UTF-8 with its mark. A file that begins with the UTF-8 or the UTF-16 LE
// mark is read in that form; any other file is the code page, never guessed.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_list.h"
#include "core/platform.h"

namespace moxlyn {

// Error texts of whole-file reads and writes; %s stands for the path.
extern const char* const kCannotOpenText;    // "ファイル %s は開けません"
extern const char* const kCannotCreateText;  // "ファイル %s を作成できません"
extern const char* const kShortWriteText;    // "ストリームへの書き込みエラー"

// The forms a text file of the program takes.
enum class TextForm {
  kCodePage,  // the system code page, no mark
  kUtf8,      // UTF-8 after its mark (WTF-8 for a lone surrogate)
  kUtf16,     // UTF-16 LE after its mark (read only)
};

// The marks at the start of a file in Unicode.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
inline constexpr std::string_view kUtf16Mark = "\xFF\xFE";

// The form of a file that starts with text, and the length of its mark.
TextForm FormOfText(std::string_view text, size_t& markLength);

// True when text converts to the code page and back unchanged.
bool FitsCodePage(Platform& platform, std::string_view text);
// False when firstLine, the first line of a file in the code page, would
// make the file read as another form (its bytes begin with a mark: "ï»¿" in
// code page 1252).
bool StaysCodePage(Platform& platform, std::string_view firstLine);
// Whether every one of texts fits the code page, asked a batch at a time.
bool AllFitCodePage(Platform& platform, const LineList& texts);

// The whole bytes of a file of any form, its mark left out, as the program's
// text (UTF-8). A byte that is no text of the file's form (a lone lead byte,
// a surrogate pair spelt as two halves in UTF-8) reads as U+001A, and every
// character around it as itself. A control character is in no name: such an
// entry names nothing, and nothing else can stand for it.
std::string ProgramText(Platform& platform, std::string_view bytes);

// Splits text into lines: CR LF, a lone CR and a lone LF each end a line; a
// line end at the very end adds no empty line; a zero byte ends the text.
std::vector<std::string> SplitLines(std::string_view text);

// Each line followed by CR LF; no lines give an empty text.
std::string JoinLines(const std::vector<std::string>& lines);

// Reads the whole file at path into content. Returns false, leaving content
// alone, when no file exists there; throws AppError(cannot open) when one
// exists but cannot be read.
bool ReadTextFile(Platform& platform, const std::string& path, std::string& content);

// Reads the lines of the text file at path, in any form, into lines as the
// program's text as ProgramText reads it (replacing them), a piece at a
// time: each piece's text goes into the list's own blocks, and no other copy
// of the file is held. Returns false, leaving lines alone, when no file
// exists there; throws AppError(cannot open) when one exists but cannot be
// read.
bool ReadTextLines(Platform& platform, const std::string& path, LineList& lines);

// Thrown by a TextWriter writing the code page for a text that does not fit it.
struct NotInCodePage {};

// Gathers the bytes of a text file into blocks and hands them to the file.
class TextWriter {
 public:
  explicit TextWriter(FileWriter& file);
  // From now on the text (UTF-8) is written as bytes of the code page, each
  // block in one conversion: every piece written must be whole characters.
  // A block that does not fit the code page throws NotInCodePage. Throws
  // AppError(short write).
  void ToCodePage(Platform& platform);
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
  void Hand(std::string_view text);

  FileWriter& file_;
  std::string block_;
  std::string bytes_;  // a block in the code page, its room kept for the next
  Platform* codePage_ = nullptr;
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
