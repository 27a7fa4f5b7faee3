#include "images/Png.h"

#include "platform/AsciiCase.h"

#include <climits>
#include <utility>

// Written to memory only: files go through the platform's file layer, which also spells
// Windows names right.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace texkit2::images {
namespace {

// Sharp enough for a sheet of small pixel-art textures and their labels.
constexpr int kJpegQuality = 95;

void append(void* context, void* data, int size) {
  auto& bytes = *static_cast<std::vector<std::uint8_t>*>(context);
  const auto* first = static_cast<const std::uint8_t*>(data);
  bytes.insert(bytes.end(), first, first + size);
}

} // namespace

std::optional<ImageFormat> ImageFormatOf(std::string_view path) {
  static constexpr std::pair<std::string_view, ImageFormat> kExtensions[] = {
      {".png", ImageFormat::Png},
      {".jpg", ImageFormat::Jpeg},
      {".bmp", ImageFormat::Bmp},
      {".tga", ImageFormat::Tga}};
  const std::string folded = platform::lowerAscii(std::string(path));
  for (const auto& [extension, format] : kExtensions) {
    if (folded.size() > extension.size() && folded.ends_with(extension)) {
      return format;
    }
  }
  return std::nullopt;
}

std::vector<std::uint8_t> EncodeImage(const Image& image, ImageFormat format) {
  static constexpr const char* kNames[] = {"PNG", "JPEG", "BMP", "TGA"};
  const char* name = kNames[static_cast<int>(format)];
  const std::string dimensions = std::to_string(image.width) + " x " + std::to_string(image.height);
  if (image.width <= 0 || image.height <= 0) {
    throw ImageError("an image of " + dimensions + " pixels cannot be a " + name + " file");
  }
  if (image.channels != 3 && image.channels != 4) {
    throw ImageError(std::to_string(image.channels) + " channels: neither RGB nor RGBA");
  }
  // The encoder counts in int, with a filter byte on every row of a PNG file.
  const std::int64_t rowBytes = static_cast<std::int64_t>(image.width) * image.channels;
  // JPEG and TGA headers hold each dimension in 16 bits.
  const bool sixteenBits = format == ImageFormat::Jpeg || format == ImageFormat::Tga;
  if ((rowBytes + 1) * image.height > INT_MAX / 2 ||
      (sixteenBits && (image.width > 0xFFFF || image.height > 0xFFFF))) {
    throw ImageError("an image of " + dimensions + " pixels is too large for one " + name +
                     " file");
  }
  if (image.pixels.size() != static_cast<std::size_t>(rowBytes * image.height)) {
    throw ImageError("an image of " + dimensions + " pixels holds " +
                     std::to_string(image.pixels.size()) + " bytes");
  }
  std::vector<std::uint8_t> bytes;
  const void* pixels = image.pixels.data();
  int written = 0;
  switch (format) {
  case ImageFormat::Png:
    written = stbi_write_png_to_func(append, &bytes, image.width, image.height, image.channels,
                                     pixels, static_cast<int>(rowBytes));
    break;
  case ImageFormat::Jpeg:
    written = stbi_write_jpg_to_func(append, &bytes, image.width, image.height, image.channels,
                                     pixels, kJpegQuality);
    break;
  case ImageFormat::Bmp:
    written =
        stbi_write_bmp_to_func(append, &bytes, image.width, image.height, image.channels, pixels);
    break;
  case ImageFormat::Tga:
    written =
        stbi_write_tga_to_func(append, &bytes, image.width, image.height, image.channels, pixels);
    break;
  }
  if (written == 0) {
    throw ImageError(std::string("the ") + name + " encoder failed on an image of " + dimensions +
                     " pixels");
  }
  return bytes;
}

std::vector<std::uint8_t> EncodePng(const Image& image) {
  return EncodeImage(image, ImageFormat::Png);
}

void WriteImageFile(platform::FileSystem& files, const std::string& path, const Image& image,
                    ImageFormat format) {
  const std::vector<std::uint8_t> bytes = EncodeImage(image, format);
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

void WritePngFile(platform::FileSystem& files, const std::string& path, const Image& image) {
  WriteImageFile(files, path, image, ImageFormat::Png);
}

} // namespace texkit2::images
