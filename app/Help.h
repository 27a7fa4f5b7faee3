#pragma once

#include "framework/MessageBox.h"

#include <functional>
#include <string>

namespace texkit2::app {

// F1: the README in the desktop's viewer; where none opens it (or it is missing), a box that
// says where help is.
void showHelp(framework::MessageBoxService& messages, const std::string& readme,
              const std::function<bool(const std::string&)>& open);

} // namespace texkit2::app
