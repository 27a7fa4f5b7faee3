#include "extract/Extraction.h"

#include "extract/WadReader.h"
#include "tests/common/Corpus.h"
#include "tests/common/FaultyFileSystem.h"
#include "tests/common/MemoryFile.h"
#include "tests/common/RecordingFeedback.h"
#include "tests/common/Sha256.h"
#include "tests/common/TempFolder.h"
#include "tests/support/ModFixtures.h"
#include "tests/support/SampleGame.h"

#include <gtest/gtest.h>

namespace texkit2::extract {
namespace {

using fixtures::Bytes;
using fixtures::makeBsp;
using fixtures::makeMipTexture;
using fixtures::makePak;
using fixtures::makeTextureLump;
using fixtures::textureName;
using testing::folderNames;
using testing::readAll;
using testing::RecordingFeedback;
using testing::ShownMessage;
using testing::TempFolder;

Bytes mapWith(const std::vector<std::pair<std::string, std::uint32_t>>& textures) {
  std::vector<fixtures::LumpSlot> slots;
  for (const auto& [name, seed] : textures) {
    slots.emplace_back(makeMipTexture(textureName(name), 16, 16, seed));
  }
  return makeBsp(makeTextureLump(slots));
}

class ExtractionTest : public ::testing::Test {
 protected:
  std::filesystem::path dataFolder() const { return folder / "id1"; }
  std::string dataFolderString() const { return dataFolder().string() + "/"; }

  void writeArchives(const Bytes& pak0, const Bytes& pak1) {
    fixtures::writeFile(dataFolder() / "PAK0.PAK", pak0);
    fixtures::writeFile(dataFolder() / "PAK1.PAK", pak1);
  }

  std::optional<ExtractionSummary> run(GameKind game = kGameQuake) {
    return RunExtraction(files, game, dataFolderString(), feedback);
  }

  TempFolder folder;
  platform::FileSystem& files = platform::hostFileSystem();
  RecordingFeedback feedback;
};

TEST_F(ExtractionTest, WritesTheSampleGameByteForByte) {
  for (const auto game : {fixtures::Game::Quake, fixtures::Game::Hexen2}) {
    SCOPED_TRACE(fixtures::gameName(game));
    const auto sample = fixtures::writeSampleGame(folder.path(), game);
    RecordingFeedback fb;
    const auto summary =
        RunExtraction(files, game == fixtures::Game::Quake ? kGameQuake : kGameHexen2,
                      sample.dataFolder.string() + "/", fb);
    ASSERT_TRUE(summary.has_value());
    EXPECT_TRUE(fb.messages.empty());
    EXPECT_TRUE(fb.skipped.empty());
    EXPECT_EQ(summary->fileName, game == fixtures::Game::Quake ? "Quake.wad" : "Hexen2.wad");
    EXPECT_EQ(summary->fileLength, sample.wadLength);
    EXPECT_EQ(summary->totalEntries, sample.uniqueTextures);
    EXPECT_EQ(summary->simpleTextures, sample.simpleTextures);
    EXPECT_EQ(summary->animatedTextures, sample.animatedTextures);
    EXPECT_EQ(summary->totalEntries, summary->simpleTextures + summary->animatedTextures);

    // Read the file back and compare every entry with what the archives hold.
    const Bytes wad = readAll(sample.dataFolder / summary->fileName);
    ASSERT_EQ(wad.size(), summary->fileLength);
    const auto expected = fixtures::expectedTextures(game);
    testing::MemoryFile file(wad);
    const WadContents contents = ReadWad(file);
    ASSERT_EQ(contents.entries.size(), expected.size());
    std::int64_t position = 12;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      SCOPED_TRACE(i);
      const WadEntry& entry = contents.entries[i];
      EXPECT_EQ(entry.name, expected[i].name);
      EXPECT_EQ(entry.position, position);
      ASSERT_EQ(entry.storedSize, static_cast<std::int32_t>(expected[i].size));
      EXPECT_TRUE(std::equal(expected[i].data.begin(), expected[i].data.end(),
                             wad.begin() + entry.position));
      position += entry.storedSize;
    }
    EXPECT_EQ(contents.directoryOffset, position);
    auto expectedFiles = std::vector<std::string>{summary->fileName, "PAK0.PAK", "PAK1.PAK"};
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(folderNames(sample.dataFolder), expectedFiles);
  }
}

TEST_F(ExtractionTest, MatchesEveryCorpusInstallation) {
  const auto installations = testing::corpusInstallations();
  if (installations.empty()) {
    GTEST_SKIP() << "no corpus at " << testing::corpusFolder();
  }
  for (const auto& c : installations) {
    SCOPED_TRACE(c.name);
    const auto data = testing::copyInstallation(c, folder.path());
    RecordingFeedback fb;
    const auto summary = RunExtraction(files, c.game == "hexen2" ? kGameHexen2 : kGameQuake,
                                       data.string() + "/", fb);
    ASSERT_TRUE(summary.has_value());
    EXPECT_TRUE(fb.messages.empty());
    EXPECT_EQ(summary->fileName, c.fileName);
    EXPECT_EQ(summary->fileLength, c.fileLength);
    EXPECT_EQ(summary->totalEntries, c.totalEntries);
    EXPECT_EQ(summary->simpleTextures, c.simpleTextures);
    EXPECT_EQ(summary->animatedTextures, c.animatedTextures);
    EXPECT_EQ(testing::sha256Hex(readAll(data / c.fileName)), c.wadSha256);
  }
}

TEST_F(ExtractionTest, ChoosesTheFileNameByGame) {
  writeArchives(makePak({{"maps/a.bsp", mapWith({{"wall1", 1}})}}), makePak({}));
  ASSERT_TRUE(run(kGameHexen2).has_value());
  ASSERT_TRUE(run(kGameQuake).has_value());
  EXPECT_EQ(folderNames(dataFolder()),
            (std::vector<std::string>{"Hexen2.wad", "PAK0.PAK", "PAK1.PAK", "Quake.wad"}));
}

TEST_F(ExtractionTest, FirstArchiveWinsAndTheSummaryAddsUp) {
  writeArchives(makePak({{"maps/a.bsp", mapWith({{"wall1", 1}, {"+0slime", 2}})}}),
                makePak({{"maps/b.bsp", mapWith({{"wall1", 9}, {"*water", 3}, {"sky1", 4}})}}));
  const auto summary = run();
  ASSERT_TRUE(summary.has_value());
  const std::uint32_t size = static_cast<std::uint32_t>(fixtures::mipTextureSize(16, 16));
  EXPECT_EQ(summary->totalEntries, 4);
  EXPECT_EQ(summary->simpleTextures, 2);
  EXPECT_EQ(summary->animatedTextures, 2);
  EXPECT_EQ(summary->fileLength, 12 + 4 * size + 32 * 4);
  const Bytes wad = readAll(dataFolder() / "Quake.wad");
  EXPECT_EQ(fixtures::getI32(wad, 4), summary->totalEntries);
  const Bytes pak0Copy = makeMipTexture(textureName("wall1"), 16, 16, 1);
  EXPECT_TRUE(std::equal(pak0Copy.begin(), pak0Copy.end(), wad.begin() + 12));
  EXPECT_EQ(feedback.animationStarts, 1);
  EXPECT_EQ(feedback.animationStops, 0); // stopping is the caller's part
}

TEST_F(ExtractionTest, FindsArchivesStoredInLowerCase) {
  fixtures::writeFile(dataFolder() / "pak0.pak", makePak({{"maps/a.bsp", mapWith({{"a", 1}})}}));
  fixtures::writeFile(dataFolder() / "Pak1.Pak", makePak({{"maps/b.bsp", mapWith({{"b", 2}})}}));
  const auto summary = run();
  ASSERT_TRUE(summary.has_value());
  EXPECT_EQ(summary->totalEntries, 2);
}

// The re-release, the store editions and the mission packs hold PAK0.PAK alone: the same WAD
// file as beside a PAK1.PAK without maps.
TEST_F(ExtractionTest, ReadsPak0AloneWhereThereIsNoPak1) {
  const Bytes pak0 = makePak({{"maps/a.bsp", mapWith({{"wall1", 1}, {"+0slime", 2}})}});
  writeArchives(pak0, makePak({}));
  ASSERT_TRUE(run().has_value());
  const Bytes twoArchives = readAll(dataFolder() / "Quake.wad");
  std::filesystem::remove(dataFolder() / "PAK1.PAK");
  std::filesystem::remove(dataFolder() / "Quake.wad");
  const auto summary = run();
  ASSERT_TRUE(summary.has_value());
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_EQ(summary->totalEntries, 2);
  EXPECT_EQ(readAll(dataFolder() / "Quake.wad"), twoArchives);
}

TEST_F(ExtractionTest, SoundArchivesWithoutMapsGiveAnEmptyWad) {
  writeArchives(makePak({}), makePak({{"progs/player.mdl", Bytes(64, 1)}}));
  const auto summary = run();
  ASSERT_TRUE(summary.has_value());
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_EQ(summary->fileLength, 12u);
  EXPECT_EQ(summary->totalEntries + summary->simpleTextures + summary->animatedTextures, 0);
  EXPECT_EQ(readAll(dataFolder() / "Quake.wad"),
            (Bytes{'W', 'A', 'D', '2', 0, 0, 0, 0, 12, 0, 0, 0}));
}

// Damaged archives that give no texture at all fail the run and keep the old file.
TEST_F(ExtractionTest, DamagedArchivesWithoutATextureKeepTheOldWad) {
  const ShownMessage invalid{"Invalid Pak file.", "File IO Error", MessageIcon::Warning};
  const ShownMessage noTexture{"No texture was found. The old wad file was kept.",
                               "Extraction Error", MessageIcon::Warning};
  Bytes damagedMap = mapWith({{"wall1", 1}});
  fixtures::setI32(damagedMap, fixtures::kBspTextureLumpEntry, -4);
  const struct {
    const char* what;
    Bytes pak0, pak1;
    std::vector<ShownMessage> messages;
  } cases[] = {
      {"both without the magic", Bytes{'J', 'U', 'N', 'K'}, Bytes{}, {invalid, invalid, noTexture}},
      {"one without the magic, one without maps", Bytes{}, makePak({}), {invalid, noTexture}},
      {"only a damaged map", makePak({{"maps/a.bsp", damagedMap}}), makePak({}), {noTexture}},
  };
  writeArchives(makePak({{"maps/a.bsp", mapWith({{"wall1", 1}})}}), makePak({}));
  ASSERT_TRUE(run().has_value());
  const Bytes oldWad = readAll(dataFolder() / "Quake.wad");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeArchives(c.pak0, c.pak1);
    RecordingFeedback fb;
    EXPECT_FALSE(RunExtraction(files, kGameQuake, dataFolderString(), fb).has_value());
    EXPECT_EQ(fb.messages, c.messages);
    EXPECT_EQ(readAll(dataFolder() / "Quake.wad"), oldWad);
    EXPECT_EQ(folderNames(dataFolder()),
              (std::vector<std::string>{"PAK0.PAK", "PAK1.PAK", "Quake.wad"}));
  }
}

// Every early failure: its message, the WAD file that was there before left alone, and the
// current directory where the run put it.
TEST_F(ExtractionTest, ReportsEachFailureAndLeavesTheOldWadAlone) {
  const Bytes pak = makePak({{"maps/a.bsp", mapWith({{"wall1", 1}})}});
  const Bytes oldWad = {'o', 'l', 'd'};
  struct Case {
    const char* what;
    bool folderExists, pak0, pak1;
    GameKind game;
    std::vector<ShownMessage> messages;
  };
  const std::vector<Case> cases = {
      {"no data folder",
       false,
       false,
       false,
       kGameQuake,
       {{"Invalid file path", "Extraction Error", MessageIcon::None}}},
      {"no PAK0",
       true,
       false,
       true,
       kGameQuake,
       {{"Could not open pak0.pak file.", "File IO error", MessageIcon::Warning}}},
      {"PAK1 there but no file",
       true,
       true,
       false,
       kGameQuake,
       {{"Could not open pak1.pak file.", "File IO error", MessageIcon::Warning}}},
      {"no game chosen", true, true, true, kGameNone, {}},
      {"unknown game", true, true, true, 7, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder sub;
    const auto data = sub / "id1";
    if (c.folderExists) {
      fixtures::writeFile(data / "Quake.wad", oldWad);
      fixtures::writeFile(data / "Hexen2.wad", oldWad);
    }
    if (c.pak0) {
      fixtures::writeFile(data / "PAK0.PAK", pak);
    }
    if (c.pak1) {
      fixtures::writeFile(data / "PAK1.PAK", pak);
    } else if (c.pak0) {
      std::filesystem::create_directories(data / "PAK1.PAK"); // a folder of one archive has none
    }
    const std::string before = files.currentDirectory();
    RecordingFeedback fb;
    EXPECT_FALSE(RunExtraction(files, c.game, data.string() + "/", fb).has_value());
    EXPECT_EQ(fb.messages, c.messages);
    EXPECT_EQ(fb.animationStarts, 0);
    if (c.folderExists) {
      EXPECT_EQ(readAll(data / "Quake.wad"), oldWad);
      EXPECT_EQ(readAll(data / "Hexen2.wad"), oldWad);
      EXPECT_EQ(std::filesystem::path(files.currentDirectory()), std::filesystem::canonical(data));
      // Both archives were closed again: a writer may open them now.
      if (c.pak0) {
        EXPECT_NE(files.createForWriting((data / "PAK0.PAK").string()), nullptr);
      }
    } else {
      EXPECT_EQ(files.currentDirectory(), before);
    }
  }
}

TEST_F(ExtractionTest, AFailedWriteLeavesTheOldWadIntact) {
  writeArchives(makePak({{"maps/a.bsp", mapWith({{"wall1", 1}, {"wall2", 2}})}}), makePak({}));
  const Bytes oldWad = {'o', 'l', 'd', ' ', 'w', 'a', 'd'};
  fixtures::writeFile(dataFolder() / "quake.wad", oldWad);
  struct Case {
    const char* what;
    std::int64_t writable;
    bool failClose, failReplace;
    std::string detail;
  };
  const auto reason = [](int error) { return std::generic_category().message(error); };
  // The new file is named after the one it replaces.
  const std::string full = "quake.wad.part: " + reason(ENOSPC);
  const std::vector<Case> cases = {
      {"disk full in the header", 4, false, false, full},
      {"disk full in the data", 500, false, false, full},
      {"disk full in the directory",
       static_cast<std::int64_t>(12 + 2 * fixtures::mipTextureSize(16, 16) + 10), false, false,
       full},
      {"data lost on close", 1 << 30, true, false,
       dataFolderString() + "quake.wad.part: " + reason(EIO)},
      {"rename refused", 1 << 30, false, true,
       "replacing " + dataFolderString() + "quake.wad: " + reason(EACCES)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::FaultyFileSystem faulty;
    faulty.writableBytes = c.writable;
    faulty.failClose = c.failClose;
    faulty.failReplace = c.failReplace;
    RecordingFeedback fb;
    EXPECT_FALSE(RunExtraction(faulty, kGameQuake, dataFolderString(), fb).has_value());
    EXPECT_EQ(fb.messages, (std::vector<ShownMessage>{{"Could not write wad file.", "File IO error",
                                                       MessageIcon::Warning}}));
    EXPECT_EQ(fb.details, std::vector<std::string>{c.detail});
    EXPECT_EQ(readAll(dataFolder() / "quake.wad"), oldWad);
    EXPECT_EQ(folderNames(dataFolder()),
              (std::vector<std::string>{"PAK0.PAK", "PAK1.PAK", "quake.wad"}));
  }
  // A sound run then replaces that same file rather than writing a second one beside it, and
  // names it as it is spelt.
  const auto summary = run();
  ASSERT_TRUE(summary.has_value());
  EXPECT_EQ(summary->fileName, "quake.wad");
  EXPECT_EQ(folderNames(dataFolder()),
            (std::vector<std::string>{"PAK0.PAK", "PAK1.PAK", "quake.wad"}));
  EXPECT_NE(readAll(dataFolder() / "quake.wad"), oldWad);
}

TEST_F(ExtractionTest, AWadFileThatMayNotBeWrittenIsRefusedAndKept) {
  testing::MemoryFileSystem memory;
  memory.add("PAK0.PAK", makePak({{"maps/a.bsp", mapWith({{"wall1", 1}})}}));
  memory.add("PAK1.PAK", makePak({}));
  memory.add("Quake.wad", {'o', 'l', 'd'});
  memory.makeReadOnly("quake.wad");
  EXPECT_FALSE(RunExtraction(memory, kGameQuake, "/q/id1/", feedback).has_value());
  EXPECT_EQ(feedback.messages,
            (std::vector<ShownMessage>{
                {"Could not create wad file.", "File IO error", MessageIcon::Warning}}));
  EXPECT_EQ(feedback.details, std::vector<std::string>{"/q/id1/Quake.wad: Permission denied"});
  EXPECT_EQ(feedback.animationStarts, 0);
  EXPECT_EQ(*memory.find("Quake.wad"), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(memory.names(), (std::vector<std::string>{"PAK0.PAK", "PAK1.PAK", "Quake.wad"}));
}

// The new file goes where the link points, as writing through the link would put it, and keeps
// the mode the old one had.
TEST_F(ExtractionTest, AWadFileThatIsALinkIsWrittenThroughIt) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links are a POSIX matter here";
#else
  writeArchives(makePak({{"maps/a.bsp", mapWith({{"wall1", 1}})}}), makePak({}));
  const auto mine = folder / "textures" / "mine.wad";
  fixtures::writeFile(mine, {'o', 'l', 'd'});
  std::filesystem::permissions(mine, std::filesystem::perms(0640));
  std::filesystem::create_symlink("../textures/mine.wad", dataFolder() / "Quake.wad");
  const auto summary = run();
  ASSERT_TRUE(summary.has_value());
  EXPECT_EQ(summary->fileName, "Quake.wad");
  EXPECT_TRUE(std::filesystem::is_symlink(dataFolder() / "Quake.wad"));
  EXPECT_EQ(readAll(mine).size(), summary->fileLength);
  EXPECT_EQ(std::filesystem::status(mine).permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(folderNames(folder / "textures"), std::vector<std::string>{"mine.wad"});
#endif
}

TEST_F(ExtractionTest, ReportsAWadFileThatCannotBeCreated) {
  writeArchives(makePak({}), makePak({}));
  // A folder where the temporary file would go.
  std::filesystem::create_directories(dataFolder() / TemporaryWadName("Quake.wad"));
  EXPECT_FALSE(run().has_value());
  EXPECT_EQ(feedback.messages,
            (std::vector<ShownMessage>{
                {"Could not create wad file.", "File IO error", MessageIcon::Warning}}));
  EXPECT_FALSE(std::filesystem::exists(dataFolder() / "Quake.wad"));
}

TEST_F(ExtractionTest, ASecondRunStartsAfresh) {
  writeArchives(makePak({{"maps/a.bsp", mapWith({{"wall1", 1}})}}), makePak({}));
  const auto first = run();
  const auto second = run();
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->fileLength, second->fileLength);
  EXPECT_EQ(second->totalEntries, 1);
}

std::vector<std::string> wadNames(const std::filesystem::path& wad) {
  testing::MemoryFile file(readAll(wad));
  std::vector<std::string> names;
  for (const WadEntry& entry : ReadWad(file).entries) {
    names.push_back(TextureNameText(entry.name));
  }
  return names;
}

TEST_F(ExtractionTest, AllArchivesReadsEveryArchiveThenEveryLooseMap) {
  const auto mod = fixtures::writeModFolder(dataFolder());
  ExtractionOptions options;
  options.allArchives = true;
  options.listKept = true;
  const auto summary =
      RunExtraction(files, kGameQuake, dataFolderString(), feedback, nullptr, options);
  ASSERT_TRUE(summary.has_value());
  EXPECT_TRUE(feedback.messages.empty());
  EXPECT_TRUE(feedback.skipped.empty());
  std::vector<std::string> expected;
  for (const auto& [name, source] : mod.textures) {
    expected.push_back(name);
  }
  EXPECT_EQ(wadNames(dataFolder() / "Quake.wad"), expected);
  ASSERT_EQ(summary->kept.size(), mod.textures.size());
  for (std::size_t i = 0; i < mod.textures.size(); ++i) {
    EXPECT_EQ(summary->kept[i].place.archive, mod.textures[i].second);
  }
  ASSERT_EQ(summary->sources.size(), mod.sources.size());
  for (std::size_t i = 0; i < mod.sources.size(); ++i) {
    EXPECT_EQ(summary->sources[i].name, mod.sources[i]);
    EXPECT_EQ(summary->sources[i].looseMap, i >= 2);
    // Each gives its own texture; the first gives "shared" too.
    EXPECT_EQ(summary->sources[i].textures, i == 0 ? 2 : 1);
  }
}

// The issue's own case: pak0.pak alone, as mission packs and add-ons hold it; Hexen II's
// portals, whose one archive is pak3.pak.
TEST_F(ExtractionTest, AllArchivesReadsAddOnsThatStartPastPak0) {
  const struct {
    const char* what;
    GameKind game;
    void (*write)(const std::filesystem::path&, const fixtures::NamedTextures&);
    std::string archive;
  } cases[] = {{"hipnotic", kGameQuake, fixtures::writeAddOnFolder, "pak0.pak"},
               {"portals", kGameHexen2, fixtures::writePortalsFolder, "pak3.pak"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto addOn = folder / c.what;
    c.write(addOn, {{"wall1", 1}, {"*lava1", 2}});
    ExtractionOptions options;
    options.allArchives = true;
    RecordingFeedback fb;
    const auto summary = RunExtraction(files, c.game, addOn.string() + "/", fb, nullptr, options);
    ASSERT_TRUE(summary.has_value());
    EXPECT_EQ(summary->totalEntries, 2);
    ASSERT_EQ(summary->sources.size(), 1u);
    EXPECT_EQ(summary->sources[0].name, c.archive);
  }
}

TEST_F(ExtractionTest, AllArchivesFailsWhereThereIsNothingToRead) {
  std::filesystem::create_directories(dataFolder() / "maps");
  ExtractionOptions options;
  options.allArchives = true;
  EXPECT_FALSE(
      RunExtraction(files, kGameQuake, dataFolderString(), feedback, nullptr, options).has_value());
  EXPECT_EQ(feedback.messages,
            (std::vector<ShownMessage>{{kNothingToRead, "File IO error", MessageIcon::Warning}}));
  EXPECT_EQ(folderNames(dataFolder()), std::vector<std::string>{"maps"});
}

TEST_F(ExtractionTest, LeavesOutTheNamesOfEachWadToExclude) {
  writeArchives(makePak({{"maps/a.bsp", mapWith({{"wall1", 1}, {"door", 2}, {"sky1", 3}})}}),
                makePak({{"maps/b.bsp", mapWith({{"wall1", 4}, {"+0lava", 5}})}}));
  fixtures::writeFile(
      folder / "base.wad",
      fixtures::makeWad({{textureName("wall1"), makeMipTexture(textureName("wall1"), 16, 16, 9)}}));
  fixtures::writeFile(
      dataFolder() / "other.wad",
      fixtures::makeWad({{textureName("sky1"), makeMipTexture(textureName("sky1"), 16, 16, 9)},
                         {textureName("wall1"), makeMipTexture(textureName("wall1"), 16, 16, 9)}}));
  ExtractionOptions options;
  // Absolute, and relative to the data folder.
  options.excludeWads = {(folder / "base.wad").string(), "other.wad"};
  const auto summary =
      RunExtraction(files, kGameQuake, dataFolderString(), feedback, nullptr, options);
  ASSERT_TRUE(summary.has_value());
  EXPECT_EQ(wadNames(dataFolder() / "Quake.wad"), (std::vector<std::string>{"door", "+0lava"}));
  EXPECT_EQ(summary->leftOutPerWad, (std::vector<std::int32_t>{1, 1}));
  ASSERT_EQ(summary->leftOut.size(), 2u);
  EXPECT_EQ(summary->leftOut[0].name, "wall1");
  EXPECT_EQ(summary->leftOut[0].wad, 0);
  EXPECT_EQ(summary->leftOut[1].name, "sky1");
  EXPECT_EQ(summary->leftOut[1].wad, 1);
}

TEST_F(ExtractionTest, AWadToExcludeThatCannotBeReadStopsTheRunFirst) {
  Bytes damaged =
      fixtures::makeWad({{textureName("wall1"), makeMipTexture(textureName("wall1"), 16, 16, 9)}});
  fixtures::setI32(damaged, 8, 1 << 24); // the directory lies past the end
  const struct {
    const char* what;
    Bytes bytes; // empty: no file
    std::string detail;
  } cases[] = {
      {"missing", {}, ""}, // the system's reason follows
      {"not WAD2", Bytes(64, 'x'), "not a valid WAD2 file: "},
      {"damaged", damaged, "not a valid WAD2 file: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder root;
    const auto data = root.path() / "id1";
    fixtures::writeFile(data / "PAK0.PAK", makePak({{"maps/a.bsp", mapWith({{"wall1", 1}})}}));
    fixtures::writeFile(data / "Quake.wad", {'o', 'l', 'd'});
    if (!c.bytes.empty()) {
      fixtures::writeFile(data / "base.wad", c.bytes);
    }
    ExtractionOptions options;
    options.excludeWads = {"base.wad"};
    RecordingFeedback fb;
    EXPECT_FALSE(
        RunExtraction(files, kGameQuake, data.string() + "/", fb, nullptr, options).has_value());
    EXPECT_EQ(fb.messages, (std::vector<ShownMessage>{
                               {kExcludeWadUnreadable, "File IO error", MessageIcon::Warning}}));
    ASSERT_EQ(fb.details.size(), 1u);
    EXPECT_EQ(fb.details[0].rfind(data.string() + "/base.wad: " + c.detail, 0), 0u)
        << fb.details[0];
    EXPECT_EQ(fb.animationStarts, 0);
    EXPECT_EQ(readAll(data / "Quake.wad"), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(std::filesystem::exists(data / TemporaryWadName("Quake.wad")));
  }
}

// --output keeps what the data folder's file has: written beside its target, through a link,
// refused where it may not be written, the old file kept when the run fails.
TEST_F(ExtractionTest, WritesTheOutputFileWithTheSameGuarantees) {
  writeArchives(makePak({{"maps/a.bsp", mapWith({{"wall1", 1}})}}), makePak({}));
  const auto output = folder / "elsewhere" / "mine.wad";
  std::filesystem::create_directories(output.parent_path());
  ExtractionOptions options;
  options.output = output.string();
  auto summary = RunExtraction(files, kGameQuake, dataFolderString(), feedback, nullptr, options);
  ASSERT_TRUE(summary.has_value());
  EXPECT_EQ(summary->fileName, "mine.wad");
  EXPECT_EQ(readAll(output).size(), summary->fileLength);
  EXPECT_EQ(folderNames(dataFolder()), (std::vector<std::string>{"PAK0.PAK", "PAK1.PAK"}));
  EXPECT_EQ(folderNames(output.parent_path()), std::vector<std::string>{"mine.wad"});

#ifndef _WIN32
  // Through a link, to the file it names.
  const auto target = folder / "textures" / "real.wad";
  fixtures::writeFile(target, {'o', 'l', 'd'});
  std::filesystem::create_symlink(target, folder / "link.wad");
  options.output = (folder / "link.wad").string();
  summary = RunExtraction(files, kGameQuake, dataFolderString(), feedback, nullptr, options);
  ASSERT_TRUE(summary.has_value());
  EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.wad"));
  EXPECT_EQ(readAll(target).size(), summary->fileLength);
  EXPECT_EQ(folderNames(folder / "textures"), std::vector<std::string>{"real.wad"});
#endif

  // May not be written: refused, and kept.
  testing::MemoryFileSystem memory;
  memory.add("PAK0.PAK", makePak({{"maps/a.bsp", mapWith({{"wall1", 1}})}}));
  memory.add("mine.wad", {'o', 'l', 'd'});
  memory.makeReadOnly("mine.wad");
  options.output = "mine.wad";
  RecordingFeedback fb;
  EXPECT_FALSE(RunExtraction(memory, kGameQuake, "/q/id1/", fb, nullptr, options).has_value());
  EXPECT_EQ(fb.details, std::vector<std::string>{"/q/id1/mine.wad: Permission denied"});
  EXPECT_EQ(*memory.find("mine.wad"), (Bytes{'o', 'l', 'd'}));

  // A run that fails keeps the old file.
  fixtures::writeFile(output, {'o', 'l', 'd'});
  fixtures::writeFile(dataFolder() / "PAK0.PAK", Bytes{'j', 'u', 'n', 'k'});
  options.output = output.string();
  EXPECT_FALSE(
      RunExtraction(files, kGameQuake, dataFolderString(), fb, nullptr, options).has_value());
  EXPECT_EQ(readAll(output), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(folderNames(output.parent_path()), std::vector<std::string>{"mine.wad"});
}

} // namespace
} // namespace texkit2::extract
