// The drive search engine over Win32 folder listings (FindFirstFileA) and the Win32 file layer:
// Windows paths, names in any letter case, and the data folder made current.
#include "locate/DriveSearch.h"
#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string.h>

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
  EXPECT_EQ(dataFolder, root + "Games\\Quake\\id1\\");
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
  writeText(temp / "c/Hexen II/data1/PAK0.PAK", "x");
  MemoryDrives drives;
  const std::string root = drives.addDrive(temp / "c", DriveType::Fixed);
  std::string dataFolder;
  EXPECT_FALSE(SearchDrives(drives, platform::hostFileSystem(), kFixedDrives, "h2.exe",
                            extract::kGameHexen2, dataFolder));
  EXPECT_EQ(dataFolder, root + "Hexen II\\data1\\");
}

} // namespace
} // namespace texkit2::locate
