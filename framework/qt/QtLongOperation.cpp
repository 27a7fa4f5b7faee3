#include "framework/LongOperation.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
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

} // namespace

WaitCursorCapture::WaitCursorCapture(QWidget* owner) : m_owner(owner) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  qApp->installEventFilter(this);
}

WaitCursorCapture::~WaitCursorCapture() {
  qApp->removeEventFilter(this);
  QApplication::restoreOverrideCursor();
}

bool WaitCursorCapture::eventFilter(QObject* watched, QEvent* event) {
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

void runLongOperation(const std::function<void()>& work) {
  QEventLoop loop;
  QThread* thread = QThread::create(work);
  QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
  thread->start();
  loop.exec();
  thread->wait();
  delete thread;
  // What the worker posted before it ended has been delivered before `finished`; this flushes
  // anything posted in between.
  QCoreApplication::sendPostedEvents();
}

void callOnGuiThread(QObject* context, std::function<void()> fn, bool wait) {
  if (QThread::currentThread() == context->thread()) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(context, std::move(fn),
                            wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

} // namespace texkit2::framework
