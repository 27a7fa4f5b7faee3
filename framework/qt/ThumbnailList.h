#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QListView>
#include <QPixmap>
#include <QString>
#include <vector>

namespace texkit2::framework {

class CDialog;
class ThumbnailDelegate;

// The items of a thumbnail list, asked of the dialog one by one as the view first needs them.
class ThumbnailModel final : public QAbstractListModel {
  Q_OBJECT
 public:
  ThumbnailModel(CDialog& dialog, int controlId, QObject* parent);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // A new set of items: all forgotten.
  void setCount(int count);
  // Items first to last are asked again when next shown.
  void forget(int first, int last);

 private:
  struct Item {
    QString caption;
    QPixmap icon;
  };
  const Item& item(int row) const;

  CDialog& m_dialog;
  int m_controlId;
  int m_count = 0;
  mutable QHash<int, Item> m_items;
};

// A grid of thumbnails with two caption lines under each, several selectable at once.
// Selection changes and activation (double click, Enter) go to the dialog's handlers.
class ThumbnailList final : public QListView {
  Q_OBJECT
 public:
  ThumbnailList(CDialog& dialog, int controlId, QWidget* parent);

  void setCount(int count);
  int count() const { return m_model->rowCount(); }
  void forget(int first, int last) { m_model->forget(first, last); }
  // Ascending.
  std::vector<int> selection() const;
  void select(const std::vector<int>& items);
  // Rows the viewport shows, wholly or in part; ascending.
  std::vector<int> visibleRows() const;

  // Type-ahead would ask the dialog for every caption; the dialog offers its own way to find.
  void keyboardSearch(const QString& search) override;

 protected:
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void fitGridToFont();

  CDialog& m_dialog;
  int m_controlId;
  ThumbnailModel* m_model;
  ThumbnailDelegate* m_delegate;
};

} // namespace texkit2::framework
