// Folders that vanish or change while the walk is under way.
#include "locate/DriveSearch.h"
#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

namespace texkit2::locate {
namespace {

using testing::TempFolder;
using testing::writeText;

TEST(SearchFaultTest, AFolderRemovedDuringTheWalkIsSkipped) {
  struct Case {
    const char* what;
    std::string removedWhenEntering; // relative to the root
    std::string removed;
    bool found;
  };
  const std::vector<Case> cases = {
      {"the folder being entered", "a", "a", true},
      {"a later sibling", "a", "b", true},
      {"the folder that holds the game", "a", "z", false},
      {"the whole tree above the game", "z", "z", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    for (const char* dir : {"a/a1/a2", "b/b1", "c"}) {
      std::filesystem::create_directories(folder / dir);
    }
    writeText(folder / "z/game/quake.exe", "x");
    writeText(folder / "z/game/id1/PAK0.PAK", "x");
    platform::MemoryDrives drives;
    const std::string root = drives.addDrive(folder.path(), platform::DriveType::Fixed);
    std::string matched;
    const bool found =
        SearchFolder(drives, root, "quake.exe", matched, [&](const std::string& entered) {
          if (entered == root + c.removedWhenEntering ||
              entered == root + c.removedWhenEntering + "/") {
            std::error_code ec;
            std::filesystem::remove_all(folder / c.removed, ec);
          }
        });
    EXPECT_EQ(found, c.found);
    if (c.found) {
      EXPECT_EQ(matched, root + "z/game/");
    } else {
      EXPECT_TRUE(matched.empty());
    }
  }
}

} // namespace
} // namespace texkit2::locate
