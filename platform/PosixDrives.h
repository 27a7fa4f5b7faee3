#pragma once

#include "platform/Drives.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace texkit2::platform {

// One line of /proc/self/mountinfo, as far as the drive table needs it.
struct MountEntry {
  std::uint64_t mountId = 0;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::string mountPoint; // unescaped, without a trailing separator (except "/")
  std::string fileSystem; // "ext4", "fuse.sshfs", ...
  std::string source;     // "/dev/sdb1", "server:/export", ...
};

// Parses mountinfo text; malformed lines are skipped. Mount points are unescaped (\040 etc.).
std::vector<MountEntry> parseMountInfo(const std::string& text);

// The Linux drive table: each mounted file system a user can browse is a drive.
//  - left out: pseudo file systems (proc, sysfs, cgroup, devpts, tracefs, ...), mounts below
//    them, mounts hidden by a later mount on the same point, and mounts of single files;
//  - remote: network file systems (nfs, cifs/smb, sshfs and other FUSE network mounts, 9p);
//  - cdrom: iso9660 and udf, or any file system on an optical drive;
//  - ramdisk: tmpfs and ramfs, or a zram or brd block device;
//  - removable: a block device the kernel marks removable, or one on a USB bus;
//  - no-root: a mount point that no longer exists;
//  - fixed: the rest. "/" always comes first, then the others in byte order of their paths.
class PosixDrives final : public Drives {
 public:
  struct Sources {
    std::string mountInfo = "/proc/self/mountinfo";
    std::string sysRoot = "/sys"; // holds dev/block/MAJ:MIN and class/block/NAME
    std::string devRoot = "/dev"; // holds disk/by-uuid/
  };

  PosixDrives() = default;
  explicit PosixDrives(Sources sources) : m_sources(std::move(sources)) {}

  std::vector<DriveRoot> drives() override;
  std::optional<DriveRoot> driveHolding(const std::string& path) override;
  // From the file system's UUID as udev lists it in /dev/disk/by-uuid; without one, from
  // statfs (f_fsid, size, and for read-only disc formats the root's time stamp).
  std::optional<std::uint32_t> volumeSerial(const std::string& root) override;
  std::error_code listFolder(const std::string& folder,
                             std::vector<FolderEntry>& entries) override {
    return listHostFolder(folder, entries);
  }
  bool isFolder(const std::string& path) override { return isHostFolder(path); }
  bool listsConcurrently() const override { return true; }
  std::error_code listStampedFolder(const std::string& folder, std::vector<FolderEntry>& entries,
                                    std::optional<FolderStamp>& stamp) override {
    return listHostFolder(folder, entries, &stamp, LinkTargets::Skipped);
  }
  std::optional<FolderStamp> folderStamp(const std::string& folder) override {
    return hostFolderStamp(folder);
  }
  std::optional<FolderId> folderId(const std::string& folder) override {
    return hostFolderId(folder);
  }

 private:
  struct Classified {
    const MountEntry* mount;
    DriveType type;
  };
  std::vector<MountEntry> readMounts() const;
  // The drives among `mounts`, in walk order; pointers into `mounts`.
  std::vector<Classified> classify(const std::vector<MountEntry>& mounts) const;
  DriveType blockDeviceType(const MountEntry& mount) const;
  std::string blockDeviceName(const MountEntry& mount) const;

  Sources m_sources;
};

} // namespace texkit2::platform
