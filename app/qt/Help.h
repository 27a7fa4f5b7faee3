#pragma once

#include "framework/MessageBox.h"

#include <QString>
#include <QUrl>
#include <functional>

namespace texkit2::app {

// F1: the README in the desktop's viewer; where none opens it (or it is missing), a box that
// says where help is.
void showHelp(framework::MessageBoxService& messages, const QString& readme,
              const std::function<bool(const QUrl&)>& open);

} // namespace texkit2::app
