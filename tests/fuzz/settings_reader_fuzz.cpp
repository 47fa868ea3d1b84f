// Any settings file content: the image is stable across a write and a read,
// the written text is a fixed point, and a stored value is looked up again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/settings_store.h"
#include "core/text_file.h"
#include "tests/support/memory_platform.h"

using moxlyn::SettingsFile;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  const std::string path = "C:\\Moxlyn\\Moxlyn.ini";
  // One platform for the whole run: building one per input costs more than
  // the rest of the check.
  static moxlyn::testing::MemoryPlatform fs;
  static const bool made = (fs.AddFolder("C:\\Moxlyn"), true);
  (void)made;
  moxlyn::WriteTextFile(fs, path, content);

  SettingsFile first(fs, path);
  first.WriteBack();
  const std::string written = fs.Content(path);
  Check(written == first.Text());

  SettingsFile second(fs, path);
  Check(second.Sections() == first.Sections());
  Check(second.Text() == written);

  // The last section's name and the last byte of the file pick a key; what is
  // stored under it is found again, also as an integer.
  if (!first.Sections().empty()) {
    const std::string section = first.Sections().back().name;
    const std::string key =
        size > 0 ? std::string(1, static_cast<char>(data[size - 1] | 0x40)) : std::string("K");
    if (key.find('=') == std::string::npos) {
      int32_t expected = 0;
      const std::string old = second.LookupText(section, key, "");
      const int32_t fallback = 77;
      Check(second.LookupInteger(section, key, fallback) ==
            (moxlyn::ParseSettingsInteger(old, expected) ? expected : fallback));
      second.StoreText(section, key, content.substr(0, 16));
      Check(second.LookupText(section, key, "d") == content.substr(0, 16));
      second.StoreInteger(section, key, static_cast<int32_t>(size) - 1000);
      Check(second.LookupInteger(section, key, 0) == static_cast<int32_t>(size) - 1000);
    }
  }
  return 0;
}
