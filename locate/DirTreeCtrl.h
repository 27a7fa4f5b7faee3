#pragma once

#include "platform/Drives.h"

#include <QEvent>
#include <QPixmap>
#include <QTreeWidget>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace texkit2::locate {

// Images of one size cut from a bitmap resource, left to right, with one colour made
// transparent.
class CImageList {
 public:
  bool create(const QPixmap& bitmap, int imageWidth, QColor maskColour);
  int imageCount() const { return static_cast<int>(m_images.size()); }
  // Null for an index out of range.
  QPixmap image(int index) const;

 private:
  std::vector<QPixmap> m_images;
};

// The actions an expansion notification names; the values are the tree view's own.
enum class ExpandAction : std::uint8_t { None = 0, Collapse = 1, Expand = 2 };

// What a tree notification carries: for an expansion the item about to change and the action,
// for a selection change the newly selected item and the one before.
struct TreeNotification {
  ExpandAction action = ExpandAction::None;
  QTreeWidgetItem* itemOld = nullptr;
  QTreeWidgetItem* itemNew = nullptr;
};

// Volume serial numbers last read from removable and CD-ROM drives, by drive root; -1 when none
// could be read. Drives not in the table count as -1.
using DriveSerialTable = std::map<std::string, std::int32_t>;

// The tree of drives and the folders below them, filled lazily: an item's children exist only
// while it is expanded, and each expansion lists its folder afresh. A collapsed item that may
// have sub-folders carries one placeholder child so that the view draws its expand button.
// Removable and CD-ROM drives are reset instead of expanded when their medium has changed.
//
// Every expansion and collapse the user asks for (mouse, keyboard) reaches OnItemExpanding
// before the view changes, and the view follows only when it allows the change.
class CDirTreeCtrl final : public QTreeWidget {
  Q_OBJECT
 public:
  // The images of the owner's image list, as PopulateDrives and PopulateChildren use them.
  static constexpr int kImageFixed = 0;
  static constexpr int kImageRemovable = 1;
  static constexpr int kImageCdRom = 2;
  static constexpr int kImageRemote = 3;
  static constexpr int kImageRamDisk = 4;
  static constexpr int kImageFolder = 5;
  static constexpr int kImageOpenFolder = 6;

  explicit CDirTreeCtrl(platform::Drives& drives, QWidget* parent = nullptr);
  ~CDirTreeCtrl() override;

  // The images items refer to by index; the list must outlive the tree's items.
  void setImageList(const CImageList* images);

  // One root item per drive of a known type, in the drive table's order; returns their count.
  // Selects and expands the first fixed drive.
  int PopulateDrives();
  // The item of one drive (its root, ending in the separator); false for an unknown type.
  bool AddDrive(const std::string& root);
  // One child per sub-folder of `path`, in case-insensitive order; returns their count.
  int PopulateChildren(QTreeWidgetItem* item, const std::string& path);
  void AddPlaceholderIfHasSubfolders(QTreeWidgetItem* item, const std::string& path);
  bool HasSubfolders(const std::string& path);
  QTreeWidgetItem* InsertPlaceholder(QTreeWidgetItem* item);
  int DeleteChildren(QTreeWidgetItem* item);
  bool IsRootItem(const QTreeWidgetItem* item) const;
  QTreeWidgetItem* GetDriveItem(QTreeWidgetItem* item) const;
  // A drive item's path is its root and ends in the separator; a folder's path does not.
  std::string GetItemPath(const QTreeWidgetItem* item) const;
  // The path of the notification's new item; empty when it names none.
  std::string GetNotifyItemPath(const TreeNotification& notification) const;
  // Bit for bit the medium's serial number, or -1 when none can be read.
  std::int32_t GetVolumeSerial(const std::string& root);
  // False when the medium of the removable or CD-ROM drive holding `path` changed or is gone
  // since last seen; records what it sees.
  bool IsMediaUnchanged(const std::string& path);
  bool IsExistingFolder(const std::string& path);

  // The item-expanding notification: 1 refuses the change, 0 lets it happen.
  int OnItemExpanding(const TreeNotification& notification);

  // The control's own expand or collapse request: notifies OnItemExpanding first and changes
  // the view only when it allows the change.
  void Expand(QTreeWidgetItem* item, ExpandAction action);

  // The image indices of an item, -1 when it has none.
  static int imageOf(const QTreeWidgetItem* item);
  static int selectedImageOf(const QTreeWidgetItem* item);
  // Whether the view draws an expand button for the item, and where.
  bool hasExpandButton(const QTreeWidgetItem* item) const;
  QRect expandButtonRect(const QTreeWidgetItem* item) const;
  // Whether `item` is the placeholder child.
  static bool isPlaceholder(const QTreeWidgetItem* item);

  const DriveSerialTable& driveSerials() const { return m_driveSerials; }
  std::int32_t driveSerial(const std::string& root) const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool addDrive(const platform::DriveRoot& drive);
  QTreeWidgetItem* newItem(const std::string& name, const QString& text, int image,
                           int selectedImage) const;
  void insertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child);
  // Deletes `item` with its subtree, first moving the selection out of it.
  void deleteItem(QTreeWidgetItem* item);
  // Collapses without a notification; a selection inside moves to the item.
  void collapseQuietly(QTreeWidgetItem* item);
  void setExpandedQuietly(QTreeWidgetItem* item, bool expanded);
  void moveCurrentTo(QTreeWidgetItem* item);
  bool handlesPressAt(const QPoint& position, QEvent::Type type);
  QTreeWidgetItem* expandButtonAt(const QPoint& position) const;
  // Expansions that reached the view by another way than ours (accessibility, the view's own
  // requests): handled afterwards, as if notified before.
  void onViewExpanded(const QModelIndex& index, ExpandAction action);

  platform::Drives& m_drives;
  const CImageList* m_images = nullptr;
  DriveSerialTable m_driveSerials;
  bool m_selectFirstFixedDrive = true;
  // Our own changes of the view, which must not come back as notifications.
  int m_quiet = 0;
  // The item of the notification being handled; cleared when it is deleted.
  QTreeWidgetItem* m_notifyItem = nullptr;
};

} // namespace texkit2::locate
