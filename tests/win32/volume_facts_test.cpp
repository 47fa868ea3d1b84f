// The records of what each volume can do: one per volume, found by more than
// the serial number that volumes may share.
#include "win32/volume_facts.h"

#include <gtest/gtest.h>

namespace moxlyn {
namespace {

using Serial = VolumeIdentity::Serial;

TEST(VolumeRecords, AVolumeSharesItsRecordOnlyWithItself) {
  const VolumeIdentity local{Serial::kIdInfo, 0x1234, L"NTFS", false};
  struct Case {
    const char* name;
    VolumeIdentity other;
    bool shared;
  } const cases[] = {
      {"the same volume met again", local, true},
      {"a share of the local disk (\\\\localhost\\c$)",
       {Serial::kIdInfo, 0x1234, L"NTFS", true},
       false},
      {"a disk of another file system with the same serial",
       {Serial::kIdInfo, 0x1234, L"FAT32", false},
       false},
      {"the older serial of the same number", {Serial::kShort, 0x1234, L"NTFS", false}, false},
  };
  for (const Case& c : cases) {
    VolumeRecords records;
    VolumeFacts& first = records.Of(c.other);
    // The share refuses POSIX deletion: the local disk has still to be asked.
    first.posix = VolumeFacts::kNo;
    VolumeFacts& second = records.Of(local);
    EXPECT_EQ(&first == &second, c.shared) << c.name;
    EXPECT_EQ(second.posix, c.shared ? VolumeFacts::kNo : VolumeFacts::kUnasked) << c.name;
  }
  // A volume that tells no serial is one of its own each time it is met.
  VolumeRecords records;
  const VolumeIdentity untold{Serial::kNone, 0, L"NTFS", false};
  EXPECT_NE(&records.Of(untold), &records.Of(untold));
}

}  // namespace
}  // namespace moxlyn
