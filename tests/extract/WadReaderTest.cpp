#include "extract/WadReader.h"

#include "tests/common/MemoryFile.h"
#include "tests/support/Builders.h"

#include <gtest/gtest.h>

namespace texkit2::extract {
namespace {

using fixtures::Bytes;
using testing::MemoryFile;

// A well-formed WAD2 file with one 16 x 16 mip-texture whose data ends at the directory.
Bytes oneTextureWad() {
  const Bytes texture = fixtures::makeMipTexture(fixtures::textureName("*water1"), 16, 16, 3);
  Bytes wad{'W', 'A', 'D', '2'};
  fixtures::putI32(wad, 1);
  fixtures::putI32(wad, static_cast<std::int32_t>(12 + texture.size()));
  wad.insert(wad.end(), texture.begin(), texture.end());
  fixtures::putI32(wad, 12);
  fixtures::putI32(wad, static_cast<std::int32_t>(texture.size()));
  fixtures::putI32(wad, static_cast<std::int32_t>(texture.size()));
  wad.insert(wad.end(), {0x44, 0, 0, 0});
  const auto name = fixtures::textureName("*water1");
  wad.insert(wad.end(), name.begin(), name.end());
  return wad;
}

TEST(WadReaderTest, ReadsEntriesAndMipTextureDimensions) {
  MemoryFile file(oneTextureWad());
  const WadContents wad = ReadWad(file);
  ASSERT_EQ(wad.entries.size(), 1u);
  const WadEntry& entry = wad.entries[0];
  EXPECT_EQ(TextureNameText(entry.name), "*water1");
  EXPECT_EQ(entry.position, 12);
  EXPECT_EQ(entry.storedSize, static_cast<std::int32_t>(fixtures::mipTextureSize(16, 16)));
  EXPECT_EQ(entry.type, 0x44);
  ASSERT_TRUE(entry.mip.has_value());
  EXPECT_EQ(entry.mip->width, 16);
  EXPECT_EQ(entry.mip->height, 16);
  EXPECT_EQ(entry.mip->offsets, (std::array<std::int32_t, 4>{40, 296, 360, 376}));
  EXPECT_TRUE(entry.problem.empty()) << entry.problem;
  EXPECT_TRUE(entry.animated());
}

// A mip-texture whose header does not fit it is flagged, not refused: the file is sound.
TEST(WadReaderTest, FlagsMipHeadersThatDoNotFitTheirEntry) {
  const Bytes good = oneTextureWad();
  const std::size_t entry = good.size() - 32;
  constexpr std::size_t kWidth = 12 + 16;
  constexpr std::size_t kLevels = kWidth + 8;
  auto patched = [&](std::size_t at, std::int32_t value) {
    Bytes bytes = good;
    fixtures::setI32(bytes, at, value);
    return bytes;
  };
  Bytes noName = good;
  noName[12] = 0;
  Bytes palette = good;
  palette[entry + 12] = 0x40;
  const struct {
    const char* what;
    Bytes bytes;
    std::string problem;
  } cases[] = {
      {"negative width", patched(kWidth, -16), "dimensions -16 x 16 are not positive"},
      {"zero height", patched(kWidth + 4, 0), "dimensions 16 x 0 are not positive"},
      {"oversized", patched(kWidth, 0x40000000),
       "dimensions 1073741824 x 16 need more than the 340 bytes after the header"},
      {"a level past the end", patched(kLevels + 12, 377),
       "level 3 at offset 377 of 4 bytes lies outside the 380 bytes of the texture"},
      {"a negative level", patched(kLevels + 4, -8), "level 1 at offset -8"},
      {"empty name", noName, "empty name"},
      {"too short for the header", patched(entry + 4, 39),
       "39 bytes, too short for the 40-byte mip-texture header"},
      {"another type", palette, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryFile file(c.bytes);
    const WadContents wad = ReadWad(file);
    ASSERT_EQ(wad.entries.size(), 1u);
    const std::string& problem = wad.entries[0].problem;
    EXPECT_EQ(problem.substr(0, c.problem.size()), c.problem) << problem;
    EXPECT_EQ(problem.empty(), c.problem.empty()) << problem;
  }
}

// A 16 x 8 mip-texture whose k-th pixel byte holds k: level n's pixel (x, y) holds its
// level's start (0, 128, 160, 168) + y * its width + x.
Bytes tinyMipTexture(const std::string& name) {
  return fixtures::makeCountingMipTexture(fixtures::textureName(name), 16, 8);
}

TEST(MipTextureTest, DecodesEveryLevelAtItsOwnOffset) {
  Bytes bytes = tinyMipTexture("tiny");
  ASSERT_EQ(bytes.size(), 40u + 128 + 32 + 8 + 2);
  const MipTexture texture = DecodeMipTexture(bytes);
  EXPECT_EQ(TextureNameText(texture.header.name), "tiny");
  const struct {
    std::size_t level;
    std::int32_t width, height;
    std::size_t x, y;
    std::uint8_t index;
  } places[] = {
      {0, 16, 8, 0, 0, 0},  {0, 16, 8, 15, 0, 15}, {0, 16, 8, 3, 7, 115},
      {1, 8, 4, 7, 3, 159}, {2, 4, 2, 1, 1, 165},  {3, 2, 1, 1, 0, 169},
  };
  for (const auto& p : places) {
    SCOPED_TRACE(p.level);
    const MipLevel& level = texture.levels[p.level];
    EXPECT_EQ(level.width, p.width);
    EXPECT_EQ(level.height, p.height);
    ASSERT_EQ(level.indices.size(), static_cast<std::size_t>(p.width * p.height));
    EXPECT_EQ(level.indices[p.y * static_cast<std::size_t>(p.width) + p.x], p.index);
  }
  // The levels are found by their offsets, not by their order: put level 0 last.
  Bytes moved = bytes;
  moved.insert(moved.end(), bytes.begin() + 40, bytes.begin() + 40 + 128);
  fixtures::setI32(moved, 24, static_cast<std::int32_t>(bytes.size()));
  std::fill(moved.begin() + 40, moved.begin() + 40 + 128, std::uint8_t{0xEE});
  EXPECT_EQ(DecodeMipTexture(moved).levels[0].indices, texture.levels[0].indices);
}

TEST(MipTextureTest, RefusesDamagedTextures) {
  const Bytes good = tinyMipTexture("tiny");
  auto patched = [&](std::size_t at, std::int32_t value) {
    Bytes bytes = good;
    fixtures::setI32(bytes, at, value);
    return bytes;
  };
  const struct {
    const char* what;
    Bytes bytes;
    std::string error;
  } cases[] = {
      {"header cut short", Bytes(good.begin(), good.begin() + 39), "39 bytes, too short"},
      {"zero width", patched(16, 0), "dimensions 0 x 8 are not positive"},
      {"negative height", patched(20, -8), "dimensions 16 x -8 are not positive"},
      {"huge", patched(16, 0x7FFFFFF0), "need more than the 170 bytes after the header"},
      {"level 0 past the end", patched(24, 100), "level 0 at offset 100 of 128 bytes"},
      {"level 2 before the start", patched(32, -1), "level 2 at offset -1"},
      {"level 3 past the end", patched(36, 209), "level 3 at offset 209 of 2 bytes"},
      {"pixels cut short", Bytes(good.begin(), good.end() - 1), "level 3 at offset 208"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      DecodeMipTexture(c.bytes);
      ADD_FAILURE() << "decoded";
    } catch (const WadFormatError& error) {
      EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
    }
  }
}

TEST(MipTextureTest, ReadsOnlySoundMipTextureEntries) {
  const Bytes wad = oneTextureWad();
  MemoryFile file(wad);
  const WadContents contents = ReadWad(file);
  const MipTexture texture = ReadMipTexture(file, contents.entries[0]);
  EXPECT_EQ(texture.levels[3].indices.size(), 4u);
  EXPECT_TRUE(std::equal(texture.levels[0].indices.begin(), texture.levels[0].indices.end(),
                         wad.begin() + 12 + 40));

  WadEntry palette = contents.entries[0];
  palette.type = 0x40;
  WadEntry compressed = contents.entries[0];
  compressed.compression = 1;
  WadEntry outside = contents.entries[0];
  outside.storedSize += 100;
  const struct {
    const char* what;
    WadEntry entry;
    std::string error;
  } cases[] = {
      {"palette", palette, "not a mip-texture (type 0x40)"},
      {"compressed", compressed, "compressed (method 1)"},
      {"outside", outside, "lies outside the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      ReadMipTexture(file, c.entry);
      ADD_FAILURE() << "read";
    } catch (const WadFormatError& error) {
      EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
    }
  }
}

TEST(WadReaderTest, RejectsMalformedFiles) {
  const Bytes good = oneTextureWad();
  const std::size_t entry = good.size() - 32;
  struct Case {
    const char* what;
    Bytes bytes;
    std::string error;
  };
  auto patched = [&](std::size_t at, std::int32_t value) {
    Bytes bytes = good;
    fixtures::setI32(bytes, at, value);
    return bytes;
  };
  Bytes badMagic = good;
  badMagic[3] = '3';
  const std::vector<Case> cases = {
      {"empty", {}, "shorter than the 12-byte WAD2 header"},
      {"header only in part", Bytes(good.begin(), good.begin() + 11), "shorter than"},
      {"other magic", badMagic, "not a WAD2 file"},
      {"negative count", patched(4, -1), "negative entry count"},
      {"count past the end", patched(4, 2), "does not fit the file"},
      {"huge count", patched(4, 0x7FFFFFFF), "does not fit the file"},
      {"directory inside the header", patched(8, 4), "does not fit the file"},
      {"directory past the end", patched(8, static_cast<std::int32_t>(good.size())),
       "does not fit the file"},
      {"data past the end", patched(entry + 4, 1 << 30), "lies outside the file"},
      {"negative position", patched(entry, -12), "lies outside the file"},
      {"truncated", Bytes(good.begin(), good.end() - 1), "does not fit the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryFile file(c.bytes);
    try {
      ReadWad(file);
      ADD_FAILURE() << "accepted";
    } catch (const WadFormatError& error) {
      EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
    }
  }
}

} // namespace
} // namespace texkit2::extract
