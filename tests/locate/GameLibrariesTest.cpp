#include "locate/GameLibraries.h"

#include "platform/MemoryRegistryStore.h"
#include "tests/common/TempFolder.h"
#include "tests/support/GameLibraryFixtures.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace texkit2::locate {
namespace {

namespace fs = std::filesystem;
using extract::kGameHexen2;
using extract::kGameNone;
using extract::kGameQuake;
using fixtures::appManifest;
using fixtures::epicManifest;
using fixtures::libraryFoldersVdf;
using fixtures::wineKey;
using fixtures::writeDataFolder;
using fixtures::writeText;
using fixtures::writeWinePrefix;
using testing::TempFolder;

// One installation as a line: "game store folder | relative: archives | ...", folder relative
// to `base` so tables can spell it.
std::string describe(const GameInstallation& installation, const fs::path& base) {
  std::string text = std::string(installation.game == kGameQuake ? "quake" : "hexen2") + " " +
                     gameStoreName(installation.store) + " " +
                     installation.folder.lexically_relative(base).generic_string();
  for (const auto& data : installation.dataFolders) {
    text += " | " + data.relative + ":";
    for (const auto& archive : data.archives) {
      text += " " + archive;
    }
  }
  return text;
}

std::vector<std::string> describeAll(const GameLibrariesResult& result, const fs::path& base) {
  std::vector<std::string> lines;
  for (const auto& installation : result.installations) {
    lines.push_back(describe(installation, base));
  }
  return lines;
}

// A Steam folder whose own library holds these manifests, listing `others` as more libraries.
void writeSteam(const fs::path& root, const std::vector<std::string>& libraries) {
  writeText(root / "steamapps" / "libraryfolders.vdf", libraryFoldersVdf(libraries));
}

void writeSteamGame(const fs::path& library, const std::string& app, const std::string& dir) {
  writeText(library / "steamapps" / ("appmanifest_" + app + ".acf"), appManifest(app, dir));
}

void writeQuakeSteamLayout(const fs::path& folder) {
  writeDataFolder(folder / "id1", {"PAK0.PAK", "PAK1.PAK"});
  writeDataFolder(folder / "rerelease" / "id1", {"pak0.pak"});
  for (const char* pack : {"hipnotic", "rogue", "dopa", "mg1", "ctf"}) {
    writeDataFolder(folder / "rerelease" / pack, {"pak0.pak"});
  }
  writeDataFolder(folder / "rerelease" / "mods", {"pak0.pak"}); // not a data folder we name
}

TEST(GameLibrariesTest, FindsEachLinuxStoreAndLayout) {
  struct Case {
    const char* name;
    std::function<void(const fs::path& home, const fs::path& root)> build;
    std::string xdgDataHome;           // relative to the temporary folder; empty for none
    std::vector<std::string> expected; // relative to the temporary folder
  };
  const std::string quakeLayout =
      " | id1: PAK0.PAK PAK1.PAK | rerelease/id1: pak0.pak | rerelease/hipnotic: pak0.pak"
      " | rerelease/rogue: pak0.pak | rerelease/dopa: pak0.pak | rerelease/mg1: pak0.pak"
      " | rerelease/ctf: pak0.pak";
  const Case cases[] = {
      {"Steam under ~/.local/share, the re-release and its add-ons",
       [](const fs::path& home, const fs::path&) {
         const fs::path steam = home / ".local/share/Steam";
         writeSteam(steam, {steam.string()});
         writeSteamGame(steam, "2310", "Quake");
         writeQuakeSteamLayout(steam / "steamapps/common/Quake");
       },
       "",
       {"quake Steam home/.local/share/Steam/steamapps/common/Quake" + quakeLayout}},
      {"Steam under $XDG_DATA_HOME, a second library, Hexen II with its mission pack",
       [](const fs::path& home, const fs::path& root) {
         const fs::path steam = root / "xdg/Steam";
         writeSteam(steam, {steam.string(), (root / "disk2/SteamLibrary").string()});
         writeSteamGame(root / "disk2/SteamLibrary", "9060", "Hexen 2");
         const fs::path game = root / "disk2/SteamLibrary/steamapps/common/Hexen 2";
         writeDataFolder(game / "data1", {"pak0.pak", "pak1.pak"});
         writeDataFolder(game / "portals", {"pak3.pak"});
         writeDataFolder(game / "hw", {"pak4.pak"});
         (void)home;
       },
       "xdg",
       {"hexen2 Steam disk2/SteamLibrary/steamapps/common/Hexen 2 | data1: pak0.pak pak1.pak | "
        "portals: pak3.pak | hw: pak4.pak"}},
      {"Flatpak's Steam, an older client's config/libraryfolders.vdf, names in any case",
       [](const fs::path& home, const fs::path& root) {
         const fs::path steam = home / ".var/app/com.valvesoftware.Steam/.local/share/Steam";
         writeText(steam / "config/libraryfolders.vdf",
                   "\"LibraryFolders\"\n{\n\t\"TimeNextStatsReport\"\t\"1\"\n\t\"1\"\t" +
                       fixtures::vdfString((root / "old").string()) + "\n}\n");
         fs::create_directories(steam / "steamapps");
         writeSteamGame(root / "old", "2310", "Quake");
         writeDataFolder(root / "old/steamapps/common/Quake/ID1", {"Pak1.pak", "pak0.PAK"});
       },
       "",
       {"quake Steam old/steamapps/common/Quake | ID1: pak0.PAK Pak1.pak"}},
      {"Debian's packages, archives in number order",
       [](const fs::path&, const fs::path& root) {
         writeDataFolder(root / "games/quake/id1", {"pak1.pak", "pak0.pak", "pak10.pak", "pak2.pak",
                                                    "readme.txt", "pak.pak"});
         writeDataFolder(root / "games/hexen2/data1", {"pak0.pak", "pak1.pak"});
       },
       "",
       {"quake Package games/quake | id1: pak0.pak pak1.pak pak2.pak pak10.pak",
        "hexen2 Package games/hexen2 | data1: pak0.pak pak1.pak"}},
      {"GOG's Linux layout is not recorded: nothing",
       [](const fs::path&, const fs::path&) {},
       "",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    const fs::path home = temp / "home";
    fs::create_directories(home);
    c.build(home, temp.path());
    GameLibrarySources sources;
    sources.home = home;
    sources.xdgDataHome = c.xdgDataHome.empty() ? "" : (temp / c.xdgDataHome).string();
    sources.packageRoot = temp / "games";
    const auto result = findGameLibraries(sources);
    EXPECT_EQ(describeAll(result, temp.path()), c.expected);
  }
}

TEST(GameLibrariesTest, FindsTheWindowsStoresInsideAWinePrefix) {
  TempFolder temp;
  const fs::path prefix = temp / "prefix";
  const fs::path games = temp / "games"; // drive D:
  const std::string user =
      wineKey("Software\\Valve\\Steam", {{"SteamPath", "c:/program files (x86)/steam"}});
  const std::string machine = wineKey("Software\\Wow6432Node\\GOG.com\\Games\\1435828198",
                                      {{"gameName", "Quake"}, {"path", "C:\\GOG Games\\Quake"}}) +
                              wineKey("Software\\Wow6432Node\\GOG.com\\Games\\1207000000",
                                      {{"gameName", "HeXen II"}, {"path", "D:\\Hexen II"}}) +
                              wineKey("Software\\Wow6432Node\\GOG.com\\Games\\1111111111",
                                      {{"gameName", "Another game"}, {"path", "D:\\Hexen II"}});
  writeWinePrefix(prefix, user, machine, {{'d', games}});
  const fs::path steam = prefix / "drive_c/Program Files (x86)/Steam";
  writeSteam(steam, {"C:\\Program Files (x86)\\Steam", "D:\\SteamLibrary"});
  writeSteamGame(games / "SteamLibrary", "2310", "Quake");
  writeQuakeSteamLayout(games / "SteamLibrary/steamapps/common/Quake");
  writeDataFolder(prefix / "drive_c/GOG Games/Quake/id1", {"PAK0.PAK", "PAK1.PAK"});
  writeDataFolder(games / "Hexen II/data1", {"pak0.pak", "pak1.pak"});
  writeText(prefix / "drive_c/ProgramData/Epic/EpicGamesLauncher/Data/Manifests/A1.item",
            epicManifest("Quake", "C:\\Program Files\\Epic Games\\Quake"));
  writeText(prefix / "drive_c/ProgramData/Epic/EpicGamesLauncher/Data/Manifests/B2.item",
            epicManifest("Fortnite", "C:\\Program Files\\Epic Games\\Fortnite"));
  writeDataFolder(prefix / "drive_c/Program Files/Epic Games/Quake/id1", {"pak0.pak"});
  writeDataFolder(prefix / "drive_c/Program Files/Epic Games/Quake/hipnotic", {"pak0.pak"});

  GameLibrarySources sources;
  sources.winePrefixes = {prefix};
  const auto result = findGameLibraries(sources);
  const std::vector<std::string> expected = {
      "quake Steam games/SteamLibrary/steamapps/common/Quake | id1: PAK0.PAK PAK1.PAK | "
      "rerelease/id1: pak0.pak | rerelease/hipnotic: pak0.pak | rerelease/rogue: pak0.pak | "
      "rerelease/dopa: pak0.pak | rerelease/mg1: pak0.pak | rerelease/ctf: pak0.pak",
      "quake GOG prefix/drive_c/GOG Games/Quake | id1: PAK0.PAK PAK1.PAK",
      "hexen2 GOG games/Hexen II | data1: pak0.pak pak1.pak",
      "quake Epic prefix/drive_c/Program Files/Epic Games/Quake | id1: pak0.pak | hipnotic: "
      "pak0.pak",
  };
  EXPECT_EQ(describeAll(result, temp.path()), expected);
  for (const auto& installation : result.installations) {
    EXPECT_EQ(installation.winePrefix, prefix);
  }
  // Only one game asked for: only its installations.
  const auto hexen = findGameLibraries(sources, kGameHexen2);
  ASSERT_EQ(hexen.installations.size(), 1u);
  EXPECT_EQ(hexen.installations[0].store, GameStore::Gog);
}

TEST(GameLibrariesTest, ReadsWindowsRegistryAndProgramDataInStoreOrder) {
  TempFolder temp;
  platform::MemoryRegistryStore user;
  platform::MemoryRegistryStore machine(platform::kRegLocalMachine);
  user.setString("Software\\Valve\\Steam", "SteamPath", (temp / "Steam").string());
  machine.setString("SOFTWARE\\WOW6432Node\\GOG.com\\Games\\1739637082", "path",
                    (temp / "GOG/Quake").string());
  writeSteam(temp / "Steam", {(temp / "Steam").string()});
  writeSteamGame(temp / "Steam", "9060", "Hexen 2");
  writeDataFolder(temp / "Steam/steamapps/common/Hexen 2/data1", {"pak0.pak", "pak1.pak"});
  writeDataFolder(temp / "GOG/Quake/id1", {"pak0.pak"});
  writeText(temp / "ProgramData/Epic/EpicGamesLauncher/Data/Manifests/Q.item",
            epicManifest("Quake", (temp / "Epic/Quake").string()));
  writeDataFolder(temp / "Epic/Quake/id1", {"pak0.pak"});
  writeDataFolder(temp / "share/quake/id1", {"pak0.pak", "pak1.pak"});

  GameLibrarySources sources;
  sources.userRegistry = &user;
  sources.machineRegistry = &machine;
  sources.programData = temp / "ProgramData";
  sources.packageRoot = temp / "share";
  const auto result = findGameLibraries(sources);
  const std::vector<std::string> expected = {
      "hexen2 Steam Steam/steamapps/common/Hexen 2 | data1: pak0.pak pak1.pak",
      "quake GOG GOG/Quake | id1: pak0.pak",
      "quake Epic Epic/Quake | id1: pak0.pak",
      "quake Package share/quake | id1: pak0.pak pak1.pak",
  };
  EXPECT_EQ(describeAll(result, temp.path()), expected);
  EXPECT_EQ(user.openHandleCount(), 0u);
  EXPECT_EQ(machine.openHandleCount(), 0u);
}

TEST(GameLibrariesTest, ReportsTheSameFolderOnce) {
  TempFolder temp;
  const fs::path home = temp / "home";
  const fs::path steam = home / ".local/share/Steam";
  fs::create_directories(home / ".steam");
  fs::create_directory_symlink(steam, home / ".steam/steam");
  fs::create_directories(temp / "lib");
  fs::create_directory_symlink(temp / "lib", temp / "lib-link");
  // The Steam folder listed again, by its link, and a library by two names.
  writeSteam(steam, {steam.string(), (home / ".steam/steam").string(), (temp / "lib").string(),
                     (temp / "lib-link").string()});
  writeSteamGame(temp / "lib", "2310", "Quake");
  writeDataFolder(temp / "lib/steamapps/common/Quake/id1", {"pak0.pak"});
  GameLibrarySources sources;
  sources.home = home;
  const auto result = findGameLibraries(sources);
  EXPECT_EQ(describeAll(result, temp.path()),
            std::vector<std::string>{"quake Steam lib/steamapps/common/Quake | id1: pak0.pak"});
}

TEST(GameLibrariesTest, SkipsBadRecordsAndFoldersWithANote) {
  struct Case {
    const char* name;
    std::function<void(const fs::path& steam, const fs::path& root)> build;
  };
  auto manifestBytes = [](std::string bytes) {
    return [bytes](const fs::path& steam, const fs::path&) {
      writeText(steam / "steamapps/appmanifest_2310.acf", bytes);
    };
  };
  std::string binary;
  for (int i = 0; i < 65536; ++i) {
    binary += static_cast<char>((static_cast<unsigned>(i) * 2654435761u) >> 24);
  }
  std::string deep;
  for (int i = 0; i < 100'000; ++i) {
    deep += "\"k\" {";
  }
  const Case cases[] = {
      {"truncated manifest", manifestBytes("\"AppState\" { \"appid\" \"2310\" \"install")},
      {"binary manifest", manifestBytes(binary)},
      {"manifest nested 100,000 deep", manifestBytes("\"AppState\" { " + deep)},
      {"manifest not UTF-8", manifestBytes("\"AppState\" { \"installdir\" \"\xFF\xFE\x80\" }")},
      {"100 MB manifest",
       [](const fs::path& steam, const fs::path&) {
         writeText(steam / "steamapps/appmanifest_2310.acf", appManifest("2310", "Quake"));
         fs::resize_file(steam / "steamapps/appmanifest_2310.acf", 100u << 20);
       }},
      {"manifest that is a FIFO",
       [](const fs::path& steam, const fs::path&) {
         ::mkfifo((steam / "steamapps/appmanifest_2310.acf").c_str(), 0600);
       }},
      {"installdir pointing out of the library", manifestBytes(appManifest("2310", ".."))},
      {"library folders damaged",
       [](const fs::path& steam, const fs::path& root) {
         writeText(steam / "steamapps/libraryfolders.vdf",
                   "\"libraryfolders\" { \"1\" { \"path\" " +
                       fixtures::vdfString((root / "lib").string()));
       }},
      {"library folders nested 100,000 deep",
       [deep](const fs::path& steam, const fs::path&) {
         writeText(steam / "steamapps/libraryfolders.vdf", "\"libraryfolders\" { " + deep);
       }},
      {"library on a drive not mounted",
       [](const fs::path& steam, const fs::path&) {
         writeSteam(steam, {"/media/texkit2-not-mounted/SteamLibrary"});
       }},
      {"library that is a link to itself",
       [](const fs::path& steam, const fs::path& root) {
         fs::create_directory_symlink(root / "loop", root / "loop");
         writeSteam(steam, {(root / "loop").string()});
       }},
      {"libraries linking each other",
       [](const fs::path& steam, const fs::path& root) {
         fs::create_directory_symlink(root / "b", root / "a");
         fs::create_directory_symlink(root / "a", root / "b");
         writeSteam(steam, {(root / "a").string(), (root / "b").string()});
       }},
      {"installation folder missing",
       [](const fs::path& steam, const fs::path&) {
         writeText(steam / "steamapps/appmanifest_2310.acf", appManifest("2310", "Gone"));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    const fs::path home = temp / "home";
    const fs::path steam = home / ".local/share/Steam";
    writeSteam(steam, {steam.string()});
    writeDataFolder(steam / "steamapps/common/Quake/id1", {"pak0.pak"});
    c.build(steam, temp.path());
    GameLibrarySources sources;
    sources.home = home;
    const auto result = findGameLibraries(sources);
    EXPECT_EQ(result.installations.size(), 0u) << describeAll(result, temp.path())[0];
    EXPECT_FALSE(result.notes.empty());
  }
}

TEST(GameLibrariesTest, ReadsEpicManifestsBoundedAndStrictly) {
  struct Case {
    const char* name;
    std::string bytes;
    bool read;
  };
  const Case cases[] = {
      {"as the launcher writes it", epicManifest("Quake", "C:\\Games\\Quake"), true},
      {"fields in any order", "{\"InstallLocation\": \"D:\\\\Q\", \"DisplayName\": \"Quake\"}",
       true},
      {"truncated", "{\"DisplayName\": \"Quake\", \"InstallLoc", false},
      {"not an object", "[\"DisplayName\", \"Quake\"]", false},
      {"a field that is not a string", "{\"DisplayName\": 1, \"InstallLocation\": \"C:\\\\\"}",
       false},
      {"not UTF-8", "{\"DisplayName\": \"Q\xFF\", \"InstallLocation\": \"C:\\\\\"}", false},
      {"nested 100,000 deep", std::string(100'000, '[') + std::string(100'000, ']'), false},
      {"brackets in strings do not count",
       "{\"DisplayName\": \"" + std::string(1000, '[') + "\", \"InstallLocation\": \"C:\\\\\"}",
       true},
      {"larger than the cap", std::string(kEpicManifestMaxBytes + 1, ' '), false},
      {"binary", std::string("\x00\x01\xFF{\"", 5), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string error;
    const auto manifest = readEpicManifest(c.bytes, error);
    EXPECT_EQ(manifest.has_value(), c.read) << error;
    EXPECT_EQ(error.empty(), c.read);
  }
}

TEST(GameLibrariesTest, TakesTheBaseDataFolderByStoreThenArchives) {
  auto data = [](const char* path, const char* relative, std::vector<unsigned> numbers) {
    DataFolder folder{path, relative, {}, numbers};
    for (const unsigned n : numbers) {
      folder.archives.push_back("pak" + std::to_string(n) + ".pak");
    }
    return folder;
  };
  const GameInstallation steamOne{
      kGameQuake,
      GameStore::Steam,
      {},
      "/s1",
      {data("/s1/rerelease/id1", "rerelease/id1", {0}), data("/s1/hipnotic", "hipnotic", {0, 1})}};
  const GameInstallation steamBoth{
      kGameQuake, GameStore::Steam, {}, "/s2", {data("/s2/ID1", "ID1", {0, 1})}};
  const GameInstallation gogBoth{
      kGameQuake, GameStore::Gog, {}, "/g", {data("/g/id1", "id1", {0, 1})}};
  const GameInstallation hexen{
      kGameHexen2, GameStore::Steam, {}, "/h", {data("/h/data1", "data1", {0, 1})}};
  const GameInstallation noPak0{
      kGameQuake, GameStore::Steam, {}, "/n", {data("/n/id1", "id1", {1})}};
  const GameInstallation wineBoth{
      kGameQuake, GameStore::Steam, "/prefix", "/w", {data("/w/id1", "id1", {0, 1})}};
  struct Case {
    const char* name;
    std::vector<GameInstallation> installations;
    extract::GameKind game;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"two archives before one, within a store",
       {steamOne, steamBoth, gogBoth},
       kGameQuake,
       "/s2/ID1/"},
      {"an earlier store with one archive before a later one with two",
       {steamOne, gogBoth},
       kGameQuake,
       "/s1/rerelease/id1/"},
      {"add-ons are not base folders", {steamOne}, kGameQuake, "/s1/rerelease/id1/"},
      {"the game asked for", {hexen, steamBoth}, kGameHexen2, "/h/data1/"},
      {"no pak0.pak: none", {noPak0}, kGameQuake, std::nullopt},
      {"native before Wine, whatever the archives",
       {steamOne, wineBoth},
       kGameQuake,
       "/s1/rerelease/id1/"},
      {"nothing found", {}, kGameQuake, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(baseDataFolder(c.installations, c.game), c.expected);
  }
}

} // namespace
} // namespace texkit2::locate
