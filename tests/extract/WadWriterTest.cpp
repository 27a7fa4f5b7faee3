#include "extract/WadWriter.h"

#include "extract/WadReader.h"
#include "tests/common/MemoryFile.h"
#include "tests/common/RecordingFeedback.h"
#include "tests/support/Builders.h"

#include <gtest/gtest.h>

namespace texkit2::extract {
namespace {

using fixtures::Bytes;
using testing::MemoryFile;
using testing::RecordingFeedback;

// An archive of the given textures one after another, and a table that points at them.
struct Source {
  explicit Source(const std::vector<std::pair<TextureName, Bytes>>& textures) {
    Bytes bytes;
    std::vector<std::int32_t> offsets;
    for (const auto& [name, data] : textures) {
      offsets.push_back(static_cast<std::int32_t>(bytes.size()));
      bytes.insert(bytes.end(), data.begin(), data.end());
    }
    archive = std::make_unique<MemoryFile>(bytes, "PAK0.PAK");
    for (std::size_t i = 0; i < textures.size(); ++i) {
      auto record = std::make_unique<TextureRecord>();
      record->name = textures[i].first;
      record->offset = offsets[i];
      record->size = static_cast<std::int32_t>(textures[i].second.size());
      record->source = archive.get();
      table.slots.push_back(std::move(record));
    }
    table.count = static_cast<std::int32_t>(table.slots.size());
  }

  std::unique_ptr<MemoryFile> archive;
  TextureTable table;
};

std::pair<TextureName, Bytes> texture(const std::string& name, std::size_t size,
                                      std::uint8_t fill) {
  Bytes data(size, fill);
  const auto raw = fixtures::textureName(name);
  std::copy(raw.begin(), raw.end(), data.begin());
  return {raw, data};
}

// Runs both passes the way the extraction does.
bool writeWad(Source& source, MemoryFile& wad, RecordingFeedback& feedback) {
  const std::int32_t directory = WriteWadData(wad, source.table, feedback);
  return directory != -1 && WriteWadDirectory(wad, source.table, directory, feedback);
}

TEST(WadWriterTest, EmptyTableGivesABareHeader) {
  Source source({});
  MemoryFile wad;
  RecordingFeedback feedback;
  ASSERT_TRUE(writeWad(source, wad, feedback));
  EXPECT_EQ(wad.bytes(), (Bytes{'W', 'A', 'D', '2', 0, 0, 0, 0, 12, 0, 0, 0}));
  EXPECT_EQ(feedback.progressMaximum, 0);
  EXPECT_EQ(feedback.steps, 0);
  std::int32_t simple = 0;
  std::int32_t animated = 0;
  TallyAndFree(source.table, simple, animated);
  EXPECT_EQ(simple + animated, 0);
}

TEST(WadWriterTest, LaysTexturesOutBackToBackThenTheDirectory) {
  auto tail = texture("city1_4", 60, 0xAB);
  tail.first = fixtures::rawTextureName(std::string_view("city1_4\0_3\0/???K", 16));
  Source source({texture("sky1", 100, 1), tail, texture("+0slime", 44, 3)});
  MemoryFile wad;
  RecordingFeedback feedback;
  ASSERT_TRUE(writeWad(source, wad, feedback));

  const Bytes& bytes = wad.bytes();
  ASSERT_EQ(bytes.size(), 12u + 100 + 60 + 44 + 3 * 32);
  EXPECT_EQ(fixtures::getI32(bytes, 4), 3);
  EXPECT_EQ(fixtures::getI32(bytes, 8), 12 + 100 + 60 + 44);
  const std::vector<std::int32_t> positions = {12, 112, 172};
  const std::vector<std::int32_t> sizes = {100, 60, 44};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const std::size_t entry = 216 + 32 * i;
    EXPECT_EQ(fixtures::getI32(bytes, entry), positions[i]);
    EXPECT_EQ(fixtures::getI32(bytes, entry + 4), sizes[i]);
    EXPECT_EQ(fixtures::getI32(bytes, entry + 8), sizes[i]);
    EXPECT_EQ(bytes[entry + 12], 0x44);
    EXPECT_EQ(bytes[entry + 13], 0);
    EXPECT_EQ(bytes[entry + 14], 0);
    EXPECT_EQ(bytes[entry + 15], 0);
    const Bytes& data = source.archive->bytes();
    const std::size_t sourceStart = i == 0 ? 0 : (i == 1 ? 100 : 160);
    EXPECT_TRUE(std::equal(data.begin() + static_cast<std::ptrdiff_t>(sourceStart),
                           data.begin() + static_cast<std::ptrdiff_t>(sourceStart) + sizes[i],
                           bytes.begin() + positions[i]));
  }
  // The directory carries the first copy's whole 16 name bytes, tail included.
  EXPECT_TRUE(std::equal(tail.first.begin(), tail.first.end(), bytes.begin() + 216 + 32 + 16));

  // Three passes of one step per texture fill the bar exactly.
  EXPECT_EQ(feedback.progressMaximum, 9);
  EXPECT_EQ(feedback.steps, 9);
  EXPECT_EQ(feedback.progressPosition, 9);
  EXPECT_EQ(feedback.statusTexts,
            (std::vector<std::string>{"Extracting textures. Please wait...",
                                      "Writing directory table. Please wait...",
                                      "Writing directory table. Please wait..."}));

  // What we write, our own reader accepts.
  MemoryFile readBack(bytes);
  const WadContents contents = ReadWad(readBack);
  ASSERT_EQ(contents.entries.size(), 3u);
  EXPECT_EQ(contents.entries[2].storedSize, 44);
}

TEST(WadWriterTest, TalliesAnimatedNamesByTheirFirstByte) {
  const std::vector<std::pair<std::string, bool>> cases = {{"+0slime", true}, {"*water", true},
                                                           {"+a_btn", true},  {"sky1", false},
                                                           {"wall+1", false}, {"x*y", false}};
  std::vector<std::pair<TextureName, Bytes>> textures;
  int expectedAnimated = 0;
  for (const auto& [name, animated] : cases) {
    textures.push_back(texture(name, 40, 0));
    expectedAnimated += animated ? 1 : 0;
  }
  Source source(textures);
  std::int32_t simple = 0;
  std::int32_t animated = 0;
  TallyAndFree(source.table, simple, animated);
  EXPECT_EQ(animated, expectedAnimated);
  EXPECT_EQ(simple, static_cast<std::int32_t>(cases.size()) - expectedAnimated);
  EXPECT_EQ(source.table.count, 0);
  EXPECT_TRUE(source.table.slots.empty());
}

TEST(WadWriterTest, ReportsFailedWritesAndShortReads) {
  struct Case {
    const char* what;
    std::int64_t writable;
    std::int64_t readable;
    std::string detail;
  };
  const std::string full = "Quake.wad.part: write failed";
  const std::vector<Case> cases = {
      {"disk full at once", 0, 1 << 20, full},
      {"disk full inside the data", 150, 1 << 20, full},
      {"disk full at the directory", 12 + 100 + 60, 1 << 20, full},
      {"archive shorter than its directory said", 1 << 20, 120,
       "PAK0.PAK: the 60 bytes of texture \"b\" at offset 100 cannot be read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Source source({texture("a", 100, 1), texture("b", 60, 2)});
    source.archive->readableLimit = c.readable;
    MemoryFile wad(Bytes{}, "Quake.wad.part");
    wad.writableLimit = c.writable;
    RecordingFeedback feedback;
    EXPECT_FALSE(writeWad(source, wad, feedback));
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0], (testing::ShownMessage{"Could not write wad file.",
                                                           "File IO error", MessageIcon::Warning}));
    EXPECT_EQ(feedback.details, std::vector<std::string>{c.detail});
  }
}

// The header carries the directory's position from its first write, so a WAD2 past 2 GB is
// refused before a byte of it is written.
TEST(WadWriterTest, RefusesTexturesPastTwoGigabytesBeforeWriting) {
  Source source({texture("a", 100, 1), texture("b", 60, 2)});
  source.table.slots[0]->size = 1 << 30;
  source.table.slots[1]->size = 1 << 30;
  MemoryFile wad(Bytes{}, "Quake.wad.part");
  RecordingFeedback feedback;
  EXPECT_EQ(WriteWadData(wad, source.table, feedback), -1);
  EXPECT_EQ(feedback.details, std::vector<std::string>{
                                  "Quake.wad.part: the textures pass the 2 GB a WAD2 file can hold"});
  EXPECT_EQ(wad.length(), 0);
}

} // namespace
} // namespace texkit2::extract
