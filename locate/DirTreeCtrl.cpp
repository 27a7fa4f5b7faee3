#include "locate/DirTreeCtrl.h"

#include "platform/File.h"

#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPersistentModelIndex>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <bit>

namespace texkit2::locate {
namespace {

using platform::DriveType;
using platform::kPathSeparator;

// The name as the file system spells it (bytes, which need not be valid UTF-8); paths are built
// from it, never from the text shown.
constexpr int kNameRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kSelectedImageRole = Qt::UserRole + 2;
constexpr int kPlaceholderRole = Qt::UserRole + 3;

std::string nameOf(const QTreeWidgetItem* item) {
  return item->data(0, kNameRole).toByteArray().toStdString();
}

std::string joined(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == kPathSeparator) {
    return folder + name;
  }
  return folder + kPathSeparator + name;
}

bool isWithin(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor) {
  for (; item != nullptr; item = item->parent()) {
    if (item == ancestor) {
      return true;
    }
  }
  return false;
}

// Restores the counter on every way out, so that a nested change stays quiet too.
class QuietScope {
 public:
  explicit QuietScope(int& counter) : m_counter(counter) { ++m_counter; }
  ~QuietScope() { --m_counter; }
  QuietScope(const QuietScope&) = delete;
  QuietScope& operator=(const QuietScope&) = delete;

 private:
  int& m_counter;
};

} // namespace

bool CImageList::create(const QPixmap& bitmap, int imageWidth, QColor maskColour) {
  m_images.clear();
  if (bitmap.isNull() || imageWidth <= 0) {
    return false;
  }
  QImage image = bitmap.toImage().convertToFormat(QImage::Format_ARGB32);
  const QRgb mask = maskColour.rgb() & 0xFFFFFFu;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if ((image.pixel(x, y) & 0xFFFFFFu) == mask) {
        image.setPixel(x, y, 0);
      }
    }
  }
  for (int x = 0; x + imageWidth <= image.width(); x += imageWidth) {
    m_images.push_back(QPixmap::fromImage(image.copy(x, 0, imageWidth, image.height())));
  }
  return !m_images.empty();
}

QPixmap CImageList::image(int index) const {
  if (index < 0 || index >= imageCount()) {
    return {};
  }
  return m_images[static_cast<std::size_t>(index)];
}

CDirTreeCtrl::CDirTreeCtrl(platform::Drives& drives, QWidget* parent)
    : QTreeWidget(parent), m_drives(drives) {
  setColumnCount(1);
  setHeaderHidden(true);
  setRootIsDecorated(true);
  setItemsExpandable(true);
  // Double clicks and the expand buttons go through Expand, so OnItemExpanding comes first.
  setExpandsOnDoubleClick(false);
  setAnimated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setIconSize(QSize(16, 16));
  setFrameShape(QFrame::StyledPanel);
  // Long names scroll sideways rather than being cut off.
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  connect(this, &QTreeView::expanded, this,
          [this](const QModelIndex& index) { onViewExpanded(index, ExpandAction::Expand); });
  connect(this, &QTreeView::collapsed, this,
          [this](const QModelIndex& index) { onViewExpanded(index, ExpandAction::Collapse); });
}

CDirTreeCtrl::~CDirTreeCtrl() = default;

void CDirTreeCtrl::setImageList(const CImageList* images) {
  m_images = images;
}

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
  QTreeWidgetItem* item = newItem(drive.path, QString::fromStdString(drive.path), image, image);
  addTopLevelItem(item);
  if (alwaysPlaceholder) {
    InsertPlaceholder(item);
  } else {
    AddPlaceholderIfHasSubfolders(item, drive.path);
  }
  if (recordsSerial) {
    m_driveSerials[drive.path] = GetVolumeSerial(drive.path);
  }
  if (drive.type == DriveType::Fixed && m_selectFirstFixedDrive) {
    setCurrentItem(item);
    Expand(item, ExpandAction::Expand);
    m_selectFirstFixedDrive = false;
  }
  return true;
}

int CDirTreeCtrl::PopulateChildren(QTreeWidgetItem* item, const std::string& path) {
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
    QTreeWidgetItem* child =
        newItem(entry.name, QString::fromStdString(entry.name), kImageFolder, kImageOpenFolder);
    insertSorted(item, child);
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

void CDirTreeCtrl::AddPlaceholderIfHasSubfolders(QTreeWidgetItem* item, const std::string& path) {
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

QTreeWidgetItem* CDirTreeCtrl::InsertPlaceholder(QTreeWidgetItem* item) {
  QTreeWidgetItem* placeholder = newItem({}, {}, 0, 0);
  placeholder->setData(0, kPlaceholderRole, true);
  item->addChild(placeholder);
  return placeholder;
}

int CDirTreeCtrl::DeleteChildren(QTreeWidgetItem* item) {
  // Moved once to the item itself, rather than from child to child as each goes.
  QTreeWidgetItem* current = currentItem();
  if (current != nullptr && current != item && isWithin(current, item)) {
    moveCurrentTo(item);
  }
  int deleted = 0;
  while (item->childCount() > 0) {
    deleteItem(item->child(0));
    ++deleted;
  }
  return deleted;
}

bool CDirTreeCtrl::IsRootItem(const QTreeWidgetItem* item) const {
  return item->parent() == nullptr;
}

QTreeWidgetItem* CDirTreeCtrl::GetDriveItem(QTreeWidgetItem* item) const {
  while (item->parent() != nullptr) {
    item = item->parent();
  }
  return item;
}

std::string CDirTreeCtrl::GetItemPath(const QTreeWidgetItem* item) const {
  std::string path;
  for (; item != nullptr; item = item->parent()) {
    std::string text = nameOf(item);
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
  QTreeWidgetItem* item = notification.itemNew;
  if (item == nullptr) {
    return 0;
  }
  const std::string path = GetItemPath(item);
  if (!IsMediaUnchanged(path)) {
    QTreeWidgetItem* drive = GetDriveItem(item);
    collapseQuietly(drive); // our own collapse: it must not start a second reset
    DeleteChildren(drive);
    InsertPlaceholder(drive);
    return 1;
  }
  if (!IsExistingFolder(path)) {
    deleteItem(item);
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

void CDirTreeCtrl::Expand(QTreeWidgetItem* item, ExpandAction action) {
  if (item == nullptr || action == ExpandAction::None ||
      item->isExpanded() == (action == ExpandAction::Expand)) {
    return;
  }
  QTreeWidgetItem* const outer = m_notifyItem;
  m_notifyItem = item;
  const int result = OnItemExpanding({action, nullptr, item});
  QTreeWidgetItem* const survivor = m_notifyItem; // null when the handler deleted the item
  m_notifyItem = outer;
  if (result != 0 || survivor == nullptr) {
    return;
  }
  if (action == ExpandAction::Expand) {
    setExpandedQuietly(survivor, true);
  } else {
    collapseQuietly(survivor);
  }
}

int CDirTreeCtrl::imageOf(const QTreeWidgetItem* item) {
  return item->data(0, kImageRole).isValid() ? item->data(0, kImageRole).toInt() : -1;
}

int CDirTreeCtrl::selectedImageOf(const QTreeWidgetItem* item) {
  return item->data(0, kSelectedImageRole).isValid() ? item->data(0, kSelectedImageRole).toInt()
                                                     : -1;
}

bool CDirTreeCtrl::isPlaceholder(const QTreeWidgetItem* item) {
  return item->data(0, kPlaceholderRole).toBool();
}

bool CDirTreeCtrl::hasExpandButton(const QTreeWidgetItem* item) const {
  // The view draws one for every item with a child it could show.
  return itemsExpandable() && item->childCount() > 0 &&
         (item->parent() != nullptr || rootIsDecorated());
}

QRect CDirTreeCtrl::expandButtonRect(const QTreeWidgetItem* item) const {
  const QRect row = visualItemRect(item);
  if (!hasExpandButton(item) || row.isEmpty() || isRightToLeft()) {
    return {};
  }
  // The button sits in the indentation just left of the item, where the view looks for it.
  QStyleOption option;
  option.initFrom(this);
  option.rect = QRect(row.left() - indentation(), row.top(), indentation(), row.height());
  return style()->subElementRect(QStyle::SE_TreeViewDisclosureItem, &option, this);
}

std::int32_t CDirTreeCtrl::driveSerial(const std::string& root) const {
  const auto it = m_driveSerials.find(root);
  return it == m_driveSerials.end() ? -1 : it->second;
}

QTreeWidgetItem* CDirTreeCtrl::newItem(const std::string& name, const QString& text, int image,
                                       int selectedImage) const {
  auto* item = new QTreeWidgetItem;
  item->setText(0, text);
  item->setData(0, kNameRole, QByteArray::fromStdString(name));
  item->setData(0, kImageRole, image);
  item->setData(0, kSelectedImageRole, selectedImage);
  if (m_images != nullptr) {
    QIcon icon;
    icon.addPixmap(m_images->image(image), QIcon::Normal);
    icon.addPixmap(m_images->image(selectedImage), QIcon::Selected);
    item->setIcon(0, icon);
  }
  return item;
}

void CDirTreeCtrl::insertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child) {
  // Case-insensitive as the system the tool was made for sorts; byte order breaks ties, which
  // a case-sensitive file system can hold ("Quake" and "quake").
  const QString text = child->text(0);
  const QByteArray name = child->data(0, kNameRole).toByteArray();
  const auto before = [&](const QTreeWidgetItem* sibling) {
    const int order = QString::compare(text, sibling->text(0), Qt::CaseInsensitive);
    return order < 0 || (order == 0 && name < sibling->data(0, kNameRole).toByteArray());
  };
  int low = 0;
  int high = parent->childCount();
  while (low < high) {
    const int middle = low + (high - low) / 2;
    if (before(parent->child(middle))) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  parent->insertChild(low, child);
}

void CDirTreeCtrl::deleteItem(QTreeWidgetItem* item) {
  if (m_notifyItem != nullptr && isWithin(m_notifyItem, item)) {
    m_notifyItem = nullptr;
  }
  // The selection leaves first, to the nearest item that stays; the view would otherwise
  // hop it from row to row as they go, or drop it without a word.
  QTreeWidgetItem* current = currentItem();
  if (current != nullptr && isWithin(current, item)) {
    QTreeWidgetItem* target = item->parent();
    if (target == nullptr) {
      const int row = indexOfTopLevelItem(item);
      target = topLevelItem(row + 1) != nullptr ? topLevelItem(row + 1) : topLevelItem(row - 1);
    }
    moveCurrentTo(target);
  }
  delete item;
}

void CDirTreeCtrl::collapseQuietly(QTreeWidgetItem* item) {
  QTreeWidgetItem* current = currentItem();
  if (current != nullptr && current != item && isWithin(current, item)) {
    moveCurrentTo(item); // a hidden selection would make the view expand its way back to it
  }
  setExpandedQuietly(item, false);
}

void CDirTreeCtrl::setExpandedQuietly(QTreeWidgetItem* item, bool expanded) {
  const QuietScope quiet(m_quiet);
  item->setExpanded(expanded);
}

void CDirTreeCtrl::moveCurrentTo(QTreeWidgetItem* item) {
  if (item == nullptr) {
    setCurrentItem(nullptr);
    clearSelection();
  } else {
    setCurrentItem(item);
  }
}

QTreeWidgetItem* CDirTreeCtrl::expandButtonAt(const QPoint& position) const {
  QTreeWidgetItem* item = itemAt(position);
  if (item == nullptr || !expandButtonRect(item).contains(position)) {
    return nullptr;
  }
  return item;
}

bool CDirTreeCtrl::handlesPressAt(const QPoint& position, QEvent::Type type) {
  QTreeWidgetItem* item = expandButtonAt(position);
  if (item == nullptr) {
    return false;
  }
  // The style says whether the button acts on the press or on the release.
  if (style()->styleHint(QStyle::SH_ListViewExpand_SelectMouseType, nullptr, this) == type) {
    Expand(item, item->isExpanded() ? ExpandAction::Collapse : ExpandAction::Expand);
  }
  return true;
}

void CDirTreeCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton &&
      handlesPressAt(event->position().toPoint(), QEvent::MouseButtonPress)) {
    event->accept();
    return;
  }
  QTreeWidget::mousePressEvent(event);
}

void CDirTreeCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton &&
      handlesPressAt(event->position().toPoint(), QEvent::MouseButtonRelease)) {
    event->accept();
    return;
  }
  QTreeWidget::mouseReleaseEvent(event);
}

void CDirTreeCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  if (expandButtonAt(position) != nullptr) {
    event->accept(); // the press has toggled it already
    return;
  }
  QTreeWidget::mouseDoubleClickEvent(event);
  QTreeWidgetItem* item = itemAt(position);
  if (event->button() == Qt::LeftButton && item != nullptr && hasExpandButton(item)) {
    Expand(item, item->isExpanded() ? ExpandAction::Collapse : ExpandAction::Expand);
  }
}

void CDirTreeCtrl::keyPressEvent(QKeyEvent* event) {
  QTreeWidgetItem* item = currentItem();
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (item != nullptr && modifiers == Qt::NoModifier && !isRightToLeft()) {
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Asterisk: // one level only: the view's "all levels" would list a whole disk
      if (hasExpandButton(item)) {
        Expand(item, ExpandAction::Expand);
      }
      event->accept();
      return;
    case Qt::Key_Minus:
      Expand(item, ExpandAction::Collapse);
      event->accept();
      return;
    case Qt::Key_Right:
      if (!item->isExpanded() && hasExpandButton(item)) {
        Expand(item, ExpandAction::Expand);
        event->accept();
        return;
      }
      break;
    case Qt::Key_Left:
      if (item->isExpanded()) {
        Expand(item, ExpandAction::Collapse);
        event->accept();
        return;
      }
      break;
    default:
      break;
    }
  }
  QTreeWidget::keyPressEvent(event);
}

void CDirTreeCtrl::onViewExpanded(const QModelIndex& index, ExpandAction action) {
  if (m_quiet > 0) {
    return;
  }
  // Later, once the view's own call has returned: it may still hold indexes of items that
  // the handler deletes.
  const QPersistentModelIndex changed(index);
  QMetaObject::invokeMethod(
      this,
      [this, changed, action] {
        QTreeWidgetItem* item = changed.isValid() ? itemFromIndex(changed) : nullptr;
        if (item == nullptr || item->isExpanded() != (action == ExpandAction::Expand)) {
          return;
        }
        // Back to how it was, then through the notification as any other request.
        setExpandedQuietly(item, action != ExpandAction::Expand);
        Expand(item, action);
      },
      Qt::QueuedConnection);
}

} // namespace texkit2::locate
