// Drives, media and folder listings on Windows: drive letters, GetDriveTypeA, FindFirstFileExA.
#include "platform/Drives.h"

#define WIN32_LEAN_AND_MEAN
#include <cctype>
#include <cstring>
#include <windows.h>

namespace texkit2::platform {
namespace {

DriveType toDriveType(UINT type) {
  switch (type) {
  case DRIVE_REMOVABLE:
    return DriveType::Removable;
  case DRIVE_FIXED:
    return DriveType::Fixed;
  case DRIVE_REMOTE:
    return DriveType::Remote;
  case DRIVE_CDROM:
    return DriveType::CdRom;
  case DRIVE_RAMDISK:
    return DriveType::RamDisk;
  case DRIVE_NO_ROOT_DIR:
    return DriveType::NoRootDir;
  default:
    return DriveType::Unknown;
  }
}

// No "There is no disk in the drive" box for an empty floppy or card reader while we look,
// whether or not the process has switched those boxes off (the CLI has not).
class QuietErrors {
 public:
  QuietErrors() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &m_old); }
  ~QuietErrors() { ::SetThreadErrorMode(m_old, nullptr); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;

 private:
  DWORD m_old = 0;
};

std::error_code win32Error(DWORD code) {
  return {static_cast<int>(code), std::system_category()};
}

// "C:\" for a path on drive C, empty for anything else (UNC paths, relative paths).
std::string rootOf(const std::string& path) {
  if (path.size() < 2 || path[1] != ':' || !std::isalpha(static_cast<unsigned char>(path[0]))) {
    return {};
  }
  std::string root = "?:\\";
  root[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
  return root;
}

class Win32Drives final : public Drives {
 public:
  std::vector<DriveRoot> drives() override {
    std::vector<DriveRoot> roots;
    const DWORD mask = ::GetLogicalDrives();
    for (int bit = 0; bit < 26; ++bit) {
      if ((mask & (DWORD{1} << bit)) == 0) {
        continue;
      }
      std::string root = "?:\\";
      root[0] = static_cast<char>('A' + bit);
      roots.push_back({root, toDriveType(::GetDriveTypeA(root.c_str()))});
    }
    return roots;
  }

  std::optional<DriveRoot> driveHolding(const std::string& path) override {
    const std::string root = rootOf(path);
    if (root.empty()) {
      return std::nullopt;
    }
    const DWORD mask = ::GetLogicalDrives();
    if ((mask & (DWORD{1} << (root[0] - 'A'))) == 0) {
      return std::nullopt;
    }
    return DriveRoot{root, toDriveType(::GetDriveTypeA(root.c_str()))};
  }

  std::optional<std::uint32_t> volumeSerial(const std::string& root) override {
    QuietErrors quiet;
    DWORD serial = 0;
    if (!::GetVolumeInformationA(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
      return std::nullopt;
    }
    return static_cast<std::uint32_t>(serial);
  }

  std::error_code listFolder(const std::string& folder,
                             std::vector<FolderEntry>& entries) override {
    return listHostFolder(folder, entries);
  }

  bool isFolder(const std::string& path) override { return isHostFolder(path); }
  bool listsConcurrently() const override { return true; }
  std::error_code listStampedFolder(const std::string& folder, std::vector<FolderEntry>& entries,
                                    std::optional<FolderStamp>& stamp) override {
    return listHostFolder(folder, entries, &stamp);
  }
  std::optional<FolderStamp> folderStamp(const std::string& folder) override {
    return hostFolderStamp(folder);
  }
  std::optional<FolderId> folderId(const std::string& folder) override {
    return hostFolderId(folder);
  }
};

std::int64_t ticksOf(const FILETIME& time) {
  return static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
}

// The folder's own name for GetFileAttributesExA, which takes "C:\" but not "C:\Games\".
std::string withoutTrailingSeparator(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') &&
         !(folder.size() == 3 && folder[1] == ':')) {
    folder.pop_back();
  }
  return folder;
}

// Basic information (no 8.3 name to look up) in large fetches: fewer, bigger directory reads.
// Windows before 7 knows neither and refuses them; FindFirstFileA then does the same job.
HANDLE findFirst(const std::string& pattern, WIN32_FIND_DATAA& data) {
  HANDLE find = ::FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_INVALID_PARAMETER) {
    find = ::FindFirstFileA(pattern.c_str(), &data);
  }
  return find;
}

// Which folder `path` is. Only a handle of the folder's own tells its file index; Wine gives
// the inode, so that a Unix link it shows as a plain folder has its target's.
std::optional<FolderId> folderIdOf(const std::string& path) {
  const HANDLE folder = ::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    return std::nullopt;
  }
  BY_HANDLE_FILE_INFORMATION info;
  const bool read = ::GetFileInformationByHandle(folder, &info) != FALSE;
  ::CloseHandle(folder);
  if (!read || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return std::nullopt;
  }
  return FolderId{info.dwVolumeSerialNumber,
                  (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

} // namespace

std::optional<FolderId> hostFolderId(const std::string& folder) {
  if (folder.empty()) {
    return std::nullopt;
  }
  QuietErrors quiet;
  return folderIdOf(folder);
}

std::optional<FolderStamp> hostFolderStamp(const std::string& folder) {
  if (folder.empty()) {
    return std::nullopt;
  }
  QuietErrors quiet;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExA(withoutTrailingSeparator(folder).c_str(), GetFileExInfoStandard,
                              &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return std::nullopt;
  }
  return FolderStamp{0, static_cast<std::uint64_t>(ticksOf(data.ftCreationTime)),
                     ticksOf(data.ftLastWriteTime)};
}

std::error_code listHostFolder(const std::string& folder, std::vector<FolderEntry>& entries,
                               std::optional<FolderStamp>* stamp, LinkTargets) {
  entries.clear();
  if (stamp != nullptr) {
    stamp->reset();
  }
  if (folder.empty()) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  // Before the entries, so that a change made while they are read shows in a later stamp.
  const std::optional<FolderStamp> before =
      stamp != nullptr ? hostFolderStamp(folder) : std::nullopt;
  std::string prefix = folder;
  if (prefix.back() != '\\' && prefix.back() != '/') {
    prefix += '\\';
  }
  const std::string pattern = prefix + "*.*";

  QuietErrors quiet;
  WIN32_FIND_DATAA data;
  HANDLE find = findFirst(pattern, data);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    // A drive root has no "." entry, so an empty one matches nothing at all.
    if (error == ERROR_FILE_NOT_FOUND) {
      if (stamp != nullptr) {
        *stamp = before;
      }
      return {};
    }
    return win32Error(error);
  }
  do {
    if (std::strcmp(data.cFileName, ".") == 0 || std::strcmp(data.cFileName, "..") == 0) {
      continue;
    }
    FolderEntry entry;
    entry.name = data.cFileName;
    entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // Symbolic links, junctions and volume mount points lead elsewhere, and a cloud folder's
    // listing would be fetched from the network: a walk enters no reparse point.
    entry.isSymlink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (entry.isDirectory && !entry.isSymlink) {
      entry.id = folderIdOf(prefix + entry.name);
    }
    entries.push_back(std::move(entry));
  } while (::FindNextFileA(find, &data));
  const DWORD error = ::GetLastError();
  ::FindClose(find);
  if (error != ERROR_NO_MORE_FILES) {
    entries.clear();
    return win32Error(error);
  }
  if (stamp != nullptr) {
    *stamp = before;
  }
  return {};
}

bool isHostFolder(const std::string& path) {
  if (path.empty()) {
    return false;
  }
  QuietErrors quiet;
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

Drives& hostDrives() {
  static Win32Drives drives;
  return drives;
}

} // namespace texkit2::platform
