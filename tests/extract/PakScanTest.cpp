#include "extract/PakScan.h"

#include "tests/common/MemoryFile.h"
#include "tests/common/RecordingFeedback.h"
#include "tests/support/Builders.h"
#include "tests/support/ModFixtures.h"

#include <gtest/gtest.h>

namespace texkit2::extract {
namespace {

using fixtures::Bytes;
using fixtures::emptySlot;
using fixtures::makeBsp;
using fixtures::makeMipTexture;
using fixtures::makePak;
using fixtures::makeTextureLump;
using fixtures::textureName;
using testing::MemoryFile;
using testing::RecordingFeedback;

std::array<std::uint8_t, 56> entryName(const std::string& text) {
  std::array<std::uint8_t, 56> name{};
  std::copy(text.begin(), text.end(), name.begin());
  return name;
}

Bytes texture(const std::string& name, std::uint32_t size = 16, std::uint32_t seed = 1) {
  return makeMipTexture(textureName(name), size, size, seed);
}

TextureTable scan(const Bytes& pak, RecordingFeedback& feedback,
                  const std::string& name = "PAK0.PAK") {
  MemoryFile archive(pak, name);
  TextureTable table;
  ScanPak(archive, table, feedback);
  for (auto& record : table.slots) {
    record->source = nullptr; // the archive ends here
  }
  return table;
}

std::vector<std::string> names(const TextureTable& table) {
  std::vector<std::string> out;
  for (const auto& record : table.slots) {
    out.push_back(TextureNameText(record->name));
  }
  return out;
}

TEST(ExtensionEqualsTest, MatchesOnlyTheWholeTextAfterTheFirstDot) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"maps/e1m1.bsp", true},
      {"maps/b_bh10.bsp", true},
      {"e1m1.bsp", true},
      {"maps/E1M1.BSP", false},
      {"maps/e1m1.bsp2", false},
      {"maps/e1m1.bsp.bak", false},
      {"maps.old/e1m1.bsp", false},
      {"progs/player.mdl", false},
      {"maps/noextension", false},
      {"maps/e1m1.bs", false},
      {"", false},
      {".bsp", true},
  };
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ExtensionEquals(entryName(name), "bsp"), expected);
  }
  // A name that fills all 56 bytes has no zero byte; the field's end ends it.
  auto full = entryName(std::string(52, 'a') + ".bsp");
  EXPECT_TRUE(ExtensionEquals(full, "bsp"));
  // Bytes after the zero byte are not part of the name.
  auto tail = entryName("maps/e1m1.bsp");
  tail[20] = 'x';
  EXPECT_TRUE(ExtensionEquals(tail, "bsp"));
}

TEST(TextureNamesEqualTest, ComparesUpToTheFirstZeroByte) {
  using fixtures::rawTextureName;
  struct Case {
    TextureName a, b;
    bool equal;
    const char* what;
  };
  const std::vector<Case> cases = {
      {textureName("wall1"), textureName("wall1"), true, "same"},
      {textureName("wall1"), textureName("WALL1"), false, "letter case counts"},
      {textureName("wall1"), textureName("wall10"), false, "prefix"},
      {rawTextureName(std::string_view("city1_4\0_3\0/???K", 16)), textureName("city1_4"), true,
       "bytes after the zero byte do not count"},
      {textureName("abcdefghijklmnop"), textureName("abcdefghijklmnop"), true, "all 16 bytes"},
      {textureName("abcdefghijklmnop"), textureName("abcdefghijklmnoq"), false, "16th byte"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(TextureNamesEqual(c.a, c.b), c.equal);
    EXPECT_EQ(TextureNamesEqual(c.b, c.a), c.equal);
  }
}

TEST(ScanPakTest, RejectsAnArchiveWithoutTheMagic) {
  const struct {
    Bytes bytes;
    std::string detail;
  } cases[] = {
      {{}, "PAK1.PAK is empty"},
      {{'P', 'A', 'C'}, "PAK1.PAK is only 3 bytes long"},
      {{'P', 'A', 'C', 'X', 0, 0, 0, 0, 0, 0, 0, 0}, "PAK1.PAK does not begin with \"PACK\""},
      {{'W', 'A', 'D', '2'}, "PAK1.PAK does not begin with \"PACK\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.detail);
    RecordingFeedback feedback;
    const auto table = scan(c.bytes, feedback, "PAK1.PAK");
    EXPECT_EQ(table.count, 0);
    ASSERT_EQ(feedback.messages.size(), 1u);
    EXPECT_EQ(feedback.messages[0],
              (testing::ShownMessage{"Invalid Pak file.", "File IO Error", MessageIcon::Warning}));
    EXPECT_EQ(feedback.details, std::vector<std::string>{c.detail});
    EXPECT_TRUE(feedback.statusTexts.empty());
    EXPECT_EQ(feedback.steps, 0);
  }
}

TEST(ScanPakTest, CountsWholeDirectoryEntriesOnly) {
  const Bytes map1 = makeBsp(makeTextureLump({texture("one")}));
  const Bytes map2 = makeBsp(makeTextureLump({texture("two")}));
  const Bytes map3 = makeBsp(makeTextureLump({texture("three")}));
  const std::vector<fixtures::PakFile> files = {
      {"maps/a.bsp", map1}, {"maps/b.bsp", map2}, {"maps/c.bsp", map3}};
  Bytes pak = makePak(files);
  const auto directory = static_cast<std::int32_t>(fixtures::getI32(pak, 4));

  RecordingFeedback feedback;
  fixtures::setI32(pak, 8, 130); // two entries and two stray bytes
  EXPECT_EQ(names(scan(pak, feedback)), (std::vector<std::string>{"one", "two"}));
  fixtures::setI32(pak, 8, 0);
  EXPECT_EQ(scan(pak, feedback).count, 0);
  fixtures::setI32(pak, 8, 192);
  fixtures::setI32(pak, 4, directory);
  EXPECT_EQ(scan(pak, feedback).count, 3);
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_TRUE(feedback.skipped.empty());
}

TEST(ScanPakTest, ReadsOnlyEntriesNamedAsMaps) {
  const Bytes lump = makeTextureLump({texture("wall1")});
  const Bytes pak = makePak({{"maps/E1M1.BSP", makeBsp(lump)},
                             {"maps/e1m1.bsp.bak", makeBsp(lump)},
                             {"maps.old/e1m1.bsp", makeBsp(lump)},
                             {"progs/player.mdl", makeBsp(lump)},
                             {"gfx/palette.lmp", Bytes(768, 7)}});
  RecordingFeedback feedback;
  EXPECT_EQ(scan(pak, feedback).count, 0);
  EXPECT_TRUE(feedback.skipped.empty());
}

TEST(ScanPakTest, ReportsEachMapScannedOfTheArchivesMaps) {
  const Bytes map = makeBsp(makeTextureLump({texture("wall1")}));
  const Bytes pak = makePak({{"maps/e1m1.bsp", map},
                             {"gfx/palette.lmp", Bytes(768, 7)},
                             {"maps/broken.bsp", Bytes(20, 0)},
                             {"maps/e1m2.bsp", map}});
  RecordingFeedback feedback;
  scan(pak, feedback, "PAK1.PAK");
  EXPECT_EQ(feedback.scanProgress, (std::vector<std::string>{"PAK1.PAK 0/3", "PAK1.PAK 1/3",
                                                             "PAK1.PAK 2/3", "PAK1.PAK 3/3"}));
}

TEST(ScanPakTest, MeasuresTexturesToTheNextKeptOffsetOrTheLumpEnd) {
  const Bytes a = texture("first", 16, 1);
  const Bytes b = texture("second", 32, 2);
  const Bytes lump = makeTextureLump({a, emptySlot(), emptySlot(), b});
  const Bytes bsp = makeBsp(lump);
  const Bytes pak = makePak({{"maps/e1m1.bsp", bsp}});
  const std::int64_t lumpStart =
      12 + static_cast<std::int64_t>(fixtures::bspTextureLumpPosition(bsp));
  const std::int32_t offsetA = fixtures::getI32(lump, 4);
  const std::int32_t offsetB = fixtures::getI32(lump, 16);

  RecordingFeedback feedback;
  const auto table = scan(pak, feedback);
  ASSERT_EQ(table.count, 2);
  EXPECT_EQ(table.slots[0]->size, offsetB - offsetA);
  EXPECT_EQ(table.slots[1]->size, static_cast<std::int32_t>(lump.size()) - offsetB);
  EXPECT_EQ(table.slots[0]->offset, lumpStart + offsetA);
  EXPECT_EQ(table.slots[1]->offset, lumpStart + offsetB);
  EXPECT_EQ(TextureNameText(table.slots[1]->name), "second");
}

TEST(ScanPakTest, AddsNothingForEmptyLumps) {
  Bytes zeroCount;
  fixtures::putI32(zeroCount, 0);
  Bytes allEmpty = makeTextureLump({emptySlot(), emptySlot()});
  for (const Bytes& lump : {zeroCount, allEmpty, Bytes{}}) {
    SCOPED_TRACE(lump.size());
    RecordingFeedback feedback;
    EXPECT_EQ(scan(makePak({{"maps/e1m1.bsp", makeBsp(lump)}}), feedback).count, 0);
    EXPECT_TRUE(feedback.messages.empty());
    EXPECT_TRUE(feedback.skipped.empty());
  }
}

TEST(ScanPakTest, KeepsTheFirstCopyOfEachName) {
  const auto tailName = fixtures::rawTextureName(std::string_view("city1_4\0_3\0/???K", 16));
  const Bytes first = makeTextureLump(
      {texture("wall1", 16, 1), makeMipTexture(tailName, 16, 16, 5), texture("sky1", 16, 3)});
  const Bytes second =
      makeTextureLump({texture("WALL1", 16, 4), texture("wall1", 64, 2),
                       makeMipTexture(fixtures::textureName("city1_4"), 32, 32, 6)});
  const Bytes pak = makePak({{"maps/a.bsp", makeBsp(first)}, {"maps/b.bsp", makeBsp(second)}});
  RecordingFeedback feedback;
  const auto table = scan(pak, feedback);
  EXPECT_EQ(names(table), (std::vector<std::string>{"wall1", "city1_4", "sky1", "WALL1"}));
  // The first map's copy: its own size and its name's trailing bytes.
  EXPECT_EQ(table.slots[0]->size, static_cast<std::int32_t>(fixtures::mipTextureSize(16, 16)));
  EXPECT_EQ(table.slots[1]->name, tailName);
}

TEST(ScanPakTest, RemembersTheMapOfEachRecordAndEveryDroppedCopy) {
  const Bytes first = makeTextureLump({texture("wall1", 16, 1), texture("sky1", 16, 3)});
  const Bytes second = makeTextureLump({texture("wall1", 32, 2), texture("sky1", 16, 3)});
  const Bytes pak = makePak({{"maps/a.bsp", makeBsp(first)},
                             {"progs/player.mdl", Bytes(40, 1)},
                             {"maps/dm/b.bsp", makeBsp(second)}});
  RecordingFeedback feedback;
  const auto table = scan(pak, feedback, "PAK1.PAK");
  ASSERT_EQ(table.maps.size(), 2u);
  EXPECT_EQ(table.maps[1].archive, "PAK1.PAK");
  EXPECT_EQ(table.maps[1].map, "maps/dm/b.bsp");
  ASSERT_EQ(table.count, 2);
  EXPECT_EQ(table.slots[1]->map, 0);
  ASSERT_EQ(table.dropped.size(), 2u);
  EXPECT_EQ(table.dropped[0].kept, 0);
  EXPECT_EQ(table.dropped[0].copy.map, 1);
  EXPECT_EQ(table.dropped[0].copy.size,
            static_cast<std::int32_t>(fixtures::mipTextureSize(32, 32)));
  EXPECT_EQ(table.dropped[1].kept, 1);
}

TEST(PakDirectoryTest, FindsAnEntryByItsExactName) {
  const Bytes pak = makePak({{"gfx/PALETTE.LMP", Bytes(768, 1)},
                             {"gfx/palette.lmp", Bytes(768, 2)},
                             {"gfx/palette.lmp", Bytes(768, 3)}});
  MemoryFile archive(pak, "PAK0.PAK");
  const PakDirectory directory = ReadPakDirectory(archive);
  ASSERT_EQ(directory.status, PakDirectory::Status::Read);
  EXPECT_EQ(directory.archiveLength, static_cast<std::int64_t>(pak.size()));
  const PakEntry* entry = FindPakEntry(directory, "gfx/palette.lmp");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry, &directory.entries[1]);
  EXPECT_EQ(FindPakEntry(directory, "gfx/palette"), nullptr);

  const struct {
    Bytes bytes;
    std::string problem;
  } cases[] = {
      {{'J', 'U', 'N', 'K'}, "does not begin with \"PACK\""},
      {{'P', 'A', 'C', 'K', 0}, "header is truncated"},
      {fixtures::makePakRaw({}, 12, 64), "directory lies outside the archive"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.problem);
    MemoryFile bad(c.bytes, "PAK0.PAK");
    const PakDirectory read = ReadPakDirectory(bad);
    EXPECT_NE(read.status, PakDirectory::Status::Read);
    EXPECT_EQ(DescribePakProblem(read), c.problem);
    EXPECT_TRUE(read.entries.empty());
  }
}

TEST(ScanPakTest, KeepsTexturesAlreadyInTheTableFromAnEarlierArchive) {
  RecordingFeedback feedback;
  MemoryFile pak0(makePak({{"maps/a.bsp", makeBsp(makeTextureLump({texture("wall1", 16, 1)}))}}),
                  "PAK0.PAK");
  MemoryFile pak1(makePak({{"maps/b.bsp", makeBsp(makeTextureLump({texture("wall1", 32, 2),
                                                                   texture("wall2", 16, 3)}))}}),
                  "PAK1.PAK");
  TextureTable table;
  ScanPak(pak0, table, feedback);
  ScanPak(pak1, table, feedback);
  ASSERT_EQ(table.count, 2);
  EXPECT_EQ(table.slots[0]->source, &pak0);
  EXPECT_EQ(table.slots[1]->source, &pak1);
  EXPECT_EQ(table.slots[0]->size, static_cast<std::int32_t>(fixtures::mipTextureSize(16, 16)));
}

TEST(ScanPakTest, GrowsPastEightHundredTextures) {
  std::vector<fixtures::LumpSlot> slots;
  for (int i = 0; i < 1000; ++i) {
    slots.emplace_back(texture("t" + std::to_string(i), 16, static_cast<std::uint32_t>(i)));
  }
  RecordingFeedback feedback;
  const auto table = scan(makePak({{"maps/big.bsp", makeBsp(makeTextureLump(slots))}}), feedback);
  EXPECT_EQ(table.count, 1000);
  EXPECT_EQ(TextureNameText(table.slots[999]->name), "t999");
}

// Damaged maps are skipped alone: the good map after each is still read.
// A map compiled with external textures stores each as its 40-byte header, level offsets 0.
// No editor can draw such an entry, so it never wins over a complete copy met later.
TEST(ScanPakTest, LeavesOutTexturesWhoseHeaderDoesNotFitThem) {
  const auto withI32 = [](Bytes bytes, std::size_t at, std::int32_t value) {
    fixtures::setI32(bytes, at, value);
    return bytes;
  };
  const Bytes full = texture("wall1", 16, 1);
  const auto header = [&](std::size_t size) {
    return Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
  };
  struct Case {
    const char* what;
    Bytes incomplete;
    std::string problem;
  };
  const std::vector<Case> cases = {
      {"header alone, levels at 0", withI32(withI32(header(40), 24, 0), 28, 0),
       "dimensions 16 x 16 need more than the 0 bytes after the header"},
      {"0 x 0", withI32(withI32(full, 16, 0), 20, 0), "dimensions 0 x 0 are not positive"},
      {"shorter than a header", header(24), "too short for the 40-byte mip-texture header"},
      {"last level outside", withI32(full, 36, 1 << 20), "level 3 at offset 1048576"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes notex = makeTextureLump({c.incomplete, texture("floor", 16, 2)});
    const Bytes complete = makeTextureLump({texture("wall1", 32, 3)});
    const Bytes pak = makePak({{"maps/notex.bsp", makeBsp(notex)},
                               {"maps/full.bsp", makeBsp(complete)},
                               {"maps/again.bsp", makeBsp(notex)}});
    RecordingFeedback feedback;
    const auto table = scan(pak, feedback);
    EXPECT_EQ(names(table), (std::vector<std::string>{"floor", "wall1"}));
    EXPECT_EQ(table.slots[1]->map, 1); // the complete copy
    EXPECT_EQ(table.slots[1]->size, static_cast<std::int32_t>(fixtures::mipTextureSize(32, 32)));
    ASSERT_EQ(table.incomplete.size(), 2u);
    EXPECT_NE(table.incomplete[0].problem.find(c.problem), std::string::npos)
        << table.incomplete[0].problem;
    EXPECT_EQ(table.incomplete[1].copy.map, 2);
    ASSERT_EQ(feedback.skipped.size(), 2u);
    EXPECT_EQ(
        feedback.skipped[0].rfind("PAK0.PAK: maps/notex.bsp: texture wall1 is incomplete (", 0), 0u)
        << feedback.skipped[0];
  }
}

TEST(ScanPakTest, WarnsOfMapsOfOtherEnginesAndReadsThemAlike) {
  struct Case {
    const char* what;
    Bytes version;       // the first eight bytes of the map
    std::string warning; // empty for none
  };
  const auto bytes = [](std::string_view text) { return Bytes(text.begin(), text.end()); };
  const std::vector<Case> cases = {
      {"Quake and Hexen II", bytes(std::string_view("\x1d\0\0\0\0\0\0\0", 8)), ""},
      {"BSP2", bytes(std::string_view("BSP2\0\0\0\0", 8)), ""},
      {"2PSB", bytes(std::string_view("2PSB\0\0\0\0", 8)), ""},
      {"Half-Life", bytes(std::string_view("\x1e\0\0\0\0\0\0\0", 8)), "BSP version 30 "},
      {"Quake II", bytes(std::string_view("IBSP\x26\0\0\0", 8)), "BSP version \"IBSP\" 38 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes map = makeBsp(makeTextureLump({texture("wall1")}));
    std::copy(c.version.begin(), c.version.end(), map.begin());
    RecordingFeedback feedback;
    EXPECT_EQ(names(scan(makePak({{"maps/e1m1.bsp", map}}), feedback)),
              std::vector<std::string>{"wall1"});
    if (c.warning.empty()) {
      EXPECT_TRUE(feedback.warnings.empty());
    } else {
      ASSERT_EQ(feedback.warnings.size(), 1u);
      EXPECT_EQ(feedback.warnings[0].rfind("PAK0.PAK: maps/e1m1.bsp: " + c.warning, 0), 0u)
          << feedback.warnings[0];
    }
  }
}

TEST(ScanPakTest, SkipsDamagedMapsAndTexturesAndGoesOn) {
  const Bytes good = makeBsp(makeTextureLump({texture("good")}));
  const Bytes twoTextures = makeTextureLump({texture("tex_a"), texture("tex_b")});
  struct Case {
    const char* what;
    Bytes map;
    std::vector<std::string> kept; // from the damaged map
    std::string warning;
    std::size_t warnings = 1;
  };
  auto withLumpBytes = [](Bytes lump, std::size_t at, std::int32_t value) {
    fixtures::setI32(lump, at, value);
    return makeBsp(lump);
  };
  const auto lumpSize = static_cast<std::int32_t>(twoTextures.size());
  const std::vector<Case> cases = {
      {"lump past the end of the map",
       fixtures::makeBspRaw(twoTextures, 1 << 20, 64),
       {},
       "texture lump lies outside the map"},
      {"negative lump offset",
       fixtures::makeBspRaw(twoTextures, -8, 64),
       {},
       "texture lump lies outside the map"},
      {"negative lump length",
       fixtures::makeBspRaw(twoTextures, 124, -1),
       {},
       "texture lump lies outside the map"},
      {"map shorter than its header", Bytes(20, 0), {}, "too short for a map header"},
      {"negative texture count", withLumpBytes(twoTextures, 0, -5), {}, "does not fit"},
      {"huge texture count", withLumpBytes(twoTextures, 0, 0x7FFFFFFF), {}, "does not fit"},
      {"count past the lump", withLumpBytes(twoTextures, 0, lumpSize), {}, "does not fit"},
      {"offsets not ascending",
       withLumpBytes(twoTextures, 8, fixtures::getI32(twoTextures, 4)),
       {"tex_a"},
       "texture slot 0"},
      // The bad offset also ends the texture before it beyond the lump.
      {"offset past the lump",
       withLumpBytes(twoTextures, 8, lumpSize + 40),
       {},
       "texture slot 0",
       2},
      {"offset below -1", withLumpBytes(twoTextures, 4, -7), {"tex_b"}, "texture slot 0"},
      {"texture too short for its name",
       withLumpBytes(twoTextures, 8, lumpSize - 8),
       {"tex_a"},
       "too short to hold its name"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingFeedback feedback;
    const auto table = scan(makePak({{"maps/bad.bsp", c.map}, {"maps/good.bsp", good}}), feedback);
    auto expected = c.kept;
    expected.push_back("good");
    EXPECT_EQ(names(table), expected);
    EXPECT_TRUE(feedback.messages.empty());
    ASSERT_EQ(feedback.skipped.size(), c.warnings);
    EXPECT_NE(feedback.skipped[0].find("PAK0.PAK: maps/bad.bsp"), std::string::npos)
        << feedback.skipped[0];
    EXPECT_NE(feedback.skipped[0].find(c.warning), std::string::npos) << feedback.skipped[0];
    for (const auto& record : table.slots) {
      EXPECT_GT(record->size, 0);
    }
  }
}

TEST(ScanPakTest, SkipsWhatATruncatedArchiveNoLongerHolds) {
  const Bytes pak = makePak({{"maps/a.bsp", makeBsp(makeTextureLump({texture("first")}))},
                             {"maps/b.bsp", makeBsp(makeTextureLump({texture("second")}))}});
  struct Case {
    const char* what;
    Bytes bytes;
    std::string warning;
  };
  Bytes mapPastEnd = pak;
  fixtures::setI32(mapPastEnd, fixtures::pakEntryPosition(pak, 1) + 56, 0x7FFFFF00);
  Bytes negativeDirectory = pak;
  fixtures::setI32(negativeDirectory, 4, -64);
  const std::vector<Case> cases = {
      {"directory cut off", Bytes(pak.begin(), pak.end() - 10), "directory lies outside"},
      {"header cut off", Bytes(pak.begin(), pak.begin() + 8), "header is truncated"},
      {"negative directory offset", negativeDirectory, "directory lies outside"},
      {"map past the end", mapPastEnd, "maps/b.bsp: lies outside the archive"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingFeedback feedback;
    const auto table = scan(c.bytes, feedback);
    EXPECT_TRUE(feedback.messages.empty());
    ASSERT_EQ(feedback.skipped.size(), 1u);
    EXPECT_NE(feedback.skipped[0].find(c.warning), std::string::npos) << feedback.skipped[0];
    EXPECT_LE(table.count, 1);
  }
}

// Reads that deliver less than asked (a damaged medium) never let garbage into the table.
TEST(ScanPakTest, TreatsShortReadsAsDamage) {
  const Bytes pak = makePak({{"maps/a.bsp", makeBsp(makeTextureLump({texture("first", 64)}))},
                             {"maps/b.bsp", makeBsp(makeTextureLump({texture("second", 64)}))}});
  for (std::int64_t limit = 0; limit < static_cast<std::int64_t>(pak.size()); limit += 97) {
    SCOPED_TRACE(limit);
    MemoryFile archive(pak, "PAK0.PAK");
    archive.readableLimit = limit;
    TextureTable table;
    RecordingFeedback feedback;
    ScanPak(archive, table, feedback);
    for (const auto& record : table.slots) {
      EXPECT_TRUE(TextureNameText(record->name) == "first" ||
                  TextureNameText(record->name) == "second");
    }
  }
}

// Lump 2 is the texture lump of every format the games and their source ports write, so a map
// is read alike in each, loose or in an archive.
TEST(ScanBspTest, ReadsEveryMapFormatLooseOrInAnArchive) {
  using fixtures::MapFormat;
  for (const MapFormat format :
       {MapFormat::QuakeBsp29, MapFormat::Hexen2Bsp29, MapFormat::Bsp2, MapFormat::Bsp2Psb}) {
    SCOPED_TRACE(fixtures::mapFormatName(format));
    const Bytes map = fixtures::makeMap(format, {{"wall1", 1}, {"+0slime", 2}});
    RecordingFeedback feedback;
    const TextureTable packed = scan(makePak({{"maps/e1m1.bsp", map}}), feedback);
    MemoryFile loose(map, "maps/e1m1.bsp");
    TextureTable table;
    EXPECT_TRUE(ScanBsp(loose, table, feedback));
    EXPECT_TRUE(feedback.warnings.empty());
    EXPECT_TRUE(feedback.skipped.empty());
    EXPECT_EQ(names(packed), (std::vector<std::string>{"wall1", "+0slime"}));
    ASSERT_EQ(names(table), names(packed));
    for (std::size_t i = 0; i < table.slots.size(); ++i) {
      // The archive holds the map right after its 12-byte header.
      EXPECT_EQ(table.slots[i]->offset + 12, packed.slots[i]->offset);
      EXPECT_EQ(table.slots[i]->size, packed.slots[i]->size);
    }
    ASSERT_EQ(table.maps.size(), 1u);
    EXPECT_EQ(table.maps[0].archive, "maps/e1m1.bsp");
    EXPECT_EQ(table.maps[0].map, "maps/e1m1.bsp");
  }
}

TEST(ScanBspTest, SkipsADamagedLooseMap) {
  const struct {
    const char* what;
    Bytes map;
    std::string skipped;
  } cases[] = {
      {"too short", Bytes(10, 0), "maps/x.bsp: is too short for a map header; map skipped"},
      {"lump outside", fixtures::makeBspRaw(makeTextureLump({texture("wall1")}), 1 << 20, 64),
       "maps/x.bsp: texture lump lies outside the map; map skipped"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryFile loose(c.map, "maps/x.bsp");
    TextureTable table;
    RecordingFeedback feedback;
    EXPECT_FALSE(ScanBsp(loose, table, feedback));
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(feedback.skipped, std::vector<std::string>{c.skipped});
  }
}

TEST(TextureTableTest, LeavesOutExcludedNamesAndKeepsTheirFirstCopy) {
  TextureTable table;
  table.exclude(textureName("wall1"), 0);
  table.exclude(textureName("wall1"), 1); // the first list keeps the name
  table.exclude(textureName("sky1"), 1);
  const auto record = [](const std::string& name, std::int32_t offset) {
    TextureRecord made;
    made.name = textureName(name);
    made.offset = offset;
    return made;
  };
  EXPECT_FALSE(table.add(record("wall1", 10)));
  EXPECT_TRUE(table.add(record("door", 20)));
  EXPECT_FALSE(table.add(record("wall1", 30)));
  EXPECT_FALSE(table.add(record("sky1", 40)));
  EXPECT_EQ(names(table), std::vector<std::string>{"door"});
  ASSERT_EQ(table.excluded.size(), 2u);
  EXPECT_EQ(table.excluded[0].copy.offset, 10);
  EXPECT_EQ(table.excluded[0].list, 0);
  EXPECT_EQ(table.excluded[1].list, 1);
  EXPECT_TRUE(table.dropped.empty());
}

} // namespace
} // namespace texkit2::extract
