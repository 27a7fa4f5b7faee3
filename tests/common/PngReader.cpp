#include "tests/common/PngReader.h"

#include "tests/common/TempFolder.h"

#include <climits>
#include <memory>
#include <stdexcept>

#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace texkit2::testing {

images::Image decodePng(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() > INT_MAX) {
    throw std::runtime_error("PNG file too large to decode");
  }
  int width = 0;
  int height = 0;
  int channels = 0;
  const std::unique_ptr<stbi_uc, decltype(&stbi_image_free)> pixels(
      stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height,
                            &channels, 0),
      &stbi_image_free);
  if (!pixels) {
    throw std::runtime_error(std::string("not a PNG file stb_image reads: ") +
                             stbi_failure_reason());
  }
  images::Image image;
  image.width = width;
  image.height = height;
  image.channels = channels;
  const auto size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                    static_cast<std::size_t>(channels);
  image.pixels.assign(pixels.get(), pixels.get() + size);
  return image;
}

images::Image readPng(const std::filesystem::path& path) {
  return decodePng(readAll(path));
}

} // namespace texkit2::testing
