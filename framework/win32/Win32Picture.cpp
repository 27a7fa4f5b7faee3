#include "framework/win32/Win32Picture.h"

#include <algorithm>

namespace texkit2::framework::win32 {
namespace {

std::uint32_t mix(std::uint32_t value, std::uint32_t back, std::uint32_t alpha) {
  return (value * alpha + back * (255 - alpha) + 127) / 255;
}

} // namespace

bool hasPixels(const Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0) {
    return false;
  }
  // Divided rather than multiplied: width * height * 4 may not fit a 32-bit size_t.
  return picture.rgba.size() / 4 / static_cast<std::size_t>(picture.width) >=
         static_cast<std::size_t>(picture.height);
}

std::uint32_t blended(const std::uint8_t* rgba, COLORREF background) {
  const std::uint32_t alpha = rgba[3];
  const auto back = static_cast<std::uint32_t>(background); // 0x00BBGGRR
  return mix(rgba[0], back & 0xFFu, alpha) << 16 | mix(rgba[1], (back >> 8) & 0xFFu, alpha) << 8 |
         mix(rgba[2], (back >> 16) & 0xFFu, alpha);
}

void drawPicture(HDC dc, const RECT& area, const Picture& picture, COLORREF background) {
  const LONG areaWidth = area.right - area.left;
  const LONG areaHeight = area.bottom - area.top;
  LONG width = 0;
  LONG height = 0;
  if (hasPixels(picture) && areaWidth > 0 && areaHeight > 0) {
    width = picture.width;
    height = picture.height;
    const bool shrink = width > areaWidth || height > areaHeight;
    if (shrink) {
      // The side that overflows most fits exactly.
      if (static_cast<long long>(width) * areaHeight >=
          static_cast<long long>(height) * areaWidth) {
        height = static_cast<LONG>(
            std::max(1LL, static_cast<long long>(height) * areaWidth / picture.width));
        width = areaWidth;
      } else {
        width = static_cast<LONG>(
            std::max(1LL, static_cast<long long>(width) * areaHeight / picture.height));
        height = areaHeight;
      }
    }
    const std::size_t count =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height);
    std::vector<std::uint32_t> pixels(count);
    for (std::size_t i = 0; i < count; ++i) {
      pixels[i] = blended(&picture.rgba[i * 4], background);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height; // rows from the top, as the picture's
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const int mode = ::SetStretchBltMode(dc, shrink ? HALFTONE : COLORONCOLOR);
    ::SetBrushOrgEx(dc, 0, 0, nullptr); // as HALFTONE requires
    ::StretchDIBits(dc, area.left, area.top, width, height, 0, 0, picture.width, picture.height,
                    pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    ::SetStretchBltMode(dc, mode);
  }
  // Around the picture rather than under it, so that it does not flicker as it is drawn again.
  HBRUSH brush = ::CreateSolidBrush(background);
  const RECT right{area.left + width, area.top, area.right, area.bottom};
  const RECT below{area.left, area.top + height, area.left + width, area.bottom};
  for (const RECT& part : {right, below}) {
    if (part.right > part.left && part.bottom > part.top) {
      ::FillRect(dc, &part, brush);
    }
  }
  ::DeleteObject(brush);
}

} // namespace texkit2::framework::win32
