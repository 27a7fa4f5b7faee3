#pragma once

#include "framework/Toolkit.h"

#include <QEvent>
#include <QPixmap>
#include <QTreeWidget>
#include <vector>

namespace texkit2::framework {

// Images of one size cut from a bitmap, with one colour made transparent.
class QtImageList final : public ImageListPeer {
 public:
  QtImageList(const QPixmap& bitmap, int imageWidth, std::uint32_t maskRgb);
  int count() const override { return static_cast<int>(m_images.size()); }
  // Null for an index out of range.
  QPixmap image(int index) const;

 private:
  std::vector<QPixmap> m_images;
};

// A tree control over QTreeWidget. Every expansion and collapse the user asks for (mouse,
// keyboard, double click) is reported before the view changes, and the view follows only when
// the control allows it.
class QtTree final : public QTreeWidget, public TreePeer {
  Q_OBJECT
 public:
  explicit QtTree(QWidget* parent = nullptr);
  ~QtTree() override;

  static QTreeWidgetItem* fromHandle(HTREEITEM item) {
    return reinterpret_cast<QTreeWidgetItem*>(item);
  }
  static HTREEITEM handle(const QTreeWidgetItem* item) {
    return reinterpret_cast<HTREEITEM>(const_cast<QTreeWidgetItem*>(item));
  }
  // Where the view draws an item's expand button; empty without one.
  QRect expandButtonRect(const QTreeWidgetItem* item) const;
  bool hasExpandButton(const QTreeWidgetItem* item) const;

  // TreePeer
  void attach(CTreeCtrl& control) override;
  void detach() override;
  void setImageList(const CImageList* images) override;
  HTREEITEM insert(const std::string& text, int image, int selectedImage, HTREEITEM parent,
                   bool sorted) override;
  bool remove(HTREEITEM item) override;
  HTREEITEM root() const override;
  HTREEITEM child(HTREEITEM item) const override;
  HTREEITEM nextSibling(HTREEITEM item) const override;
  HTREEITEM parent(HTREEITEM item) const override;
  HTREEITEM selected() const override;
  bool select(HTREEITEM item) override;
  std::string text(HTREEITEM item) const override;
  bool image(HTREEITEM item, int& image, int& selectedImage) const override;
  std::uintptr_t data(HTREEITEM item) const override;
  bool setData(HTREEITEM item, std::uintptr_t data) override;
  bool isExpanded(HTREEITEM item) const override;
  bool hasButton(HTREEITEM item) const override;
  void setExpanded(HTREEITEM item, bool expanded) override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The user's request: notified first, and carried out when the control allows it.
  void request(QTreeWidgetItem* item, ExpandAction action);
  bool handlesPressAt(const QPoint& position, QEvent::Type type);
  QTreeWidgetItem* expandButtonAt(const QPoint& position) const;
  // Expansions that reached the view by another way than ours (accessibility, the view's own
  // requests): handled afterwards, as if notified before.
  void onViewExpanded(const QModelIndex& index, ExpandAction action);

  CTreeCtrl* m_control = nullptr;
  const QtImageList* m_images = nullptr;
  // Our own changes of the view, which must not come back as notifications.
  int m_quiet = 0;
};

} // namespace texkit2::framework
