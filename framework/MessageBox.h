#pragma once

#include "framework/Toolkit.h"

#include <string>

namespace texkit2::framework {

// Modal message boxes with one OK button. Dialogs take one of these so a test can answer them.
class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  virtual void show(CDialog* owner, const std::string& text, const std::string& caption,
                    BoxIcon icon) = 0;
};

// The window system's own.
class SystemMessageBoxService final : public MessageBoxService {
 public:
  void show(CDialog* owner, const std::string& text, const std::string& caption,
            BoxIcon icon) override {
    toolkit().messageBox(owner, text, caption, icon);
  }
};

} // namespace texkit2::framework
