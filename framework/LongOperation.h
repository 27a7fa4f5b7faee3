#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace texkit2::framework {

// While it lives: the wait cursor, and no mouse or keyboard input reaches `owner`'s window (as
// with the mouse captured by it). Other windows, such as the message boxes a long operation
// shows, still get theirs.
class WaitCursorCapture final : public QObject {
 public:
  explicit WaitCursorCapture(QWidget* owner);
  ~WaitCursorCapture() override;
  WaitCursorCapture(const WaitCursorCapture&) = delete;
  WaitCursorCapture& operator=(const WaitCursorCapture&) = delete;

  // Input events swallowed so far; tests check that clicks did not get through.
  int blockedEvents() const { return m_blocked; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> m_owner;
  int m_blocked = 0;
};

// Runs `work` on a worker thread and returns when it is done. Meanwhile the event loop runs, so
// windows repaint and animations and timers go on, but only what the worker posts back with
// callOnGuiThread changes the dialog.
void runLongOperation(const std::function<void()>& work);

// Calls `fn` on the thread of `context`: directly when already there, else posted (waiting for
// it to finish when `wait` is true, as for a modal message box).
void callOnGuiThread(QObject* context, std::function<void()> fn, bool wait);

} // namespace texkit2::framework
