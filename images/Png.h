#pragma once

#include "images/Image.h"
#include "platform/File.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace texkit2::images {

// The image as a PNG file's bytes (8 bits a channel, RGB or RGBA); throws ImageError for an
// empty image or one too large for one file.
std::vector<std::uint8_t> EncodePng(const Image& image);

// Writes the image as a PNG file at `path` (as spelt), replacing a file of that name; throws
// ImageError saying why it could not.
void WritePngFile(platform::FileSystem& files, const std::string& path, const Image& image);

// The other formats a picture may be written in (a contact sheet), by the same encoder.
enum class ImageFormat { Png, Jpeg, Bmp, Tga };

// The format the extension of `path` names: .png, .jpg, .bmp or .tga, in any letter case;
// nullopt for any other.
std::optional<ImageFormat> ImageFormatOf(std::string_view path);

// The image as a file of `format`; throws ImageError as EncodePng does, and for an image wider
// or taller than the format can say (65,535 pixels for JPEG and TGA).
std::vector<std::uint8_t> EncodeImage(const Image& image, ImageFormat format);

// Writes the image as a file of `format` at `path`, as WritePngFile does.
void WriteImageFile(platform::FileSystem& files, const std::string& path, const Image& image,
                    ImageFormat format);

} // namespace texkit2::images
