#include "cli/Commands.h"
#include "tests/common/Corpus.h"
#include "tests/common/TempFolder.h"
#include "tests/support/SampleGame.h"

#include <gtest/gtest.h>
#include <sstream>

namespace texkit2::cli {
namespace {

using testing::TempFolder;

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result run(const std::vector<std::string>& args, bool terminal = false) {
  std::ostringstream out;
  std::ostringstream err;
  CliContext context{platform::hostFileSystem(), out, err, terminal};
  const int code = runCli(args, context);
  return {code, out.str(), err.str()};
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(CliTest, ExtractsTheSampleGameWithOrWithoutATrailingSeparator) {
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Hexen2);
  for (const std::string suffix : {"", "/"}) {
    SCOPED_TRACE(suffix);
    const auto result = run({"extract", "--game", "hexen2", sample.dataFolder.string() + suffix});
    ASSERT_EQ(result.code, kExitSuccess) << result.err;
    EXPECT_TRUE(contains(result.out, "File Name : Hexen2.wad\n"));
    EXPECT_TRUE(contains(result.out, "File Size : " + std::to_string(sample.wadLength / 1024) +
                                         " KB (" + std::to_string(sample.wadLength) + " bytes)"));
    EXPECT_TRUE(contains(result.out,
                         "Total Entries in Wad : " + std::to_string(sample.uniqueTextures) + "\n"));
    EXPECT_TRUE(contains(result.out, "Written to : " + sample.dataFolder.string() + "/Hexen2.wad"));
    EXPECT_TRUE(contains(result.err, "Extracting textures. Please wait...\n"));
    EXPECT_FALSE(contains(result.err, "\r")); // no bar when stderr is not a terminal
  }
}

TEST(CliTest, PrintsJsonAndAProgressBarOnATerminal) {
  TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  const auto result = run({"extract", "--json", "--game=quake", sample.dataFolder.string()}, true);
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_EQ(result.out,
            "{\"fileName\": \"Quake.wad\", \"fileLength\": " + std::to_string(sample.wadLength) +
                ", \"totalEntries\": " + std::to_string(sample.uniqueTextures) +
                ", \"simpleTextures\": " + std::to_string(sample.simpleTextures) +
                ", \"animatedTextures\": " + std::to_string(sample.animatedTextures) +
                ", \"path\": \"" + sample.dataFolder.string() + "/Quake.wad\"}\n");
  EXPECT_TRUE(contains(result.err, "] 100%"));
}

TEST(CliTest, ReportsFailuresAndUsageErrors) {
  TempFolder folder;
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string err;
  };
  const std::string missing = (folder / "nowhere").string();
  const std::vector<Case> cases = {
      {{"extract", "--game", "quake", missing},
       kExitFailure,
       "Extraction Error: Invalid file path"},
      {{"extract", "--game", "quake", folder.path().string()},
       kExitFailure,
       "File IO error: Could not open pak0.pak file."},
      {{"extract", missing}, kExitUsage, "--game quake or --game hexen2 is required"},
      {{"extract", "--game", "doom", missing}, kExitUsage, "is required"},
      {{"extract", "--game"}, kExitUsage, "--game needs a value"},
      {{"extract", "--game", "quake"}, kExitUsage, "exactly one DATAFOLDER"},
      {{"extract", "--bogus"}, kExitUsage, "unknown option '--bogus'"},
      {{"info"}, kExitUsage, "exactly one WADFILE"},
      {{"info", missing}, kExitFailure, "cannot open"},
      {{"frobnicate"}, kExitUsage, "unknown command 'frobnicate'"},
      {{}, kExitUsage, "Usage: texkit2-cli COMMAND"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.back());
    const auto result = run(c.args);
    EXPECT_EQ(result.code, c.code);
    EXPECT_TRUE(contains(result.err, c.err)) << result.err;
  }
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

  const auto json = run({"info", "--json", wadPath.string()});
  EXPECT_TRUE(contains(json.out, "\"totalEntries\": " + std::to_string(sample.uniqueTextures)));

  auto bytes = testing::readAll(wadPath);
  bytes.resize(bytes.size() - 5);
  fixtures::writeFile(folder / "cut.wad", bytes);
  const auto rejected = run({"info", (folder / "cut.wad").string()});
  EXPECT_EQ(rejected.code, kExitFailure);
  EXPECT_TRUE(contains(rejected.err, "is not a valid WAD2 file: directory of"));
  EXPECT_TRUE(rejected.out.empty());
}

TEST(CliTest, EveryCommandHasHelp) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"extract", "--help"}, {"info", "--help"}}) {
    const auto result = run(args);
    EXPECT_EQ(result.code, kExitSuccess);
    EXPECT_TRUE(contains(result.out, "Usage: texkit2-cli"));
  }
  EXPECT_EQ(run({"--version"}).out, "texkit2-cli 1.0.12.99\n");
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

} // namespace
} // namespace texkit2::cli
