// Folder listing for Linux and other POSIX systems: readdir with its d_type, and one statx per
// sub-folder to tell mount points and which folder it is, without following links or
// triggering automounts.
#include "platform/Drives.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace texkit2::platform {
namespace {

std::error_code lastError() {
  return {errno, std::generic_category()};
}

class FdGuard {
 public:
  explicit FdGuard(int fd) : m_fd(fd) {}
  ~FdGuard() {
    if (m_fd >= 0) {
      ::close(m_fd);
    }
  }
  FdGuard(const FdGuard&) = delete;
  FdGuard& operator=(const FdGuard&) = delete;
  int get() const { return m_fd; }
  int release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }

 private:
  int m_fd;
};

// Opens `path` as a folder. A path longer than PATH_MAX cannot go to one call, so it is opened
// in pieces below PATH_MAX, each relative to the last: deep trees stay reachable.
int openFolder(const std::string& path, int flags) {
  if (path.size() < PATH_MAX) {
    return ::open(path.c_str(), flags | O_DIRECTORY | O_CLOEXEC);
  }
  std::size_t start = 0;
  int base = AT_FDCWD;
  if (path.front() == '/') {
    base = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (base < 0) {
      return -1;
    }
    start = 1;
  }
  while (true) {
    std::size_t end = path.size();
    if (end - start >= PATH_MAX) {
      end = path.rfind('/', start + PATH_MAX - 1);
      if (end == std::string::npos || end <= start) {
        if (base >= 0) {
          ::close(base);
        }
        errno = ENAMETOOLONG;
        return -1;
      }
    }
    const std::string piece = path.substr(start, end - start);
    const std::size_t rest = path.find_first_not_of('/', end);
    const bool last = rest == std::string::npos;
    const int next =
        ::openat(base, piece.c_str(), (last ? flags : O_PATH) | O_DIRECTORY | O_CLOEXEC);
    const int saved = errno;
    if (base >= 0) {
      ::close(base);
    }
    errno = saved;
    if (next < 0 || last) {
      return next;
    }
    base = next;
    start = rest;
  }
}

struct Identity {
  std::uint64_t mountId = 0;
  bool hasMountId = false;
  std::uint64_t device = 0;
  bool hasInode = false;
  std::uint64_t inode = 0;
  std::int64_t changed = 0;
};

bool identify(int dirFd, const char* name, int flags, Identity& identity, unsigned& mode,
              unsigned extra = 0) {
  struct statx info {};
  if (::statx(dirFd, name, flags | AT_NO_AUTOMOUNT, STATX_TYPE | STATX_MNT_ID | extra, &info) !=
      0) {
    return false;
  }
  identity.hasMountId = (info.stx_mask & STATX_MNT_ID) != 0;
  identity.hasInode = (info.stx_mask & STATX_INO) != 0;
  identity.mountId = info.stx_mnt_id;
  identity.device = (std::uint64_t{info.stx_dev_major} << 32) | info.stx_dev_minor;
  identity.inode = info.stx_ino;
  identity.changed = info.stx_ctime.tv_sec * std::int64_t{1000000000} + info.stx_ctime.tv_nsec;
  mode = info.stx_mode;
  return true;
}

constexpr unsigned kStampFields = STATX_INO | STATX_CTIME;

// The inode comes with the statx that tells mount points, at no cost of its own.
constexpr unsigned kIdFields = STATX_INO;

std::optional<FolderId> idOf(const Identity& identity) {
  if (!identity.hasInode) {
    return std::nullopt;
  }
  return FolderId{identity.device, identity.inode};
}

FolderStamp stampOf(const Identity& identity) {
  return {identity.device, identity.inode, identity.changed};
}

bool differentMount(const Identity& folder, const Identity& child) {
  if (folder.hasMountId && child.hasMountId) {
    return folder.mountId != child.mountId;
  }
  return folder.device != child.device;
}

// Room for a few hundred entries a call, as readdir's own buffer.
constexpr std::size_t kListingBuffer = 32768;

void addEntry(int dirFd, const Identity& self, const char* name, unsigned char type,
              LinkTargets links, std::vector<FolderEntry>& entries) {
  FolderEntry entry;
  entry.name = name;
  Identity child;
  unsigned mode = 0;
  bool identified = false;
  if (type == DT_UNKNOWN || type == DT_DIR) {
    identified = identify(dirFd, name, AT_SYMLINK_NOFOLLOW, child, mode, kIdFields);
    if (identified) {
      type = S_ISDIR(mode) ? DT_DIR : S_ISLNK(mode) ? DT_LNK : DT_REG;
    }
  }
  if (type == DT_DIR) {
    entry.isDirectory = true;
    entry.isMountPoint = identified && differentMount(self, child);
    if (identified) {
      entry.id = idOf(child);
    }
  } else if (type == DT_LNK) {
    entry.isSymlink = true;
    struct stat target {};
    entry.isDirectory = links == LinkTargets::Looked &&
                        ::fstatat(dirFd, name, &target, AT_NO_AUTOMOUNT) == 0 &&
                        S_ISDIR(target.st_mode);
  }
  entries.push_back(std::move(entry));
}

} // namespace

std::error_code listHostFolder(const std::string& folder, std::vector<FolderEntry>& entries,
                               std::optional<FolderStamp>* stamp, LinkTargets links) {
  entries.clear();
  if (stamp != nullptr) {
    stamp->reset();
  }
  if (folder.empty()) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  FdGuard fd(openFolder(folder, O_RDONLY));
  if (fd.get() < 0) {
    return lastError();
  }
  Identity self;
  unsigned selfMode = 0;
  // The stamp comes before the entries: a change made while they are read shows in a later one.
  if (!identify(fd.get(), "", AT_EMPTY_PATH, self, selfMode, stamp != nullptr ? kStampFields : 0)) {
    return lastError();
  }
  // getdents64 straight into a buffer of our own: opendir would fstat and fcntl the folder
  // again, two calls more for each folder, which is most of a tiny folder's cost.
  alignas(8) static thread_local char buffer[kListingBuffer];
  std::error_code failure;
  while (true) {
    const ssize_t filled = ::getdents64(fd.get(), buffer, sizeof buffer);
    if (filled <= 0) {
      if (filled < 0) {
        failure = lastError();
      }
      break;
    }
    for (ssize_t at = 0; at < filled;) {
      const auto* raw = reinterpret_cast<const struct dirent64*>(buffer + at);
      at += raw->d_reclen;
      const char* name = raw->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
        continue;
      }
      addEntry(fd.get(), self, name, raw->d_type, links, entries);
    }
  }
  if (failure) {
    entries.clear();
  } else if (stamp != nullptr) {
    *stamp = stampOf(self);
  }
  return failure;
}

std::optional<FolderStamp> hostFolderStamp(const std::string& folder) {
  if (folder.empty()) {
    return std::nullopt;
  }
  Identity identity;
  unsigned mode = 0;
  // Links are followed as the listing's open() follows them.
  bool found = false;
  if (folder.size() < PATH_MAX) {
    found = identify(AT_FDCWD, folder.c_str(), 0, identity, mode, kStampFields);
  } else {
    FdGuard fd(openFolder(folder, O_PATH));
    found = fd.get() >= 0 && identify(fd.get(), "", AT_EMPTY_PATH, identity, mode, kStampFields);
  }
  if (!found || !S_ISDIR(mode)) {
    return std::nullopt;
  }
  return stampOf(identity);
}

std::optional<FolderId> hostFolderId(const std::string& folder) {
  const std::optional<FolderStamp> stamp = hostFolderStamp(folder);
  if (!stamp) {
    return std::nullopt;
  }
  return FolderId{stamp->volume, stamp->file};
}

bool isHostFolder(const std::string& path) {
  if (path.empty()) {
    return false;
  }
  const int fd = openFolder(path, O_PATH);
  if (fd < 0) {
    return false;
  }
  ::close(fd);
  return true;
}

} // namespace texkit2::platform
