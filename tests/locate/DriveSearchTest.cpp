#include "locate/DriveSearch.h"

#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"
#include "tests/locate/Trees.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace texkit2::locate {
namespace {

namespace fs = std::filesystem;
using platform::DriveType;
using platform::MemoryDrives;
using testing::slashed;
using testing::TempFolder;
using testing::touch;
using testing::writeInstallation;

constexpr DriveSearchOptions kAllKinds{1, 1, 1};
const std::string kUntouched = "untouched";

// A machine whose drives are folders of one temporary folder.
struct Machine {
  TempFolder temp;
  MemoryDrives drives;

  fs::path addDrive(const std::string& name, DriveType type) {
    fs::create_directories(temp / name);
    drives.addDrive(temp / name, type);
    return temp / name;
  }

  bool listed(const fs::path& folder) const {
    const std::string prefix = folder.string();
    return std::any_of(drives.listedFolders().begin(), drives.listedFolders().end(),
                       [&](const std::string& path) { return path.starts_with(prefix); });
  }
};

struct Outcome {
  bool found = false;
  std::string folder;
  std::vector<std::string> entered;
  std::string currentDirectory;
};

Outcome search(Machine& machine, const DriveSearchOptions& options,
               extract::GameKind game = extract::kGameQuake) {
  Outcome outcome;
  outcome.folder = kUntouched;
  outcome.found = SearchDrives(
      machine.drives, platform::hostFileSystem(), options, extract::gameInfo(game)->executable,
      game, outcome.folder, [&](const std::string& folder) { outcome.entered.push_back(folder); });
  outcome.currentDirectory = fs::current_path().string();
  return outcome;
}

struct FolderOutcome {
  bool found = false;
  std::string matched;
  std::vector<std::string> entered;
};

FolderOutcome searchFolder(MemoryDrives& drives, const fs::path& folder,
                           const std::string& executable = "quake.exe") {
  FolderOutcome outcome;
  outcome.found = SearchFolder(drives, folder.string(), executable, outcome.matched,
                               [&](const std::string& path) { outcome.entered.push_back(path); });
  return outcome;
}

// --- SearchDrives ---------------------------------------------------------------------------

TEST(SearchDrivesTest, VisitsNoDriveWhenNoKindIsChosen) {
  Machine machine;
  writeInstallation(machine.addDrive("c", DriveType::Fixed));
  writeInstallation(machine.addDrive("d", DriveType::Removable));
  const std::string before = fs::current_path().string();
  const auto outcome = search(machine, DriveSearchOptions{});
  EXPECT_FALSE(outcome.found);
  EXPECT_EQ(outcome.folder, kUntouched);
  EXPECT_TRUE(machine.drives.listedFolders().empty());
  EXPECT_TRUE(outcome.entered.empty());
  EXPECT_EQ(outcome.currentDirectory, before);
}

TEST(SearchDrivesTest, NeverVisitsCdRomRamDiskOrUnknownDrives) {
  for (const DriveType type :
       {DriveType::CdRom, DriveType::RamDisk, DriveType::Unknown, DriveType::NoRootDir}) {
    SCOPED_TRACE(platform::driveTypeName(type));
    Machine machine;
    const auto drive = machine.addDrive("x", type);
    writeInstallation(drive);
    writeInstallation(drive / "games" / "quake");
    const auto outcome = search(machine, kAllKinds);
    EXPECT_FALSE(outcome.found);
    EXPECT_EQ(outcome.folder, kUntouched);
    EXPECT_FALSE(machine.listed(drive));
    EXPECT_TRUE(outcome.entered.empty());
  }
}

TEST(SearchDrivesTest, EachOptionAdmitsItsKindOfDrive) {
  struct Case {
    DriveType type;
    DriveSearchOptions options;
    bool found;
  };
  const Case cases[] = {
      {DriveType::Fixed, {1, 0, 0}, true},     {DriveType::Fixed, {0, 1, 1}, false},
      {DriveType::Remote, {0, 1, 0}, true},    {DriveType::Remote, {1, 0, 1}, false},
      {DriveType::Removable, {0, 0, 1}, true}, {DriveType::Removable, {1, 1, 0}, false},
      {DriveType::Fixed, {7, 0, 0}, true}, // any non-zero flag counts as ticked
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(platform::driveTypeName(c.type)) + " " +
                 std::to_string(c.options.fixed) + std::to_string(c.options.remote) +
                 std::to_string(c.options.removable));
    Machine machine;
    const auto drive = machine.addDrive("x", c.type);
    writeInstallation(drive / "quake");
    const auto outcome = search(machine, c.options);
    EXPECT_EQ(outcome.found, c.found);
    EXPECT_EQ(outcome.folder, c.found ? slashed(drive / "quake" / "id1") : kUntouched);
    EXPECT_EQ(machine.listed(drive), c.found);
  }
}

TEST(SearchDrivesTest, FindsTheGameInADriveRoot) {
  Machine machine;
  const auto drive = machine.addDrive("c", DriveType::Fixed);
  writeInstallation(drive);
  fs::create_directories(drive / "zzz");
  const auto outcome = search(machine, kAllKinds);
  EXPECT_TRUE(outcome.found);
  EXPECT_EQ(outcome.folder, slashed(drive / "id1"));
  EXPECT_EQ(outcome.currentDirectory, (drive / "id1").string());
  // The root's own entries come first in this order: id1 is entered before quake.exe is met.
  EXPECT_EQ(outcome.entered, std::vector<std::string>{(drive / "id1").string()});
}

TEST(SearchDrivesTest, FindsHexenIIWithItsDataFolder) {
  Machine machine;
  const auto drive = machine.addDrive("c", DriveType::Fixed);
  writeInstallation(drive / "Raven" / "HexenII", "H2.EXE", "data1");
  writeInstallation(drive / "Quake", "quake.exe", "id1"); // not what this search looks for
  const auto outcome = search(machine, kAllKinds, extract::kGameHexen2);
  EXPECT_TRUE(outcome.found);
  EXPECT_EQ(outcome.folder, slashed(drive / "Raven" / "HexenII" / "data1"));
}

TEST(SearchDrivesTest, AnEarlierDriveWinsOverALaterOne) {
  for (const bool dFirst : {false, true}) {
    SCOPED_TRACE(dFirst ? "d listed first" : "c listed first");
    Machine machine;
    const auto first = machine.addDrive(dFirst ? "d" : "c", DriveType::Fixed);
    const auto second = machine.addDrive(dFirst ? "c" : "d", DriveType::Removable);
    writeInstallation(first / "games" / "quake");
    writeInstallation(second / "quake");
    const auto outcome = search(machine, kAllKinds);
    EXPECT_TRUE(outcome.found);
    EXPECT_EQ(outcome.folder, slashed(first / "games" / "quake" / "id1"));
    EXPECT_FALSE(machine.listed(second));
  }
}

TEST(SearchDrivesTest, SkipsDrivesNotAdmittedAndGoesOnToTheNext) {
  Machine machine;
  writeInstallation(machine.addDrive("a", DriveType::Removable));
  writeInstallation(machine.addDrive("b", DriveType::CdRom));
  const auto empty = machine.addDrive("c", DriveType::Fixed);
  const auto d = machine.addDrive("d", DriveType::Fixed);
  writeInstallation(d / "quake");
  const auto outcome = search(machine, DriveSearchOptions{1, 0, 0});
  EXPECT_TRUE(outcome.found);
  EXPECT_EQ(outcome.folder, slashed(d / "quake" / "id1"));
  EXPECT_TRUE(machine.listed(empty));
}

TEST(SearchDrivesTest, AMatchWithoutDataFolderEndsTheSearchWithAnEmptyFolder) {
  Machine machine;
  const auto c = machine.addDrive("c", DriveType::Fixed);
  const auto d = machine.addDrive("d", DriveType::Fixed);
  touch(c / "old" / "quake.exe");
  writeInstallation(d / "quake");
  const std::string before = fs::current_path().string();
  const auto outcome = search(machine, kAllKinds);
  EXPECT_FALSE(outcome.found);
  EXPECT_EQ(outcome.folder, "");
  EXPECT_EQ(outcome.currentDirectory, before);
  EXPECT_FALSE(machine.listed(d));
}

TEST(SearchDrivesTest, AMatchWhoseDataFolderLacksAnArchiveKeepsTheFolder) {
  struct Case {
    const char* name;
    bool pak0;
    bool pak1;
  };
  // PAK1.PAK alone makes no data folder; PAK0.PAK alone does (the re-release, the mission packs).
  for (const auto& c : {Case{"no PAK0.PAK", false, true}, Case{"neither", false, false}}) {
    SCOPED_TRACE(c.name);
    Machine machine;
    const auto drive = machine.addDrive("c", DriveType::Fixed);
    const auto later = machine.addDrive("d", DriveType::Fixed);
    writeInstallation(drive / "quake", "quake.exe", "id1", c.pak0, c.pak1);
    writeInstallation(later / "quake");
    const auto outcome = search(machine, kAllKinds);
    EXPECT_FALSE(outcome.found);
    EXPECT_EQ(outcome.folder, slashed(drive / "quake" / "id1"));
    EXPECT_EQ(outcome.currentDirectory, (drive / "quake" / "id1").string());
    EXPECT_FALSE(machine.listed(later));
  }
}

TEST(SearchDrivesTest, ReportsEachFolderBeforeEnteringItButNeverTheRoot) {
  Machine machine;
  const auto drive = machine.addDrive("c", DriveType::Fixed);
  fs::create_directories(drive / "Apps" / "Editor");
  writeInstallation(drive / "Games" / "Quake");
  fs::create_directories(drive / "Work");
  const auto outcome = search(machine, kAllKinds);
  ASSERT_TRUE(outcome.found);
  const std::vector<std::string> expected = {
      (drive / "Apps").string(), (drive / "Apps" / "Editor").string(), (drive / "Games").string(),
      (drive / "Games" / "Quake").string(), (drive / "Games" / "Quake" / "id1").string()};
  EXPECT_EQ(outcome.entered, expected);
}

TEST(SearchDrivesTest, LeavesAFolderOfAnotherDriveToThatDrive) {
  // d's root lies inside c's folders, as a mount point does: c's walk stays out of it.
  for (const DriveType inner : {DriveType::CdRom, DriveType::Fixed}) {
    SCOPED_TRACE(platform::driveTypeName(inner));
    Machine machine;
    const auto c = machine.addDrive("c", DriveType::Fixed);
    const auto d = machine.addDrive("c/mnt", inner);
    writeInstallation(d / "quake");
    const auto outcome = search(machine, kAllKinds);
    const auto& listed = machine.drives.listedFolders();
    const auto listingsOfD = std::count_if(listed.begin(), listed.end(), [&](const auto& path) {
      return path.starts_with(d.string());
    });
    if (inner == DriveType::CdRom) {
      EXPECT_FALSE(outcome.found);
      EXPECT_EQ(listingsOfD, 0);
    } else {
      EXPECT_TRUE(outcome.found);
      EXPECT_EQ(outcome.folder, slashed(d / "quake" / "id1"));
      // d's root and its two folders, each once: in d's own turn.
      EXPECT_EQ(listingsOfD, 3);
      EXPECT_EQ(outcome.entered.front(), (d / "quake").string());
    }
  }
}

TEST(SearchDrivesTest, SearchesATreeThreeThousandFoldersDeep) {
  Machine machine;
  const auto drive = machine.addDrive("c", DriveType::Fixed);
  testing::makeDeepChain(drive, 3000, "d", "readme.txt");
  writeInstallation(drive / "z" / "quake");
  const auto outcome = search(machine, kAllKinds);
  EXPECT_TRUE(outcome.found);
  EXPECT_EQ(outcome.folder, slashed(drive / "z" / "quake" / "id1"));
  // All of the chain was walked before z came up.
  ASSERT_GE(outcome.entered.size(), 3000u);
  EXPECT_EQ(outcome.entered[2999].size(), drive.string().size() + 2 * 3000);
}

// --- SearchFolder ---------------------------------------------------------------------------

TEST(SearchFolderTest, MatchesTheNameWithoutRegardToCaseAndNothingElse) {
  struct Case {
    std::string file;
    bool matches;
  };
  const Case cases[] = {
      {"quake.exe", true},      {"QUAKE.EXE", true},  {"Quake.Exe", true},
      {"quake.exe.bak", false}, {"quake.ex", false},  {"xquake.exe", false},
      {"quake.exe ", false},    {"quake_exe", false}, {"qu\xc3\xa4ke.exe", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TempFolder temp;
    MemoryDrives drives;
    touch(temp / "games" / c.file);
    const auto outcome = searchFolder(drives, temp.path());
    EXPECT_EQ(outcome.found, c.matches);
    EXPECT_EQ(outcome.matched, c.matches ? slashed(temp / "games") : "");
  }
}

TEST(SearchFolderTest, EntersAFolderNamedLikeTheExecutableWithoutMatchingIt) {
  TempFolder temp;
  MemoryDrives drives;
  fs::create_directories(temp / "QUAKE.EXE" / "inside");
  auto outcome = searchFolder(drives, temp.path());
  EXPECT_FALSE(outcome.found);
  EXPECT_EQ(outcome.entered, (std::vector<std::string>{(temp / "QUAKE.EXE").string(),
                                                       (temp / "QUAKE.EXE" / "inside").string()}));
  touch(temp / "QUAKE.EXE" / "quake.exe");
  outcome = searchFolder(drives, temp.path());
  EXPECT_TRUE(outcome.found);
  EXPECT_EQ(outcome.matched, slashed(temp / "QUAKE.EXE"));
}

TEST(SearchFolderTest, GoesDepthFirstInTheOrderTheListingGives) {
  struct Case {
    const char* name;
    MemoryDrives::Order order;
    std::string expected; // relative to the folder
  };
  const Case cases[] = {{"ascending", MemoryDrives::Order::Ascending, "A/Q/"},
                        {"descending", MemoryDrives::Order::Descending, "B/"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    MemoryDrives drives;
    drives.setOrder(c.order);
    touch(temp / "A" / "Q" / "quake.exe");
    touch(temp / "B" / "quake.exe");
    const auto outcome = searchFolder(drives, temp.path());
    EXPECT_TRUE(outcome.found);
    EXPECT_EQ(outcome.matched, slashed(temp.path()) + c.expected);
  }
}

TEST(SearchFolderTest, ADeepCopyInAnEarlierFolderBeatsAShallowerLaterOne) {
  TempFolder temp;
  MemoryDrives drives;
  touch(temp / "a" / "b" / "c" / "quake.exe");
  touch(temp / "quake.exe"); // listed after "a"
  fs::create_directories(temp / "zz");
  const auto outcome = searchFolder(drives, temp.path());
  EXPECT_TRUE(outcome.found);
  EXPECT_EQ(outcome.matched, slashed(temp / "a" / "b" / "c"));
  // The walk stopped there: zz never came up.
  EXPECT_EQ(outcome.entered.size(), 3u);
}

TEST(SearchFolderTest, ReportsAnUnreadableFolderThenSkipsIt) {
  TempFolder temp;
  MemoryDrives drives;
  touch(temp / "A" / "quake.exe");
  touch(temp / "A" / "sub" / "quake.exe");
  touch(temp / "B" / "quake.exe");
  drives.setUnlistable(temp / "A");
  const auto outcome = searchFolder(drives, temp.path());
  EXPECT_TRUE(outcome.found);
  EXPECT_EQ(outcome.matched, slashed(temp / "B"));
  EXPECT_EQ(outcome.entered,
            (std::vector<std::string>{(temp / "A").string(), (temp / "B").string()}));
}

TEST(SearchFolderTest, AnUnreadableStartingFolderCountsAsEmpty) {
  TempFolder temp;
  MemoryDrives drives;
  touch(temp / "quake.exe");
  drives.setUnlistable(temp.path());
  auto outcome = searchFolder(drives, temp.path());
  EXPECT_FALSE(outcome.found);
  outcome = searchFolder(drives, temp / "missing");
  EXPECT_FALSE(outcome.found);
  EXPECT_TRUE(outcome.entered.empty());
}

TEST(SearchFolderTest, NeverFollowsALinkToAFolder) {
  TempFolder temp;
  MemoryDrives drives;
  const auto root = temp / "root";
  fs::create_directories(root / "a" / "b");
  fs::create_directory_symlink(root, root / "a" / "b" / "up"); // a loop to the top
  fs::create_directory_symlink(".", root / "a" / "self");      // a loop onto itself
  fs::create_directory_symlink("../..", root / "a" / "b" / "parent");
  touch(temp / "elsewhere" / "quake.exe");
  fs::create_directory_symlink(temp / "elsewhere", root / "link"); // leads off the tree
  const auto outcome = searchFolder(drives, root);
  EXPECT_FALSE(outcome.found);
  EXPECT_EQ(outcome.entered,
            (std::vector<std::string>{(root / "a").string(), (root / "a" / "b").string()}));
  EXPECT_EQ(drives.listedFolders().size(), 3u);
}

TEST(SearchFolderTest, NeverEntersAFolderAlreadyOnItsPath) {
  // As Wine lists Unix links: plain folders, told apart only by which folder they are.
  for (const ReadAheadLimits& limits : {ReadAheadLimits{0, 0, 0}, ReadAheadLimits{}}) {
    SCOPED_TRACE(limits.threads);
    TempFolder temp;
    MemoryDrives drives;
    drives.setLinksAsFolders(true);
    const auto root = temp / "root";
    fs::create_directories(root / "aaloop" / "sub");
    fs::create_directory_symlink(".", root / "aaloop" / "self");
    fs::create_directory_symlink("../..", root / "aaloop" / "sub" / "top"); // the starting folder
    fs::create_directory_symlink("..", root / "aaloop" / "sub" / "up");
    touch(root / "zgame" / "quake.exe");
    std::vector<std::string> entered;
    std::string matched;
    EXPECT_TRUE(SearchFolder(
        drives, root.string(), "quake.exe", matched,
        [&](const std::string& folder) { entered.push_back(folder); }, limits));
    EXPECT_EQ(matched, slashed(root / "zgame"));
    EXPECT_EQ(entered, (std::vector<std::string>{(root / "aaloop").string(),
                                                 (root / "aaloop" / "sub").string(),
                                                 (root / "zgame").string()}));
  }
}

TEST(SearchFolderTest, ALinkToAFileCountsAsThatFile) {
  TempFolder temp;
  MemoryDrives drives;
  touch(temp / "store" / "quake-1.06.exe");
  fs::create_directories(temp / "root" / "games");
  fs::create_symlink(temp / "store" / "quake-1.06.exe", temp / "root" / "games" / "quake.exe");
  fs::create_symlink(temp / "nowhere", temp / "root" / "games" / "h2.exe"); // dangling
  auto outcome = searchFolder(drives, temp / "root");
  EXPECT_TRUE(outcome.found);
  EXPECT_EQ(outcome.matched, slashed(temp / "root" / "games"));
  outcome = searchFolder(drives, temp / "root", "h2.exe");
  EXPECT_TRUE(outcome.found);
}

TEST(SearchFolderTest, FindsTheExecutableAtTheBottomOfAThreeThousandDeepTree) {
  TempFolder temp;
  MemoryDrives drives;
  const std::string deepest = testing::makeDeepChain(temp / "root", 3000, "d", "QUAKE.EXE");
  const auto outcome = searchFolder(drives, temp / "root");
  EXPECT_TRUE(outcome.found);
  EXPECT_EQ(outcome.matched, deepest + "/");
  EXPECT_EQ(outcome.entered.size(), 3000u);
  EXPECT_EQ(outcome.entered.back(), deepest);
}

TEST(SearchFolderTest, LeavesTheMatchedFolderAloneWithoutAMatch) {
  TempFolder temp;
  MemoryDrives drives;
  touch(temp / "a" / "readme.txt");
  std::string matched = kUntouched;
  EXPECT_FALSE(SearchFolder(drives, temp.path().string(), "quake.exe", matched));
  EXPECT_EQ(matched, kUntouched);
}

// --- CheckDataFolder ------------------------------------------------------------------------

TEST(CheckDataFolderTest, MatchesArchivesAndDataFolderInAnyLetterCase) {
  struct Case {
    const char* dataFolder;
    const char* pak0;
    const char* pak1;
  };
  for (const auto& c : {Case{"id1", "PAK0.PAK", "PAK1.PAK"}, Case{"id1", "pak0.pak", "Pak1.Pak"},
                        Case{"ID1", "PAK0.pak", "pak1.PAK"}}) {
    SCOPED_TRACE(std::string(c.dataFolder) + " " + c.pak0 + " " + c.pak1);
    TempFolder temp;
    testing::writeText(temp / "quake" / c.dataFolder / c.pak0, "PACK");
    testing::writeText(temp / "quake" / c.dataFolder / c.pak1, "PACK");
    std::string folder = slashed(temp / "quake");
    EXPECT_TRUE(CheckDataFolder(platform::hostFileSystem(), extract::kGameQuake, folder));
    // Spelt as on disk: the folder is shown, written to and registered by this name.
    EXPECT_EQ(folder, slashed(temp / "quake" / c.dataFolder));
    EXPECT_EQ(fs::current_path(), temp / "quake" / c.dataFolder);
  }
}

// A PAK1.PAK that is there but no file is not a folder of one archive.
TEST(CheckDataFolderTest, AnArchiveThatIsAFolderDoesNotCount) {
  for (const auto& [folderNamed, fileNamed] :
       {std::pair{"PAK0.PAK", "PAK1.PAK"}, std::pair{"PAK1.PAK", "PAK0.PAK"}}) {
    SCOPED_TRACE(folderNamed);
    TempFolder temp;
    fs::create_directories(temp / "data1" / folderNamed);
    testing::writeText(temp / "data1" / fileNamed, "PACK");
    std::string folder = slashed(temp.path());
    EXPECT_FALSE(CheckDataFolder(platform::hostFileSystem(), extract::kGameHexen2, folder));
    EXPECT_EQ(folder, slashed(temp / "data1"));
  }
}

TEST(CheckDataFolderTest, AMissingDataFolderEmptiesTheString) {
  TempFolder temp;
  const std::string before = fs::current_path().string();
  std::string folder = slashed(temp.path());
  EXPECT_FALSE(CheckDataFolder(platform::hostFileSystem(), extract::kGameQuake, folder));
  EXPECT_EQ(folder, "");
  EXPECT_EQ(fs::current_path().string(), before);
}

TEST(CheckDataFolderTest, AnUnknownGameChangesNothing) {
  TempFolder temp;
  writeInstallation(temp.path());
  std::string folder = slashed(temp.path());
  EXPECT_FALSE(CheckDataFolder(platform::hostFileSystem(), extract::kGameNone, folder));
  EXPECT_EQ(folder, slashed(temp.path()));
}

} // namespace
} // namespace texkit2::locate
