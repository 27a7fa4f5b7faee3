#pragma once

#include "images/Image.h"

#include <filesystem>
#include <vector>

namespace texkit2::testing {

// A PNG file decoded by another program's reader (stb_image), in the channels the file holds;
// also the JPEG, BMP and TGA files a sheet may be written as.
// Throws std::runtime_error when it cannot.
images::Image decodePng(const std::vector<std::uint8_t>& bytes);
images::Image readPng(const std::filesystem::path& path);

} // namespace texkit2::testing
