#pragma once

#include <QString>

class QWidget;

namespace texkit2::framework {

enum class BoxIcon { None, Warning, Error };

// Modal message boxes with one OK button. Dialogs take one of these so a test can answer them.
class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  virtual void show(QWidget* owner, const QString& text, const QString& caption, BoxIcon icon) = 0;
};

// The real thing, on QMessageBox.
class QtMessageBoxService final : public MessageBoxService {
 public:
  void show(QWidget* owner, const QString& text, const QString& caption, BoxIcon icon) override;
};

} // namespace texkit2::framework
