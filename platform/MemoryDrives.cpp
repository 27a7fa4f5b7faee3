#include "platform/MemoryDrives.h"

#include "platform/File.h"

#include <algorithm>

namespace texkit2::platform {
namespace {

bool isSeparator(char c) {
  return c == '/' || c == kPathSeparator;
}

// Without trailing separators, except for a bare root such as "/".
std::string trimmed(std::string path) {
  while (path.size() > 1 && isSeparator(path.back())) {
    path.pop_back();
  }
  return path;
}

std::string withSeparator(std::string path) {
  if (path.empty() || !isSeparator(path.back())) {
    path += kPathSeparator;
  }
  return path;
}

} // namespace

std::string MemoryDrives::addDrive(const std::filesystem::path& root, DriveType type,
                                   std::optional<std::uint32_t> serial) {
  std::string spelt = withSeparator(root.lexically_normal().string());
  m_drives.push_back({spelt, type, serial});
  return spelt;
}

MemoryDrives::Drive* MemoryDrives::find(const std::string& root) {
  const std::string wanted = withSeparator(root);
  const auto it = std::find_if(m_drives.begin(), m_drives.end(),
                               [&](const Drive& drive) { return drive.root == wanted; });
  return it == m_drives.end() ? nullptr : &*it;
}

void MemoryDrives::setType(const std::string& root, DriveType type) {
  if (Drive* drive = find(root)) {
    drive->type = type;
  }
}

void MemoryDrives::setSerial(const std::string& root, std::optional<std::uint32_t> serial) {
  if (Drive* drive = find(root)) {
    drive->serial = serial;
  }
}

void MemoryDrives::removeDrive(const std::string& root) {
  const std::string wanted = withSeparator(root);
  std::erase_if(m_drives, [&](const Drive& drive) { return drive.root == wanted; });
}

void MemoryDrives::setUnlistable(const std::filesystem::path& folder) {
  m_unlistable.insert(trimmed(folder.lexically_normal().string()));
}

std::vector<DriveRoot> MemoryDrives::drives() {
  std::vector<DriveRoot> roots;
  for (const Drive& drive : m_drives) {
    roots.push_back({drive.root, drive.type});
  }
  return roots;
}

std::optional<DriveRoot> MemoryDrives::driveHolding(const std::string& path) {
  const std::string wanted = withSeparator(path);
  const Drive* holder = nullptr;
  for (const Drive& drive : m_drives) {
    if (wanted.starts_with(drive.root) &&
        (holder == nullptr || drive.root.size() > holder->root.size())) {
      holder = &drive;
    }
  }
  if (holder == nullptr) {
    return std::nullopt;
  }
  return DriveRoot{holder->root, holder->type};
}

std::optional<std::uint32_t> MemoryDrives::volumeSerial(const std::string& root) {
  const Drive* drive = find(root);
  return drive == nullptr ? std::nullopt : drive->serial;
}

std::error_code MemoryDrives::listFolder(const std::string& folder,
                                         std::vector<FolderEntry>& entries) {
  std::optional<FolderStamp> stamp;
  return listStampedFolder(folder, entries, stamp);
}

std::error_code MemoryDrives::listStampedFolder(const std::string& folder,
                                                std::vector<FolderEntry>& entries,
                                                std::optional<FolderStamp>& stamp) {
  {
    const std::lock_guard lock(m_listedLock);
    m_listed.push_back(folder);
  }
  entries.clear();
  stamp.reset();
  if (m_unlistable.contains(trimmed(folder))) {
    return std::make_error_code(std::errc::permission_denied);
  }
  if (const auto error = listHostFolder(folder, entries, &stamp)) {
    return error;
  }
  if (m_order == Order::Ascending) {
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  } else if (m_order == Order::Descending) {
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name > b.name; });
  }
  const std::string prefix = withSeparator(folder);
  for (FolderEntry& entry : entries) {
    if (m_linksAsFolders && entry.isDirectory && entry.isSymlink) {
      entry.isSymlink = false;
      entry.id = hostFolderId(prefix + entry.name);
    }
    if (entry.isDirectory && !entry.isSymlink && find(prefix + entry.name) != nullptr) {
      entry.isMountPoint = true;
    }
  }
  return {};
}

} // namespace texkit2::platform
