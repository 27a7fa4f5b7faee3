#include "framework/win32/Win32Screenshot.h"

#include <fstream>

namespace texkit2::framework::win32 {
namespace {

// The .bmp layout: a 14-byte file header, a 40-byte BITMAPINFOHEADER, rows bottom-up, each
// padded to a multiple of 4 bytes.
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

void putU16(std::vector<char>& out, std::uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFFu));
  out.push_back(static_cast<char>((value >> 8) & 0xFFu));
}

void putU32(std::vector<char>& out, std::uint32_t value) {
  putU16(out, value & 0xFFFFu);
  putU16(out, value >> 16);
}

} // namespace

WindowPixels captureWindow(HWND window) {
  WindowPixels pixels;
  RECT frame{};
  if (window == nullptr || !::GetWindowRect(window, &frame)) {
    return pixels;
  }
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  if (width <= 0 || height <= 0) {
    return pixels;
  }
  ::RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  HDC source = ::GetWindowDC(window);
  HDC memory = ::CreateCompatibleDC(source);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height; // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP picture = ::CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (picture != nullptr && bits != nullptr) {
    HGDIOBJ previous = ::SelectObject(memory, picture);
    if (::BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY)) {
      ::GdiFlush();
      const auto* row = static_cast<const std::uint32_t*>(bits);
      pixels.width = width;
      pixels.height = height;
      pixels.rgb.assign(row,
                        row + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
      for (std::uint32_t& pixel : pixels.rgb) {
        pixel &= 0xFFFFFFu;
      }
    }
    ::SelectObject(memory, previous);
  }
  if (picture != nullptr) {
    ::DeleteObject(picture);
  }
  ::DeleteDC(memory);
  ::ReleaseDC(window, source);
  return pixels;
}

bool saveBitmap(const WindowPixels& pixels, const std::string& path) {
  if (pixels.width <= 0 || pixels.height <= 0) {
    return false;
  }
  const auto width = static_cast<std::uint32_t>(pixels.width);
  const auto height = static_cast<std::uint32_t>(pixels.height);
  const std::uint32_t stride = (width * 3 + 3) & ~3u;
  const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;
  std::vector<char> out;
  out.reserve(offset + stride * height);
  out.push_back('B');
  out.push_back('M');
  putU32(out, offset + stride * height);
  putU32(out, 0); // reserved
  putU32(out, offset);
  putU32(out, kInfoHeaderSize);
  putU32(out, width);
  putU32(out, height); // positive: rows bottom-up
  putU16(out, 1);      // planes
  putU16(out, 24);     // bits per pixel
  putU32(out, 0);      // BI_RGB
  putU32(out, stride * height);
  putU32(out, 2835); // 72 dpi, in pixels per metre
  putU32(out, 2835);
  putU32(out, 0);
  putU32(out, 0);
  for (std::uint32_t y = height; y-- > 0;) {
    const std::size_t start = static_cast<std::size_t>(y) * width;
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t pixel = pixels.rgb[start + x];
      out.push_back(static_cast<char>(pixel & 0xFFu));
      out.push_back(static_cast<char>((pixel >> 8) & 0xFFu));
      out.push_back(static_cast<char>((pixel >> 16) & 0xFFu));
    }
    out.insert(out.end(), stride - width * 3, '\0');
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  return static_cast<bool>(file);
}

bool saveWindowBitmap(HWND window, const std::string& path) {
  return saveBitmap(captureWindow(window), path);
}

} // namespace texkit2::framework::win32
