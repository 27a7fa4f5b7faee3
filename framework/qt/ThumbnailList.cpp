#include "framework/qt/ThumbnailList.h"

#include <QIcon>

#include "framework/Dialog.h"
#include "framework/qt/PictureControl.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

namespace texkit2::framework {

// Every cell has the same size, known without asking the model: the view lays out all items
// but must ask the dialog only for those it shows.
class ThumbnailDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& /*option*/,
                 const QModelIndex& /*index*/) const override {
    return m_cell;
  }
  void setCell(QSize cell) { m_cell = cell; }

 private:
  QSize m_cell;
};

namespace {

// A smaller picture keeps its size, centred; the dialog should not send a larger one, but if
// it does it is fitted rather than cut.
QPixmap iconOf(const Picture& picture) {
  QImage image = toImage(picture);
  QImage icon(kThumbnailSide, kThumbnailSide, QImage::Format_ARGB32_Premultiplied);
  icon.fill(Qt::transparent);
  if (!image.isNull()) {
    if (image.width() > kThumbnailSide || image.height() > kThumbnailSide) {
      image = image.scaled(kThumbnailSide, kThumbnailSide, Qt::KeepAspectRatio,
                           Qt::SmoothTransformation);
    }
    QPainter painter(&icon);
    painter.drawImage((kThumbnailSide - image.width()) / 2, (kThumbnailSide - image.height()) / 2,
                      image);
  }
  return QPixmap::fromImage(icon);
}

} // namespace

ThumbnailModel::ThumbnailModel(CDialog& dialog, int controlId, QObject* parent)
    : QAbstractListModel(parent), m_dialog(dialog), m_controlId(controlId) {}

int ThumbnailModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : m_count;
}

QVariant ThumbnailModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= m_count ||
      (role != Qt::DisplayRole && role != Qt::DecorationRole)) {
    return {};
  }
  const Item& answer = item(index.row());
  if (role == Qt::DisplayRole) {
    return answer.caption;
  }
  // The same pixels when selected: the style's tint would change the colours shown.
  QIcon icon;
  icon.addPixmap(answer.icon, QIcon::Normal);
  icon.addPixmap(answer.icon, QIcon::Selected);
  return icon;
}

const ThumbnailModel::Item& ThumbnailModel::item(int row) const {
  if (const auto it = m_items.constFind(row); it != m_items.cend()) {
    return *it;
  }
  std::string caption;
  Picture picture;
  m_dialog.OnThumbnailNeedItem(m_controlId, row, caption, picture);
  return *m_items.insert(row, {QString::fromStdString(caption), iconOf(picture)});
}

void ThumbnailModel::setCount(int count) {
  beginResetModel();
  m_count = std::max(count, 0);
  m_items.clear();
  endResetModel();
}

void ThumbnailModel::forget(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, m_count - 1);
  if (first > last) {
    return;
  }
  m_items.removeIf(
      [first, last](const auto& entry) { return entry.key() >= first && entry.key() <= last; });
  emit dataChanged(index(first), index(last), {Qt::DisplayRole, Qt::DecorationRole});
}

ThumbnailList::ThumbnailList(CDialog& dialog, int controlId, QWidget* parent)
    : QListView(parent), m_dialog(dialog), m_controlId(controlId),
      m_model(new ThumbnailModel(dialog, controlId, this)),
      m_delegate(new ThumbnailDelegate(this)) {
  setViewMode(QListView::IconMode);
  setMovement(QListView::Static);
  setFlow(QListView::LeftToRight);
  setWrapping(true);
  setResizeMode(QListView::Adjust);
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setDragEnabled(false);
  setDragDropMode(QAbstractItemView::NoDragDrop);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(kThumbnailSide, kThumbnailSide));
  setItemDelegate(m_delegate);
  fitGridToFont();
  setModel(m_model);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { m_dialog.OnThumbnailSelChanged(m_controlId); });
  connect(this, &QListView::activated, this, [this](const QModelIndex& index) {
    m_dialog.OnThumbnailActivate(m_controlId, index.row());
  });
}

void ThumbnailList::fitGridToFont() {
  const QFontMetrics metrics(font());
  const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
  constexpr int kGap = 4;
  // Most texture names (12 characters or fewer) whole on the first caption line, so that four
  // columns still fit the browser; longer ones are elided. The size goes on the second line.
  const QSize cell(std::max(kThumbnailSide, 12 * metrics.averageCharWidth()) + 2 * margin + kGap,
                   kThumbnailSide + margin + 2 * metrics.lineSpacing() + kGap);
  m_delegate->setCell(cell);
  setGridSize(cell);
}

void ThumbnailList::changeEvent(QEvent* event) {
  QListView::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    fitGridToFont();
  }
}

void ThumbnailList::setCount(int count) {
  m_model->setCount(count);
  scrollToTop();
}

std::vector<int> ThumbnailList::selection() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedIndexes()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

void ThumbnailList::select(const std::vector<int>& items) {
  std::vector<int> rows;
  const int count = this->count();
  std::copy_if(items.begin(), items.end(), std::back_inserter(rows),
               [count](int row) { return row >= 0 && row < count; });
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  // One range per run, so that a large selection stays cheap to hold.
  QItemSelection selection;
  for (std::size_t i = 0; i < rows.size();) {
    std::size_t end = i + 1;
    while (end < rows.size() && rows[end] == rows[end - 1] + 1) {
      ++end;
    }
    selection.select(m_model->index(rows[i]), m_model->index(rows[end - 1]));
    i = end;
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  if (!rows.empty()) {
    const QModelIndex first = m_model->index(rows.front());
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    scrollTo(first);
  }
}

std::vector<int> ThumbnailList::visibleRows() const {
  std::vector<int> rows;
  const QRect area = viewport()->rect();
  const int count = this->count();
  for (int row = 0; row < count; ++row) {
    if (visualRect(m_model->index(row)).intersects(area)) {
      rows.push_back(row);
    }
  }
  return rows;
}

void ThumbnailList::keyboardSearch(const QString& /*search*/) {}

void ThumbnailList::keyPressEvent(QKeyEvent* event) {
  QListView::keyPressEvent(event);
  // The view activates the current item on Enter and passes the key on, where the dialog
  // would take it for its default button as well.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      currentIndex().isValid()) {
    event->accept();
  }
}

} // namespace texkit2::framework
