#include "images/BitmapFont.h"

#include <gtest/gtest.h>
#include <set>

namespace texkit2::images {
namespace {

TEST(BitmapFontTest, DrawsEveryPrintableCharacterItsOwnWay) {
  std::set<Glyph> seen;
  for (int c = 0x20; c <= 0x7E; ++c) {
    SCOPED_TRACE(static_cast<char>(c));
    const Glyph& glyph = GlyphOf(static_cast<std::uint8_t>(c));
    for (const std::uint8_t row : glyph) {
      EXPECT_EQ(row & ~0x1F, 0); // five columns
    }
    const bool blank = glyph == Glyph{};
    EXPECT_EQ(blank, c == ' ');
    EXPECT_TRUE(seen.insert(glyph).second) << "looks like another character";
  }
  EXPECT_EQ(&GlyphOf(0x7F), &GlyphOf(0x01));
  EXPECT_FALSE(seen.contains(GlyphOf(0xE9)));
}

TEST(BitmapFontTest, DrawsTextInsideTheImageOnly) {
  EXPECT_EQ(TextWidth(""), 0);
  EXPECT_EQ(TextWidth("l"), 5);
  EXPECT_EQ(TextWidth("wall1"), 29);
  Image image{12, 8, 3, std::vector<std::uint8_t>(12 * 8 * 3, 0)};
  DrawText(image, -3, 0, "TT", {9, 8, 7}); // the first T half outside, the second inside
  auto lit = [&](std::int32_t x, std::int32_t y) {
    return image.pixels[static_cast<std::size_t>((y * 12 + x) * 3)] == 9;
  };
  // T: a bar over the top row, a stem in the middle column.
  EXPECT_TRUE(lit(0, 0));  // the first T's bar, cut at the left edge
  EXPECT_FALSE(lit(0, 1)); // its stem lies at x = -1
  EXPECT_TRUE(lit(3, 0));
  EXPECT_TRUE(lit(7, 0));
  EXPECT_TRUE(lit(5, 6)); // the second T's stem
  EXPECT_FALSE(lit(8, 1));
  DrawText(image, 10, 6, "W", {1, 1, 1}); // clipped right and below, no crash
}

} // namespace
} // namespace texkit2::images
