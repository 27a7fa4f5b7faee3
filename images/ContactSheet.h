#pragma once

#include "images/Image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace texkit2::images {

inline constexpr std::int32_t kDefaultSheetColumns = 8;

// One texture of a sheet: its level 0 in colour, RGBA where it has transparent pixels.
struct SheetTexture {
  std::string name; // up to its first zero byte
  Image image;
};

// Where a texture and its name went on the sheet (top-left corners).
struct SheetPlace {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t labelX = 0;
  std::int32_t labelY = 0;
};

struct ContactSheet {
  Image image;                    // RGB: transparent pixels are shown over a checkerboard
  std::vector<SheetPlace> places; // one per texture, in the order given
};

// The sheet's colours, for tests.
inline constexpr std::array<std::uint8_t, 3> kSheetBackground = {40, 40, 46};
inline constexpr std::array<std::uint8_t, 3> kSheetLabel = {224, 224, 224};
inline constexpr std::array<std::uint8_t, 3> kSheetCheckerLight = {200, 200, 200};
inline constexpr std::array<std::uint8_t, 3> kSheetCheckerDark = {150, 150, 150};
inline constexpr std::int32_t kSheetCheckerSize = 4;

// Lays the textures out in `columns` columns in the order given, row after row, each with its
// name under it, at their own size: a column is as wide as its widest texture or name, a row as
// tall as its tallest. Throws ImageError when there is nothing to draw or the sheet would be
// too large for one PNG file.
ContactSheet DrawContactSheet(const std::vector<SheetTexture>& textures, std::int32_t columns);

} // namespace texkit2::images
