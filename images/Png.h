#pragma once

#include "images/Image.h"
#include "platform/File.h"

#include <cstdint>
#include <string>
#include <vector>

namespace texkit2::images {

// The image as a PNG file's bytes (8 bits a channel, RGB or RGBA); throws ImageError for an
// empty image or one too large for one file.
std::vector<std::uint8_t> EncodePng(const Image& image);

// Writes the image as a PNG file at `path` (as spelt), replacing a file of that name; throws
// ImageError saying why it could not.
void WritePngFile(platform::FileSystem& files, const std::string& path, const Image& image);

} // namespace texkit2::images
