#include "app/qt/Screenshots.h"

#include "framework/qt/QtDialog.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

namespace texkit2::app {

std::string QtScreenshotCamera::take(framework::CDialog& dialog, const std::string& folder,
                                     const std::string& name) {
  framework::QtDialog* window = framework::qtDialog(dialog);
  window->show();
  QApplication::processEvents();
  const QString path =
      QDir(QString::fromStdString(folder)).filePath(QString::fromStdString(name) + ".png");
  return window->grab().save(path) ? path.toStdString() : std::string();
}

void QtScreenshotCamera::hide(framework::CDialog& dialog) {
  framework::qtDialog(dialog)->hide();
}

std::string QtScreenshotCamera::takeModal(int templateId, const std::string& folder,
                                          const std::string& name,
                                          const std::function<void()>& run) {
  std::string written;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* modal = qobject_cast<framework::QtDialog*>(QApplication::activeModalWidget());
    if (modal != nullptr && modal->dialog().templateId() == templateId) {
      poll.stop();
      written = take(modal->dialog(), folder, name);
      modal->dialog().EndDialog(framework::CDialog::IDOK);
    }
  });
  poll.start();
  run();
  return written;
}

} // namespace texkit2::app
