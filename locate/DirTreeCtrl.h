#pragma once

#include "framework/TreeCtrl.h"
#include "platform/Drives.h"

#include <cstdint>
#include <map>
#include <string>

namespace texkit2::locate {

using framework::CImageList;
using framework::ExpandAction;
using framework::HTREEITEM;
using framework::TreeNotification;

// Volume serial numbers last read from removable and CD-ROM drives, by drive root; -1 when none
// could be read. Drives not in the table count as -1.
using DriveSerialTable = std::map<std::string, std::int32_t>;

// The tree of drives and the folders below them, filled lazily: an item's children exist only
// while it is expanded, and each expansion lists its folder afresh. A collapsed item that may
// have sub-folders carries one placeholder child so that the view draws its expand button.
// Removable and CD-ROM drives are reset instead of expanded when their medium has changed.
//
// It is attached to a dialog's tree control; every expansion and collapse the user asks for
// reaches OnItemExpanding before the view changes, and the view follows only when it allows it.
class CDirTreeCtrl final : public framework::CTreeCtrl {
 public:
  // The images of the owner's image list, as PopulateDrives and PopulateChildren use them.
  static constexpr int kImageFixed = 0;
  static constexpr int kImageRemovable = 1;
  static constexpr int kImageCdRom = 2;
  static constexpr int kImageRemote = 3;
  static constexpr int kImageRamDisk = 4;
  static constexpr int kImageFolder = 5;
  static constexpr int kImageOpenFolder = 6;

  // Placeholders carry this as their item data.
  static constexpr std::uintptr_t kPlaceholderData = 1;

  explicit CDirTreeCtrl(platform::Drives& drives);
  ~CDirTreeCtrl() override;

  // One root item per drive of a known type, in the drive table's order; returns their count.
  // Selects and expands the first fixed drive.
  int PopulateDrives();
  // The item of one drive (its root, ending in the separator); false for an unknown type.
  bool AddDrive(const std::string& root);
  // One child per sub-folder of `path`, in case-insensitive order; returns their count.
  int PopulateChildren(HTREEITEM item, const std::string& path);
  void AddPlaceholderIfHasSubfolders(HTREEITEM item, const std::string& path);
  bool HasSubfolders(const std::string& path);
  HTREEITEM InsertPlaceholder(HTREEITEM item);
  int DeleteChildren(HTREEITEM item);
  bool IsRootItem(HTREEITEM item) const;
  HTREEITEM GetDriveItem(HTREEITEM item) const;
  // A drive item's path is its root and ends in the separator; a folder's path does not.
  std::string GetItemPath(HTREEITEM item) const;
  // The path of the notification's new item; empty when it names none.
  std::string GetNotifyItemPath(const TreeNotification& notification) const;
  // Bit for bit the medium's serial number, or -1 when none can be read.
  std::int32_t GetVolumeSerial(const std::string& root);
  // False when the medium of the removable or CD-ROM drive holding `path` changed or is gone
  // since last seen; records what it sees.
  bool IsMediaUnchanged(const std::string& path);
  bool IsExistingFolder(const std::string& path);

  // The item-expanding notification: 1 refuses the change, 0 lets it happen.
  int OnItemExpanding(const TreeNotification& notification) override;

  // Whether `item` is the placeholder child.
  bool isPlaceholder(HTREEITEM item) const;

  const DriveSerialTable& driveSerials() const { return m_driveSerials; }
  std::int32_t driveSerial(const std::string& root) const;

 private:
  bool addDrive(const platform::DriveRoot& drive);
  bool isWithin(HTREEITEM item, HTREEITEM ancestor) const;

  platform::Drives& m_drives;
  DriveSerialTable m_driveSerials;
  bool m_selectFirstFixedDrive = true;
};

} // namespace texkit2::locate
