#pragma once

#include "framework/MessageBox.h"
#include "platform/File.h"
#include "platform/HostRegistry.h"

#include <functional>

namespace texkit2::app {

class CExtractDlg;

// What the main dialog reaches outside itself; tests hand in their own.
struct AppServices {
  platform::FileSystem& files;
  framework::MessageBoxService& messages;
  // The level editor's registry, opened for each registration.
  std::function<platform::HostRegistry()> openRegistry;
  // The two ways of finding the game data folder; each ends by calling ShowFolderLocated.
  std::function<void(CExtractDlg&)> manualLocate;
  std::function<void(CExtractDlg&)> search;
  // F1.
  std::function<void()> openHelp;
};

} // namespace texkit2::app
