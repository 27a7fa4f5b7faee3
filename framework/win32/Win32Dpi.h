#pragma once

// Pixels for the screen's DPI. The program declares itself aware of each monitor's DPI (its
// manifest), so Windows stretches nothing: sizes drawn for 96 DPI are scaled here, once, and
// smoothly, or taken from art drawn at that size.

#include "framework/Picture.h"
#include "framework/win32/Win32Api.h"

namespace texkit2::framework::win32 {

inline constexpr int kBaseDpi = 96;

// The DPI of `window`'s monitor; the system's for no window, or where Windows predates
// per-monitor DPI.
int dpiOf(HWND window);

// `pixels` at 96 DPI, at `dpi`.
inline int scaledFor(int pixels, int dpi) {
  return ::MulDiv(pixels, dpi, kBaseDpi);
}

// `picture` at `width` x `height`: whole pixels repeated when both sides grow by the same whole
// factor (textures keep their crisp pixels), else filtered, its transparency kept.
Picture resized(const Picture& picture, int width, int height);

// `picture` at `width` x `height`, always filtered: for art drawn for a size.
Picture smoothlyResized(const Picture& picture, int width, int height);

// An icon of `picture`'s pixels, its alpha kept; the caller destroys it.
HICON iconFromPicture(const Picture& picture);

// Icon `iconId` at `size` pixels square: the size its art was drawn at when it has it, else the
// nearest larger (or the largest) scaled smoothly. Null when the module has no such icon.
HICON loadIconForSize(HINSTANCE module, int iconId, int size);

} // namespace texkit2::framework::win32
