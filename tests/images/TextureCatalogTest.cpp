#include "images/TextureCatalog.h"

#include "platform/File.h"
#include "tests/common/TempFolder.h"
#include "tests/support/Builders.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace texkit2::images {
namespace {

using fixtures::Bytes;
using fixtures::makeCountingMipTexture;
using fixtures::textureName;

// Index i is the colour (i, 255 - i, i / 2).
extract::Palette rampPalette() {
  extract::Palette palette{};
  for (std::size_t i = 0; i < 256; ++i) {
    palette[3 * i] = static_cast<std::uint8_t>(i);
    palette[3 * i + 1] = static_cast<std::uint8_t>(255 - i);
    palette[3 * i + 2] = static_cast<std::uint8_t>(i / 2);
  }
  return palette;
}

std::array<std::uint8_t, 4> pixel(const Image& image, std::int32_t x, std::int32_t y) {
  const auto at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                   static_cast<std::size_t>(x)) *
                  4;
  return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2], image.pixels[at + 3]};
}

std::array<std::uint8_t, 4> colour(std::uint8_t index, std::uint8_t alpha = 255) {
  return {index, static_cast<std::uint8_t>(255 - index), static_cast<std::uint8_t>(index / 2),
          alpha};
}

class TextureCatalogTest : public ::testing::Test {
 protected:
  TextureCatalog open(const std::vector<fixtures::WadFileEntry>& entries) {
    const auto path = folder.path() / "textures.wad";
    fixtures::writeFile(path, fixtures::makeWad(entries));
    return TextureCatalog(platform::hostFileSystem(), path.string(), rampPalette());
  }
  testing::TempFolder folder;
};

TEST_F(TextureCatalogTest, ThumbnailsFitTheSquareAndComeFromTheEnginesOwnLevels) {
  const struct {
    std::uint32_t width, height;
    std::int32_t thumbWidth, thumbHeight;
  } cases[] = {{16, 16, 16, 16}, {64, 64, 64, 64}, {256, 128, 64, 32}, {128, 256, 32, 64}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    auto catalog =
        open({{textureName("t"), makeCountingMipTexture(textureName("t"), c.width, c.height)}});
    const Image thumb = catalog.thumbnail(0, 64);
    EXPECT_EQ(thumb.width, c.thumbWidth);
    EXPECT_EQ(thumb.height, c.thumbHeight);
    // 256 x 128 shrinks from level 1 (128 x 64), whose pixel 2 is its second column's: level
    // 0's (counted from 0, a multiple of 256 long) would be 4.
    EXPECT_EQ(pixel(thumb, 1, 0), colour(c.width > 64 || c.height > 64 ? 2 : 1));
  }
}

TEST_F(TextureCatalogTest, TheLevelsViewPutsEachLevelInItsPlaceInThePalettesColours) {
  auto catalog =
      open({{textureName("{fence"), makeCountingMipTexture(textureName("{fence"), 32, 16, 250)}});
  const Image view = catalog.levelsView(0, 4);
  ASSERT_EQ(view.width, 36);          // levels 1-3 under level 0: 16 + 8 + 4 and two gaps
  ASSERT_EQ(view.height, 16 + 4 + 8); // level 0, the gap, level 1
  // Counting from 250: level 0 (512 pixels) then level 1 (128), 2 (32), 3 (8).
  EXPECT_EQ(pixel(view, 0, 0), colour(250));
  EXPECT_EQ(pixel(view, 5, 0), colour(255, 0)); // index 255 of a '{' name shows through
  EXPECT_EQ(pixel(view, 0, 20), colour(static_cast<std::uint8_t>((250 + 512) % 256)));
  EXPECT_EQ(pixel(view, 20, 20), colour(static_cast<std::uint8_t>((250 + 512 + 128) % 256)));
  EXPECT_EQ(pixel(view, 32, 20), colour(static_cast<std::uint8_t>((250 + 512 + 128 + 32) % 256)));
  EXPECT_EQ(pixel(view, 17, 20)[3], 0); // the gap
}

TEST_F(TextureCatalogTest, SequencesPlayTheirFramesInOrderAndAlternatesApart) {
  const auto mip = [](const char* name) {
    return fixtures::WadFileEntry{textureName(name),
                                  makeCountingMipTexture(textureName(name), 16, 16)};
  };
  auto catalog = open({mip("+2slime"), mip("+0slime"), mip("wall"), mip("+1SLIME"), mip("+aslime"),
                       mip("+bslime"), mip("+0lone"), mip("*water")});
  // Entries: 0 +2slime, 1 +0slime, 2 wall, 3 +1SLIME, 4 +aslime, 5 +bslime, 6 +0lone, 7 *water
  const struct {
    std::size_t entry;
    std::vector<std::size_t> frames; // at ticks 0, 1, 2, 3
  } cases[] = {
      {1, {1, 3, 0, 1}}, {0, {0, 1, 3, 0}}, {4, {4, 5, 4, 5}},
      {2, {2, 2, 2, 2}}, {6, {6, 6, 6, 6}}, {7, {7, 7, 7, 7}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(catalog.items()[c.entry].name);
    EXPECT_EQ(catalog.isAnimated(c.entry), c.frames[1] != c.entry);
    for (std::uint64_t tick = 0; tick < c.frames.size(); ++tick) {
      EXPECT_EQ(catalog.frameAt(c.entry, tick), c.frames[static_cast<std::size_t>(tick)])
          << "tick " << tick;
    }
  }
  EXPECT_EQ(catalog.filter("SLIME"), (std::vector<std::size_t>{0, 1, 3, 4, 5}));
  EXPECT_EQ(catalog.filter(""), (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(TextureCatalogTest, DamagedEntriesSayWhyAndGiveNoPicture) {
  Bytes outside = makeCountingMipTexture(textureName("outside"), 16, 16);
  fixtures::setI32(outside, 36, 100000); // level 3 far past the entry
  auto catalog = open({{textureName("outside"), outside},
                       {textureName("short"), Bytes(20, 0)},
                       {textureName("pic"), Bytes(64, 0), 0x42},
                       {textureName("good"), makeCountingMipTexture(textureName("good"), 16, 16)}});
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(catalog.items()[i].name);
    EXPECT_EQ(catalog.texture(i), nullptr);
    EXPECT_FALSE(catalog.items()[i].problem.empty());
    EXPECT_TRUE(catalog.thumbnail(i, 64).pixels.empty());
  }
  EXPECT_NE(catalog.texture(3), nullptr);
  EXPECT_TRUE(catalog.items()[3].problem.empty());
}

TEST_F(TextureCatalogTest, ExportWritesEachChosenEntryIntoAFileOfItsOwn) {
  // Two entries named alike up to the zero byte: the second gets a numbered file.
  auto catalog = open({{textureName("a"), makeCountingMipTexture(textureName("a"), 16, 16)},
                       {fixtures::rawTextureName(std::string("b\0x\0\0\0\0\0\0\0\0\0\0\0\0\0", 16)),
                        makeCountingMipTexture(textureName("b"), 16, 16)},
                       {fixtures::rawTextureName(std::string("b\0y\0\0\0\0\0\0\0\0\0\0\0\0\0", 16)),
                        makeCountingMipTexture(textureName("b"), 16, 16)}});
  std::vector<std::string> written;
  const auto out = (folder.path() / "out").string();
  const auto totals =
      ExportTextures(platform::hostFileSystem(), catalog.file(), catalog.contents(), {1, 2},
                     catalog.palette(), out, false, [&](const ExportEvent& e) {
                       EXPECT_EQ(e.kind, ExportEvent::Kind::Wrote);
                       written.push_back(std::filesystem::path(e.path).filename().string());
                     });
  EXPECT_EQ(written, (std::vector<std::string>{"b.png", "b~2.png"}));
  EXPECT_EQ(totals.files, 2u);
  EXPECT_EQ(totals.skipped, 0u);
  EXPECT_EQ(testing::folderNames(out), written);
}

} // namespace
} // namespace texkit2::images
