#include "images/Png.h"

#include <climits>

// Written to memory only: files go through the platform's file layer, which also spells
// Windows names right.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace texkit2::images {
namespace {

void append(void* context, void* data, int size) {
  auto& bytes = *static_cast<std::vector<std::uint8_t>*>(context);
  const auto* first = static_cast<const std::uint8_t*>(data);
  bytes.insert(bytes.end(), first, first + size);
}

} // namespace

std::vector<std::uint8_t> EncodePng(const Image& image) {
  const std::string dimensions = std::to_string(image.width) + " x " + std::to_string(image.height);
  if (image.width <= 0 || image.height <= 0) {
    throw ImageError("an image of " + dimensions + " pixels cannot be a PNG file");
  }
  if (image.channels != 3 && image.channels != 4) {
    throw ImageError(std::to_string(image.channels) + " channels: neither RGB nor RGBA");
  }
  // The encoder counts in int, with a filter byte on every row.
  const std::int64_t rowBytes = static_cast<std::int64_t>(image.width) * image.channels;
  if ((rowBytes + 1) * image.height > INT_MAX / 2) {
    throw ImageError("an image of " + dimensions + " pixels is too large for one PNG file");
  }
  if (image.pixels.size() != static_cast<std::size_t>(rowBytes * image.height)) {
    throw ImageError("an image of " + dimensions + " pixels holds " +
                     std::to_string(image.pixels.size()) + " bytes");
  }
  std::vector<std::uint8_t> bytes;
  if (stbi_write_png_to_func(append, &bytes, image.width, image.height, image.channels,
                             image.pixels.data(), static_cast<int>(rowBytes)) == 0) {
    throw ImageError("the PNG encoder failed on an image of " + dimensions + " pixels");
  }
  return bytes;
}

void WritePngFile(platform::FileSystem& files, const std::string& path, const Image& image) {
  const std::vector<std::uint8_t> bytes = EncodePng(image);
  auto file = files.createForExport(path);
  if (!file) {
    throw ImageError(path + " cannot be created: " + files.lastError());
  }
  if (!file->write(bytes.data(), bytes.size()) || !file->close()) {
    const std::string reason = file->lastError();
    file.reset();
    files.removeFile(path); // no half a picture
    throw ImageError(path + " cannot be written" + (reason.empty() ? "" : ": " + reason));
  }
}

} // namespace texkit2::images
