#include "images/Image.h"

#include "tests/support/Builders.h"

#include <gtest/gtest.h>

namespace texkit2::images {
namespace {

// Index i is (i, 255 - i, 3 * i mod 256): every index its own colour, worked out by hand.
extract::Palette testPalette() {
  extract::Palette palette{};
  for (std::size_t i = 0; i < 256; ++i) {
    palette[3 * i] = static_cast<std::uint8_t>(i);
    palette[3 * i + 1] = static_cast<std::uint8_t>(255 - i);
    palette[3 * i + 2] = static_cast<std::uint8_t>(3 * i);
  }
  return palette;
}

std::vector<std::uint8_t> pixel(const Image& image, std::int32_t x, std::int32_t y) {
  const auto at = static_cast<std::size_t>((y * image.width + x) * image.channels);
  return {image.pixels.begin() + static_cast<std::ptrdiff_t>(at),
          image.pixels.begin() + static_cast<std::ptrdiff_t>(at) + image.channels};
}

TEST(ColorizeTest, LooksEveryLevelsIndicesUpInThePalette) {
  // 16 x 8, counting from 100: level starts 100, 228, 260 = 4, 268 = 12 (mod 256).
  const auto texture = extract::DecodeMipTexture(
      fixtures::makeCountingMipTexture(fixtures::textureName("wall"), 16, 8, 100));
  const extract::Palette palette = testPalette();
  const struct {
    std::size_t level;
    std::int32_t x, y;
    std::vector<std::uint8_t> rgb;
  } places[] = {
      {0, 0, 0, {100, 155, 44}},  // index 100
      {0, 15, 7, {227, 28, 169}}, // index 100 + 127 = 227
      {1, 3, 2, {247, 8, 229}},   // 228 + 16 + 3 = 247
      {2, 3, 1, {11, 244, 33}},   // 260 + 4 + 3 = 267 -> 11
      {3, 1, 0, {13, 242, 39}},   // 268 + 1 = 269 -> 13
  };
  for (const auto& p : places) {
    SCOPED_TRACE(p.level);
    const Image image = Colorize(texture.levels[p.level], palette, false);
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.width, 16 >> p.level);
    EXPECT_EQ(image.height, 8 >> p.level);
    EXPECT_EQ(pixel(image, p.x, p.y), p.rgb);
  }
}

TEST(ColorizeTest, MakesIndex255TransparentForBraceNamesOnly) {
  EXPECT_TRUE(HasTransparentIndex(fixtures::textureName("{grate")));
  EXPECT_FALSE(HasTransparentIndex(fixtures::textureName("grate{")));
  EXPECT_FALSE(HasTransparentIndex(fixtures::textureName("*water")));
  extract::MipLevel level{2, 2, {255, 0, 254, 255}};
  const Image image = Colorize(level, testPalette(), true);
  ASSERT_EQ(image.channels, 4);
  EXPECT_EQ(pixel(image, 0, 0), (std::vector<std::uint8_t>{255, 0, 253, 0}));
  EXPECT_EQ(pixel(image, 1, 0), (std::vector<std::uint8_t>{0, 255, 0, 255}));
  EXPECT_EQ(pixel(image, 0, 1), (std::vector<std::uint8_t>{254, 1, 250, 255}));
  EXPECT_EQ(pixel(image, 1, 1)[3], 0);
  EXPECT_EQ(Colorize(level, testPalette(), false).pixels.size(), 12u);
}

} // namespace
} // namespace texkit2::images
