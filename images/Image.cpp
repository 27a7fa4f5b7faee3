#include "images/Image.h"

namespace texkit2::images {

Image Colorize(const extract::MipLevel& level, const extract::Palette& palette, bool transparent) {
  Image image;
  image.width = level.width;
  image.height = level.height;
  image.channels = transparent ? 4 : 3;
  image.pixels.reserve(level.indices.size() * static_cast<std::size_t>(image.channels));
  for (const std::uint8_t index : level.indices) {
    const std::size_t at = 3u * index;
    image.pixels.insert(image.pixels.end(), palette.begin() + static_cast<std::ptrdiff_t>(at),
                        palette.begin() + static_cast<std::ptrdiff_t>(at + 3));
    if (transparent) {
      image.pixels.push_back(index == kTransparentIndex ? 0 : 255);
    }
  }
  return image;
}

} // namespace texkit2::images
