// Reading a file larger than a 32-bit program's memory: a real (sparse) file
// under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <new>
#include <string>

#include "core/text_file.h"
#include "win32/win32_platform.h"

namespace moxlyn {
namespace {

// A file of 2 GiB opens, but does not fit: out of memory, not "cannot open".
TEST(LargeFile, TwoGigabytesAreTooMuchForMemoryNotUnreadable) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string path =
      std::string(temp) + "moxlyn-large-" + std::to_string(GetCurrentProcessId()) + ".ini";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER end;
  end.QuadPart = LONGLONG{1} << 31;
  const bool sized = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
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
