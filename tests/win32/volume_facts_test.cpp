// The records of what each volume can do: one per volume, found by more than
// the serial number that volumes may share.
#include "win32/volume_facts.h"

#include <gtest/gtest.h>

#include <iterator>
#include <utility>

namespace moxlyn {
namespace {

using Serial = VolumeIdentity::Serial;

TEST(VolumeRecords, AVolumeSharesItsRecordOnlyWithItself) {
  const VolumeIdentity local{Serial::kIdInfo, 0x1234, L"NTFS", false};
  // The volume met first, whose refusal of POSIX deletion reaches the local
  // disk's record only where it is that disk.
  const std::pair<VolumeIdentity, bool> firsts[] = {
      {local, true},
      {{Serial::kIdInfo, 0x1234, L"NTFS", true}, false},    // a share of it: \\localhost\c$
      {{Serial::kIdInfo, 0x1234, L"FAT32", false}, false},  // another file system
      {{Serial::kShort, 0x1234, L"NTFS", false}, false},    // the older serial's number
  };
  for (size_t row = 0; row < std::size(firsts); ++row) {
    VolumeRecords records;
    records.Of(firsts[row].first).posix = VolumeFacts::kNo;
    EXPECT_EQ(records.Of(local).posix == VolumeFacts::kNo, firsts[row].second) << row;
  }
  // A volume that tells no serial is one of its own each time it is met.
  VolumeRecords records;
  const VolumeIdentity untold{Serial::kNone, 0, L"NTFS", false};
  EXPECT_NE(&records.Of(untold), &records.Of(untold));
}

}  // namespace
}  // namespace moxlyn
