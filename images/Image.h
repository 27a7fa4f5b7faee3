#pragma once

#include "extract/PakScan.h"
#include "extract/Palette.h"
#include "extract/WadReader.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace texkit2::images {

// Why a picture cannot be made or written; the message says what and where.
class ImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Pixels row by row from the top, `channels` bytes each: 3 (RGB) or 4 (RGBA).
struct Image {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t channels = 3;
  std::vector<std::uint8_t> pixels;
};

inline constexpr std::uint8_t kTransparentIndex = 255;

// Textures whose name begins with '{' show through where their index is 255, in the engines
// that support them.
inline bool HasTransparentIndex(const extract::TextureName& name) {
  return name[0] == '{';
}

// The colours of a level by the palette: RGB, or with `transparent` RGBA whose index-255
// pixels have alpha 0 (and the palette's colour all the same).
Image Colorize(const extract::MipLevel& level, const extract::Palette& palette, bool transparent);

// Each pixel as a `factor` x `factor` square: small textures seen as the engine shows them,
// without blur.
Image Magnify(const Image& image, std::int32_t factor);

} // namespace texkit2::images
