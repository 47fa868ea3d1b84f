// Writing on a real full disk (Windows builds under Wine): scripts/test.sh
// mounts a small tmpfs and names its Unix path in MOXLYN_FULL_DISK. Reading a
// (sparse) file larger than a 32-bit program's memory.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "core/app_error.h"
#include "core/delete_command.h"
#include "core/text_file.h"
#include "tests/support/win32_tools.h"

namespace moxlyn {
namespace {

class NoPrompts : public DeletePrompts {
 public:
  bool AskYesNo(const std::string&) override {
    ++calls;
    return true;
  }
  void ShowMessage(const std::string&) override { ++calls; }
  void Beep() override { ++calls; }
  void ListSettled() override { ++calls; }
  int calls = 0;
};

TEST(FullDisk, WritesAreRefusedCleanly) {
  const char* unixFolder = std::getenv("MOXLYN_FULL_DISK");
  if (unixFolder == nullptr || *unixFolder == '\0') {
    GTEST_SKIP() << "MOXLYN_FULL_DISK is not set: no small disk to fill (scripts/test.sh mounts "
                    "one when it runs as root)";
  }
  std::string folder = std::string("Z:") + unixFolder;
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  folder += "\\full-disk-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << "cannot use " << folder;

  testing::Win32PlatformWithModule platform;
  platform.SetModuleFileName(folder + "\\Moxlyn.exe");
  const std::string listFile = folder + "\\dellist.lst";
  WriteTextFile(platform, listFile, "C:\\old\\entry\r\n");
  ASSERT_TRUE(testing::FillDisk(folder));

  const std::string text(8 * 1024, 'n');
  try {
    WriteTextFile(platform, listFile, text);
    ADD_FAILURE() << "the write on a full disk succeeded";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Message(), "ストリームへの書き込みエラー");
  }
  std::string content;
  EXPECT_EQ(platform.ReadWholeFile(listFile, content), ReadStatus::kOk);
  EXPECT_EQ(content, "C:\\old\\entry\r\n");

  // The delete command's log: the error is reported after the list is
  // settled, the entry that is gone left off it.
  Settings settings;
  settings.GetDeleteLog = true;
  settings.LogType = LogTypeTimeAndName;
  DelList list{folder + "\\missing.txt"};
  NoPrompts prompts;
  LocaleFormats formats(platform);
  try {
    Button_delClick(platform, prompts, formats, list, settings);
    ADD_FAILURE() << "the log was written on a full disk";
  } catch (const AppError& error) {
    EXPECT_EQ(error.Message(), "ストリームへの書き込みエラー");
  }
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(prompts.calls, 1);

  // Only the list file and the filler are left; the disk is freed for others.
  std::vector<std::string> names;
  platform.Enumerate(folder + "\\*", [&](const FindEntry& entry) {
    if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
  });
  EXPECT_EQ(names.size(), 2u) << ::testing::PrintToString(names);
  for (const auto& name : names) DeleteFileA((folder + "\\" + name).c_str());
  RemoveDirectoryA(folder.c_str());
}

// A file of 2 GiB opens, but does not fit: out of memory, not "cannot open".
TEST(LargeFile, TwoGigabytesAreTooMuchForMemoryNotUnreadable) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string path =
      std::string(temp) + "moxlyn-large-" + std::to_string(GetCurrentProcessId()) + ".ini";
  bool sized = false;
  {
    const ScopedFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.Valid());
    LARGE_INTEGER end;
    end.QuadPart = LONGLONG{1} << 31;
    sized = SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get());
  }
  Win32Platform platform;
  std::string content;
  if (sized) {
    EXPECT_THROW(ReadTextFile(platform, path, content), std::bad_alloc);
  }
  DeleteFileA(path.c_str());
  EXPECT_TRUE(sized);
}

}  // namespace
}  // namespace moxlyn
