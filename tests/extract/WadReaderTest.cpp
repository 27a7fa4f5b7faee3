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
  EXPECT_EQ(entry.width, 16u);
  EXPECT_EQ(entry.height, 16u);
  EXPECT_TRUE(entry.animated());
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
