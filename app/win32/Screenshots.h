#pragma once

#include "app/Screenshots.h"

namespace texkit2::app {

// Pictures of the Win32 windows, as .bmp files (the window's own pixels, frame included).
class Win32ScreenshotCamera final : public ScreenshotCamera {
 public:
  std::string take(framework::CDialog& dialog, const std::string& folder,
                   const std::string& name) override;
  void hide(framework::CDialog& dialog) override;
  std::string takeModal(int templateId, const std::string& folder, const std::string& name,
                        const std::function<void()>& run) override;
};

// "Common controls 6.10, window classes of 6.0.22621.1, at 192 DPI": what this process draws
// its dialogs with.
std::string drawnWith();

} // namespace texkit2::app
