#pragma once

#include "framework/Toolkit.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace texkit2::framework {

// The wait cursor, and no mouse or keyboard input to the owner's window while it lives.
class QtCapture final : public QObject, public CapturePeer {
 public:
  explicit QtCapture(QWidget* owner);
  ~QtCapture() override;

  // Input events swallowed so far; tests check that clicks did not get through.
  int blockedEvents() const { return m_blocked; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> m_owner;
  int m_blocked = 0;
};

} // namespace texkit2::framework
