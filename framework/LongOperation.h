#pragma once

#include <functional>
#include <memory>

namespace texkit2::framework {

class CDialog;
class CapturePeer;

// While it lives: the wait cursor, and no mouse or keyboard input reaches `owner`'s window (as
// with the mouse captured by it). Other windows, such as the message boxes a long operation
// shows, still get theirs.
class WaitCursorCapture {
 public:
  explicit WaitCursorCapture(CDialog& owner);
  ~WaitCursorCapture();
  WaitCursorCapture(const WaitCursorCapture&) = delete;
  WaitCursorCapture& operator=(const WaitCursorCapture&) = delete;

  CapturePeer* peer() const { return m_peer.get(); }

 private:
  std::unique_ptr<CapturePeer> m_peer;
};

// Runs `work` on a worker thread and returns when it is done. Meanwhile the dialogs repaint and
// their animations and timers go on, but only what the worker posts back with callOnGuiThread
// changes them.
void runLongOperation(const std::function<void()>& work);

// Calls `fn` on the dialogs' thread: directly when already there, else posted (waiting for it
// to finish when `wait` is true, as for a modal message box).
void callOnGuiThread(std::function<void()> fn, bool wait);

} // namespace texkit2::framework
