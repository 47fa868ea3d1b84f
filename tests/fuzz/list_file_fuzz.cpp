// The list file reader: any bytes split into lines that survive a join, and
// entries free of CR, LF and zero bytes come back from a save and a load
// when they are text, and hold still after one when they are not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/del_list.h"
#include "core/text_file.h"
#include "core/utf8.h"
#include "tests/support/line_lists.h"
#include "tests/support/memory_platform.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // Any text: lines carry no line-end or zero bytes and are a fixed point.
  const auto lines = moxlyn::SplitLines(bytes);
  for (const auto& line : lines) {
    Check(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
  }
  Check(moxlyn::SplitLines(moxlyn::JoinLines(lines)) == lines);

  // Entries: the input cut at LF, CR and zero bytes dropped.
  std::vector<std::string> entries(1);
  for (const char c : bytes) {
    if (c == '\n') {
      entries.emplace_back();
    } else if (c != '\r' && c != '\0') {
      entries.back() += c;
    }
  }
  if (size == 0) entries.clear();
  Check(moxlyn::SplitLines(moxlyn::JoinLines(entries)) == entries);

  // One platform for the whole run: each save replaces the list file.
  static moxlyn::testing::MemoryPlatform fs;
  static const bool made = (fs.AddFolder("C:\\Moxlyn"), true);
  (void)made;
  moxlyn::SaveDelList(fs, moxlyn::testing::ListOf(entries));
  moxlyn::DelList loaded{"stale"};
  moxlyn::LoadDelList(fs, loaded);
  // Text comes back as it was (in either form of the file); an entry that is
  // no text comes back holding a control character, and as itself from then on.
  Check(loaded.size() == entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    Check(moxlyn::IsWtf8(entries[i]) ? loaded[i] == entries[i]
                                     : loaded[i].find('\x1A') != std::string::npos);
  }
  moxlyn::SaveDelList(fs, loaded);
  moxlyn::DelList again;
  moxlyn::LoadDelList(fs, again);
  Check(again == loaded);
  return 0;
}
