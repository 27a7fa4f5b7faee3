// The drive search engine over Win32 folder listings (FindFirstFileA) and the Win32 file layer:
// Windows paths, names in any letter case, and the data folder made current.
#include "locate/DriveSearch.h"
#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace texkit2::locate {
namespace {

namespace fs = std::filesystem;
using platform::DriveType;
using platform::MemoryDrives;
using testing::TempFolder;
using testing::writeText;

constexpr DriveSearchOptions kFixedDrives{1, 0, 0};

bool sameFolder(const std::string& a, const std::string& b) {
  return _stricmp(a.c_str(), b.c_str()) == 0;
}

TEST(WindowsDriveSearchTest, FindsTheGameInAnyLetterCaseAndMakesItsDataFolderCurrent) {
  TempFolder temp;
  writeText(temp / "c/Games/Doom/doom.exe", "x");
  writeText(temp / "c/Games/Quake/QUAKE.EXE", "x");
  writeText(temp / "c/Games/Quake/ID1/pak0.pak", "x");
  writeText(temp / "c/Games/Quake/ID1/Pak1.Pak", "x");
  MemoryDrives drives;
  const std::string root = drives.addDrive(temp / "c", DriveType::Fixed);
  ASSERT_EQ(root.back(), '\\');

  std::vector<std::string> entered;
  std::string dataFolder = "untouched";
  ASSERT_TRUE(SearchDrives(drives, platform::hostFileSystem(), kFixedDrives, "quake.exe",
                           extract::kGameQuake, dataFolder,
                           [&](const std::string& folder) { entered.push_back(folder); }));
  EXPECT_EQ(dataFolder, root + "Games\\Quake\\ID1\\"); // as spelt on disk
  EXPECT_TRUE(sameFolder(fs::current_path().string(), root + "Games\\Quake\\ID1"))
      << fs::current_path().string();
  ASSERT_GE(entered.size(), 3u);
  EXPECT_EQ(entered[0], root + "Games");
  EXPECT_EQ(entered[1], root + "Games\\Doom");
  EXPECT_EQ(entered[2], root + "Games\\Quake");
}

TEST(WindowsDriveSearchTest, SaysWhenTheArchivesAreMissing) {
  TempFolder temp;
  writeText(temp / "c/Hexen II/h2.exe", "x");
  writeText(temp / "c/Hexen II/data1/PAK1.PAK", "x"); // PAK0.PAK alone would do; PAK1 does not
  MemoryDrives drives;
  const std::string root = drives.addDrive(temp / "c", DriveType::Fixed);
  std::string dataFolder;
  EXPECT_FALSE(SearchDrives(drives, platform::hostFileSystem(), kFixedDrives, "h2.exe",
                            extract::kGameHexen2, dataFolder));
  EXPECT_EQ(dataFolder, root + "Hexen II\\data1\\");
}

TEST(WindowsDriveSearchTest, ReadsAheadWithoutChangingTheWalk) {
  TempFolder temp;
  for (int i = 0; i < 12; ++i) {
    for (const char* below : {"Maps", "Sound\\Ambience", "Progs"}) {
      fs::create_directories(temp / "c" / ("Folder " + std::to_string(i)) / below);
    }
  }
  writeText(temp / "c/Folder 9/Sound/Quake.exe", "x");
  const auto walk = [&](const ReadAheadLimits& limits) {
    std::vector<std::string> entered;
    std::string matched;
    EXPECT_TRUE(SearchFolder(
        platform::hostDrives(), (temp / "c").string(), "quake.exe", matched,
        [&](const std::string& folder) { entered.push_back(folder); }, limits));
    EXPECT_TRUE(sameFolder(matched, (temp / "c\\Folder 9\\Sound\\").string())) << matched;
    return entered;
  };
  const auto expected = walk(ReadAheadLimits{0, 0, 0});
  EXPECT_EQ(walk(ReadAheadLimits{4, 16, 1024}), expected);
  EXPECT_EQ(walk(ReadAheadLimits{2, 2, 8}), expected);
}

TEST(WindowsDriveSearchTest, AFolderRemovedAfterItWasReadAheadCountsAsGone) {
  TempFolder temp;
  writeText(temp / "c/a/readme.txt", "x");
  writeText(temp / "c/z/game/quake.exe", "x");
  const std::string root = (temp / "c").string() + "\\";
  std::string matched;
  std::vector<std::string> entered;
  EXPECT_FALSE(SearchFolder(platform::hostDrives(), root, "quake.exe", matched,
                            [&](const std::string& folder) {
                              entered.push_back(folder);
                              // A folder that is being read cannot be removed until the
                              // read ends.
                              std::error_code ec;
                              for (int i = 0; folder == root + "a" && i < 200; ++i) {
                                if (fs::remove_all(temp / "c" / "z", ec) > 0 && !ec) {
                                  break;
                                }
                                Sleep(5);
                              }
                            }));
  EXPECT_TRUE(matched.empty());
  EXPECT_EQ(entered, (std::vector<std::string>{root + "a", root + "z"}));
}

} // namespace
} // namespace texkit2::locate
