#include "locate/DirTreeCtrl.h"

#include "platform/File.h"

#include <algorithm>
#include <bit>

namespace texkit2::locate {
namespace {

using platform::DriveType;
using platform::kPathSeparator;

std::string joined(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == kPathSeparator) {
    return folder + name;
  }
  return folder + kPathSeparator + name;
}

} // namespace

CDirTreeCtrl::CDirTreeCtrl(platform::Drives& drives) : m_drives(drives) {}

CDirTreeCtrl::~CDirTreeCtrl() = default;

int CDirTreeCtrl::PopulateDrives() {
  int added = 0;
  for (const platform::DriveRoot& drive : m_drives.drives()) {
    if (addDrive(drive)) {
      ++added;
    }
  }
  return added;
}

bool CDirTreeCtrl::AddDrive(const std::string& root) {
  std::string spelt = root;
  if (spelt.empty() || spelt.back() != kPathSeparator) {
    spelt += kPathSeparator;
  }
  const auto holder = m_drives.driveHolding(spelt);
  if (!holder || holder->path != spelt) {
    return false; // not the root of a drive
  }
  return addDrive(*holder);
}

bool CDirTreeCtrl::addDrive(const platform::DriveRoot& drive) {
  int image = 0;
  bool alwaysPlaceholder = false;
  bool recordsSerial = false;
  switch (drive.type) {
  case DriveType::Removable:
    image = kImageRemovable;
    alwaysPlaceholder = true;
    recordsSerial = true;
    break;
  case DriveType::Fixed:
    image = kImageFixed;
    break;
  case DriveType::Remote:
    image = kImageRemote;
    // Not listed now: one unreachable server would keep the dialog from opening.
    alwaysPlaceholder = true;
    break;
  case DriveType::CdRom:
    image = kImageCdRom;
    alwaysPlaceholder = true;
    recordsSerial = true;
    break;
  case DriveType::RamDisk:
    image = kImageRamDisk;
    break;
  case DriveType::Unknown:
  case DriveType::NoRootDir:
    return false;
  }
  HTREEITEM item = InsertItem(drive.path, image, image, nullptr);
  if (item == nullptr) {
    return false;
  }
  if (alwaysPlaceholder) {
    InsertPlaceholder(item);
  } else {
    AddPlaceholderIfHasSubfolders(item, drive.path);
  }
  if (recordsSerial) {
    m_driveSerials[drive.path] = GetVolumeSerial(drive.path);
  }
  if (drive.type == DriveType::Fixed && m_selectFirstFixedDrive) {
    SelectItem(item);
    Expand(item, ExpandAction::Expand);
    m_selectFirstFixedDrive = false;
  }
  return true;
}

int CDirTreeCtrl::PopulateChildren(HTREEITEM item, const std::string& path) {
  std::vector<platform::FolderEntry> entries;
  if (m_drives.listFolder(path, entries)) {
    if (IsRootItem(item)) {
      InsertPlaceholder(item); // so that the user can try again
    }
    return 0;
  }
  int added = 0;
  for (const platform::FolderEntry& entry : entries) {
    if (!entry.isDirectory || entry.name == "." || entry.name == "..") {
      continue;
    }
    HTREEITEM child = InsertItem(entry.name, kImageFolder, kImageOpenFolder, item, true);
    if (entry.isMountPoint) {
      // Another file system: not probed before the user opens it, as for a network drive (an
      // unreachable share mounted below / would otherwise hold up the first fill).
      InsertPlaceholder(child);
    } else {
      AddPlaceholderIfHasSubfolders(child, joined(path, entry.name));
    }
    ++added;
  }
  return added;
}

void CDirTreeCtrl::AddPlaceholderIfHasSubfolders(HTREEITEM item, const std::string& path) {
  if (HasSubfolders(path)) {
    InsertPlaceholder(item);
  }
}

bool CDirTreeCtrl::HasSubfolders(const std::string& path) {
  std::vector<platform::FolderEntry> entries;
  if (m_drives.listFolder(path, entries)) {
    return false;
  }
  return std::any_of(entries.begin(), entries.end(), [](const platform::FolderEntry& entry) {
    return entry.isDirectory && entry.name != "." && entry.name != "..";
  });
}

HTREEITEM CDirTreeCtrl::InsertPlaceholder(HTREEITEM item) {
  HTREEITEM placeholder = InsertItem({}, 0, 0, item);
  SetItemData(placeholder, kPlaceholderData);
  return placeholder;
}

bool CDirTreeCtrl::isPlaceholder(HTREEITEM item) const {
  return item != nullptr && GetItemData(item) == kPlaceholderData;
}

int CDirTreeCtrl::DeleteChildren(HTREEITEM item) {
  // Moved once to the item itself, rather than from child to child as each goes.
  HTREEITEM selected = GetSelectedItem();
  if (selected != nullptr && selected != item && isWithin(selected, item)) {
    SelectItem(item);
  }
  int deleted = 0;
  for (HTREEITEM child = GetChildItem(item); child != nullptr;) {
    HTREEITEM next = GetNextSiblingItem(child);
    DeleteItem(child);
    ++deleted;
    child = next;
  }
  return deleted;
}

bool CDirTreeCtrl::IsRootItem(HTREEITEM item) const {
  return GetParentItem(item) == nullptr;
}

HTREEITEM CDirTreeCtrl::GetDriveItem(HTREEITEM item) const {
  while (GetParentItem(item) != nullptr) {
    item = GetParentItem(item);
  }
  return item;
}

bool CDirTreeCtrl::isWithin(HTREEITEM item, HTREEITEM ancestor) const {
  for (; item != nullptr; item = GetParentItem(item)) {
    if (item == ancestor) {
      return true;
    }
  }
  return false;
}

std::string CDirTreeCtrl::GetItemPath(HTREEITEM item) const {
  std::string path;
  for (; item != nullptr; item = GetParentItem(item)) {
    std::string text = GetItemText(item);
    if (!path.empty() && (text.empty() || text.back() != kPathSeparator)) {
      text += kPathSeparator;
    }
    path = text + path;
  }
  return path;
}

std::string CDirTreeCtrl::GetNotifyItemPath(const TreeNotification& notification) const {
  return notification.itemNew == nullptr ? std::string() : GetItemPath(notification.itemNew);
}

std::int32_t CDirTreeCtrl::GetVolumeSerial(const std::string& root) {
  const auto serial = m_drives.volumeSerial(root);
  return serial ? std::bit_cast<std::int32_t>(*serial) : -1;
}

bool CDirTreeCtrl::IsMediaUnchanged(const std::string& path) {
  // The drive table classifies a path by the drive that holds it.
  const auto holder = m_drives.driveHolding(path);
  if (!holder || (holder->type != DriveType::Removable && holder->type != DriveType::CdRom)) {
    return true;
  }
  std::int32_t& entry = m_driveSerials.try_emplace(holder->path, -1).first->second;
  // Read here rather than through GetVolumeSerial: a medium whose serial is FFFFFFFF has been
  // read, and must not count as missing at every attempt.
  const auto serial = m_drives.volumeSerial(holder->path);
  if (!serial) {
    entry = -1;
    return false;
  }
  const std::int32_t value = std::bit_cast<std::int32_t>(*serial);
  const bool unchanged = entry == value || entry == -1;
  entry = value;
  return unchanged;
}

bool CDirTreeCtrl::IsExistingFolder(const std::string& path) {
  // Only a drive root ends in the separator; it is taken as there.
  if (!path.empty() && path.back() == kPathSeparator) {
    return true;
  }
  return m_drives.isFolder(path);
}

int CDirTreeCtrl::OnItemExpanding(const TreeNotification& notification) {
  HTREEITEM item = notification.itemNew;
  if (item == nullptr) {
    return 0;
  }
  const std::string path = GetItemPath(item);
  if (!IsMediaUnchanged(path)) {
    HTREEITEM drive = GetDriveItem(item);
    CollapseQuietly(drive); // our own collapse: it must not start a second reset
    DeleteChildren(drive);
    InsertPlaceholder(drive);
    return 1;
  }
  if (!IsExistingFolder(path)) {
    DeleteItem(item);
    return 1;
  }
  if (notification.action == ExpandAction::Expand) {
    DeleteChildren(item);
    return PopulateChildren(item, path) == 0 ? 1 : 0;
  }
  DeleteChildren(item);
  if (IsRootItem(item)) {
    InsertPlaceholder(item);
  } else {
    AddPlaceholderIfHasSubfolders(item, path);
  }
  return 0;
}

std::int32_t CDirTreeCtrl::driveSerial(const std::string& root) const {
  const auto it = m_driveSerials.find(root);
  return it == m_driveSerials.end() ? -1 : it->second;
}

} // namespace texkit2::locate
