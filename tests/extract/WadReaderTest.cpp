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
