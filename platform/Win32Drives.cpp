// Drives, media and folder listings on Windows: drive letters, GetDriveTypeA, FindFirstFileA.
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
};

} // namespace

std::error_code listHostFolder(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  if (folder.empty()) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  std::string pattern = folder;
  if (pattern.back() != '\\' && pattern.back() != '/') {
    pattern += '\\';
  }
  pattern += "*.*";

  QuietErrors quiet;
  WIN32_FIND_DATAA data;
  HANDLE find = ::FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    // A drive root has no "." entry, so an empty one matches nothing at all.
    if (error == ERROR_FILE_NOT_FOUND) {
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
    // dwReserved0 holds the reparse tag. Symbolic links, junctions and volume mount points
    // lead elsewhere; other tags (cloud files, deduplication) are ordinary entries.
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
        (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
         data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT)) {
      entry.isSymlink = true;
    }
    entries.push_back(std::move(entry));
  } while (::FindNextFileA(find, &data));
  const DWORD error = ::GetLastError();
  ::FindClose(find);
  if (error != ERROR_NO_MORE_FILES) {
    entries.clear();
    return win32Error(error);
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
