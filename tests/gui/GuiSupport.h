#pragma once

#include "framework/MessageBox.h"
#include "framework/qt/QtDialog.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace texkit2::testing {

// Answers every message box at once and keeps what it showed.
class RecordingMessageBoxes final : public framework::MessageBoxService {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    framework::BoxIcon icon;
  };
  void show(framework::CDialog* /*owner*/, const std::string& text, const std::string& caption,
            framework::BoxIcon icon) override {
    shown.push_back({text, caption, icon});
  }
  std::vector<Shown> shown;
};

// The Qt window of a dialog, built.
inline framework::QtDialog& window(framework::CDialog& dialog) {
  dialog.Create();
  return *framework::qtDialog(dialog);
}

// The dialog of type T whose window `widget` is; null for another window.
template <class T> T* dialogOf(QWidget* widget) {
  auto* peer = qobject_cast<framework::QtDialog*>(widget);
  return peer != nullptr ? dynamic_cast<T*>(&peer->dialog()) : nullptr;
}

// Acts on the next modal dialog as soon as it is up (from within its own event loop), then
// checks that it ran. `act` must close it.
class OnNextModal {
 public:
  explicit OnNextModal(std::function<void(QWidget*)> act) : m_act(std::move(act)) { poll(); }
  bool ran() const { return m_ran; }

 private:
  void poll() {
    QTimer::singleShot(10, &m_context, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (modal != nullptr && modal->isVisible()) {
        m_ran = true;
        m_act(modal);
      } else if (++m_tries < 500) {
        poll();
      }
    });
  }
  QObject m_context; // cancels the polling when this goes
  std::function<void(QWidget*)> m_act;
  bool m_ran = false;
  int m_tries = 0;
};

// GUI tests leave no window behind.
inline void expectNoTopLevelWindows() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    EXPECT_FALSE(widget->isVisible()) << widget->objectName().toStdString();
  }
}

} // namespace texkit2::testing
