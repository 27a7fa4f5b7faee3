#include "framework/qt/QtToolkit.h"

#include "framework/Dialog.h"
#include "framework/Resources.h"
#include "framework/qt/QtDialog.h"
#include "framework/qt/QtResources.h"
#include "framework/qt/QtTree.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

namespace texkit2::framework {
namespace {

bool isUserInput(QEvent::Type type) {
  switch (type) {
  case QEvent::MouseButtonPress:
  case QEvent::MouseButtonRelease:
  case QEvent::MouseButtonDblClick:
  case QEvent::KeyPress:
  case QEvent::KeyRelease:
  case QEvent::Shortcut:
  case QEvent::ShortcutOverride:
  case QEvent::Wheel:
  case QEvent::ContextMenu:
  case QEvent::Close:
  case QEvent::TouchBegin:
  case QEvent::TouchUpdate:
  case QEvent::TouchEnd:
    return true;
  default:
    return false;
  }
}

QWidget* widgetOf(const CDialog* dialog) {
  return dialog != nullptr ? qtDialog(*dialog) : nullptr;
}

// In the file system's encoding of names (UTF-8 for Qt 6), which is what the platform layer
// opens. Qt has already read a name that is no valid UTF-8 lossily; such a file cannot be chosen.
std::optional<std::string> chosenPath(const QString& path) {
  if (path.isEmpty()) {
    return std::nullopt;
  }
  return QFile::encodeName(path).toStdString();
}

class QtToolkit final : public Toolkit {
 public:
  std::unique_ptr<DialogPeer> createDialog(CDialog& dialog) override {
    return std::make_unique<QtDialog>(dialog, widgetOf(dialog.owner()));
  }

  std::unique_ptr<ImageListPeer> createImageList(int bitmapId, int imageWidth,
                                                 std::uint32_t maskRgb) override {
    initResources();
    return std::make_unique<QtImageList>(LoadBitmap(bitmapId), imageWidth, maskRgb);
  }

  std::unique_ptr<CapturePeer> captureWithWaitCursor(CDialog& owner) override {
    return std::make_unique<QtCapture>(widgetOf(&owner));
  }

  void runLongOperation(const std::function<void()>& work) override {
    QEventLoop loop;
    QThread* thread = QThread::create(work);
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    thread->wait();
    delete thread;
    // What the worker posted before it ended has been delivered before `finished`; this
    // flushes anything posted in between.
    QCoreApplication::sendPostedEvents();
  }

  void callOnGuiThread(std::function<void()> fn, bool wait) override {
    QObject* context = qApp;
    if (QThread::currentThread() == context->thread()) {
      fn();
      return;
    }
    QMetaObject::invokeMethod(context, std::move(fn),
                              wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
  }

  void messageBox(CDialog* owner, const std::string& text, const std::string& caption,
                  BoxIcon icon) override {
    QMessageBox box(widgetOf(owner));
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
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

  std::optional<std::string> loadString(int id) override { return LoadString(id); }

  std::optional<std::string> chooseFileToOpen(CDialog* owner, const std::string& title,
                                              const std::string& filterName,
                                              const std::string& patterns) override {
    // Win32 separates patterns with ';', Qt with spaces.
    const QString listed = QString::fromStdString(patterns).replace(';', ' ').simplified();
    QString filter = "All files (*)";
    if (!listed.isEmpty()) {
      filter.prepend(QString("%1 (%2);;").arg(QString::fromStdString(filterName), listed));
    }
    return chosenPath(QFileDialog::getOpenFileName(widgetOf(owner), QString::fromStdString(title),
                                                   QString(), filter));
  }

  std::optional<std::string> chooseFolder(CDialog* owner, const std::string& title) override {
    return chosenPath(
        QFileDialog::getExistingDirectory(widgetOf(owner), QString::fromStdString(title)));
  }
};

} // namespace

QtCapture::QtCapture(QWidget* owner) : m_owner(owner) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  qApp->installEventFilter(this);
}

QtCapture::~QtCapture() {
  qApp->removeEventFilter(this);
  QApplication::restoreOverrideCursor();
}

bool QtCapture::eventFilter(QObject* watched, QEvent* event) {
  if (m_owner && isUserInput(event->type()) && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() == m_owner->window()) {
      ++m_blocked;
      event->ignore();
      return true;
    }
  }
  return false;
}

Toolkit& toolkit() {
  static QtToolkit instance;
  return instance;
}

} // namespace texkit2::framework
