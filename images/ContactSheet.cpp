#include "images/ContactSheet.h"

#include "images/BitmapFont.h"

#include <algorithm>
#include <climits>

namespace texkit2::images {
namespace {

constexpr std::int32_t kMargin = 8;   // around the sheet and between cells
constexpr std::int32_t kLabelGap = 3; // between a texture and its name

std::size_t pixelAt(const Image& image, std::int32_t x, std::int32_t y) {
  return (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
          static_cast<std::size_t>(x)) *
         static_cast<std::size_t>(image.channels);
}

// Copies `texture` onto the RGB `sheet` at (left, top), over a checkerboard where it is
// transparent.
void paste(Image& sheet, const Image& texture, std::int32_t left, std::int32_t top) {
  for (std::int32_t y = 0; y < texture.height; ++y) {
    for (std::int32_t x = 0; x < texture.width; ++x) {
      const std::size_t from = pixelAt(texture, x, y);
      const std::size_t to = pixelAt(sheet, left + x, top + y);
      const bool clear = texture.channels == 4 && texture.pixels[from + 3] == 0;
      if (clear) {
        const bool light = ((x / kSheetCheckerSize + y / kSheetCheckerSize) & 1) == 0;
        const auto& colour = light ? kSheetCheckerLight : kSheetCheckerDark;
        std::copy(colour.begin(), colour.end(),
                  sheet.pixels.begin() + static_cast<std::ptrdiff_t>(to));
      } else {
        std::copy_n(texture.pixels.begin() + static_cast<std::ptrdiff_t>(from), 3,
                    sheet.pixels.begin() + static_cast<std::ptrdiff_t>(to));
      }
    }
  }
}

} // namespace

ContactSheet DrawContactSheet(const std::vector<SheetTexture>& textures, std::int32_t columns) {
  if (textures.empty()) {
    throw ImageError("there is no texture to draw");
  }
  if (columns < 1) {
    throw ImageError("a sheet needs at least one column");
  }
  const auto count = static_cast<std::int64_t>(textures.size());
  const std::int64_t used = std::min<std::int64_t>(columns, count);
  const std::int64_t rows = (count + used - 1) / used;
  std::vector<std::int64_t> columnWidth(static_cast<std::size_t>(used), 0);
  std::vector<std::int64_t> rowHeight(static_cast<std::size_t>(rows), 0);
  for (std::size_t i = 0; i < textures.size(); ++i) {
    const auto& texture = textures[i];
    auto& width = columnWidth[i % static_cast<std::size_t>(used)];
    auto& height = rowHeight[i / static_cast<std::size_t>(used)];
    width = std::max<std::int64_t>({width, texture.image.width, TextWidth(texture.name)});
    height = std::max<std::int64_t>(height, texture.image.height + kLabelGap + kGlyphHeight);
  }
  std::vector<std::int64_t> columnLeft{kMargin};
  for (const std::int64_t width : columnWidth) {
    columnLeft.push_back(columnLeft.back() + width + kMargin);
  }
  std::vector<std::int64_t> rowTop{kMargin};
  for (const std::int64_t height : rowHeight) {
    rowTop.push_back(rowTop.back() + height + kMargin);
  }
  const std::int64_t width = columnLeft.back();
  const std::int64_t height = rowTop.back();
  // What one PNG file can hold (see EncodePng), so the sheet is never drawn in vain.
  if ((width * 3 + 1) * height > INT_MAX / 2) {
    throw ImageError("a sheet of " + std::to_string(width) + " x " + std::to_string(height) +
                     " pixels is too large for one PNG file");
  }

  ContactSheet sheet;
  sheet.image.width = static_cast<std::int32_t>(width);
  sheet.image.height = static_cast<std::int32_t>(height);
  sheet.image.channels = 3;
  sheet.image.pixels.resize(static_cast<std::size_t>(width * height * 3));
  for (std::size_t at = 0; at < sheet.image.pixels.size(); at += 3) {
    std::copy(kSheetBackground.begin(), kSheetBackground.end(),
              sheet.image.pixels.begin() + static_cast<std::ptrdiff_t>(at));
  }
  for (std::size_t i = 0; i < textures.size(); ++i) {
    const auto& texture = textures[i];
    SheetPlace place;
    place.x = static_cast<std::int32_t>(columnLeft[i % static_cast<std::size_t>(used)]);
    place.y = static_cast<std::int32_t>(rowTop[i / static_cast<std::size_t>(used)]);
    place.labelX = place.x;
    place.labelY = place.y + texture.image.height + kLabelGap;
    paste(sheet.image, texture.image, place.x, place.y);
    DrawText(sheet.image, place.labelX, place.labelY, texture.name, kSheetLabel);
    sheet.places.push_back(place);
  }
  return sheet;
}

} // namespace texkit2::images
