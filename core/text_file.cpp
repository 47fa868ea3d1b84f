#include "core/text_file.h"

#include <algorithm>
#include <new>

#include "core/app_error.h"

namespace moxlyn {

const char* const kCannotOpenText = "ファイル %s は開けません";
const char* const kCannotCreateText = "ファイル %s を作成できません";
const char* const kShortWriteText = "ストリームへの書き込みエラー";

std::string FileErrorText(const char* format, const std::string& path) {
  std::string text = format;
  const auto at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, path);
  return text;
}

namespace {

// Calls visit with each line of text by the rules of SplitLines.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      visit(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) visit(text.substr(start));
}

std::string_view BeforeZero(std::string_view text) {
  const auto zero = text.find('\0');
  return zero == std::string_view::npos ? text : text.substr(0, zero);
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
  text = BeforeZero(text);
  // One pass to size the result, so a large file costs one allocation per
  // line and none for growing the vector.
  size_t ends = 1;
  for (const char c : text) ends += (c == '\n' || c == '\r') ? 1 : 0;
  std::vector<std::string> lines;
  // More lines than a vector can hold do not fit in memory either.
  if (ends > lines.max_size()) throw std::bad_alloc();
  lines.reserve(ends);
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

bool ReadTextFile(Platform& platform, const std::string& path, std::string& content) {
  switch (platform.ReadWholeFile(path, content)) {
    case ReadStatus::kMissing:
      return false;
    case ReadStatus::kCannotOpen:
      throw AppError(FileErrorText(kCannotOpenText, path));
    case ReadStatus::kOk:
      break;
  }
  return true;
}

namespace {

// Splits text that arrives in pieces into lines by the rules of SplitLines.
class LineSplitter {
 public:
  explicit LineSplitter(std::vector<std::string>& lines) : lines_(lines) {}
  // False once a zero byte has ended the text.
  bool Feed(std::string_view piece) {
    size_t at = 0;
    while (!ended_ && at < piece.size()) {
      if (afterCr_ && piece[at] == '\n') ++at;  // the LF of a CR LF
      afterCr_ = false;
      size_t stop = at;
      while (stop < piece.size() && piece[stop] != '\r' && piece[stop] != '\n' &&
             piece[stop] != '\0') {
        ++stop;
      }
      partial_.append(piece.substr(at, stop - at));
      if (stop == piece.size()) break;
      if (piece[stop] == '\0') {
        ended_ = true;
        break;
      }
      lines_.push_back(std::move(partial_));
      partial_.clear();
      afterCr_ = piece[stop] == '\r';
      at = stop + 1;
    }
    return !ended_;
  }
  void Finish() {
    if (!partial_.empty()) lines_.push_back(std::move(partial_));
  }

 private:
  std::vector<std::string>& lines_;
  std::string partial_;
  bool afterCr_ = false;
  bool ended_ = false;
};

}  // namespace

bool ReadTextLines(Platform& platform, const std::string& path, std::vector<std::string>& lines) {
  const auto check = [&](ReadStatus status) {
    if (status == ReadStatus::kCannotOpen) throw AppError(FileErrorText(kCannotOpenText, path));
    return status == ReadStatus::kOk;
  };
  // A first read counts the lines, so that the list costs one allocation per
  // line and none for growing the vector.
  size_t ends = 1;
  if (!check(platform.ReadInPieces(path, [&](std::string_view piece) {
        const size_t end = std::min(piece.find('\0'), piece.size());
        for (const char c : piece.substr(0, end)) ends += (c == '\n' || c == '\r') ? 1 : 0;
        return end == piece.size();  // a zero byte ends the text
      }))) {
    return false;
  }
  std::vector<std::string> read;
  // More lines than a vector can hold do not fit in memory either.
  if (ends > read.max_size()) throw std::bad_alloc();
  read.reserve(ends);
  LineSplitter splitter(read);
  if (!check(platform.ReadInPieces(path,
                                   [&](std::string_view piece) { return splitter.Feed(piece); }))) {
    return false;
  }
  splitter.Finish();
  lines = std::move(read);
  return true;
}

namespace {

constexpr size_t kBlockSize = size_t{64} * 1024;
// Temporary names tried before giving up, each taken by some other entry.
constexpr int kTemporaryNames = 100;

// Writes the text that write produces into file, flushed to disk.
void WriteThrough(FileWriter& file, const std::function<void(TextWriter&)>& write) {
  TextWriter writer(file);
  write(writer);
  writer.Finish();
}

}  // namespace

TextWriter::TextWriter(FileWriter& file) : file_(file) { block_.reserve(kBlockSize); }

void TextWriter::Write(std::string_view bytes) {
  if (block_.size() + bytes.size() > kBlockSize) Drain();
  if (bytes.size() >= kBlockSize) {
    if (!file_.Append(bytes)) throw AppError(kShortWriteText);
  } else {
    block_ += bytes;
  }
}

void TextWriter::WriteLine(std::string_view line) {
  Write(line);
  Write("\r\n");
}

void TextWriter::WriteLinesOf(std::string_view text) {
  ForEachLine(BeforeZero(text), [this](std::string_view line) { WriteLine(line); });
}

void TextWriter::Finish() {
  Drain();
  if (!file_.Flush()) throw AppError(kShortWriteText);
}

void TextWriter::Drain() {
  if (block_.empty()) return;
  if (!file_.Append(block_)) throw AppError(kShortWriteText);
  block_.clear();
}

std::string TemporaryPathFor(const std::string& path, int attempt) {
  std::string temporary = path + ".moxlyn-new";
  if (attempt > 0) temporary += std::to_string(attempt);
  return temporary;
}

void WriteTextFile(Platform& platform, const std::string& path,
                   const std::function<void(TextWriter&)>& write) {
  // The file a link names is replaced, so that the link keeps leading to it;
  // the temporary file lives beside it, on its volume.
  const std::string target = platform.FinalPath(path);
  // A folder of the target's name, or a read-only target, cannot be emptied
  // for writing; refuse before anything is written.
  const uint32_t targetAttributes = platform.GetAttributes(target);
  if (targetAttributes != kInvalidAttributes &&
      (targetAttributes & (kAttrDirectory | kAttrReadOnly)) != 0) {
    throw AppError(FileErrorText(kCannotCreateText, path));
  }

  // A name nobody owns: created here, or another one tried.
  std::unique_ptr<FileWriter> file;
  std::string temporary;
  bool refused = false;
  for (int attempt = 0; attempt < kTemporaryNames && temporary.empty() && !refused; ++attempt) {
    const std::string candidate = TemporaryPathFor(target, attempt);
    switch (platform.OpenForWriting(candidate, OpenMode::kCreateNew, file)) {
      case OpenStatus::kOk:
        temporary = candidate;
        break;
      case OpenStatus::kExists:
        break;
      case OpenStatus::kCannotCreate:
        refused = true;
        break;
    }
  }
  if (refused) {
    // A folder that takes no new files may still let its files be written:
    // the plain rewrite in place.
    if (platform.OpenForWriting(target, OpenMode::kOverwrite, file) != OpenStatus::kOk) {
      throw AppError(FileErrorText(kCannotCreateText, path));
    }
    WriteThrough(*file, write);
    return;
  }
  if (temporary.empty()) throw AppError(FileErrorText(kCannotCreateText, path));

  try {
    WriteThrough(*file, write);
  } catch (...) {
    file.reset();
    platform.RemoveFile(temporary);
    throw;
  }
  file.reset();
  switch (platform.ReplaceWithFile(target, temporary)) {
    case ReplaceStatus::kOk:
      return;
    case ReplaceStatus::kFailed:
      platform.RemoveFile(temporary);
      break;
    case ReplaceStatus::kTargetGone:
      // The old bytes are gone and the temporary file holds the only copy of
      // the new ones: it takes the target's name, or stays as it is.
      if (platform.RenameFile(temporary, target)) return;
      break;
  }
  throw AppError(FileErrorText(kCannotCreateText, path));
}

void WriteTextFile(Platform& platform, const std::string& path, std::string_view text) {
  WriteTextFile(platform, path, [text](TextWriter& out) { out.Write(text); });
}

}  // namespace moxlyn
