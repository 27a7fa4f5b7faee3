#pragma once

// Pictures of windows as the user sees them, for the documentation and for tests that look at
// pixels (an animation that moves, an icon that is drawn).

#include "framework/win32/Win32Api.h"

#include <cstdint>
#include <string>
#include <vector>

namespace texkit2::framework::win32 {

// The pixels of a window or control with its frame, as 0xRRGGBB rows from the top.
struct WindowPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> rgb;
};

// Repaints `window` (and its children) and copies what it shows; empty when it cannot.
WindowPixels captureWindow(HWND window);

// Writes the picture as a 24-bit .bmp file; false when there is none or it cannot be written.
bool saveBitmap(const WindowPixels& pixels, const std::string& path);

// captureWindow, then saveBitmap.
bool saveWindowBitmap(HWND window, const std::string& path);

} // namespace texkit2::framework::win32
