#include "cli/Commands.h"
#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"
#include "tests/support/GameLibraryFixtures.h"

#include <gtest/gtest.h>
#include <sstream>

namespace texkit2::cli {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result run(const std::vector<std::string>& args, const fs::path& home,
           std::optional<fs::path>* prefixSeen = nullptr,
           platform::MemoryDrives* drives = nullptr) {
  std::ostringstream out;
  std::ostringstream err;
  CliContext context{platform::hostFileSystem(), out, err, false};
  if (drives != nullptr) {
    context.drives = drives;
  }
  context.gameLibrarySources = [&](const std::optional<fs::path>& prefix) {
    if (prefixSeen != nullptr) {
      *prefixSeen = prefix;
    }
    locate::HostGameLibrarySources host;
    host.sources.home = home;
    return host;
  };
  const int code = runCli(args, context);
  return {code, out.str(), err.str()};
}

// A Steam Quake re-release and a Steam Hexen II under `home`.
void writeSteamGames(const fs::path& home) {
  const fs::path steam = home / ".local/share/Steam";
  fixtures::writeText(steam / "steamapps/libraryfolders.vdf",
                      fixtures::libraryFoldersVdf({steam.string()}));
  fixtures::writeText(steam / "steamapps/appmanifest_2310.acf",
                      fixtures::appManifest("2310", "Quake"));
  fixtures::writeText(steam / "steamapps/appmanifest_9060.acf",
                      fixtures::appManifest("9060", "Hexen 2"));
  fixtures::writeDataFolder(steam / "steamapps/common/Quake/id1", {"PAK0.PAK", "PAK1.PAK"});
  fixtures::writeDataFolder(steam / "steamapps/common/Quake/rerelease/id1", {"pak0.pak"});
  fixtures::writeDataFolder(steam / "steamapps/common/Hexen 2/data1", {"pak0.pak", "pak1.pak"});
}

TEST(GamesCliTest, ListsEachInstallationWithItsDataFolders) {
  TempFolder temp;
  writeSteamGames(temp / "home");
  const std::string common = (temp / "home/.local/share/Steam/steamapps/common").string();
  const auto all = run({"games"}, temp / "home");
  EXPECT_EQ(all.code, kExitSuccess) << all.err;
  EXPECT_EQ(all.out, "Quake  Steam  " + common + "/Quake\n  " + common +
                         "/Quake/id1  PAK0.PAK  PAK1.PAK\n  " + common +
                         "/Quake/rerelease/id1  pak0.pak\nHexen II  Steam  " + common +
                         "/Hexen 2\n  " + common + "/Hexen 2/data1  pak0.pak  pak1.pak\n");
  EXPECT_EQ(all.err, "");

  const auto json = run({"games", "--game", "hexen2", "--json"}, temp / "home");
  EXPECT_EQ(json.code, kExitSuccess) << json.err;
  EXPECT_EQ(json.out, "{\"installations\": [{\"game\": \"hexen2\", \"store\": \"Steam\", "
                      "\"winePrefix\": null, \"folder\": \"" +
                          common + "/Hexen 2\", \"dataFolders\": [{\"path\": \"" + common +
                          "/Hexen 2/data1\", \"relative\": \"data1\", \"archives\": "
                          "[\"pak0.pak\", \"pak1.pak\"]}]}]}\n");
}

TEST(GamesCliTest, FailsWhenNoneIsFoundAndSaysWhyUnderVerbose) {
  TempFolder temp;
  fs::create_directories(temp / "home");
  const auto quiet = run({"games"}, temp / "home");
  EXPECT_EQ(quiet.code, kExitFailure);
  EXPECT_EQ(quiet.out, "");
  EXPECT_EQ(quiet.err, "texkit2-cli games: no installation found\n");
  const auto verbose = run({"games", "--verbose"}, temp / "home");
  EXPECT_EQ(verbose.code, kExitFailure);
  EXPECT_NE(verbose.err.find("no Steam folder at " + (temp / "home").string()), std::string::npos)
      << verbose.err;
  const auto json = run({"games", "--json"}, temp / "home");
  EXPECT_EQ(json.code, kExitFailure);
  EXPECT_EQ(json.out, "{\"installations\": []}\n");
}

TEST(GamesCliTest, RefusesBadArgumentsAndPassesTheWinePrefixOn) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"games", "--game", "doom"}, "texkit2-cli games: unknown game 'doom' (quake or hexen2)\n"},
      {{"games", "--game"}, "texkit2-cli games: --game needs a value: quake or hexen2\n"},
      {{"games", "--wine-prefix"}, "texkit2-cli games: --wine-prefix needs a value\n"},
      {{"games", "--fixed"}, "texkit2-cli games: unknown option '--fixed'\n"},
      {{"games", "here"}, "texkit2-cli games: unexpected argument 'here' (see --help)\n"},
  };
  TempFolder temp;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const auto result = run(c.args, temp.path());
    EXPECT_EQ(result.code, kExitUsage);
    EXPECT_EQ(result.err, c.err);
  }
  std::optional<fs::path> seen;
  run({"games", "--wine-prefix", "/some/prefix"}, temp.path(), &seen);
  EXPECT_EQ(seen, fs::path("/some/prefix"));
}

// The libraries come first; the drives are walked only when they record nothing.
TEST(GamesCliTest, SearchLooksInTheLibrariesBeforeTheDrives) {
  TempFolder temp;
  const fs::path common = temp / "home/.local/share/Steam/steamapps/common";
  writeSteamGames(temp / "home");
  fs::remove_all(common / "Quake/id1"); // the re-release alone
  platform::MemoryDrives drives;
  fs::create_directories(temp / "disk");
  drives.addDrive(temp / "disk", platform::DriveType::Fixed);
  fixtures::writeText(temp / "disk/quake/quake.exe", "");
  fixtures::writeDataFolder(temp / "disk/quake/id1", {"PAK0.PAK", "PAK1.PAK"});
  struct Case {
    const char* what;
    std::vector<std::string> args;
    fs::path home;
    int code;
    std::string out;
  };
  const Case cases[] = {
      {"re-release recorded",
       {"search", "--game", "quake", "--libraries", "--fixed"},
       temp / "home",
       kExitSuccess,
       (common / "Quake/rerelease/id1").string() + "/\n"},
      {"nothing recorded, then the drive",
       {"search", "--game", "quake", "--fixed", "--libraries"},
       temp / "nobody",
       kExitSuccess,
       (temp / "disk/quake/id1").string() + "/\n"},
      {"nothing recorded, no drive",
       {"search", "--game", "quake", "--libraries"},
       temp / "nobody",
       kExitFailure,
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    drives.clearListed();
    const auto result = run(c.args, c.home, nullptr, &drives);
    EXPECT_EQ(result.code, c.code) << result.err;
    EXPECT_EQ(result.out, c.out);
    const bool walked = !drives.listedFolders().empty();
    EXPECT_EQ(walked, c.home == temp / "nobody" && c.code == kExitSuccess);
  }
}

} // namespace
} // namespace texkit2::cli
