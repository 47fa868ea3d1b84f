#include "core/text_file.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "core/app_error.h"
#include "core/utf8.h"

namespace moxlyn {

const char* const kCannotOpenText = "ファイル %s は開けません";
const char* const kCannotCreateText = "ファイル %s を作成できません";
const char* const kShortWriteText = "ストリームへの書き込みエラー";

namespace {

// Texts converted to or from the code page in one call: a call costs far
// more than a character.
constexpr size_t kConvertBatch = size_t{64} * 1024;

bool IsBreak(char c) { return c == '\r' || c == '\n' || c == '\0'; }

#if defined(__i386__) || defined(__x86_64__)
// Sixteen bytes at a time where the processor has SSE2 (every x86 processor
// of this century); a 32-bit build may not assume it.
__attribute__((target("sse2"))) size_t NextBreakSse2(std::string_view text, size_t at) {
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i zero = _mm_setzero_si128();
  for (; at + 16 <= text.size(); at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    const __m128i breaks =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)),
                     _mm_cmpeq_epi8(bytes, zero));
    const auto found = static_cast<unsigned>(_mm_movemask_epi8(breaks));
    if (found != 0) return at + static_cast<size_t>(__builtin_ctz(found));
  }
  return at;
}
#endif

// Where the first CR, LF or zero byte of text at or after from stands;
// text.size() when there is none.
size_t NextBreak(std::string_view text, size_t from) {
  size_t at = from;
#if defined(__i386__) || defined(__x86_64__)
  if (__builtin_cpu_supports("sse2")) at = NextBreakSse2(text, at);
#endif
  while (at < text.size() && !IsBreak(text[at])) ++at;
  return at;
}

// Splits text that arrives in pieces into lines, handing each to emit as a
// view valid during the call: CR LF, a lone CR and a lone LF each end a line,
// a line end at the very end adds no empty line, a zero byte ends the text.
template <typename Emit>
class LineSplitter {
 public:
  explicit LineSplitter(Emit emit) : emit_(std::move(emit)) {}
  // False once a zero byte has ended the text.
  bool Feed(std::string_view piece) {
    size_t at = 0;
    while (!ended_ && at < piece.size()) {
      if (afterCr_ && piece[at] == '\n') ++at;  // the LF of a CR LF
      afterCr_ = false;
      const size_t stop = NextBreak(piece, at);
      const std::string_view line = piece.substr(at, stop - at);
      if (stop == piece.size() || piece[stop] == '\0') {
        partial_.append(line);
        ended_ = stop < piece.size();
        break;
      }
      // A line whole in this piece is handed on where it stands.
      if (partial_.empty()) {
        emit_(line);
      } else {
        partial_.append(line);
        emit_(std::string_view(partial_));
        partial_.clear();
      }
      afterCr_ = piece[stop] == '\r';
      at = stop + 1;
    }
    return !ended_;
  }
  void Finish() {
    if (!partial_.empty()) emit_(std::string_view(partial_));
  }

 private:
  Emit emit_;
  std::string partial_;
  bool afterCr_ = false;
  bool ended_ = false;
};

// Every line of text, handed to emit.
template <typename Emit>
void ForEachLine(std::string_view text, Emit emit) {
  LineSplitter<Emit> splitter(std::move(emit));
  splitter.Feed(text);
  splitter.Finish();
}

// Adds to ends the line ends of piece before any zero byte; false when a
// zero byte ended the text there.
bool CountLineEnds(std::string_view piece, size_t& ends) {
  for (size_t at = NextBreak(piece, 0); at < piece.size(); at = NextBreak(piece, at + 1)) {
    if (piece[at] == '\0') return false;
    // The LF of a CR LF ends no line (one that starts a piece is counted).
    if (piece[at] != '\n' || at == 0 || piece[at - 1] != '\r') ++ends;
  }
  return true;
}

// Room for ends lines in lines, so that the index never grows. More lines
// than it can hold do not fit in memory either.
template <typename Lines>
void Reserve(Lines& lines, size_t ends) {
  if (ends > lines.max_size()) throw std::bad_alloc();
  lines.reserve(ends);
}

// The longest character of a code page the system may have, in bytes.
constexpr size_t kLongestCodePageChar = 4;

// Appends line, that is no text of the code page as a whole, to text: each
// character that converts as itself, each byte that starts none as U+001A.
// A character is the fewest bytes that convert, so a lead byte takes its
// trail byte (a backslash among them) and a lone one stands alone.
void AppendUnreadableLine(Platform& platform, std::string_view line, std::string& text) {
  for (size_t at = 0; at < line.size();) {
    const size_t ascii = AsciiRun(line, at);
    text.append(line.substr(at, ascii));
    at += ascii;
    if (at == line.size()) break;
    size_t length = 1;
    while (length <= kLongestCodePageChar && at + length <= line.size() &&
           !platform.AppendFromCodePage(line.substr(at, length), text)) {
      ++length;
    }
    if (length > kLongestCodePageChar || at + length > line.size()) {
      text += '\x1A';
      length = 1;
    }
    at += length;
  }
}

// text with each byte that starts no whole WTF-8 sequence as U+001A.
std::string WithUnreadableBytes(std::string_view text) {
  std::string kept(text);
  for (size_t at = 0; at < kept.size();) {
    uint32_t code = 0;
    const size_t length = DecodeUtf8At(text, at, code);
    if (length == 0) kept[at] = '\x1A';
    at += length == 0 ? 1 : length;
  }
  return kept;
}

// Hands the text of a file that arrives in pieces on to next as the
// program's text (see ProgramText): a UTF-8 file's without its mark, checked,
// a UTF-16 file's and a code-page file's converted. The code page and UTF-8
// go a piece at a time up to the piece's last line end (no character of
// either holds a CR, an LF or a zero byte), in one conversion or check.
class TextPieces {
 public:
  TextPieces(Platform& platform, std::function<bool(std::string_view)> next)
      : platform_(platform), next_(std::move(next)) {}
  // False once next asks for no more.
  bool Feed(std::string_view piece) {
    if (known_) return Pass(piece);
    // The mark may come in more than one piece.
    const size_t take = std::min(piece.size(), kMarkBytes - start_.size());
    start_.append(piece.substr(0, take));
    if (start_.size() < kMarkBytes) return true;
    return Decide() && Pass(piece.substr(take));
  }
  // Hands on what is still held: the start of a file shorter than a mark,
  // the code page's last line, a lone surrogate at the end.
  void Finish() {
    if (!known_ && !Decide()) return;
    if (!held_.empty()) {
      const std::string last = std::move(held_);
      held_.clear();
      if (!PassLines(last)) return;
    }
    if (high_ != 0) {
      const char16_t lone[] = {high_};
      high_ = 0;
      next_(Wtf8FromUtf16(std::u16string_view(lone, 1)));
    }
  }
  TextForm Form() const { return form_; }

 private:
  static constexpr size_t kMarkBytes = 3;

  bool Decide() {
    known_ = true;
    size_t mark = 0;
    form_ = FormOfText(start_, mark);
    const std::string rest = start_.substr(mark);
    start_.clear();
    return Pass(rest);
  }
  bool Pass(std::string_view piece) {
    if (piece.empty()) return true;
    if (form_ != TextForm::kUtf16) {
      const size_t cut = piece.find_last_of(std::string_view("\r\n\0", 3));
      if (cut == std::string_view::npos) {
        held_.append(piece);
        return true;
      }
      // What was held goes on with the piece's first line; the other whole
      // lines go where they stand.
      size_t from = 0;
      if (!held_.empty()) {
        from = piece.find_first_of(std::string_view("\r\n\0", 3)) + 1;
        held_.append(piece.substr(0, from));
        const bool more = PassLines(held_);
        held_.clear();
        if (!more) return false;
      }
      const bool more = from > cut || PassLines(piece.substr(from, cut + 1 - from));
      held_.assign(piece.substr(cut + 1));
      return more;
    }
    units_.clear();
    if (high_ != 0) units_ += high_;
    high_ = 0;
    size_t at = 0;
    if (oddByte_) {
      units_ += static_cast<char16_t>(*oddByte_ | (static_cast<unsigned char>(piece[0]) << 8));
      oddByte_.reset();
      at = 1;
    }
    for (; at + 2 <= piece.size(); at += 2) {
      units_ += static_cast<char16_t>(static_cast<unsigned char>(piece[at]) |
                                      (static_cast<unsigned char>(piece[at + 1]) << 8));
    }
    if (at < piece.size()) oddByte_ = static_cast<unsigned char>(piece[at]);
    // A high surrogate waits for its partner in the next piece.
    if (!units_.empty() && units_.back() >= 0xD800 && units_.back() < 0xDC00) {
      high_ = units_.back();
      units_.pop_back();
    }
    return units_.empty() || next_(Wtf8FromUtf16(units_));
  }
  // Whole lines of the code page or of UTF-8 (the last one may lack its end).
  bool PassLines(std::string_view bytes) {
    if (form_ == TextForm::kUtf8) {
      return IsWtf8(bytes) ? next_(bytes) : next_(WithUnreadableBytes(bytes));
    }
    if (IsAscii(bytes)) return next_(bytes);
    // One buffer for the whole file: a fresh one for each piece costs more
    // than the conversion.
    text_.clear();
    if (platform_.AppendFromCodePage(bytes, text_)) return next_(text_);
    // Line by line: a line that is no text of the code page stands apart.
    for (size_t at = 0; at < bytes.size();) {
      const size_t end = NextBreak(bytes, at);
      const std::string_view line = bytes.substr(at, end - at);
      if (!platform_.AppendFromCodePage(line, text_)) AppendUnreadableLine(platform_, line, text_);
      if (end < bytes.size()) text_ += bytes[end];
      at = end + 1;
    }
    return next_(text_);
  }

  Platform& platform_;
  std::function<bool(std::string_view)> next_;
  std::string start_;
  bool known_ = false;
  TextForm form_ = TextForm::kCodePage;
  std::string held_;  // the bytes after the last line end so far
  std::string text_;  // the text of the code page's lines last passed on
  std::u16string units_;
  char16_t high_ = 0;
  std::optional<unsigned char> oddByte_;
};

}  // namespace

TextForm FormOfText(std::string_view text, size_t& markLength) {
  if (text.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    markLength = kUtf8Mark.size();
    return TextForm::kUtf8;
  }
  if (text.substr(0, kUtf16Mark.size()) == kUtf16Mark) {
    markLength = kUtf16Mark.size();
    return TextForm::kUtf16;
  }
  markLength = 0;
  return TextForm::kCodePage;
}

bool FitsCodePage(Platform& platform, std::string_view text) {
  return IsAscii(text) || platform.ToCodePage(text).has_value();
}

bool StaysCodePage(Platform& platform, std::string_view firstLine) {
  size_t mark = 0;
  const std::optional<std::string> bytes = platform.ToCodePage(firstLine);
  return !bytes || FormOfText(*bytes, mark) == TextForm::kCodePage;
}

bool AllFitCodePage(Platform& platform, const LineList& texts) {
  // A batch at a time: one conversion asks for many entries.
  std::string batch;
  const auto fits = [&] {
    const bool fit = FitsCodePage(platform, batch);
    batch.clear();
    return fit;
  };
  for (const auto& text : texts) {
    if (IsAscii(text)) continue;
    batch += text;
    batch += '\n';
    if (batch.size() >= kConvertBatch && !fits()) return false;
  }
  return fits();
}

std::string ProgramText(Platform& platform, std::string_view bytes) {
  std::string text;
  TextPieces pieces(platform, [&text](std::string_view piece) {
    text.append(piece);
    return true;
  });
  pieces.Feed(bytes);
  pieces.Finish();
  return text;
}

std::vector<std::string> SplitLines(std::string_view text) {
  size_t ends = 1;
  CountLineEnds(text, ends);
  std::vector<std::string> lines;
  Reserve(lines, ends);
  ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

namespace {

// Whether a read of path found its file: false when none is there; throws
// AppError(cannot open) when one is there but cannot be read.
bool Found(ReadStatus status, const std::string& path) {
  if (status == ReadStatus::kCannotOpen) throw AppError(kCannotOpenText, path);
  return status == ReadStatus::kOk;
}

}  // namespace

bool ReadTextFile(Platform& platform, const std::string& path, std::string& content) {
  return Found(platform.ReadWholeFile(path, content), path);
}

namespace {

// Room for the lines of a file of size bytes whose first read bytes held
// ends line ends: as many as there are if its lines run as long, and an
// eighth more. The file's bytes are the measure, not the text's: a line of
// the code page grows on its way to UTF-8, one of UTF-16 shrinks.
size_t GuessLines(size_t ends, uint64_t read, uint64_t size) {
  const uint64_t lines = ends * size / std::max<uint64_t>(read, 1);
  return static_cast<size_t>(std::min<uint64_t>(lines + lines / 8 + 16, SIZE_MAX));
}

// Reads the lines of the file at path into read in one pass, read sized once
// by GuessLines from the file's size and its first piece. False, with read
// emptied, when the guess proves short or the memory runs out: read is then
// sized by counting.
bool ReadGuessingLines(Platform& platform, const std::string& path, uint64_t size, LineList& read,
                       bool& found) {
  bool guessed = false;
  bool full = false;
  LineSplitter splitter([&](std::string_view line) {
    full = full || (guessed && read.size() == read.capacity());
    if (!full) read.push_back(line);
  });
  try {
    size_t ends = 1;
    TextPieces pieces(platform, [&](std::string_view text) {
      if (!guessed) CountLineEnds(text, ends);
      // Kept whole: its lines are then the list's without a copy each.
      return splitter.Feed(read.Store(text)) && !full;
    });
    found =
        Found(platform.ReadInPieces(
                  path,
                  [&](std::string_view piece) {
                    const bool more = pieces.Feed(piece);
                    if (!guessed) {
                      Reserve(read, std::max(read.size(), GuessLines(ends, piece.size(), size)));
                    }
                    guessed = true;
                    return more;
                  }),
              path);
    pieces.Finish();
    splitter.Finish();
  } catch (const std::bad_alloc&) {
    full = true;
  }
  if (full) read.clear();
  // A guess far too large (the text cut short by a zero byte) gives its room back.
  if (read.capacity() / 2 > read.size()) read.shrink_to_fit();
  return !full;
}

}  // namespace

bool ReadTextLines(Platform& platform, const std::string& path, LineList& lines) {
  LineList read;
  bool found = false;
  const std::optional<uint64_t> size = platform.FileSize(path);
  if (!size || !ReadGuessingLines(platform, path, *size, read, found)) {
    // A first read counts the lines, so that the list is sized once.
    size_t ends = 1;
    TextPieces counted(platform,
                       [&](std::string_view piece) { return CountLineEnds(piece, ends); });
    found = Found(
        platform.ReadInPieces(path, [&](std::string_view piece) { return counted.Feed(piece); }),
        path);
    if (!found) return false;
    counted.Finish();
    Reserve(read, ends);
    LineSplitter splitter([&](std::string_view line) { read.push_back(line); });
    TextPieces pieces(platform,
                      [&](std::string_view piece) { return splitter.Feed(read.Store(piece)); });
    found = Found(
        platform.ReadInPieces(path, [&](std::string_view piece) { return pieces.Feed(piece); }),
        path);
    pieces.Finish();
    splitter.Finish();
  }
  if (!found) return false;
  lines = std::move(read);
  return true;
}

namespace {

constexpr size_t kBlockSize = size_t{1024} * 1024;
// Temporary names tried before giving up, each taken by some other entry.
constexpr int kTemporaryNames = 16;

// Writes the text that write produces into file, flushed to disk.
void WriteThrough(FileWriter& file, const std::function<void(TextWriter&)>& write) {
  TextWriter writer(file);
  write(writer);
  writer.Finish();
}

}  // namespace

TextWriter::TextWriter(FileWriter& file) : file_(file) { block_.reserve(kBlockSize); }

void TextWriter::ToCodePage(Platform& platform) {
  Drain();
  codePage_ = &platform;
}

void TextWriter::Write(std::string_view bytes) {
  if (block_.size() + bytes.size() > kBlockSize) Drain();
  if (bytes.size() >= kBlockSize) {
    Hand(bytes);
  } else {
    block_ += bytes;
  }
}

void TextWriter::WriteLine(std::string_view line) {
  Write(line);
  Write("\r\n");
}

void TextWriter::WriteLinesOf(std::string_view text) {
  ForEachLine(text, [this](std::string_view line) { WriteLine(line); });
}

void TextWriter::Finish() {
  Drain();
  if (!file_.Flush()) throw AppError(kShortWriteText);
}

void TextWriter::Drain() {
  if (block_.empty()) return;
  Hand(block_);
  block_.clear();
}

void TextWriter::Hand(std::string_view text) {
  if (codePage_ != nullptr && !IsAscii(text)) {
    // The caller made sure that every text fits; a block holds whole ones.
    // One buffer for the whole file: a fresh one for each block costs more
    // than the conversion.
    bytes_.clear();
    if (!codePage_->AppendToCodePage(text, bytes_)) throw NotInCodePage();
    text = bytes_;
  }
  if (!file_.Append(text)) throw AppError(kShortWriteText);
}

SavePath TemporaryPathFor(const SavePath& path, uint64_t random) {
  static const char kHex[] = "0123456789abcdef";
  std::string temporary = path.text + ".moxlyn-";
  for (int shift = 60; shift >= 0; shift -= 4) temporary += kHex[(random >> shift) & 0xF];
  return {temporary};
}

void WriteTextFile(Platform& platform, const std::string& path,
                   const std::function<void(TextWriter&)>& write) {
  // The file a link names is replaced, so that the link keeps leading to it;
  // the temporary file lives beside it, on its volume.
  const SavePath target = platform.FinalPath(path);

  // A name nobody owns: created here, or another one tried.
  std::unique_ptr<FileWriter> file;
  SavePath temporary;
  OpenStatus opened = OpenStatus::kExists;
  for (int attempt = 0; attempt < kTemporaryNames && opened == OpenStatus::kExists; ++attempt) {
    temporary = TemporaryPathFor(target, platform.RandomNumber());
    opened = platform.OpenForWriting(temporary, OpenMode::kCreateNew, file);
  }
  if (opened == OpenStatus::kDenied) {
    // A folder that takes no new files may still let its files be written:
    // the plain rewrite in place. Nothing else (a full disk above all) is a
    // reason to give up the old bytes.
    if (platform.OpenForWriting(target, OpenMode::kOverwrite, file) != OpenStatus::kOk) {
      throw AppError(kCannotCreateText, path);
    }
    WriteThrough(*file, write);
    return;
  }
  if (opened != OpenStatus::kOk) throw AppError(kCannotCreateText, path);

  try {
    WriteThrough(*file, write);
  } catch (...) {
    file.reset();
    platform.RemoveSavedFile(temporary);
    throw;
  }
  file.reset();
  switch (platform.ReplaceWithFile(target, temporary)) {
    case ReplaceStatus::kOk:
      return;
    case ReplaceStatus::kFailed:
      platform.RemoveSavedFile(temporary);
      break;
    case ReplaceStatus::kTargetGone:
      // The old bytes are gone and the temporary file holds the only copy of
      // the new ones: it takes the target's name, or stays as it is.
      if (platform.RenameFile(temporary, target)) return;
      break;
  }
  throw AppError(kCannotCreateText, path);
}

void WriteTextFile(Platform& platform, const std::string& path, std::string_view text) {
  WriteTextFile(platform, path, [text](TextWriter& out) { out.Write(text); });
}

}  // namespace moxlyn
