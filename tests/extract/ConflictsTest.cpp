#include "extract/Conflicts.h"

#include "extract/Extraction.h"
#include "tests/common/Corpus.h"
#include "tests/common/MemoryFile.h"
#include "tests/common/RecordingFeedback.h"
#include "tests/common/Sha256.h"
#include "tests/common/TempFolder.h"
#include "tests/support/Builders.h"

#include <gtest/gtest.h>

namespace texkit2::extract {
namespace {

using fixtures::Bytes;
using fixtures::makeBsp;
using fixtures::makeMipTexture;
using fixtures::makePak;
using fixtures::makeTextureLump;
using fixtures::textureName;
using testing::MemoryFile;
using testing::RecordingFeedback;

Bytes texture(const std::string& name, std::uint32_t size, std::uint32_t seed,
              const Bytes& trailing = {}) {
  Bytes bytes = makeMipTexture(textureName(name), size, size, seed);
  bytes.insert(bytes.end(), trailing.begin(), trailing.end());
  return bytes;
}

std::string differencesOf(const CopyDifferences& d) {
  std::string text;
  const std::pair<bool, const char*> flags[] = {
      {!d.compared, "uncompared "}, {d.size, "size "},          {d.dimensions, "dimensions "},
      {d.pixels, "pixels "},        {d.nameTail, "name-tail "}, {d.otherBytes, "other-bytes "}};
  for (const auto& [set, word] : flags) {
    text += set ? word : "";
  }
  return text.empty() ? "same" : text.substr(0, text.size() - 1);
}

TEST(ConflictsTest, ComparesEachDroppedCopyWithTheKeptOne) {
  Bytes damaged = texture("damaged", 16, 9);
  fixtures::setI32(damaged, 16, -16); // its width
  const Bytes first = makeTextureLump({
      texture("same", 16, 1),
      texture("pixels", 16, 2),
      texture("bigger", 16, 3),
      texture("tail", 16, 4),
      texture("padding", 16, 5, {0, 0, 0, 0}),
      texture("damaged", 16, 9),
      texture("alone", 16, 6),
  });
  Bytes tail = texture("tail", 16, 4);
  tail[10] = 'x'; // after the zero byte of "tail"
  const Bytes second = makeTextureLump({
      texture("padding", 16, 5, {1, 2, 3, 4}),
      texture("same", 16, 1),
      texture("pixels", 16, 7),
      texture("bigger", 32, 3),
      tail,
      damaged,
  });
  const Bytes third = makeTextureLump({texture("pixels", 16, 2)});
  MemoryFile pak0(makePak({{"maps/a.bsp", makeBsp(first)}, {"maps/b.bsp", makeBsp(second)}}),
                  "PAK0.PAK");
  MemoryFile pak1(makePak({{"maps/dm/c.bsp", makeBsp(third)}}), "PAK1.PAK");
  TextureTable table;
  RecordingFeedback feedback;
  ScanPak(pak0, table, feedback);
  ScanPak(pak1, table, feedback);
  const auto conflicts = CompareDroppedCopies(table);

  // In the order the kept copies were found; "alone" was met once.
  const struct {
    std::string name;
    std::vector<std::string> dropped; // "archive map: differences"
  } expected[] = {
      {"same", {"PAK0.PAK maps/b.bsp: same"}},
      {"pixels", {"PAK0.PAK maps/b.bsp: pixels", "PAK1.PAK maps/dm/c.bsp: same"}},
      {"bigger", {"PAK0.PAK maps/b.bsp: size dimensions"}},
      {"tail", {"PAK0.PAK maps/b.bsp: name-tail"}},
      {"padding", {"PAK0.PAK maps/b.bsp: other-bytes"}},
      // No editor could draw it: left out as incomplete, not compared.
      {"damaged", {"PAK0.PAK maps/b.bsp: uncompared"}},
  };
  ASSERT_EQ(conflicts.size(), std::size(expected));
  for (std::size_t i = 0; i < conflicts.size(); ++i) {
    const NameConflict& conflict = conflicts[i];
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(TextureNameText(conflict.name), expected[i].name);
    EXPECT_EQ(conflict.kept.place.archive, "PAK0.PAK");
    EXPECT_EQ(conflict.kept.place.map, "maps/a.bsp");
    EXPECT_TRUE(conflict.kept.problem.empty()) << conflict.kept.problem;
    std::vector<std::string> dropped;
    for (const auto& report : conflict.dropped) {
      dropped.push_back(report.copy.place.archive + " " + report.copy.place.map + ": " +
                        differencesOf(report.differences));
    }
    EXPECT_EQ(dropped, expected[i].dropped);
  }
  const TextureCopy& bigger = conflicts[2].dropped[0].copy;
  EXPECT_EQ(bigger.size, static_cast<std::int32_t>(fixtures::mipTextureSize(32, 32)));
  EXPECT_EQ(bigger.width, 32);
  EXPECT_EQ(conflicts[2].kept.width, 16);
  const TextureCopy& broken = conflicts[5].dropped[0].copy;
  EXPECT_EQ(broken.width, -16);
  EXPECT_EQ(broken.problem, "dimensions -16 x 16 are not positive");
  EXPECT_TRUE(conflicts[5].dropped[0].incomplete);
  EXPECT_FALSE(conflicts[0].dropped[0].incomplete);
}

TEST(ConflictsTest, SaysWhenACopyCannotBeRead) {
  const Bytes lump = makeTextureLump({texture("wall1", 16, 1), texture("wall1", 16, 2)});
  MemoryFile pak(makePak({{"maps/a.bsp", makeBsp(lump)}}), "PAK0.PAK");
  TextureTable table;
  RecordingFeedback feedback;
  ScanPak(pak, table, feedback);
  pak.readableLimit = table.dropped.at(0).copy.offset + 20; // the archive shrank since
  const auto conflicts = CompareDroppedCopies(table);
  ASSERT_EQ(conflicts.size(), 1u);
  const auto& report = conflicts[0].dropped.at(0);
  EXPECT_FALSE(report.differences.compared);
  EXPECT_TRUE(report.differences.any());
  EXPECT_EQ(report.copy.problem, "its bytes cannot be read");
}

TEST(ConflictsTest, NamesEveryDifferingCopyOfTheCorpusAndLeavesTheWadAsItWas) {
  const auto installations = testing::corpusInstallations();
  if (installations.empty()) {
    GTEST_SKIP() << "no corpus at " << testing::corpusFolder();
  }
  testing::TempFolder folder;
  for (const auto& c : installations) {
    SCOPED_TRACE(c.name);
    const auto data = testing::copyInstallation(c, folder.path());
    RecordingFeedback feedback;
    std::vector<NameConflict> conflicts;
    const auto summary =
        RunExtraction(platform::hostFileSystem(), c.game == "hexen2" ? kGameHexen2 : kGameQuake,
                      data.string() + "/", feedback, &conflicts);
    ASSERT_TRUE(summary.has_value());
    EXPECT_EQ(testing::sha256Hex(testing::readAll(data / c.fileName)), c.wadSha256);
    int differing = 0;
    int inTail = 0;
    for (const auto& conflict : conflicts) {
      EXPECT_FALSE(conflict.kept.place.map.empty());
      for (const auto& report : conflict.dropped) {
        EXPECT_TRUE(report.differences.compared);
        EXPECT_FALSE(report.copy.place.archive.empty());
        differing += report.differences.any() ? 1 : 0;
        inTail += report.differences.nameTail ? 1 : 0;
      }
    }
    EXPECT_EQ(differing, c.droppedDiffering);
    EXPECT_EQ(inTail, c.droppedDifferingInTail);
    if (c.name == "quake-crossover") {
      const auto tech = std::find_if(conflicts.begin(), conflicts.end(), [](const auto& n) {
        return TextureNameText(n.name) == "tech04_3";
      });
      ASSERT_NE(tech, conflicts.end());
      EXPECT_EQ(tech->kept.place.archive + " " + tech->kept.place.map,
                "PAK0.PAK maps/pd_lasers.bsp");
      EXPECT_EQ(tech->kept.size, 2760);
      ASSERT_EQ(tech->dropped.size(), 1u);
      EXPECT_EQ(tech->dropped[0].copy.place.map, "maps/test.bsp");
      EXPECT_EQ(tech->dropped[0].copy.size, 5480);
      EXPECT_TRUE(tech->dropped[0].differences.size);
    }
  }
}

} // namespace
} // namespace texkit2::extract
