#pragma once

#include "app/AppServices.h"

#include <functional>
#include <string>
#include <vector>

namespace texkit2::app {

// How a front end takes the pictures: it shows a dialog and writes what the user would see.
class ScreenshotCamera {
 public:
  virtual ~ScreenshotCamera() = default;
  // Shows `dialog`, lets it paint, and writes its picture as `name` in `folder`; the file
  // written, or empty.
  virtual std::string take(framework::CDialog& dialog, const std::string& folder,
                           const std::string& name) = 0;
  virtual void hide(framework::CDialog& dialog) = 0;
  // While `run` goes on: the first modal dialog of template `templateId` that comes up is
  // photographed as `name` and closed with OK.
  virtual std::string takeModal(int templateId, const std::string& folder, const std::string& name,
                                const std::function<void()>& run) = 0;
};

// Renders every dialog in each of its states into `folder`, running a real extraction of the
// Quake installation in `dataFolder`. Returns the files written; `error` says why it stopped
// short (not a data folder, a failed extraction).
std::vector<std::string> writeScreenshots(ScreenshotCamera& camera, const std::string& folder,
                                          const std::string& dataFolder, AppServices& services,
                                          std::string& error);

// The --screenshots command of both front ends: never the user's editor settings, and every
// message printed instead of a box that nobody would close. `print` says a line (files
// written on `out`, errors and messages on `err`). Returns the exit status.
int runScreenshotCommand(ScreenshotCamera& camera, platform::FileSystem& files,
                         const std::string& folder, const std::string& dataFolder,
                         const std::function<void(const std::string&)>& out,
                         const std::function<void(const std::string&)>& err);

} // namespace texkit2::app
