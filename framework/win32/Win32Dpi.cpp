#include "framework/win32/Win32Dpi.h"

#include "framework/win32/Win32Picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace texkit2::framework::win32 {
namespace {

// Looked up at run time: Windows 7 and 8 lack them.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn getDpiForWindow() {
  static const auto function = [] {
    HMODULE user = ::GetModuleHandleA("user32.dll");
    FARPROC found = user != nullptr ? ::GetProcAddress(user, "GetDpiForWindow") : nullptr;
    GetDpiForWindowFn typed = nullptr;
    static_assert(sizeof typed == sizeof found);
    std::memcpy(&typed, &found, sizeof typed);
    return typed;
  }();
  return function;
}

// One axis of a resampling: for each output pixel, the input pixels and their weights. A tent
// filter as wide as an input pixel when growing (linear), as an output pixel when shrinking
// (every input pixel counts).
struct Tap {
  int first = 0;
  std::vector<float> weights;
};

std::vector<Tap> taps(int from, int to) {
  std::vector<Tap> result(static_cast<std::size_t>(to));
  const double scale = static_cast<double>(from) / to;
  const double radius = std::max(1.0, scale);
  for (int out = 0; out < to; ++out) {
    const double centre = (out + 0.5) * scale - 0.5;
    const int first = std::max(0, static_cast<int>(std::floor(centre - radius)) + 1);
    const int last = std::min(from - 1, static_cast<int>(std::ceil(centre + radius)) - 1);
    Tap& tap = result[static_cast<std::size_t>(out)];
    tap.first = first;
    double sum = 0;
    for (int in = first; in <= last; ++in) {
      const double weight = std::max(0.0, 1.0 - std::abs(in - centre) / radius);
      tap.weights.push_back(static_cast<float>(weight));
      sum += weight;
    }
    if (tap.weights.empty()) {
      tap.first = std::clamp(static_cast<int>(std::lround(centre)), 0, from - 1);
      tap.weights.push_back(1.0f);
      sum = 1;
    }
    for (float& weight : tap.weights) {
      weight = static_cast<float>(weight / sum);
    }
  }
  return result;
}

// Premultiplied RGBA as floats, so that transparent pixels lend no colour to their neighbours.
std::vector<float> premultiplied(const Picture& picture) {
  std::vector<float> out(picture.rgba.size());
  for (std::size_t i = 0; i + 3 < picture.rgba.size(); i += 4) {
    const float alpha = picture.rgba[i + 3] / 255.0f;
    for (std::size_t c = 0; c < 3; ++c) {
      out[i + c] = picture.rgba[i + c] * alpha;
    }
    out[i + 3] = picture.rgba[i + 3];
  }
  return out;
}

std::uint8_t byteOf(float value) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

Picture filtered(const Picture& picture, int width, int height) {
  const auto w = static_cast<std::size_t>(picture.width);
  const auto h = static_cast<std::size_t>(picture.height);
  const std::vector<float> source = premultiplied(picture);
  const std::vector<Tap> across = taps(picture.width, width);
  const std::vector<Tap> down = taps(picture.height, height);
  std::vector<float> rows(static_cast<std::size_t>(width) * h * 4, 0.0f);
  for (std::size_t y = 0; y < h; ++y) {
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
      const Tap& tap = across[x];
      float* out = &rows[(y * static_cast<std::size_t>(width) + x) * 4];
      for (std::size_t k = 0; k < tap.weights.size(); ++k) {
        const float* in = &source[(y * w + static_cast<std::size_t>(tap.first) + k) * 4];
        for (std::size_t c = 0; c < 4; ++c) {
          out[c] += in[c] * tap.weights[k];
        }
      }
    }
  }
  Picture result;
  result.width = width;
  result.height = height;
  result.rgba.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
    const Tap& tap = down[y];
    for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
      float sum[4] = {};
      for (std::size_t k = 0; k < tap.weights.size(); ++k) {
        const float* in =
            &rows[((static_cast<std::size_t>(tap.first) + k) * static_cast<std::size_t>(width) +
                   x) *
                  4];
        for (std::size_t c = 0; c < 4; ++c) {
          sum[c] += in[c] * tap.weights[k];
        }
      }
      std::uint8_t* out = &result.rgba[(y * static_cast<std::size_t>(width) + x) * 4];
      const float alpha = sum[3];
      for (std::size_t c = 0; c < 3; ++c) {
        out[c] = alpha > 0.5f ? byteOf(sum[c] * 255.0f / alpha) : 0;
      }
      out[3] = byteOf(alpha);
    }
  }
  return result;
}

Picture repeated(const Picture& picture, int factor) {
  Picture result;
  result.width = picture.width * factor;
  result.height = picture.height * factor;
  result.rgba.resize(static_cast<std::size_t>(result.width) *
                     static_cast<std::size_t>(result.height) * 4);
  for (int y = 0; y < result.height; ++y) {
    for (int x = 0; x < result.width; ++x) {
      const auto from =
          (static_cast<std::size_t>(y / factor) * static_cast<std::size_t>(picture.width) +
           static_cast<std::size_t>(x / factor)) *
          4;
      const auto to = (static_cast<std::size_t>(y) * static_cast<std::size_t>(result.width) +
                       static_cast<std::size_t>(x)) *
                      4;
      std::memcpy(&result.rgba[to], &picture.rgba[from], 4);
    }
  }
  return result;
}

// The square sizes an icon resource's art was drawn at (RT_GROUP_ICON: a 6-byte header, then
// 14 bytes per image, its width first, 0 meaning 256).
std::vector<int> iconSizes(HINSTANCE module, int iconId) {
  std::vector<int> sizes;
  HRSRC resource = ::FindResourceA(module, resourceName(iconId), resourceName(14));
  HGLOBAL loaded = resource != nullptr ? ::LoadResource(module, resource) : nullptr;
  const auto* bytes =
      static_cast<const std::uint8_t*>(loaded != nullptr ? ::LockResource(loaded) : nullptr);
  const DWORD size = resource != nullptr ? ::SizeofResource(module, resource) : 0;
  if (bytes == nullptr || size < 6) {
    return sizes;
  }
  const std::size_t count = static_cast<std::size_t>(bytes[4] | bytes[5] << 8);
  for (std::size_t i = 0; i < count && 6 + (i + 1) * 14 <= size; ++i) {
    const int width = bytes[6 + i * 14];
    sizes.push_back(width == 0 ? 256 : width);
  }
  return sizes;
}

// The icon's pixels as RGBA; its mask makes the transparency of art without an alpha channel.
Picture pixelsOf(HICON icon, int size) {
  Picture picture;
  ICONINFO info{};
  if (!::GetIconInfo(icon, &info)) {
    return picture;
  }
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = size;
  header.bmiHeader.biHeight = -size;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  const auto count = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
  std::vector<std::uint32_t> colour(count);
  std::vector<std::uint32_t> mask(count);
  HDC dc = ::GetDC(nullptr);
  const bool read = info.hbmColor != nullptr &&
                    ::GetDIBits(dc, info.hbmColor, 0, static_cast<UINT>(size), colour.data(),
                                &header, DIB_RGB_COLORS) == size &&
                    ::GetDIBits(dc, info.hbmMask, 0, static_cast<UINT>(size), mask.data(), &header,
                                DIB_RGB_COLORS) == size;
  ::ReleaseDC(nullptr, dc);
  for (HBITMAP made : {info.hbmColor, info.hbmMask}) {
    if (made != nullptr) {
      ::DeleteObject(made);
    }
  }
  if (!read) {
    return picture;
  }
  const bool hasAlpha =
      std::any_of(colour.begin(), colour.end(), [](std::uint32_t p) { return (p >> 24) != 0; });
  picture.width = size;
  picture.height = size;
  picture.rgba.resize(count * 4);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t p = colour[i];
    picture.rgba[i * 4] = static_cast<std::uint8_t>(p >> 16);
    picture.rgba[i * 4 + 1] = static_cast<std::uint8_t>(p >> 8);
    picture.rgba[i * 4 + 2] = static_cast<std::uint8_t>(p);
    picture.rgba[i * 4 + 3] = hasAlpha
                                  ? static_cast<std::uint8_t>(p >> 24)
                                  : static_cast<std::uint8_t>((mask[i] & 0xFFFFFFu) != 0 ? 0 : 255);
  }
  return picture;
}

} // namespace

HICON iconFromPicture(const Picture& picture) {
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = picture.width;
  header.bmiHeader.biHeight = -picture.height;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP colour = ::CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
  const auto rowBytes = static_cast<std::size_t>((picture.width + 15) / 16 * 2);
  std::vector<BYTE> maskBits(rowBytes * static_cast<std::size_t>(picture.height), 0);
  HICON icon = nullptr;
  if (colour != nullptr && bits != nullptr) {
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::size_t y = 0; y < static_cast<std::size_t>(picture.height); ++y) {
      for (std::size_t x = 0; x < static_cast<std::size_t>(picture.width); ++x) {
        const std::size_t i = y * static_cast<std::size_t>(picture.width) + x;
        const std::uint8_t* p = &picture.rgba[i * 4];
        out[i] = static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[0]) << 16 |
                 static_cast<std::uint32_t>(p[1]) << 8 | p[2];
        if (p[3] == 0) {
          maskBits[y * rowBytes + x / 8] |= static_cast<BYTE>(0x80u >> (x % 8));
        }
      }
    }
    HBITMAP mask = ::CreateBitmap(picture.width, picture.height, 1, 1, maskBits.data());
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = colour;
    info.hbmMask = mask;
    icon = ::CreateIconIndirect(&info);
    if (mask != nullptr) {
      ::DeleteObject(mask);
    }
  }
  if (colour != nullptr) {
    ::DeleteObject(colour);
  }
  return icon;
}

int dpiOf(HWND window) {
  if (window != nullptr) {
    if (const auto perWindow = getDpiForWindow()) {
      if (const UINT dpi = perWindow(window); dpi != 0) {
        return static_cast<int>(dpi);
      }
    }
  }
  HDC dc = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : kBaseDpi;
}

Picture resized(const Picture& picture, int width, int height) {
  if (!hasPixels(picture) || width <= 0 || height <= 0) {
    return {};
  }
  if (width == picture.width && height == picture.height) {
    return picture;
  }
  if (width % picture.width == 0 && height % picture.height == 0 &&
      width / picture.width == height / picture.height) {
    return repeated(picture, width / picture.width);
  }
  return filtered(picture, width, height);
}

Picture smoothlyResized(const Picture& picture, int width, int height) {
  if (!hasPixels(picture) || width <= 0 || height <= 0) {
    return {};
  }
  return filtered(picture, width, height);
}

HICON loadIconForSize(HINSTANCE module, int iconId, int size) {
  const std::vector<int> sizes = iconSizes(module, iconId);
  int drawn = 0;
  for (const int candidate : sizes) {
    // The smallest at least as large, else the largest.
    if ((candidate >= size && (drawn < size || candidate < drawn)) ||
        (drawn < size && candidate > drawn)) {
      drawn = candidate;
    }
  }
  if (drawn == 0 || drawn == size) {
    return static_cast<HICON>(
        ::LoadImageA(module, resourceName(iconId), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  }
  auto* original = static_cast<HICON>(
      ::LoadImageA(module, resourceName(iconId), IMAGE_ICON, drawn, drawn, LR_DEFAULTCOLOR));
  if (original == nullptr) {
    return nullptr;
  }
  const Picture pixels = pixelsOf(original, drawn);
  HICON icon = hasPixels(pixels) ? iconFromPicture(filtered(pixels, size, size)) : nullptr;
  if (icon == nullptr) {
    return original;
  }
  ::DestroyIcon(original);
  return icon;
}

} // namespace texkit2::framework::win32
