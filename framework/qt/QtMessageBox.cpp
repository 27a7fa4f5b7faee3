#include "framework/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

namespace texkit2::framework {

void QtMessageBoxService::show(QWidget* owner, const QString& text, const QString& caption,
                               BoxIcon icon) {
  QMessageBox box(owner);
  box.setWindowTitle(caption);
  box.setText(text);
  box.setIcon(icon == BoxIcon::Warning ? QMessageBox::Warning
              : icon == BoxIcon::Error ? QMessageBox::Critical
                                       : QMessageBox::NoIcon);
  box.setStandardButtons(QMessageBox::Ok);
  // The box must answer the user even while a long operation shows the wait cursor.
  const bool waiting = QApplication::overrideCursor() != nullptr;
  if (waiting) {
    QApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  box.exec();
  if (waiting) {
    QApplication::restoreOverrideCursor();
  }
}

} // namespace texkit2::framework
