#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace texkit2::platform {

// The kinds of drive the tool tells apart. The values are the ones GetDriveTypeA returns, so
// code written for drive letters keeps its tables.
enum class DriveType : std::uint8_t {
  Unknown = 0,   // the platform cannot tell
  NoRootDir = 1, // the root path names no folder (a stale or hidden mount point)
  Removable = 2, // floppy, USB stick, memory card
  Fixed = 3,     // hard disk
  Remote = 4,    // network share
  CdRom = 5,     // optical disc
  RamDisk = 6,
};

// "removable", "fixed", "remote", "cdrom", "ramdisk", "unknown", "no-root".
const char* driveTypeName(DriveType type);

// One drive: a root folder and its type.
struct DriveRoot {
  // Always ends in the platform separator: C:\ on Windows, / or /media/me/STICK/ on Linux.
  std::string path;
  DriveType type = DriveType::Unknown;

  bool operator==(const DriveRoot&) const = default;
};

// Which folder a path leads to, however it is spelt: the volume serial number and file index on
// Windows, the device and inode on Linux.
struct FolderId {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;

  bool operator==(const FolderId&) const = default;
};

// One entry of a folder listing.
struct FolderEntry {
  std::string name;
  // For a symbolic link: whether its target is a folder (false for a dangling link).
  bool isDirectory = false;
  // A symbolic link, or on Windows any reparse point (junction, mount point, symbolic link...).
  bool isSymlink = false;
  // A folder on which another file system (or another drive) is mounted, so a walk of this
  // drive must stay out of it.
  bool isMountPoint = false;
  // For a folder: which one it is, when the listing could tell. Wine shows a Unix link to a
  // folder as a plain folder, and then only this tells a way round a loop from a new folder.
  std::optional<FolderId> id;

  bool operator==(const FolderEntry&) const = default;
};

// What a folder was when it was looked at: which folder, and when its entries last changed. A
// listing read earlier still holds while the folder's stamp is the same; a folder removed and
// made again, or one that gained or lost an entry, has another.
struct FolderStamp {
  // On Windows a folder's number needs a handle of its own, so its creation time stands in.
  std::uint64_t volume = 0; // the device (0 on Windows, where a walk stays on one drive)
  std::uint64_t file = 0;   // the inode; on Windows the creation time
  std::int64_t changed = 0; // last status change (ns); on Windows the last write time

  bool operator==(const FolderStamp&) const = default;
};

// The drives of the machine, their media, and folder listings.
class Drives {
 public:
  virtual ~Drives() = default;

  // Every present drive, in walk order: A first on Windows; on Linux / first, then the other
  // mounted file systems in path order. Read afresh on each call.
  virtual std::vector<DriveRoot> drives() = 0;

  // The drive that holds `path` (an absolute path), or nullopt when no drive does (a path on a
  // pseudo file system, or a malformed one). Classifies paths below a root by their drive.
  virtual std::optional<DriveRoot> driveHolding(const std::string& path) = 0;

  // The serial number of the medium mounted at `root`, which changes when the medium is
  // swapped; nullopt when none can be read (no medium, drive not ready, not a drive root).
  virtual std::optional<std::uint32_t> volumeSerial(const std::string& root) = 0;

  // Replaces `entries` with those of `folder` (with or without a trailing separator), in the
  // order the file system yields them, without "." and "..". A folder that cannot be listed
  // leaves `entries` empty and returns why; callers treat it as an empty folder.
  virtual std::error_code listFolder(const std::string& folder,
                                     std::vector<FolderEntry>& entries) = 0;

  // True when `path` names an existing folder (through symbolic links).
  virtual bool isFolder(const std::string& path) = 0;

  // Whether listFolder, listStampedFolder and folderStamp may run on several threads at once,
  // so that a walk may read folders ahead of itself.
  virtual bool listsConcurrently() const { return false; }

  // listFolder, and the stamp of the folder it read, taken before its entries were read:
  // nullopt when the listing failed or this table cannot tell. For the walk, which enters no
  // link: a link's isDirectory may be left false.
  virtual std::error_code listStampedFolder(const std::string& folder,
                                            std::vector<FolderEntry>& entries,
                                            std::optional<FolderStamp>& stamp) {
    stamp.reset();
    return listFolder(folder, entries);
  }

  // The stamp of the folder that listing `folder` would read now; nullopt when there is none
  // (gone, not a folder) or this table cannot tell.
  virtual std::optional<FolderStamp> folderStamp(const std::string& folder) {
    static_cast<void>(folder);
    return std::nullopt;
  }

  // Which folder `folder` names (through links, as listing it would); nullopt when there is none
  // or this table cannot tell.
  virtual std::optional<FolderId> folderId(const std::string& folder) {
    static_cast<void>(folder);
    return std::nullopt;
  }
};

// The drives of this machine.
Drives& hostDrives();

// The host's folder listing, which every Drives of this platform shares: on Linux it marks
// mount points by their mount id (falling back to the device number), so bind mounts count too.
// Paths longer than the platform's limit for one call are opened piecewise.
// Safe to call from several threads at once; `stamp`, when given, receives the stamp of the
// folder read. With LinkTargets::Skipped a link's target is not looked at (its isDirectory stays
// false), which spares a walk that enters no link one lookup for each link (Linux only; Windows
// sees a link's kind in the listing itself).
enum class LinkTargets { Looked, Skipped };
std::error_code listHostFolder(const std::string& folder, std::vector<FolderEntry>& entries,
                               std::optional<FolderStamp>* stamp = nullptr,
                               LinkTargets links = LinkTargets::Looked);
std::optional<FolderStamp> hostFolderStamp(const std::string& folder);
std::optional<FolderId> hostFolderId(const std::string& folder);
bool isHostFolder(const std::string& path);

} // namespace texkit2::platform
