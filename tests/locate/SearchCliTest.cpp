#include "cli/Commands.h"
#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"
#include "tests/locate/Trees.h"
#include "tests/support/SampleGame.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace texkit2::cli {
namespace {

namespace fs = std::filesystem;
using platform::DriveType;
using platform::MemoryDrives;
using testing::slashed;
using testing::TempFolder;

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result run(const std::vector<std::string>& args, MemoryDrives& drives) {
  std::ostringstream out;
  std::ostringstream err;
  CliContext context{platform::hostFileSystem(), out, err, false};
  context.openRegistry = [](const std::optional<fs::path>&) {
    platform::HostRegistry none;
    none.unavailableReason = "no Wine prefix given in a test";
    return none;
  };
  context.drives = &drives;
  const int code = runCli(args, context);
  return {code, out.str(), err.str()};
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(SearchCliTest, PrintsTheDataFolderOfTheGameFound) {
  for (const auto game : {fixtures::Game::Quake, fixtures::Game::Hexen2}) {
    const std::string name = fixtures::gameName(game);
    SCOPED_TRACE(name);
    TempFolder temp;
    MemoryDrives drives;
    fs::create_directories(temp / "c");
    drives.addDrive(temp / "c", DriveType::Fixed);
    const auto sample = fixtures::writeSampleGame(temp / "c" / "games", game);
    const auto result = run({"search", "--game", name, "--fixed"}, drives);
    ASSERT_EQ(result.code, kExitSuccess) << result.err;
    EXPECT_EQ(result.out, slashed(sample.dataFolder) + "\n");
    EXPECT_EQ(result.err, "");

    // The folder printed is one the extraction takes as it is.
    const auto extracted = run(
        {"extract", "--game", name, "--no-register", result.out.substr(0, result.out.size() - 1)},
        drives);
    EXPECT_EQ(extracted.code, kExitSuccess) << extracted.err;
  }
}

// Steam's classic Quake has been seen with Id1 beside QUAKE.EXE: the folder is shown, written
// to and registered as it is spelt on disk.
TEST(SearchCliTest, SpellsTheDataFolderAsItIsOnDisk) {
  TempFolder temp;
  MemoryDrives drives;
  drives.addDrive(temp / "c", DriveType::Fixed);
  const auto sample = fixtures::writeSampleGame(temp / "c" / "steam", fixtures::Game::Quake);
  fs::rename(sample.dataFolder, sample.gameFolder / "Id1");
  const auto onDisk = sample.gameFolder / "Id1";
  const auto result = run({"search", "--game", "quake", "--fixed"}, drives);
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_EQ(result.out, slashed(onDisk) + "\n");

  const auto extracted = run(
      {"extract", "--game", "quake", "--no-register", slashed(sample.gameFolder / "id1")}, drives);
  ASSERT_EQ(extracted.code, kExitSuccess) << extracted.err;
  EXPECT_TRUE(contains(extracted.out, "Written to : " + slashed(onDisk) + "Quake.wad\n"))
      << extracted.out;
  EXPECT_TRUE(fs::is_regular_file(onDisk / "Quake.wad"));
}

TEST(SearchCliTest, FindsADataFolderOfOneArchive) {
  TempFolder temp;
  MemoryDrives drives;
  drives.addDrive(temp / "c", DriveType::Fixed);
  testing::writeInstallation(temp / "c" / "quake", "quake.exe", "id1", true, false);
  const auto result = run({"search", "--game", "quake", "--fixed"}, drives);
  EXPECT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_EQ(result.out, slashed(temp / "c" / "quake" / "id1") + "\n");
}

TEST(SearchCliTest, SaysFileNotFoundAndFailsWithoutAGame) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    MemoryDrives& drives;
    std::string detail; // the line on stderr before "File not found"; empty for none
  };
  TempFolder temp;
  fs::create_directories(temp / "fixed" / "empty");
  fs::create_directories(temp / "stick");
  testing::writeInstallation(temp / "stick" / "quake");
  testing::writeInstallation(temp / "broken" / "quake", "quake.exe", "id1", false, true);
  testing::writeInstallation(temp / "empty" / "quake", "quake.exe", "ID1", false, false);
  testing::touch(temp / "bare" / "hexen2" / "H2.EXE");
  MemoryDrives drives;
  drives.addDrive(temp / "fixed", DriveType::Fixed);
  drives.addDrive(temp / "stick", DriveType::Removable);
  drives.addDrive(temp / "broken", DriveType::Remote);
  MemoryDrives empty;
  empty.addDrive(temp / "empty", DriveType::Fixed);
  MemoryDrives bare;
  bare.addDrive(temp / "bare", DriveType::Fixed);
  const std::string found = "texkit2-cli search: found ";
  const Case cases[] = {
      {"nothing on the fixed drive", {"search", "--game=quake", "--fixed"}, drives, ""},
      {"data folder without PAK0.PAK",
       {"search", "--game", "quake", "--remote"},
       drives,
       found + slashed(temp / "broken" / "quake") + "quake.exe, but " +
           slashed(temp / "broken" / "quake" / "id1") + " holds no PAK0.PAK\n"},
      {"data folder without archives",
       {"search", "--game", "quake", "--fixed"},
       empty,
       found + slashed(temp / "empty" / "quake") + "quake.exe, but " +
           slashed(temp / "empty" / "quake" / "ID1") + " holds no PAK0.PAK\n"},
      {"no data folder",
       {"search", "--game", "hexen2", "--fixed"},
       bare,
       found + slashed(temp / "bare" / "hexen2") +
           "h2.exe, but there is no data1 folder beside it (No such file or directory)\n"},
      {"other game", {"search", "--game", "HeXeN2", "--removable", "--fixed"}, drives, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto result = run(c.args, c.drives);
    EXPECT_EQ(result.code, kExitFailure);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, c.detail + "File not found\n");
  }
}

TEST(SearchCliTest, VerbosePrintsEachFolderEnteredOnStderr) {
  TempFolder temp;
  MemoryDrives drives;
  fs::create_directories(temp / "c" / "Apps");
  testing::writeInstallation(temp / "c" / "Games" / "Quake");
  fs::create_directories(temp / "cd");
  drives.addDrive(temp / "cd", DriveType::CdRom);
  drives.addDrive(temp / "c", DriveType::Fixed);
  const auto c = temp / "c";
  const auto result = run({"search", "--verbose", "--game", "quake", "--fixed"}, drives);
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_EQ(result.err, "Searching " + slashed(c) + " (fixed)\n" + (c / "Apps").string() + "\n" +
                            (c / "Games").string() + "\n" + (c / "Games" / "Quake").string() +
                            "\n" + (c / "Games" / "Quake" / "id1").string() + "\n");
  EXPECT_EQ(result.out, slashed(c / "Games" / "Quake" / "id1") + "\n");
}

TEST(SearchCliTest, VerboseEscapesControlCharactersInFolderNames) {
  TempFolder temp;
  MemoryDrives drives;
  fs::create_directories(temp / "c" / "evil\x1b[2J");
  drives.addDrive(temp / "c", DriveType::Fixed);
  const auto result = run({"search", "--verbose", "--game", "quake", "--fixed"}, drives);
  EXPECT_EQ(result.code, kExitFailure);
  EXPECT_TRUE(contains(result.err, "evil\\x1b[2J\n")) << result.err;
  EXPECT_FALSE(contains(result.err, "\x1b"));
}

TEST(SearchCliTest, RejectsBadUsage) {
  MemoryDrives drives;
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"search"}, "--game quake or --game hexen2 is required"},
      {{"search", "--fixed"}, "--game quake or --game hexen2 is required"},
      {{"search", "--game", "doom", "--fixed"}, "unknown game 'doom'"},
      {{"search", "--game", "quake"}, "choose where to search: --libraries, --fixed"},
      {{"search", "--game"}, "--game needs a value"},
      {{"search", "--game", "quake", "--cdrom"}, "unknown option '--cdrom'"},
      {{"search", "--game", "quake", "/games"}, "unexpected argument '/games'"},
      {{"drives", "--all"}, "unexpected argument '--all'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : c.args[0]);
    const auto result = run(c.args, drives);
    EXPECT_EQ(result.code, kExitUsage);
    EXPECT_TRUE(contains(result.err, c.err)) << result.err;
    EXPECT_TRUE(drives.listedFolders().empty());
  }
}

TEST(SearchCliTest, ListsTheDrivesWithTypesAndMediumSerials) {
  TempFolder temp;
  MemoryDrives drives;
  for (const char* name : {"a", "c", "d", "n", "r", "u"}) {
    fs::create_directories(temp / name);
  }
  const auto a = drives.addDrive(temp / "a", DriveType::Removable, 0x1234ABCDu);
  const auto c = drives.addDrive(temp / "c", DriveType::Fixed, 0x5555u);
  const auto d = drives.addDrive(temp / "d", DriveType::CdRom);
  const auto n = drives.addDrive(temp / "n", DriveType::Remote);
  const auto r = drives.addDrive(temp / "r", DriveType::RamDisk);
  const auto u = drives.addDrive(temp / "u", DriveType::NoRootDir);
  const auto result = run({"drives"}, drives);
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_EQ(result.out, "TYPE       SERIAL    ROOT\n"
                        "removable  1234ABCD  " +
                            a +
                            "\n"
                            "fixed      -         " +
                            c +
                            "\n"
                            "cdrom      none      " +
                            d +
                            "\n"
                            "remote     -         " +
                            n +
                            "\n"
                            "ramdisk    -         " +
                            r +
                            "\n"
                            "no-root    -         " +
                            u + "\n");
}

TEST(SearchCliTest, HelpNamesBothCommands) {
  MemoryDrives drives;
  const auto main = run({"--help"}, drives);
  EXPECT_TRUE(contains(main.out, "  search "));
  EXPECT_TRUE(contains(main.out, "  drives "));
  for (const std::string command : {"search", "drives"}) {
    SCOPED_TRACE(command);
    const auto help = run({command, "--help"}, drives);
    EXPECT_EQ(help.code, kExitSuccess);
    EXPECT_TRUE(help.out.starts_with("Usage: texkit2-cli " + command));
  }
}

} // namespace
} // namespace texkit2::cli
