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

Image Magnify(const Image& image, std::int32_t factor) {
  if (factor <= 1) {
    return image;
  }
  Image large;
  large.width = image.width * factor;
  large.height = image.height * factor;
  large.channels = image.channels;
  const auto channels = static_cast<std::size_t>(image.channels);
  large.pixels.reserve(static_cast<std::size_t>(large.width) *
                       static_cast<std::size_t>(large.height) * channels);
  for (std::int32_t y = 0; y < large.height; ++y) {
    const auto row = static_cast<std::size_t>(y / factor) * static_cast<std::size_t>(image.width);
    for (std::int32_t x = 0; x < large.width; ++x) {
      const auto at = (row + static_cast<std::size_t>(x / factor)) * channels;
      large.pixels.insert(large.pixels.end(),
                          image.pixels.begin() + static_cast<std::ptrdiff_t>(at),
                          image.pixels.begin() + static_cast<std::ptrdiff_t>(at + channels));
    }
  }
  return large;
}

} // namespace texkit2::images
