#pragma once

#include "framework/MessageBox.h"
#include "platform/File.h"
#include "platform/HostRegistry.h"

#include <functional>
#include <optional>
#include <string>

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
  // The texture browser over a WAD file; asks for one when the path is empty. With no owner it
  // stands alone.
  std::function<void(framework::CDialog*, const std::string&)> browseTextures;
  // Where TrenchBroom keeps its preferences; nullopt with the reason when that is unknown.
  std::function<std::optional<std::string>(std::string& whyNot)> trenchBroomPreferences = {};
  // A question with OK and Cancel; true for OK.
  std::function<bool(framework::CDialog& owner, const std::string& text,
                     const std::string& caption)>
      confirm = {};
};

} // namespace texkit2::app
