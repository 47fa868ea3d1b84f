// Checks on the shipped Moxlyn.exe itself, read from the file as a user gets
// it: a 32-bit GUI program that needs nothing but the system's own DLLs,
// small enough to hand around, with its version, icon and manifest resources.
// MOXLYN_EXE names the executable (a Unix path is taken as Wine's Z: drive).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/win32_tools.h"
#include "ui/version.h"

namespace {

// The DLLs that every supported Windows has in its system folder. A new
// import, above all a compiler runtime DLL, means the program no longer runs
// from a bare folder.
const std::set<std::string> kSystemDlls = {"NTDLL.DLL",    "KERNEL32.DLL", "USER32.DLL",
                                           "GDI32.DLL",    "SHELL32.DLL",  "COMCTL32.DLL",
                                           "ADVAPI32.DLL", "MSVCRT.DLL"};
constexpr std::uintmax_t kMaxExecutableBytes = std::uintmax_t{1024} * 1024;

std::string ExePath() {
  return moxlyn::testing::WindowsPathOfUnix(moxlyn::testing::Env("MOXLYN_EXE"));
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A PE file read from disk: headers checked, addresses mapped to file offsets.
class PeFile {
 public:
  explicit PeFile(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {
    const auto& dos = At<IMAGE_DOS_HEADER>(0);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE) throw std::runtime_error("no MZ header");
    ntOffset_ = static_cast<std::size_t>(dos.e_lfanew);
    const auto& nt = Nt();
    if (nt.Signature != IMAGE_NT_SIGNATURE) throw std::runtime_error("no PE header");
    const std::size_t sections = ntOffset_ + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                                 nt.FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
      sections_.push_back(At<IMAGE_SECTION_HEADER>(sections + i * sizeof(IMAGE_SECTION_HEADER)));
    }
  }

  const IMAGE_NT_HEADERS32& Nt() const { return At<IMAGE_NT_HEADERS32>(ntOffset_); }

  // The names of the DLLs in the import table (delay-loaded ones too).
  std::vector<std::string> ImportedDlls() const {
    std::vector<std::string> names;
    const auto& imports = Nt().OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress != 0) {
      for (std::size_t at = Offset(imports.VirtualAddress);;
           at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto& entry = At<IMAGE_IMPORT_DESCRIPTOR>(at);
        if (entry.Name == 0) break;
        names.push_back(Text(entry.Name));
      }
    }
    const auto& delayed = Nt().OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    if (delayed.VirtualAddress != 0) {
      for (std::size_t at = Offset(delayed.VirtualAddress);;
           at += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
        const auto& entry = At<IMAGE_DELAYLOAD_DESCRIPTOR>(at);
        if (entry.DllNameRVA == 0) break;
        names.push_back(Text(entry.DllNameRVA));
      }
    }
    return names;
  }

 private:
  template <typename T>
  const T& At(std::size_t offset) const {
    if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) {
      throw std::runtime_error("PE structure beyond the end of the file");
    }
    return *reinterpret_cast<const T*>(bytes_.data() + offset);
  }

  std::size_t Offset(DWORD rva) const {
    for (const auto& section : sections_) {
      if (rva >= section.VirtualAddress &&
          rva - section.VirtualAddress <
              std::max(section.Misc.VirtualSize, section.SizeOfRawData)) {
        return section.PointerToRawData + (rva - section.VirtualAddress);
      }
    }
    throw std::runtime_error("address outside every section");
  }

  std::string Text(DWORD rva) const {
    const std::size_t start = Offset(rva);
    std::size_t end = start;
    while (end < bytes_.size() && bytes_[end] != 0) ++end;
    if (end == bytes_.size()) throw std::runtime_error("unterminated name");
    return std::string(reinterpret_cast<const char*>(bytes_.data()) + start, end - start);
  }

  std::vector<unsigned char> bytes_;
  std::size_t ntOffset_ = 0;
  std::vector<IMAGE_SECTION_HEADER> sections_;
};

TEST(Executable, IsA32BitGuiProgramThatImportsOnlySystemDlls) {
  const std::string exe = ExePath();
  ASSERT_FALSE(exe.empty()) << "MOXLYN_EXE is not set";
  const auto bytes = moxlyn::testing::ReadWhole(exe);
  ASSERT_TRUE(bytes.has_value()) << "cannot read " << exe;
  const PeFile pe(std::vector<unsigned char>(bytes->begin(), bytes->end()));
  EXPECT_EQ(pe.Nt().FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
  EXPECT_EQ(pe.Nt().OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
  EXPECT_EQ(pe.Nt().OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)
      << "a console would open";

  const std::vector<std::string> dlls = pe.ImportedDlls();
  EXPECT_TRUE(std::any_of(dlls.begin(), dlls.end(), [](const std::string& dll) {
    return Upper(dll) == "KERNEL32.DLL";
  })) << "the import table was not read";
  char systemDir[MAX_PATH];
  ASSERT_NE(GetSystemDirectoryA(systemDir, MAX_PATH), 0u);
  for (const std::string& dll : dlls) {
    EXPECT_TRUE(kSystemDlls.count(Upper(dll))) << dll << " is no system DLL";
    const std::string installed = std::string(systemDir) + "\\" + dll;
    EXPECT_NE(GetFileAttributesA(installed.c_str()), INVALID_FILE_ATTRIBUTES)
        << dll << " is not in " << systemDir;
  }
}

TEST(Executable, IsAtMostOneMebibyte) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExA(ExePath().c_str(), GetFileExInfoStandard, &data));
  const std::uintmax_t size = (std::uintmax_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  EXPECT_LE(size, kMaxExecutableBytes);
}

std::string VersionText(const std::vector<char>& block, const std::string& name) {
  struct Translation {
    WORD language;
    WORD codePage;
  }* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof(Translation)) {
    return "(no translation)";
  }
  char key[128];
  wsprintfA(key, "\\StringFileInfo\\%04x%04x\\%s", translation->language, translation->codePage,
            name.c_str());
  char* text = nullptr;
  if (!VerQueryValueA(block.data(), key, reinterpret_cast<void**>(&text), &length) || !text) {
    return "(no " + name + ")";
  }
  return text;
}

TEST(Executable, CarriesVersionZeroZeroOneOneNamedMoxlyn) {
  const std::string exe = ExePath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
  ASSERT_NE(size, 0u) << "no version resource";
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  // The project version in the top CMakeLists.txt, 0.0.1.1 today.
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(MOXLYN_VERSION_MINOR, MOXLYN_VERSION_MAJOR));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(MOXLYN_VERSION_TWEAK, MOXLYN_VERSION_PATCH));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  EXPECT_EQ(VersionText(block, "ProductName"), "Moxlyn");
  EXPECT_EQ(VersionText(block, "ProductVersion"), MOXLYN_VERSION);
  EXPECT_EQ(VersionText(block, "FileVersion"), MOXLYN_VERSION);
  EXPECT_EQ(VersionText(block, "OriginalFilename"), "Moxlyn.exe");
}

#pragma pack(push, 2)
struct IconGroupHeader {
  WORD reserved;
  WORD type;  // 1 = icon
  WORD count;
};
struct IconGroupEntry {
  BYTE width;
  BYTE height;
  BYTE colourCount;  // 0 for 256 colours and more
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytes;
  WORD id;  // the RT_ICON resource holding the image
};
#pragma pack(pop)

struct DataModule {
  explicit DataModule(const std::string& path)
      : handle(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~DataModule() {
    if (handle) FreeLibrary(handle);
  }
  DataModule(const DataModule&) = delete;
  DataModule& operator=(const DataModule&) = delete;
  HMODULE handle;
};

const void* ResourceBytes(HMODULE module, HRSRC resource) {
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  return loaded ? LockResource(loaded) : nullptr;
}

TEST(Executable, CarriesTheMainIconAsOne32By32ImageIn256ColoursAndAManifest) {
  const DataModule module(ExePath());
  ASSERT_NE(module.handle, nullptr) << "cannot load the executable as data";

  HRSRC group = FindResourceA(module.handle, "MAINICON", MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
  ASSERT_NE(group, nullptr) << "no MAINICON icon resource";
  ASSERT_GE(SizeofResource(module.handle, group), sizeof(IconGroupHeader) + sizeof(IconGroupEntry));
  const auto* header = static_cast<const IconGroupHeader*>(ResourceBytes(module.handle, group));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->type, 1);
  ASSERT_EQ(header->count, 1) << "the icon holds more than one image";
  const auto* entry = reinterpret_cast<const IconGroupEntry*>(header + 1);
  EXPECT_EQ(entry->width, 32);
  EXPECT_EQ(entry->height, 32);
  EXPECT_EQ(entry->bitCount, 8);

  HRSRC image = FindResourceA(module.handle, MAKEINTRESOURCEA(entry->id), MAKEINTRESOURCEA(3));
  ASSERT_NE(image, nullptr) << "the icon's image resource is missing";
  const DWORD imageSize = SizeofResource(module.handle, image);
  EXPECT_EQ(imageSize, entry->bytes);
  const auto* bits = static_cast<const BYTE*>(ResourceBytes(module.handle, image));
  ASSERT_NE(bits, nullptr);
  HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(bits), imageSize, TRUE, 0x00030000, 32,
                                        32, LR_DEFAULTCOLOR);
  EXPECT_NE(icon, nullptr) << "the icon's image does not load";
  if (icon) DestroyIcon(icon);

  // Without the manifest Windows may guess an installer and ask for elevation.
  EXPECT_NE(FindResourceA(module.handle, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)), nullptr)
      << "no application manifest";
}

}  // namespace
