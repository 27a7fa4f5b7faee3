#include "Version.h"
#include "cli/Commands.h"
#include "extract/WadReader.h"
#include "tests/common/Corpus.h"
#include "tests/common/FaultyFileSystem.h"
#include "tests/common/TempFolder.h"
#include "tests/support/ModFixtures.h"
#include "tests/support/SampleGame.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace texkit2::cli {
namespace {

using fixtures::Bytes;
using testing::TempFolder;

struct Result {
  int code;
  std::string out;
  std::string err;
};

// Tests never reach the registry of the user running them.
platform::HostRegistry givenPrefixOnly(const std::optional<std::filesystem::path>& prefix) {
  if (!prefix) {
    platform::HostRegistry none;
    none.unavailableReason = "no Wine prefix given in a test";
    return none;
  }
  return platform::openHostRegistry(prefix);
}

Result run(const std::vector<std::string>& args, bool terminal = false,
           decltype(CliContext::openRegistry) openRegistry = givenPrefixOnly,
           platform::FileSystem& files = platform::hostFileSystem()) {
  std::ostringstream out;
  std::ostringstream err;
  CliContext context{files, out, err, terminal};
  context.openRegistry = std::move(openRegistry);
  const int code = runCli(args, context);
  return {code, out.str(), err.str()};
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(CliTest, ExtractsTheSampleGameWhateverTheFolderSpelling) {
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Hexen2);
  const std::string data = sample.dataFolder.string();
  // Relative spellings are taken from the game folder (the data folder for "."; a run leaves
  // the data folder current); the printed path is clean either way.
  const std::vector<std::string> spellings = {data,       data + "/", data + "/.", "data1",
                                              "./data1/", "data1/./", "."};
  for (const std::string& spelling : spellings) {
    SCOPED_TRACE(spelling);
    std::filesystem::current_path(spelling == "." ? sample.dataFolder : sample.gameFolder);
    const auto result = run({"extract", "--game", "hexen2", spelling});
    ASSERT_EQ(result.code, kExitSuccess) << result.err;
    EXPECT_TRUE(contains(result.out, "File Name : Hexen2.wad\n"));
    EXPECT_TRUE(contains(result.out, "File Size : " + std::to_string(sample.wadLength / 1024) +
                                         " KB (" + std::to_string(sample.wadLength) + " bytes)"));
    EXPECT_TRUE(contains(result.out,
                         "Total Entries in Wad : " + std::to_string(sample.uniqueTextures) + "\n"));
    EXPECT_TRUE(contains(result.out, "Written to : " + data + "/Hexen2.wad\n")) << result.out;
    EXPECT_EQ(result.err,
              "Extracting textures. Please wait...\nWriting directory table. Please wait...\n"
              "texkit2-cli: not registered: no Wine prefix given in a test\n"
              "Extraction complete!\n"); // each status once, no bar when not a terminal
  }
  std::filesystem::current_path(std::filesystem::temp_directory_path());
}

// What a terminal shows once `bytes` were written to it: a carriage return goes back to the
// start of the line, and what follows writes over it.
std::string screen(const std::string& bytes) {
  std::string shown;
  std::size_t lineStart = 0;
  std::size_t column = 0;
  for (const char c : bytes) {
    if (c == '\r' || c == '\n') {
      column = 0;
      if (c == '\n') {
        shown.erase(shown.find_last_not_of(' ', std::string::npos) + 1);
        shown += '\n';
        lineStart = shown.size();
      }
    } else if (lineStart + column < shown.size()) {
      shown[lineStart + column++] = c;
    } else {
      shown += c;
      ++column;
    }
  }
  return shown;
}

std::string size(std::uint32_t width, std::uint32_t height) {
  return std::to_string(fixtures::mipTextureSize(width, height));
}

TEST(CliTest, PrintsJsonAndAProgressBarOnATerminal) {
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  const auto result = run({"extract", "--json", "--game=quake", sample.dataFolder.string()}, true);
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  // The summary, then the first name met twice with its first dropped copy.
  EXPECT_TRUE(result.out.starts_with(
      "{\"fileName\": \"Quake.wad\", \"fileLength\": " + std::to_string(sample.wadLength) +
      ", \"totalEntries\": " + std::to_string(sample.uniqueTextures) +
      ", \"simpleTextures\": " + std::to_string(sample.simpleTextures) +
      ", \"animatedTextures\": " + std::to_string(sample.animatedTextures) + ", \"path\": \"" +
      sample.dataFolder.string() +
      "/Quake.wad\", \"warnings\": [], \"skipped\": [], \"registration\": "
      "{\"registered\": false, \"slot\": null, \"message\": \"not registered: no Wine "
      "prefix given in a test\", \"location\": null}, \"conflicts\": [{\"name\": \"wall1\", "
      "\"kept\": {\"archive\": \"PAK0.PAK\", \"map\": \"maps/start.bsp\", \"size\": " +
      size(64, 64) +
      ", \"width\": 64, \"height\": 64}, \"dropped\": [{\"archive\": \"PAK0.PAK\", \"map\": "
      "\"maps/e1m1.bsp\", \"size\": " +
      size(64, 64) +
      ", \"width\": 64, \"height\": 64, \"sameBytes\": false, \"differences\": "
      "[\"pixels\"]}, {\"archive\": \"PAK1.PAK\", \"map\": \"maps/dm/dm3.bsp\", "))
      << result.out;
  EXPECT_TRUE(result.out.ends_with("]}], \"incomplete\": []}\n")) << result.out;
  // Other names: each dropped copy with where it was and how it differs.
  for (const std::string& part :
       {std::string("{\"name\": \"*water1\", "),
        "\"map\": \"maps/e1m1.bsp\", \"size\": " + size(64, 64) +
            ", \"width\": 64, \"height\": 64, \"sameBytes\": true, \"differences\": []}",
        "\"map\": \"maps/e1m2.bsp\", \"size\": " + size(32, 32) +
            ", \"width\": 32, \"height\": 32, \"sameBytes\": false, \"differences\": "
            "[\"size\", \"dimensions\", \"name tail\"]}"}) {
    EXPECT_TRUE(contains(result.out, part)) << part;
  }
  // Each archive's scan, then one bar that moved down under the latest status.
  EXPECT_TRUE(std::regex_match(
      screen(result.err),
      std::regex(
          R"(Scanning PAK0\.PAK \[#{40}\] ([1-9]\d*) of \1 maps\n)"
          R"(Scanning PAK1\.PAK \[#{40}\] ([1-9]\d*) of \2 maps\n)"
          R"(Extracting textures\. Please wait\.\.\.\nWriting directory table\. Please wait\.\.\.\n)"
          R"(\[#{40}\] 100%\ntexkit2-cli: not registered: .*\nExtraction complete!\n)")))
      << result.err;
}

TEST(CliTest, JsonSpellsPathsAsUnicodeAndCarriesWhatTheRunReported) {
  TempFolder folder;
  const auto data = folder / "My Games" / "Qu\u00e9bec \u2713" / "id1";
  const std::string escaped = "My Games/Qu\\u00e9bec \\u2713/id1";
  const auto lump = fixtures::makeTextureLump(
      {fixtures::makeMipTexture(fixtures::textureName("caf\xe9"), 16, 16, 1)});
  fixtures::writeFile(
      data / "PAK0.PAK",
      fixtures::makePak({{"maps/good.bsp", fixtures::makeBsp(lump)},
                         {"maps/bad.bsp", fixtures::makeBspRaw(lump, 1 << 30, 4)}}));
  fixtures::writeFile(data / "PAK1.PAK", fixtures::Bytes{'J', 'U', 'N', 'K'});

  const auto extracted = run({"extract", "--json", "--game", "quake", data.string()});
  ASSERT_EQ(extracted.code, kExitSuccess) << extracted.err;
  EXPECT_TRUE(contains(extracted.out, escaped + "/Quake.wad\", \"warnings\": [\"File IO Error: "
                                                "Invalid Pak file."))
      << extracted.out;
  EXPECT_TRUE(contains(extracted.out, "\"skipped\": [\"PAK0.PAK: maps/bad.bsp: texture lump lies "
                                      "outside the map; map skipped\"], \"registration\": "
                                      "{\"registered\": false, "))
      << extracted.out;
  const auto info = run({"info", "--json", (data / "Quake.wad").string()});
  EXPECT_TRUE(contains(info.out, escaped + "/Quake.wad\"")) << info.out;
  EXPECT_TRUE(contains(info.out, "\"name\": \"caf\\u00e9\"")) << info.out; // a raw byte

  // A failed run still prints one JSON object.
  const struct {
    std::vector<std::string> args;
    std::string out;
  } failures[] = {
      {{"extract", "--json", "--game", "quake", (folder / "nowhere").string()},
       "{\"error\": \"Extraction Error: Invalid file path"},
      {{"info", "--json", (folder / "nowhere").string()}, "{\"error\": \"cannot open "},
  };
  for (const auto& c : failures) {
    SCOPED_TRACE(c.args[0]);
    const auto result = run(c.args);
    EXPECT_EQ(result.code, kExitFailure);
    EXPECT_TRUE(result.out.starts_with(c.out)) << result.out;
    EXPECT_TRUE(result.out.ends_with("}\n")) << result.out;
  }
}

TEST(CliTest, ReportsFailuresAndUsageErrors) {
  TempFolder folder;
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string err;
  };
  const std::string missing = (folder / "nowhere").string();
  std::filesystem::create_directories(folder / "game" /
                                      "id1"); // the game's folder, given by mistake
  const std::vector<Case> cases = {
      {{"extract", "--game", "quake", missing},
       kExitFailure,
       "Extraction Error: Invalid file path"},
      {{"extract", "--game", "quake", folder.path().string()},
       kExitFailure,
       "File IO error: Could not open pak0.pak file."},
      {{"extract", "--game", "quake", (folder / "game").string()},
       kExitFailure,
       "did you mean " + (folder / "game" / "id1").string() + "?\n"},
      {{"extract", missing}, kExitUsage, "--game quake or --game hexen2 is required"},
      {{"extract", "--game", "doom", missing}, kExitUsage, "unknown game 'doom'"},
      {{"extract", "--game", "Quake", missing}, kExitFailure, "Invalid file path"},
      {{"extract", "--game", "quake", ""}, kExitUsage, "DATAFOLDER is empty"},
      {{"register", "--game=HEXEN2", ""}, kExitUsage, "DATAFOLDER is empty"},
      {{"register", "--game", "quake", "--wine-prefix", "", missing},
       kExitUsage,
       "--wine-prefix needs a folder"},
      {{"info", ""}, kExitUsage, "WADFILE is empty"},
      {{"extract", "--game"}, kExitUsage, "--game needs a value"},
      {{"extract", "--game", "quake"}, kExitUsage, "exactly one DATAFOLDER"},
      {{"extract", "--bogus"}, kExitUsage, "unknown option '--bogus'"},
      {{"info"}, kExitUsage, "exactly one WADFILE"},
      {{"info", "--no-register", missing}, kExitUsage, "unknown option '--no-register'"},
      {{"register", missing}, kExitUsage, "--game quake or --game hexen2 is required"},
      {{"register", "--game", "quake", "--wine-prefix"}, kExitUsage, "--wine-prefix needs"},
      {{"info", missing}, kExitFailure, "cannot open"},
      {{"frobnicate"}, kExitUsage, "unknown command 'frobnicate'"},
      {{"extract", "--game", "quake", "--exclude-wad"}, kExitUsage, "--exclude-wad needs a file"},
      {{"extract", "--game", "quake", "--output=", missing}, kExitUsage, "--output needs a file"},
      {{"extract", "--game", "quake", "--output", "a.wad", "--output=b.wad", missing},
       kExitUsage,
       "--output may be given once"},
      {{"extract", "--game", "quake", "--trenchbroom", "--output", "a.wad", missing},
       kExitUsage,
       "does not go with --output"},
      {{"register", "--game", "quake", "--all-archives", missing},
       kExitUsage,
       "unknown option '--all-archives'"},
      {{"extract-all", "--game", "quake", "--output", "a.wad", missing},
       kExitUsage,
       "unknown option '--output'"},
      {{"extract-all", "--game", "quake"}, kExitUsage, "exactly one INSTALLFOLDER"},
      {{"extract-all", missing}, kExitUsage, "--game quake or --game hexen2 is required"},
      {{"extract-all", "--game", "quake", folder.path().string()},
       kExitFailure,
       "holds no id1 folder with a pak0.pak"},
      {{}, kExitUsage, "Usage: texkit2-cli COMMAND"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.back());
    const auto result = run(c.args);
    EXPECT_EQ(result.code, c.code);
    EXPECT_TRUE(contains(result.err, c.err)) << result.err;
    if (c.err.find("did you mean") == std::string::npos) {
      EXPECT_FALSE(contains(result.err, "did you mean")) << result.err;
    }
  }
}

// After the fixed text of each message: the path involved and the system's reason.
TEST(CliTest, FailuresSayWhereAndWhy) {
#ifdef _WIN32
  GTEST_SKIP() << "the reasons and separators here are POSIX's";
#endif
  TempFolder folder;
  const std::string base = folder.path().string();
  const Bytes goodPak = fixtures::makePak(
      {{"maps/a.bsp", fixtures::makeBsp(fixtures::makeTextureLump({fixtures::makeMipTexture(
                          fixtures::textureName("wall1"), 16, 16, 1)}))}});
  fixtures::writeFile(folder / "pak1-folder/PAK0.PAK", goodPak);
  std::filesystem::create_directories(folder / "pak1-folder/PAK1.PAK");
  fixtures::writeFile(folder / "bad-pak0/PAK0.PAK", {'J', 'U', 'N', 'K'});
  fixtures::writeFile(folder / "bad-pak0/PAK1.PAK", goodPak);
  fixtures::writeFile(folder / "full/PAK0.PAK", goodPak);
  fixtures::writeFile(folder / "full/PAK1.PAK", goodPak);
  testing::writeText(folder / "a-file", "x");
  fixtures::writeFile(folder / "empty-paks/PAK0.PAK", {});
  fixtures::writeFile(folder / "empty-paks/PAK1.PAK", {});
  testing::FaultyFileSystem fullDisk;
  fullDisk.writableBytes = 100;
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string err;
    platform::FileSystem& files = platform::hostFileSystem();
  };
  const std::vector<Case> cases = {
      {{"extract", "--game", "quake", base + "/missing"},
       kExitFailure,
       "Extraction Error: Invalid file path (" + base + "/missing: No such file or directory)\n"},
      {{"extract", "--game", "quake", base + "/a-file"},
       kExitFailure,
       "Extraction Error: Invalid file path (" + base + "/a-file: Not a directory)\n"},
      {{"extract", "--game", "quake", base + "/pak1-folder"},
       kExitFailure,
       "File IO error: Could not open pak1.pak file. (" + base +
           "/pak1-folder/PAK1.PAK: Is a directory)\n"},
      {{"extract", "--game", "quake", base + "/bad-pak0"},
       kExitSuccess,
       "File IO Error: Invalid Pak file. (PAK0.PAK does not begin with \"PACK\")\n"},
      {{"extract", "--game", "quake", base + "/full"},
       kExitFailure,
       "File IO error: Could not write wad file. (Quake.wad.part: No space left on device)\n",
       fullDisk},
      {{"extract", "--game", "quake", base + "/empty-paks"},
       kExitFailure,
       "File IO Error: Invalid Pak file. (PAK1.PAK is empty)\n"
       "Extraction Error: No texture was found. The old wad file was kept.\n"},
      {{"info", base}, kExitFailure, "cannot open " + base + ": Is a directory\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const auto result = run(c.args, false, givenPrefixOnly, c.files);
    EXPECT_EQ(result.code, c.code);
    EXPECT_TRUE(contains(result.err, c.err)) << result.err;
  }
}

TEST(CliTest, WarnsOfADataFolderNamedLikeTheOtherGames) {
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Hexen2);
  const auto id1 = sample.gameFolder / "ID1";
  std::filesystem::rename(sample.dataFolder, id1);
  const auto result = run({"extract", "--json", "--game", "hexen2", id1.string()});
  EXPECT_EQ(result.code, kExitSuccess);
  const std::string warning = " is named like Quake's data folder, but --game hexen2 was given";
  EXPECT_TRUE(contains(result.err, "warning: " + id1.string() + warning)) << result.err;
  EXPECT_TRUE(contains(result.out, warning)) << result.out; // among the JSON warnings
}

TEST(CliTest, AFailedWriteToStandardOutputIsAFailure) {
  struct FullDisk : std::streambuf {
    int overflow(int) override { return traits_type::eof(); }
  } fullDisk;
  std::ostream out(&fullDisk);
  std::ostringstream err;
  CliContext context{platform::hostFileSystem(), out, err};
  EXPECT_EQ(runCli({"--version"}, context), kExitFailure);
  EXPECT_TRUE(err.str().starts_with("texkit2-cli: could not write to standard output"))
      << err.str();
}

TEST(CliTest, ListsAWadFileAndRejectsAMalformedOne) {
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  ASSERT_EQ(run({"extract", "--game", "quake", sample.dataFolder.string()}).code, kExitSuccess);
  const auto wadPath = sample.dataFolder / "Quake.wad";
  const auto listing = run({"info", wadPath.string()});
  ASSERT_EQ(listing.code, kExitSuccess) << listing.err;
  EXPECT_TRUE(contains(listing.out, "Total: " + std::to_string(sample.uniqueTextures) +
                                        " entries (" + std::to_string(sample.simpleTextures) +
                                        " simple, " + std::to_string(sample.animatedTextures) +
                                        " animated)"));
  EXPECT_TRUE(contains(listing.out, "+0slime"));
  EXPECT_TRUE(contains(listing.out, "animated"));
  EXPECT_TRUE(contains(listing.out, "128 x 64"));
  // Bytes after a name's zero byte are not shown; a name using all 16 bytes is shown whole.
  EXPECT_TRUE(contains(listing.out, " metal5_8longname "));
  EXPECT_FALSE(contains(listing.out, "does not fit"));

  const auto json = run({"info", "--json", wadPath.string()});
  EXPECT_TRUE(contains(json.out, "\"totalEntries\": " + std::to_string(sample.uniqueTextures)));

  // The first texture's width made negative, the second entry made a palette.
  auto bytes = testing::readAll(wadPath);
  const auto directory = static_cast<std::size_t>(fixtures::getI32(bytes, 8));
  fixtures::setI32(bytes, static_cast<std::size_t>(fixtures::getI32(bytes, directory)) + 16, -16);
  bytes[directory + 32 + 12] = 0x40;
  fixtures::writeFile(folder / "odd.wad", bytes);
  const auto odd = run({"info", (folder / "odd.wad").string()});
  ASSERT_EQ(odd.code, kExitSuccess) << odd.err;
  EXPECT_TRUE(contains(odd.out, " -16 x ")) << odd.out;
  EXPECT_FALSE(contains(odd.out, "4294967280"));
  EXPECT_TRUE(contains(odd.out, "mip header does not fit: dimensions -16 x "));
  EXPECT_TRUE(contains(odd.out, " type 0x40\n"));
  EXPECT_TRUE(contains(odd.out, "animated, 1 of another type)")) << odd.out;
  EXPECT_TRUE(contains(odd.out, "\n1 of the textures have a mip header that does not fit them\n"));
  const auto oddJson = run({"info", "--json", (folder / "odd.wad").string()});
  EXPECT_TRUE(contains(oddJson.out, "\"width\": -16,")) << oddJson.out;
  EXPECT_TRUE(contains(oddJson.out, "\"otherEntries\": 1, \"flaggedTextures\": 1}"));

  bytes = testing::readAll(wadPath);
  bytes.resize(bytes.size() - 5);
  fixtures::writeFile(folder / "cut.wad", bytes);
  const auto rejected = run({"info", (folder / "cut.wad").string()});
  EXPECT_EQ(rejected.code, kExitFailure);
  EXPECT_TRUE(contains(rejected.err, "is not a valid WAD2 file: directory of"));
  EXPECT_TRUE(rejected.out.empty());
}

// A Wine prefix whose registry holds the editor's first two slots, the first taken by another
// pack; drive z: is the root, as in a prefix Wine made.
std::filesystem::path makePrefix(const TempFolder& folder) {
  const auto prefix = folder / "wineprefix";
  testing::writeText(prefix / "user.reg",
                     "WINE REGISTRY Version 2\n"
                     ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
                     "\n#arch=win32\n"
                     "\n[Software\\\\Corvanne\\\\Stratel\\\\Settings\\\\txpack0] 1700000000\n"
                     "#time=1da1b2c3d4e5f60\n"
                     "\"name\"=\"base.wad\"\n"
                     "\"path\"=\"C:\\\\maps\\\\base.wad\"\n"
                     "\"type\"=dword:00000001\n"
                     "\n[Software\\\\Corvanne\\\\Stratel\\\\Settings\\\\txpack1] 1700000000\n"
                     "#time=1da1b2c3d4e5f60\n");
  std::filesystem::create_directories(prefix / "dosdevices");
  std::filesystem::create_directory_symlink("/", prefix / "dosdevices" / "z:");
  return prefix;
}

std::string slotText(const std::filesystem::path& prefix, int slot) {
  const auto bytes = testing::readAll(prefix / "user.reg");
  const std::string text(bytes.begin(), bytes.end());
  const auto start = text.find("txpack" + std::to_string(slot) + "]");
  return start == std::string::npos ? std::string()
                                    : text.substr(start, text.find("\n\n", start) - start);
}

std::string windowsFolder(const std::filesystem::path& folder) {
  std::string text = "Z:" + folder.string();
  std::string doubled;
  for (const char c : text) {
    doubled += c == '/' ? std::string("\\\\") : std::string(1, c);
  }
  return doubled;
}

TEST(CliTest, RegistersTheWadInTheWinePrefix) {
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  const auto prefix = makePrefix(folder);
  const auto before = slotText(prefix, 0);
  const auto result = run(
      {"extract", "--game", "quake", "--wine-prefix", prefix.string(), sample.dataFolder.string()});
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_TRUE(contains(result.err, "registered as texture pack txpack1")) << result.err;
  const auto slot = slotText(prefix, 1);
  EXPECT_TRUE(contains(slot, "\"name\"=\"Quake.wad\"")) << slot;
  EXPECT_TRUE(contains(slot, "\"type\"=dword:00000001")) << slot;
  EXPECT_TRUE(contains(slot, "\"path\"=\"" + windowsFolder(sample.dataFolder) + "\\\\Quake.wad\""))
      << slot;
  EXPECT_EQ(slotText(prefix, 0), before);

  // Registering the other game takes the same slot; --no-register leaves the file alone.
  ASSERT_EQ(run({"register", "--game", "hexen2", "--wine-prefix", prefix.string(),
                 sample.dataFolder.string()})
                .code,
            kExitSuccess);
  EXPECT_TRUE(contains(slotText(prefix, 1), "\"name\"=\"Hexen2.wad\""));
  const auto registry = testing::readAll(prefix / "user.reg");
  const auto quiet = run({"extract", "--no-register", "--game", "quake", "--wine-prefix",
                          prefix.string(), sample.dataFolder.string()});
  EXPECT_EQ(quiet.code, kExitSuccess);
  EXPECT_FALSE(contains(quiet.err, "registered"));
  EXPECT_EQ(testing::readAll(prefix / "user.reg"), registry);
}

TEST(CliTest, ReportsAndRegistersAnEarlierWadByItsOwnSpelling) {
#ifdef _WIN32
  GTEST_SKIP() << "needs a Wine prefix on disk";
#endif
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  testing::writeText(sample.dataFolder / "quake.wad", "old");
  const auto prefix = makePrefix(folder);
  const std::string data = sample.dataFolder.string();
  const auto extracted =
      run({"extract", "--json", "--game", "quake", "--wine-prefix", prefix.string(), data});
  ASSERT_EQ(extracted.code, kExitSuccess) << extracted.err;
  EXPECT_TRUE(contains(extracted.out, "{\"fileName\": \"quake.wad\""));
  EXPECT_TRUE(contains(extracted.out, "\"path\": \"" + data + "/quake.wad\","));
  EXPECT_TRUE(contains(slotText(prefix, 1), windowsFolder(sample.dataFolder) + "\\\\quake.wad\""));
  const auto registered =
      run({"register", "--game", "quake", "--wine-prefix", prefix.string(), data});
  EXPECT_EQ(registered.code, kExitSuccess);
  EXPECT_FALSE(contains(registered.err, "does not exist")) << registered.err;
  EXPECT_TRUE(contains(slotText(prefix, 1), windowsFolder(sample.dataFolder) + "\\\\quake.wad\""));
}

TEST(CliTest, SaysWhyNothingWasRegistered) {
#ifdef _WIN32
  GTEST_SKIP() << "the reasons and separators here are POSIX's";
#endif
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  const auto empty = folder / "empty-prefix";
  testing::writeText(empty / "user.reg", "WINE REGISTRY Version 2\n\n#arch=win32\n");
  struct Case {
    std::string prefix;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {(folder / "missing").string(), "not registered: "},
      {empty.string(), "not registered: the level editor's settings (txpack0) were not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.prefix);
    const auto extracted =
        run({"extract", "--game", "quake", "--wine-prefix", c.prefix, sample.dataFolder.string()});
    EXPECT_EQ(extracted.code, kExitSuccess); // the WAD file is there all the same
    EXPECT_TRUE(contains(extracted.err, c.reason)) << extracted.err;
    const auto registered =
        run({"register", "--game", "quake", "--wine-prefix", c.prefix, sample.dataFolder.string()});
    EXPECT_EQ(registered.code, kExitFailure);
    EXPECT_TRUE(contains(registered.err, c.reason)) << registered.err;
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

TEST(CliTest, ReportsTheCopiesOfANameThatWereDropped) {
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  const std::string data = sample.dataFolder.string();
  const auto plain = run({"extract", "--no-register", "--game", "quake", data});
  const auto wad = testing::readAll(sample.dataFolder / "Quake.wad");
  const auto result = run({"extract", "--conflicts", "--no-register", "--game", "quake", data});
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_EQ(testing::readAll(sample.dataFolder / "Quake.wad"), wad); // the same WAD file
  const std::string s64 = size(64, 64);
  EXPECT_EQ(result.out,
            plain.out + "\n" +
                "Texture names met more than once: 6, with 7 copies dropped (6 of them with "
                "other bytes).\n"
                "The first copy met is the one in the WAD file.\n"
                "wall1: kept PAK0.PAK maps/start.bsp (" +
                s64 +
                " bytes, 64 x 64)\n"
                "  dropped PAK0.PAK maps/e1m1.bsp (" +
                s64 +
                " bytes, 64 x 64): other pixels\n"
                "  dropped PAK1.PAK maps/dm/dm3.bsp (" +
                s64 +
                " bytes, 64 x 64): other pixels\n"
                "WALL1: kept PAK0.PAK maps/start.bsp (" +
                s64 +
                " bytes, 64 x 64)\n"
                "  dropped PAK1.PAK maps/dm/dm3.bsp (" +
                size(32, 32) + " bytes, 32 x 32): size " + s64 + " vs " + size(32, 32) +
                ", dimensions 64 x 64 vs 32 x 32\n"
                "+1slime: kept PAK0.PAK maps/start.bsp (" +
                s64 +
                " bytes, 64 x 64)\n"
                "  dropped PAK0.PAK maps/e1m3.bsp (" +
                s64 +
                " bytes, 64 x 64): other pixels\n"
                "*water1: kept PAK0.PAK maps/start.bsp (" +
                s64 +
                " bytes, 64 x 64)\n"
                "  dropped PAK0.PAK maps/e1m1.bsp (" +
                s64 +
                " bytes, 64 x 64): same bytes\n"
                "city1_4: kept PAK0.PAK maps/start.bsp (" +
                s64 +
                " bytes, 64 x 64)\n"
                "  dropped PAK0.PAK maps/e1m2.bsp (" +
                size(32, 32) + " bytes, 32 x 32): size " + s64 + " vs " + size(32, 32) +
                ", dimensions 64 x 64 vs 32 x 32, other bytes after the name's zero byte\n"
                "tech01_1: kept PAK0.PAK maps/e1m1.bsp (" +
                s64 +
                " bytes, 64 x 64)\n"
                "  dropped PAK1.PAK maps/e2m1.bsp (" +
                size(128, 128) + " bytes, 128 x 128): size " + s64 + " vs " + size(128, 128) +
                ", dimensions 64 x 64 vs 128 x 128\n");

  // A game without a name met twice.
  const Bytes pak = fixtures::makePak(
      {{"maps/a.bsp", fixtures::makeBsp(fixtures::makeTextureLump({fixtures::makeMipTexture(
                          fixtures::textureName("wall1"), 16, 16, 1)}))}});
  fixtures::writeFile(folder / "single" / "PAK0.PAK", pak);
  fixtures::writeFile(folder / "single" / "PAK1.PAK", fixtures::makePak({}));
  const auto single = run(
      {"extract", "--conflicts", "--no-register", "--game", "quake", (folder / "single").string()});
  EXPECT_TRUE(single.out.ends_with("\nNo texture name was met more than once.\n")) << single.out;
  EXPECT_TRUE(contains(
      run({"extract", "--json", "--no-register", "--game", "quake", (folder / "single").string()})
          .out,
      "\"registration\": null, \"conflicts\": [], \"incomplete\": []}"));
}

// A map compiled with external textures in PAK0.PAK, the complete textures in PAK1.PAK.
TEST(CliTest, WritesTheCompleteCopyInsteadOfAnIncompleteOneAndSaysSo) {
  TempFolder folder;
  const auto full = fixtures::makeMipTexture(fixtures::textureName("wall1"), 64, 64, 1);
  Bytes headerOnly(full.begin(), full.begin() + 40);
  for (std::size_t at = 24; at < 40; at += 4) {
    fixtures::setI32(headerOnly, at, 0);
  }
  Bytes skyHeader = headerOnly;
  std::copy_n("sky1\0", 5, skyHeader.begin());
  const auto floor = fixtures::makeMipTexture(fixtures::textureName("floor"), 16, 16, 2);
  const auto data = folder / "id1";
  fixtures::writeFile(
      data / "PAK0.PAK",
      fixtures::makePak({{"maps/notex.bsp", fixtures::makeBsp(fixtures::makeTextureLump(
                                                {headerOnly, skyHeader, floor}))}}));
  fixtures::writeFile(
      data / "PAK1.PAK",
      fixtures::makePak(
          {{"maps/full.bsp", fixtures::makeBsp(fixtures::makeTextureLump({full, floor}))}}));
  const auto result =
      run({"extract", "--conflicts", "--no-register", "--game", "quake", data.string()});
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_TRUE(contains(result.err, "warning: PAK0.PAK: maps/notex.bsp: texture wall1 is "
                                   "incomplete (dimensions 64 x 64 need more than the 0 bytes "
                                   "after the header); left out\n"))
      << result.err;
  EXPECT_TRUE(contains(result.err, "maps/notex.bsp: texture sky1 is incomplete")) << result.err;
  // wall1 is PAK1's complete copy, byte for byte.
  const auto wad = testing::readAll(data / "Quake.wad");
  ASSERT_EQ(fixtures::getI32(Bytes(wad.begin(), wad.end()), 4), 2);
  EXPECT_TRUE(std::search(wad.begin(), wad.end(), full.begin(), full.end()) != wad.end());
  EXPECT_TRUE(contains(
      result.out,
      "Texture names met more than once or in an incomplete copy: 3, with 1 copy dropped (0 of "
      "them with other bytes) and 2 copies left out as incomplete.\n"));
  EXPECT_TRUE(contains(result.out, "wall1: kept PAK1.PAK maps/full.bsp (" + size(64, 64) +
                                       " bytes, 64 x 64)\n  left out PAK0.PAK maps/notex.bsp (40 "
                                       "bytes, 64 x 64) [dimensions 64 x 64 need more than the 0 "
                                       "bytes after the header]: incomplete\n"))
      << result.out;
  EXPECT_TRUE(contains(result.out, "sky1: none kept, no complete copy was met\n")) << result.out;

  const auto json =
      run({"extract", "--json", "--no-register", "--game", "quake", data.string()}).out;
  EXPECT_TRUE(contains(json, "\"incomplete\": [{\"archive\": \"PAK0.PAK\", \"map\": "
                             "\"maps/notex.bsp\", \"size\": 40, \"width\": 64, \"height\": 64, "
                             "\"problem\": \"dimensions 64 x 64 need more than the 0 bytes after "
                             "the header\", \"name\": \"wall1\", \"writtenInstead\": "
                             "{\"archive\": \"PAK1.PAK\", \"map\": \"maps/full.bsp\"}}, "))
      << json;
  EXPECT_TRUE(contains(json, "\"name\": \"sky1\", \"writtenInstead\": null}]")) << json;
}

// Every dropped copy whose bytes differ from the kept one's, as the corpus counted them, in
// both reports.
TEST(CliTest, ReportsTheDroppedCopiesOfEveryCorpusInstallation) {
  const auto installations = testing::corpusInstallations();
  if (installations.empty()) {
    GTEST_SKIP() << "no corpus at " << testing::corpusFolder();
  }
  TempFolder folder;
  auto count = [](const std::string& text, const std::string& part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
      ++n;
    }
    return n;
  };
  for (const auto& c : installations) {
    SCOPED_TRACE(c.name);
    const auto data = testing::copyInstallation(c, folder.path()).string();
    const auto json = run({"extract", "--json", "--no-register", "--game", c.game, data});
    const auto text = run({"extract", "--conflicts", "--no-register", "--game", c.game, data});
    ASSERT_EQ(json.code, kExitSuccess);
    ASSERT_EQ(text.code, kExitSuccess);
    EXPECT_EQ(count(json.out, "\"sameBytes\": false"), c.droppedDiffering);
    const int dropped = count(text.out, "\n  dropped ");
    EXPECT_EQ(dropped - count(text.out, ": same bytes\n"), c.droppedDiffering);
    EXPECT_EQ(count(json.out, "\"sameBytes\": "), dropped);
    // Each with where it was.
    EXPECT_EQ(count(json.out, "\"map\": \"maps/"), dropped + count(text.out, ": kept "));
  }
}

TEST(CliTest, EveryCommandHasHelp) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"--help"},
                                                                {"extract", "--help"},
                                                                {"info", "--help"},
                                                                {"register", "--help"},
                                                                {"export", "--help"},
                                                                {"sheet", "--help"}}) {
    const auto result = run(args);
    EXPECT_EQ(result.code, kExitSuccess);
    EXPECT_TRUE(contains(result.out, "Usage: texkit2-cli"));
  }
  EXPECT_EQ(run({"--version"}).out, "texkit2-cli " TEXKIT2_VERSION "\n");
}

TEST(CliTest, ExtractsEveryCorpusInstallationAsRecorded) {
  const auto installations = testing::corpusInstallations();
  if (installations.empty()) {
    GTEST_SKIP() << "no corpus at " << testing::corpusFolder();
  }
  TempFolder folder;
  for (const auto& c : installations) {
    SCOPED_TRACE(c.name);
    const auto data = testing::copyInstallation(c, folder.path());
    const auto result = run({"extract", "--json", "--game", c.game, data.string()});
    ASSERT_EQ(result.code, kExitSuccess) << result.err;
    EXPECT_TRUE(contains(result.out, "\"fileLength\": " + std::to_string(c.fileLength) + ","));
    const auto info = run({"info", (data / c.fileName).string()});
    EXPECT_EQ(info.code, kExitSuccess) << info.err;
  }
}

#ifndef _WIN32
// Wine prefixes exist only off Windows.

TEST(CliTest, ReadsARelativeWinePrefixFromWhereTheCommandStarted) {
  TempFolder folder;
  fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  makePrefix(folder);
  const char* saved = std::getenv("WINEPREFIX");
  const std::optional<std::string> previous =
      saved ? std::optional<std::string>(saved) : std::nullopt;
  ::setenv("WINEPREFIX", "wineprefix", 1);
  for (const bool fromEnvironment : {false, true}) {
    SCOPED_TRACE(fromEnvironment ? "WINEPREFIX" : "--wine-prefix");
    std::filesystem::current_path(folder.path());
    std::vector<std::string> args = {"extract", "--game", "quake", "quake/id1"};
    if (!fromEnvironment) {
      args.insert(args.begin() + 1, {"--wine-prefix", "wineprefix"});
    }
    const auto result = run(args, false, platform::openHostRegistry);
    EXPECT_EQ(result.code, kExitSuccess);
    EXPECT_TRUE(contains(result.err, "registered as texture pack txpack1")) << result.err;
  }
  previous ? ::setenv("WINEPREFIX", previous->c_str(), 1) : ::unsetenv("WINEPREFIX");
}

TEST(CliTest, RegistersOnlyWhatTheEditorCanOpen) {
  TempFolder folder;
  const auto prefix = makePrefix(folder);
  const auto withoutZ = folder / "prefix-without-z";
  std::filesystem::create_directories(withoutZ / "dosdevices");
  std::filesystem::copy_file(prefix / "user.reg", withoutZ / "user.reg");
  std::filesystem::create_directory_symlink("../drive_c", withoutZ / "dosdevices" / "c:");
  // é is in the editor's code page (Windows-1252), ✓ is not.
  const auto quebec = fixtures::writeSampleGame(folder / "Qu\u00e9bec", fixtures::Game::Quake);
  const auto ticked =
      fixtures::writeSampleGame(folder / "Qu\u00e9bec \u2713", fixtures::Game::Quake);
  const struct {
    std::filesystem::path prefix;
    std::filesystem::path data;
    int code;
    std::string err;
  } cases[] = {
      {prefix, quebec.dataFolder, kExitSuccess, "registered as texture pack txpack1"},
      {prefix, ticked.dataFolder, kExitFailure, "(\u2713: not in Windows code page 1252)"},
      {withoutZ, quebec.dataFolder, kExitFailure, "not registered: no drive letter"},
      {prefix, folder / "nowhere", kExitFailure, "nowhere does not exist"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    const auto before = testing::readAll(c.prefix / "user.reg");
    const auto result =
        run({"register", "--game", "quake", "--wine-prefix", c.prefix.string(), c.data.string()});
    EXPECT_EQ(result.code, c.code);
    EXPECT_TRUE(contains(result.err, c.err)) << result.err;
    if (c.code != kExitSuccess) {
      EXPECT_EQ(testing::readAll(c.prefix / "user.reg"), before);
    }
  }
  // Wine's own escaping: UTF-16 units above 127 as \x, four digits when a hex digit follows.
  EXPECT_TRUE(contains(slotText(prefix, 1), "\\\\Qu\\x00e9bec\\\\quake\\\\id1\\\\Quake.wad\""))
      << slotText(prefix, 1);
}

#endif

std::vector<std::string> wadNames(const std::filesystem::path& wad) {
  auto file = platform::hostFileSystem().openForReading(wad.string());
  if (!file) {
    return {"(no file)"};
  }
  std::vector<std::string> names;
  for (const auto& entry : extract::ReadWad(*file).entries) {
    names.push_back(extract::TextureNameText(entry.name));
  }
  return names;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

TEST(CliTest, ExtractAllWritesTheBaseWadThenOneWadPerOtherFolder) {
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  const std::string held =
      fixtures::textureNameText(fixtures::expectedTextures(fixtures::Game::Quake)[0]
                                    .name); // in the base WAD: left out of every other
  const auto game = sample.gameFolder;
  fixtures::writeAddOnFolder(game / "hipnotic", {{held, 1}, {"hip_own", 2}});
  fixtures::writeAddOnFolder(game / "rerelease" / "rogue", {{"rogue_own", 3}, {held, 4}});
  const auto mod = fixtures::writeModFolder(game / "mymod");
  fixtures::writeFile(game / "docs" / "readme.txt", Bytes{'h', 'i'}); // no data: no WAD
  const auto prefix = makePrefix(folder);
  const auto result =
      run({"extract-all", "--game", "quake", "--wine-prefix", prefix.string(), game.string()});
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_EQ(testing::readAll(sample.dataFolder / "Quake.wad").size(), sample.wadLength);
  EXPECT_EQ(wadNames(game / "hipnotic" / "hipnotic.wad"), std::vector<std::string>{"hip_own"});
  EXPECT_EQ(wadNames(game / "rerelease" / "rogue" / "rogue.wad"),
            std::vector<std::string>{"rogue_own"});
  std::vector<std::string> modNames;
  for (const auto& [name, source] : mod.textures) {
    modNames.push_back(name);
  }
  EXPECT_EQ(wadNames(game / "mymod" / "mymod.wad"), modNames);
  EXPECT_FALSE(std::filesystem::exists(game / "docs" / "docs.wad"));
  // One summary per WAD, in order; what each read and left out.
  EXPECT_EQ(occurrences(result.out, "File Name : "), 4u);
  EXPECT_LT(result.out.find("File Name : Quake.wad"), result.out.find("File Name : hipnotic.wad"));
  EXPECT_LT(result.out.find("File Name : rogue.wad"), result.out.find("File Name : mymod.wad"));
  EXPECT_TRUE(contains(result.out, "Textures from pak2.pak : 1\n")) << result.out;
  EXPECT_TRUE(contains(result.out, "Textures from 5 loose maps : 5\n")) << result.out;
  EXPECT_EQ(occurrences(result.out,
                        "Left out, already in " + sample.dataFolder.string() + "/Quake.wad : 1\n"),
            2u)
      << result.out;
  // The base WAD alone is registered.
  EXPECT_EQ(occurrences(result.err, "registered as texture pack"), 1u) << result.err;
  EXPECT_TRUE(contains(slotText(prefix, 1), "\"name\"=\"Quake.wad\""));

  const auto json =
      run({"extract-all", "--json", "--no-register", "--game", "quake", game.string()});
  ASSERT_EQ(json.code, kExitSuccess) << json.err;
  EXPECT_TRUE(json.out.starts_with("[{\"fileName\": \"Quake.wad\"")) << json.out;
  EXPECT_TRUE(json.out.ends_with("}]\n"));
  EXPECT_EQ(occurrences(json.out, "\"fileName\": "), 4u);
  EXPECT_TRUE(contains(json.out, "\"excluded\": [{\"wad\": \"" + sample.dataFolder.string() +
                                     "/Quake.wad\", \"count\": 1, \"names\": [\"" + held +
                                     "\"]}]"));
  EXPECT_TRUE(contains(json.out, "{\"file\": \"maps/a.bsp\", \"looseMap\": true, \"textures\": 1}"))
      << json.out;
}

TEST(CliTest, ExtractAllWritesHexen2sPortals) {
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Hexen2);
  fixtures::writePortalsFolder(sample.gameFolder / "portals", {{"tibet_own", 1}});
  const auto result =
      run({"extract-all", "--game", "hexen2", "--no-register", sample.gameFolder.string()});
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_EQ(testing::readAll(sample.dataFolder / "Hexen2.wad").size(), sample.wadLength);
  EXPECT_EQ(wadNames(sample.gameFolder / "portals" / "portals.wad"),
            std::vector<std::string>{"tibet_own"});
  EXPECT_TRUE(contains(result.out, "Textures from pak3.pak : 1\n")) << result.out;
}

TEST(CliTest, ExtractWritesAndRegistersTheOutputFile) {
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  const auto prefix = makePrefix(folder);
  std::filesystem::create_directories(folder / "out");
  // Relative to the folder the command was started in.
  std::filesystem::current_path(folder.path());
  const auto result = run({"extract", "--game", "quake", "--output", "out/mine.wad",
                           "--wine-prefix", prefix.string(), sample.dataFolder.string()});
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_TRUE(contains(result.out, "File Name : mine.wad\n")) << result.out;
  EXPECT_TRUE(contains(result.out, "Written to : " + (folder / "out").string() + "/mine.wad\n"))
      << result.out;
  EXPECT_EQ(testing::readAll(folder / "out" / "mine.wad").size(), sample.wadLength);
  EXPECT_FALSE(std::filesystem::exists(sample.dataFolder / "Quake.wad"));
  const auto slot = slotText(prefix, 1);
  EXPECT_TRUE(contains(slot, "\"path\"=\"" + windowsFolder(folder / "out") + "\\\\mine.wad\""))
      << slot;
}

} // namespace
} // namespace texkit2::cli
