#include "framework/qt/QtTree.h"

#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPersistentModelIndex>
#include <QStyle>
#include <QStyleOption>

namespace texkit2::framework {
namespace {

// The text as given (bytes, which need not be valid UTF-8); what is shown is its best reading.
constexpr int kNameRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;
constexpr int kSelectedImageRole = Qt::UserRole + 2;
constexpr int kDataRole = Qt::UserRole + 3;

QByteArray nameOf(const QTreeWidgetItem* item) {
  return item->data(0, kNameRole).toByteArray();
}

} // namespace

QtImageList::QtImageList(const QPixmap& bitmap, int imageWidth, std::uint32_t maskRgb) {
  if (bitmap.isNull() || imageWidth <= 0) {
    return;
  }
  QImage image = bitmap.toImage().convertToFormat(QImage::Format_ARGB32);
  const QRgb mask = maskRgb & 0xFFFFFFu;
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
}

QPixmap QtImageList::image(int index) const {
  if (index < 0 || index >= count()) {
    return {};
  }
  return m_images[static_cast<std::size_t>(index)];
}

QtTree::QtTree(QWidget* parent) : QTreeWidget(parent) {
  setColumnCount(1);
  setHeaderHidden(true);
  setRootIsDecorated(true);
  setItemsExpandable(true);
  // Double clicks and the expand buttons go through request(), so the control hears first.
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
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
            if (m_control != nullptr) {
              m_control->notifySelChanged({ExpandAction::None, handle(previous), handle(current)});
            }
          });
}

QtTree::~QtTree() {
  m_control = nullptr;
}

void QtTree::attach(CTreeCtrl& control) {
  m_control = &control;
}

void QtTree::detach() {
  m_control = nullptr;
}

void QtTree::setImageList(const CImageList* images) {
  m_images = images != nullptr ? dynamic_cast<const QtImageList*>(images->peer()) : nullptr;
}

HTREEITEM QtTree::insert(const std::string& text, int image, int selectedImage, HTREEITEM parent,
                         bool sorted) {
  auto* item = new QTreeWidgetItem;
  const QByteArray name = QByteArray::fromStdString(text);
  item->setText(0, QString::fromUtf8(name));
  item->setData(0, kNameRole, name);
  item->setData(0, kImageRole, image);
  item->setData(0, kSelectedImageRole, selectedImage);
  if (m_images != nullptr) {
    QIcon icon;
    icon.addPixmap(m_images->image(image), QIcon::Normal);
    icon.addPixmap(m_images->image(selectedImage), QIcon::Selected);
    item->setIcon(0, icon);
  }
  QTreeWidgetItem* under = parent != nullptr ? fromHandle(parent) : invisibleRootItem();
  int position = under->childCount();
  if (sorted) {
    // Case-insensitive as the system the tool was made for sorts; byte order breaks ties,
    // which a case-sensitive file system can hold ("Quake" and "quake").
    const QString shown = item->text(0);
    const auto before = [&](const QTreeWidgetItem* sibling) {
      const int order = QString::compare(shown, sibling->text(0), Qt::CaseInsensitive);
      return order < 0 || (order == 0 && name < nameOf(sibling));
    };
    int low = 0;
    int high = under->childCount();
    while (low < high) {
      const int middle = low + (high - low) / 2;
      if (before(under->child(middle))) {
        high = middle;
      } else {
        low = middle + 1;
      }
    }
    position = low;
  }
  under->insertChild(position, item);
  return handle(item);
}

bool QtTree::remove(HTREEITEM item) {
  delete fromHandle(item);
  return true;
}

HTREEITEM QtTree::root() const {
  return handle(topLevelItem(0));
}

HTREEITEM QtTree::child(HTREEITEM item) const {
  const QTreeWidgetItem* under = item != nullptr ? fromHandle(item) : invisibleRootItem();
  return handle(under->child(0));
}

HTREEITEM QtTree::nextSibling(HTREEITEM item) const {
  const QTreeWidgetItem* it = fromHandle(item);
  const QTreeWidgetItem* under = it->parent() != nullptr ? it->parent() : invisibleRootItem();
  return handle(under->child(under->indexOfChild(const_cast<QTreeWidgetItem*>(it)) + 1));
}

HTREEITEM QtTree::parent(HTREEITEM item) const {
  return handle(fromHandle(item)->parent());
}

HTREEITEM QtTree::selected() const {
  return handle(currentItem());
}

bool QtTree::select(HTREEITEM item) {
  if (item == nullptr) {
    setCurrentItem(nullptr);
    clearSelection();
  } else {
    setCurrentItem(fromHandle(item));
  }
  return true;
}

std::string QtTree::text(HTREEITEM item) const {
  return nameOf(fromHandle(item)).toStdString();
}

bool QtTree::image(HTREEITEM item, int& image, int& selectedImage) const {
  const QTreeWidgetItem* it = fromHandle(item);
  image = it->data(0, kImageRole).toInt();
  selectedImage = it->data(0, kSelectedImageRole).toInt();
  return true;
}

std::uintptr_t QtTree::data(HTREEITEM item) const {
  return static_cast<std::uintptr_t>(fromHandle(item)->data(0, kDataRole).toULongLong());
}

bool QtTree::setData(HTREEITEM item, std::uintptr_t data) {
  fromHandle(item)->setData(0, kDataRole, static_cast<qulonglong>(data));
  return true;
}

bool QtTree::isExpanded(HTREEITEM item) const {
  return fromHandle(item)->isExpanded();
}

bool QtTree::hasButton(HTREEITEM item) const {
  return hasExpandButton(fromHandle(item));
}

void QtTree::setExpanded(HTREEITEM item, bool expanded) {
  const QuietScope quiet(m_quiet);
  fromHandle(item)->setExpanded(expanded);
}

bool QtTree::hasExpandButton(const QTreeWidgetItem* item) const {
  // The view draws one for every item with a child it could show.
  return itemsExpandable() && item->childCount() > 0 &&
         (item->parent() != nullptr || rootIsDecorated());
}

QRect QtTree::expandButtonRect(const QTreeWidgetItem* item) const {
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

void QtTree::request(QTreeWidgetItem* item, ExpandAction action) {
  if (m_control != nullptr) {
    m_control->Expand(handle(item), action);
  }
}

QTreeWidgetItem* QtTree::expandButtonAt(const QPoint& position) const {
  QTreeWidgetItem* item = itemAt(position);
  if (item == nullptr || !expandButtonRect(item).contains(position)) {
    return nullptr;
  }
  return item;
}

bool QtTree::handlesPressAt(const QPoint& position, QEvent::Type type) {
  QTreeWidgetItem* item = expandButtonAt(position);
  if (item == nullptr) {
    return false;
  }
  // The style says whether the button acts on the press or on the release.
  if (style()->styleHint(QStyle::SH_ListViewExpand_SelectMouseType, nullptr, this) == type) {
    request(item, item->isExpanded() ? ExpandAction::Collapse : ExpandAction::Expand);
  }
  return true;
}

void QtTree::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton &&
      handlesPressAt(event->position().toPoint(), QEvent::MouseButtonPress)) {
    event->accept();
    return;
  }
  QTreeWidget::mousePressEvent(event);
}

void QtTree::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton &&
      handlesPressAt(event->position().toPoint(), QEvent::MouseButtonRelease)) {
    event->accept();
    return;
  }
  QTreeWidget::mouseReleaseEvent(event);
}

void QtTree::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint position = event->position().toPoint();
  if (expandButtonAt(position) != nullptr) {
    event->accept(); // the press has toggled it already
    return;
  }
  QTreeWidget::mouseDoubleClickEvent(event);
  QTreeWidgetItem* item = itemAt(position);
  if (event->button() == Qt::LeftButton && item != nullptr && hasExpandButton(item)) {
    request(item, item->isExpanded() ? ExpandAction::Collapse : ExpandAction::Expand);
  }
}

void QtTree::keyPressEvent(QKeyEvent* event) {
  QTreeWidgetItem* item = currentItem();
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (item != nullptr && modifiers == Qt::NoModifier && !isRightToLeft()) {
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Asterisk: // one level only: the view's "all levels" would list a whole disk
      if (hasExpandButton(item)) {
        request(item, ExpandAction::Expand);
      }
      event->accept();
      return;
    case Qt::Key_Minus:
      request(item, ExpandAction::Collapse);
      event->accept();
      return;
    case Qt::Key_Right:
      if (!item->isExpanded() && hasExpandButton(item)) {
        request(item, ExpandAction::Expand);
        event->accept();
        return;
      }
      break;
    case Qt::Key_Left:
      if (item->isExpanded()) {
        request(item, ExpandAction::Collapse);
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

void QtTree::onViewExpanded(const QModelIndex& index, ExpandAction action) {
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
        setExpanded(handle(item), action != ExpandAction::Expand);
        request(item, action);
      },
      Qt::QueuedConnection);
}

} // namespace texkit2::framework
