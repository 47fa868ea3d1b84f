// What the engine learns of each volume it meets, one record per volume.
// Volumes may report one serial number (disks cloned from one image, a share
// of the local disk such as \\localhost\c$), so a record is found by the
// serial, the file system's name and whether the volume is remote together:
// what one of them answers never stands for another.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace moxlyn {

// What tells a volume from the others, as its handles report it.
struct VolumeIdentity {
  enum class Serial : uint8_t {
    kNone,    // nothing tells it: the volume is one of its own each time
    kIdInfo,  // from FileIdInfo (64 bits), which the volume answers
    kShort,   // the older 32-bit serial, where FileIdInfo is refused
  };
  Serial from = Serial::kNone;
  uint64_t serial = 0;
  std::wstring fileSystem;  // "NTFS", "FAT32"...; empty where not told
  bool remote = false;      // a network share (FILE_REMOTE_DEVICE)

  bool operator==(const VolumeIdentity& other) const {
    return from == other.from && serial == other.serial && fileSystem == other.fileSystem &&
           remote == other.remote;
  }
};

// What one volume can do, each learnt from its first answer.
struct VolumeFacts {
  enum Answer : uint8_t { kUnasked, kYes, kNo };
  explicit VolumeFacts(VolumeIdentity of) : identity(std::move(of)) {}
  const VolumeIdentity identity;
  Answer extdListing = kUnasked;  // FileIdExtdDirectoryInfo
  Answer posix = kUnasked;        // FileDispositionInfoEx with POSIX semantics

  // FileIdInfo: 128-bit IDs and the serial.
  bool IdInfo() const { return identity.from == VolumeIdentity::Serial::kIdInfo; }
  // The 128-bit ID is the 64-bit one with a zero high half (NTFS), so that
  // one cheaper question answers for both.
  bool WideIsNarrow() const { return identity.fileSystem == L"NTFS"; }
  // Opens relative to a handle resolved by the server from its path (a
  // network share), a reopen too.
  bool Remote() const { return identity.remote; }
};

// The records of the volumes met.
class VolumeRecords {
 public:
  // The record of the volume identity tells, made when it is first met; a
  // new one each time for a volume whose serial is not told.
  VolumeFacts& Of(const VolumeIdentity& identity);

 private:
  std::vector<std::unique_ptr<VolumeFacts>> records_;
};

}  // namespace moxlyn
