#include "images/ContactSheet.h"

#include "images/BitmapFont.h"

#include <gtest/gtest.h>

namespace texkit2::images {
namespace {

SheetTexture solid(const std::string& name, std::int32_t width, std::int32_t height,
                   std::uint8_t shade, std::int32_t channels = 3) {
  SheetTexture texture{name, Image{width, height, channels, {}}};
  for (std::int32_t i = 0; i < width * height; ++i) {
    texture.image.pixels.insert(texture.image.pixels.end(),
                                {shade, static_cast<std::uint8_t>(i % 256), 7});
    if (channels == 4) {
      texture.image.pixels.push_back(i % 2 == 0 ? 255 : 0);
    }
  }
  return texture;
}

std::array<std::uint8_t, 3> at(const Image& image, std::int32_t x, std::int32_t y) {
  const auto i = static_cast<std::size_t>((y * image.width + x) * 3);
  return {image.pixels[i], image.pixels[i + 1], image.pixels[i + 2]};
}

TEST(ContactSheetTest, LaysTexturesOutInRowsWithTheirNamesUnder) {
  const std::vector<SheetTexture> textures = {
      solid("sky1", 64, 32, 10), solid("a", 16, 16, 20), solid("metal5_8longname", 32, 64, 30),
      solid("b", 16, 48, 40),    solid("c", 8, 8, 50),
  };
  const ContactSheet sheet = DrawContactSheet(textures, 2);
  ASSERT_EQ(sheet.places.size(), textures.size());
  // Column 0 holds sky1, metal5_8longname (whose name is 95 pixels wide) and c; column 1 a and b.
  const std::int32_t column1 = 8 + TextWidth("metal5_8longname") + 8;
  const std::int32_t row1 = 8 + 32 + 3 + 8 + 8;
  const std::int32_t row2 = row1 + 64 + 3 + 8 + 8;
  const std::vector<std::pair<std::int32_t, std::int32_t>> corners = {
      {8, 8}, {column1, 8}, {8, row1}, {column1, row1}, {8, row2}};
  for (std::size_t i = 0; i < textures.size(); ++i) {
    SCOPED_TRACE(textures[i].name);
    const SheetPlace& place = sheet.places[i];
    EXPECT_EQ(std::make_pair(place.x, place.y), corners[i]);
    EXPECT_EQ(place.labelY, place.y + textures[i].image.height + 3);
    // Every pixel of the texture, in place.
    const Image& image = textures[i].image;
    for (std::int32_t y = 0; y < image.height; ++y) {
      for (std::int32_t x = 0; x < image.width; ++x) {
        const auto from = static_cast<std::size_t>((y * image.width + x) * 3);
        ASSERT_EQ(at(sheet.image, place.x + x, place.y + y),
                  (std::array<std::uint8_t, 3>{image.pixels[from], image.pixels[from + 1],
                                               image.pixels[from + 2]}));
      }
    }
    // Its name: label pixels under it, and only background beside the first glyph's rows.
    int lit = 0;
    for (std::int32_t y = 0; y < kGlyphHeight; ++y) {
      for (std::int32_t x = 0; x < TextWidth(textures[i].name); ++x) {
        lit += at(sheet.image, place.labelX + x, place.labelY + y) == kSheetLabel ? 1 : 0;
      }
    }
    EXPECT_GT(lit, 5);
  }
  EXPECT_EQ(sheet.image.width, column1 + 16 + 8);
  EXPECT_EQ(sheet.image.height, row2 + 8 + 3 + 8 + 8);
  EXPECT_EQ(at(sheet.image, 0, 0), kSheetBackground);
}

TEST(ContactSheetTest, ShowsTransparentPixelsOverACheckerboard) {
  const ContactSheet sheet = DrawContactSheet({solid("{grate", 16, 16, 90, 4)}, 8);
  const SheetPlace& place = sheet.places[0];
  EXPECT_EQ(at(sheet.image, place.x, place.y), (std::array<std::uint8_t, 3>{90, 0, 7}));
  EXPECT_EQ(at(sheet.image, place.x + 1, place.y), kSheetCheckerLight);
  EXPECT_EQ(at(sheet.image, place.x + kSheetCheckerSize + 1, place.y), kSheetCheckerDark);
  EXPECT_EQ(sheet.image.width, 8 + 35 + 8); // as wide as "{grate", one column of eight used
}

TEST(ContactSheetTest, RefusesWhatCannotBeDrawn) {
  const struct {
    const char* what;
    std::vector<SheetTexture> textures;
    std::int32_t columns;
    std::string error;
  } cases[] = {
      {"nothing", {}, 8, "there is no texture to draw"},
      {"no column", {solid("a", 16, 16, 1)}, 0, "at least one column"},
      // Refused before anything is drawn: the image holds no pixels at all.
      {"too large",
       {SheetTexture{"huge", Image{30000, 30000, 3, {}}}},
       1,
       "a sheet of 30016 x 30027 pixels is too large for one PNG file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      DrawContactSheet(c.textures, c.columns);
      ADD_FAILURE() << "drawn";
    } catch (const ImageError& error) {
      EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
    }
  }
}

} // namespace
} // namespace texkit2::images
