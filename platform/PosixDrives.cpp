// The Linux drive table, read from the mount table, with sysfs telling removable media apart.
#include "platform/PosixDrives.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/statfs.h>

namespace texkit2::platform {
namespace {

namespace fs = std::filesystem;

// Kernel interfaces and views of other file systems: nothing a user browses as a drive.
const std::set<std::string, std::less<>> kPseudoFileSystems = {
    "autofs",      "binder",  "binfmt_misc", "bpf",        "cgroup",     "cgroup2",
    "configfs",    "debugfs", "devpts",      "devtmpfs",   "efivarfs",   "fuse.lxcfs",
    "fuse.portal", "fusectl", "hugetlbfs",   "mqueue",     "nfsd",       "nsfs",
    "proc",        "pstore",  "rootfs",      "rpc_pipefs", "securityfs", "selinuxfs",
    "smackfs",     "sysfs",   "tracefs",     "usbfs",      "xenfs"};

const std::set<std::string, std::less<>> kNetworkFileSystems = {
    "9p",        "afs",  "beegfs", "ceph",   "cifs",     "coda",  "davfs",
    "glusterfs", "gpfs", "lustre", "ncp",    "ncpfs",    "nfs",   "nfs4",
    "orangefs",  "smb3", "smbfs",  "vboxsf", "virtiofs", "vmhgfs"};

// FUSE file systems whose data lives on another machine.
const std::set<std::string, std::less<>> kNetworkFuse = {
    "sshfs",     "rclone",  "s3fs",      "gvfsd-fuse",
    "curlftpfs", "davfs2",  "glusterfs", "ceph-fuse",
    "smbnetfs",  "httpfs",  "httpdirfs", "gcsfuse",
    "goofys",    "juicefs", "onedriver", "google-drive-ocamlfuse",
    "mfs",       "lizardfs"};

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// "a" holds "a/b" and "a" itself; "/" holds everything.
bool pathWithin(std::string_view path, std::string_view folder) {
  if (folder == "/") {
    return true;
  }
  return startsWith(path, folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

std::string unescape(const std::string& field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
        field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
      out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                               (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

std::string readSmallFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return {};
  }
  std::string text;
  char buffer[256];
  in.read(buffer, sizeof buffer);
  text.assign(buffer, static_cast<std::size_t>(in.gcount()));
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

bool isNetworkSource(const std::string& source) {
  // sshfs and rclone say host:path or remote:path, SMB clients //host/share.
  if (startsWith(source, "//")) {
    return true;
  }
  const auto colon = source.find(':');
  return colon != std::string::npos && colon > 0 && !startsWith(source, "/");
}

bool isWindowsDriveSource(const std::string& source) {
  // WSL mounts the Windows drives over 9p with the drive as source ("C:\" or "drvfs").
  return source == "drvfs" || (source.size() >= 2 && source[1] == ':' &&
                               std::isalpha(static_cast<unsigned char>(source[0])));
}

std::uint32_t fnv1a(const void* data, std::size_t size, std::uint32_t hash = 2166136261u) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) {
    hash = (hash ^ bytes[i]) * 16777619u;
  }
  return hash;
}

// A FAT volume's UUID is its serial number, "ABCD-1234"; keep that value, hash anything else.
std::uint32_t serialFromUuid(const std::string& uuid) {
  if (uuid.size() == 9 && uuid[4] == '-') {
    std::uint32_t value = 0;
    bool hex = true;
    for (std::size_t i = 0; i < uuid.size() && hex; ++i) {
      if (i == 4) {
        continue;
      }
      const char c = uuid[i];
      const int digit = (c >= '0' && c <= '9')   ? c - '0'
                        : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                        : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                 : -1;
      hex = digit >= 0;
      value = (value << 4) | static_cast<std::uint32_t>(digit < 0 ? 0 : digit);
    }
    if (hex) {
      return value;
    }
  }
  return fnv1a(uuid.data(), uuid.size());
}

std::string normalizedRoot(const std::string& root) {
  if (root.empty() || root.front() != '/') {
    return {};
  }
  std::string path = fs::path(root).lexically_normal().string();
  while (path.size() > 1 && path.back() == '/') {
    path.pop_back();
  }
  return path;
}

std::string asRoot(const std::string& mountPoint) {
  return mountPoint == "/" ? mountPoint : mountPoint + "/";
}

} // namespace

std::vector<MountEntry> parseMountInfo(const std::string& text) {
  std::vector<MountEntry> mounts;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::vector<std::string> fields{std::istream_iterator<std::string>(words),
                                    std::istream_iterator<std::string>()};
    // id parent major:minor root mount-point options [optional...] - type source super-options
    const auto dash = std::find(fields.begin(), fields.end(), "-");
    if (fields.size() < 6 || dash == fields.end() || dash - fields.begin() < 6 ||
        fields.end() - dash < 3) {
      continue;
    }
    MountEntry mount;
    const std::string& device = fields[2];
    const auto colon = device.find(':');
    try {
      mount.mountId = std::stoull(fields[0]);
      if (colon == std::string::npos) {
        continue;
      }
      mount.major = static_cast<std::uint32_t>(std::stoul(device.substr(0, colon)));
      mount.minor = static_cast<std::uint32_t>(std::stoul(device.substr(colon + 1)));
    } catch (const std::exception&) {
      continue;
    }
    mount.mountPoint = unescape(fields[4]);
    if (mount.mountPoint.empty() || mount.mountPoint.front() != '/') {
      continue;
    }
    while (mount.mountPoint.size() > 1 && mount.mountPoint.back() == '/') {
      mount.mountPoint.pop_back();
    }
    mount.fileSystem = unescape(*(dash + 1));
    mount.source = unescape(*(dash + 2));
    mounts.push_back(std::move(mount));
  }
  return mounts;
}

std::vector<MountEntry> PosixDrives::readMounts() const {
  std::ifstream in(m_sources.mountInfo, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return parseMountInfo(text);
}

namespace {

// The mounts a path lookup can reach: a later mount on the same point, or on a folder above
// it, hides an earlier one.
std::vector<const MountEntry*> visibleMounts(const std::vector<MountEntry>& mounts) {
  std::vector<const MountEntry*> visible;
  for (std::size_t i = 0; i < mounts.size(); ++i) {
    bool hidden = false;
    for (std::size_t j = i + 1; j < mounts.size() && !hidden; ++j) {
      const std::string& later = mounts[j].mountPoint;
      hidden = later == mounts[i].mountPoint ||
               (later != "/" && pathWithin(mounts[i].mountPoint, later));
    }
    if (!hidden) {
      visible.push_back(&mounts[i]);
    }
  }
  return visible;
}

bool isPseudo(const MountEntry& mount) {
  return kPseudoFileSystems.contains(mount.fileSystem);
}

// Below a pseudo file system (cgroup's tmpfs under /sys, binfmt_misc under /proc) nothing
// belongs to the user either.
bool belowPseudo(const MountEntry& mount, const std::vector<const MountEntry*>& visible) {
  return std::any_of(visible.begin(), visible.end(), [&](const MountEntry* other) {
    return other != &mount && isPseudo(*other) && other->mountPoint != "/" &&
           pathWithin(mount.mountPoint, other->mountPoint);
  });
}

bool isRemote(const MountEntry& mount) {
  const std::string& type = mount.fileSystem;
  if (type == "9p" && isWindowsDriveSource(mount.source)) {
    return false;
  }
  if (kNetworkFileSystems.contains(type)) {
    return true;
  }
  if (startsWith(type, "fuse.")) {
    return kNetworkFuse.contains(std::string_view(type).substr(5)) || isNetworkSource(mount.source);
  }
  return false;
}

} // namespace

std::string PosixDrives::blockDeviceName(const MountEntry& mount) const {
  std::error_code ec;
  if (mount.major != 0) {
    const fs::path link = fs::path(m_sources.sysRoot) / "dev" / "block" /
                          (std::to_string(mount.major) + ":" + std::to_string(mount.minor));
    const fs::path resolved = fs::canonical(link, ec);
    if (!ec) {
      return resolved.string();
    }
  }
  // Btrfs and some others show an anonymous device number; go by the source's name instead.
  if (startsWith(mount.source, "/dev/")) {
    fs::path device = fs::canonical(mount.source, ec);
    if (ec) {
      device = mount.source;
    }
    const fs::path classLink = fs::path(m_sources.sysRoot) / "class" / "block" / device.filename();
    const fs::path resolved = fs::canonical(classLink, ec);
    if (!ec) {
      return resolved.string();
    }
  }
  return {};
}

DriveType PosixDrives::blockDeviceType(const MountEntry& mount) const {
  fs::path device = blockDeviceName(mount);
  if (device.empty()) {
    return DriveType::Fixed;
  }
  std::error_code ec;
  // Device-mapper and RAID volumes take the kind of the disk beneath them; a few levels at most.
  for (int depth = 0; depth < 8; ++depth) {
    const fs::path disk = fs::exists(device / "partition", ec) ? device.parent_path() : device;
    fs::path slave;
    for (fs::directory_iterator it(disk / "slaves", ec), end; !ec && it != end; it.increment(ec)) {
      slave = fs::canonical(it->path(), ec);
      break;
    }
    if (!slave.empty() && !ec) {
      device = slave;
      continue;
    }
    const std::string name = disk.filename().string();
    const auto digitAfter = [&](std::string_view prefix) {
      return startsWith(name, prefix) && name.size() > prefix.size() &&
             std::isdigit(static_cast<unsigned char>(name[prefix.size()]));
    };
    if (digitAfter("zram") || digitAfter("ram")) {
      return DriveType::RamDisk;
    }
    // SCSI peripheral type 5 is a CD-ROM.
    if (digitAfter("sr") || readSmallFile(disk / "device" / "type") == "5") {
      return DriveType::CdRom;
    }
    if (readSmallFile(disk / "removable") == "1") {
      return DriveType::Removable;
    }
    // Card readers mark SD cards as fixed; the card says what it is.
    if (startsWith(name, "mmcblk") && readSmallFile(disk / "device" / "type") == "SD") {
      return DriveType::Removable;
    }
    // USB disks report themselves fixed, but they come and go like sticks.
    for (const auto& part : disk) {
      if (startsWith(part.string(), "usb")) {
        return DriveType::Removable;
      }
    }
    return DriveType::Fixed;
  }
  return DriveType::Fixed;
}

std::vector<PosixDrives::Classified>
PosixDrives::classify(const std::vector<MountEntry>& mounts) const {
  const auto visible = visibleMounts(mounts);
  std::vector<Classified> drives;
  for (const MountEntry* mount : visible) {
    if (isPseudo(*mount) || belowPseudo(*mount, visible)) {
      continue;
    }
    DriveType type = DriveType::Fixed;
    if (isRemote(*mount)) {
      // Not even a stat: an unreachable server would hang the listing of drives.
      drives.push_back({mount, DriveType::Remote});
      continue;
    }
    struct stat st {};
    if (::stat(mount->mountPoint.c_str(), &st) != 0) {
      type = DriveType::NoRootDir;
    } else if (!S_ISDIR(st.st_mode)) {
      continue; // a single file bind-mounted over another (containers do this to /etc/hosts)
    } else if (mount->fileSystem == "iso9660" || mount->fileSystem == "udf") {
      type = DriveType::CdRom;
    } else if (mount->fileSystem == "tmpfs" || mount->fileSystem == "ramfs") {
      type = DriveType::RamDisk;
    } else {
      type = blockDeviceType(*mount);
    }
    drives.push_back({mount, type});
  }
  std::stable_sort(drives.begin(), drives.end(), [](const Classified& a, const Classified& b) {
    const bool aRoot = a.mount->mountPoint == "/";
    const bool bRoot = b.mount->mountPoint == "/";
    if (aRoot != bRoot) {
      return aRoot;
    }
    return a.mount->mountPoint < b.mount->mountPoint;
  });
  return drives;
}

std::vector<DriveRoot> PosixDrives::drives() {
  const auto mounts = readMounts();
  std::vector<DriveRoot> roots;
  for (const Classified& drive : classify(mounts)) {
    roots.push_back({asRoot(drive.mount->mountPoint), drive.type});
  }
  if (roots.empty() || roots.front().path != "/") {
    // The root folder always exists, even where the mount table does not show it (a chroot).
    roots.insert(roots.begin(), DriveRoot{"/", DriveType::Fixed});
  }
  return roots;
}

std::optional<DriveRoot> PosixDrives::driveHolding(const std::string& path) {
  const std::string normal = normalizedRoot(path);
  if (normal.empty()) {
    return std::nullopt;
  }
  const auto mounts = readMounts();
  const auto visible = visibleMounts(mounts);
  const MountEntry* holder = nullptr;
  for (const MountEntry* mount : visible) {
    if (pathWithin(normal, mount->mountPoint) &&
        (holder == nullptr || mount->mountPoint.size() > holder->mountPoint.size())) {
      holder = mount;
    }
  }
  if (holder == nullptr) {
    return DriveRoot{"/", DriveType::Fixed};
  }
  for (const Classified& drive : classify(mounts)) {
    if (drive.mount == holder) {
      return DriveRoot{asRoot(holder->mountPoint), drive.type};
    }
  }
  return std::nullopt;
}

std::optional<std::uint32_t> PosixDrives::volumeSerial(const std::string& root) {
  const std::string normal = normalizedRoot(root);
  if (normal.empty()) {
    return std::nullopt;
  }
  const auto mounts = readMounts();
  const Classified* found = nullptr;
  const auto drives = classify(mounts);
  for (const Classified& drive : drives) {
    if (drive.mount->mountPoint == normal) {
      found = &drive;
    }
  }
  if (found == nullptr || found->type == DriveType::NoRootDir) {
    return std::nullopt;
  }
  struct statfs info {};
  if (::statfs(normal.c_str(), &info) != 0) {
    return std::nullopt;
  }
  const MountEntry& mount = *found->mount;

  // udev's link names the file system's UUID (a FAT serial, an ISO date, an ext4 UUID), which
  // is what tells one medium from the next in the same drive.
  const std::string device = fs::path(blockDeviceName(mount)).filename().string();
  const std::string sourceName = fs::path(mount.source).filename().string();
  std::error_code ec;
  const fs::path byUuid = fs::path(m_sources.devRoot) / "disk" / "by-uuid";
  for (fs::directory_iterator it(byUuid, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code linkError;
    const fs::path target = fs::read_symlink(it->path(), linkError);
    if (linkError) {
      continue;
    }
    const std::string targetName = target.filename().string();
    if ((!device.empty() && targetName == device) ||
        (startsWith(mount.source, "/dev/") && targetName == sourceName)) {
      return serialFromUuid(it->path().filename().string());
    }
  }

  // Without udev: ext4, btrfs and xfs derive f_fsid from their UUID; FAT and ISO 9660 only from
  // the device number, so their size and (for discs, which are read-only) the root's time stamp
  // are mixed in.
  std::uint32_t hash = fnv1a(&info.f_fsid, sizeof info.f_fsid);
  hash = fnv1a(&info.f_blocks, sizeof info.f_blocks, hash);
  hash = fnv1a(&info.f_type, sizeof info.f_type, hash);
  if (found->type == DriveType::CdRom) {
    struct stat st {};
    if (::stat(normal.c_str(), &st) == 0) {
      hash = fnv1a(&st.st_mtim.tv_sec, sizeof st.st_mtim.tv_sec, hash);
    }
  }
  return hash;
}

Drives& hostDrives() {
  static PosixDrives drives;
  return drives;
}

} // namespace texkit2::platform
