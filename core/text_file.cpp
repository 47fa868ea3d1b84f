#include "core/text_file.h"

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

std::vector<std::string> SplitLines(std::string_view text) {
  const auto zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);

  // One pass to size the result, so a large file costs one allocation per
  // line and none for growing the vector.
  size_t ends = 1;
  for (const char c : text) ends += (c == '\n' || c == '\r') ? 1 : 0;
  std::vector<std::string> lines;
  lines.reserve(ends);
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
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

bool ReadTextLines(Platform& platform, const std::string& path, std::vector<std::string>& lines) {
  std::string content;
  if (!ReadTextFile(platform, path, content)) return false;
  lines = SplitLines(content);
  return true;
}

std::string TemporaryPathFor(const std::string& path) { return path + ".moxlyn-new"; }

void WriteTextFile(Platform& platform, const std::string& path, std::string_view text) {
  const std::string temporary = TemporaryPathFor(path);
  // A folder of the target's name, or a read-only target, cannot be emptied
  // for writing; refuse before anything is written.
  const uint32_t targetAttributes = platform.GetAttributes(path);
  if (targetAttributes != kInvalidAttributes &&
      (targetAttributes & (kAttrDirectory | kAttrReadOnly)) != 0) {
    throw AppError(FileErrorText(kCannotCreateText, path));
  }
  switch (platform.WriteNewFile(temporary, text)) {
    case WriteStatus::kOk:
      break;
    case WriteStatus::kCannotCreate:
      platform.RemoveFile(temporary);
      throw AppError(FileErrorText(kCannotCreateText, path));
    case WriteStatus::kShortWrite:
      platform.RemoveFile(temporary);
      throw AppError(kShortWriteText);
  }
  if (!platform.ReplaceWithFile(path, temporary)) {
    platform.RemoveFile(temporary);
    throw AppError(FileErrorText(kCannotCreateText, path));
  }
}

}  // namespace moxlyn
