#include "platform/MemoryDrives.h"

#include "tests/common/TempFolder.h"
#include "tests/locate/Trees.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace texkit2::platform {
namespace {

namespace fs = std::filesystem;
using testing::slashed;
using testing::TempFolder;
using testing::touch;

std::vector<std::string> names(const std::vector<FolderEntry>& entries) {
  std::vector<std::string> result;
  for (const auto& entry : entries) {
    result.push_back(entry.name);
  }
  return result;
}

TEST(MemoryDrivesTest, KeepsDrivesInTheOrderAddedWithTheirTypes) {
  TempFolder temp;
  MemoryDrives drives;
  fs::create_directories(temp / "z");
  fs::create_directories(temp / "a");
  const std::string z = drives.addDrive(temp / "z", DriveType::Removable, 7u);
  const std::string a = drives.addDrive(temp / "a" / "", DriveType::CdRom);
  EXPECT_EQ(z, slashed(temp / "z"));
  EXPECT_EQ(a, slashed(temp / "a"));
  EXPECT_EQ(drives.drives(),
            (std::vector<DriveRoot>{{z, DriveType::Removable}, {a, DriveType::CdRom}}));
  drives.setType(a, DriveType::Fixed);
  drives.removeDrive(z);
  EXPECT_EQ(drives.drives(), (std::vector<DriveRoot>{{a, DriveType::Fixed}}));
}

TEST(MemoryDrivesTest, SerialNumbersFollowTheTestsMedia) {
  TempFolder temp;
  MemoryDrives drives;
  const std::string root = drives.addDrive(temp.path(), DriveType::Removable, 0x1234u);
  struct Step {
    const char* what;
    std::optional<std::uint32_t> set;
  };
  for (const auto& step : {Step{"swapped", 0xABCDu}, Step{"ejected", std::nullopt},
                           Step{"all bits set", 0xFFFFFFFFu}}) {
    SCOPED_TRACE(step.what);
    drives.setSerial(root, step.set);
    EXPECT_EQ(drives.volumeSerial(root), step.set);
    // With or without the separator.
    EXPECT_EQ(drives.volumeSerial(temp.path().string()), step.set);
  }
  EXPECT_EQ(drives.volumeSerial(slashed(temp / "other")), std::nullopt);
}

TEST(MemoryDrivesTest, ListsInTheChosenOrder) {
  TempFolder temp;
  MemoryDrives drives;
  for (const char* name : {"b", "C", "a"}) {
    touch(temp / name);
  }
  std::vector<FolderEntry> entries;
  struct Case {
    MemoryDrives::Order order;
    std::vector<std::string> expected;
  };
  for (const auto& c : {Case{MemoryDrives::Order::Ascending, {"C", "a", "b"}},
                        Case{MemoryDrives::Order::Descending, {"b", "a", "C"}}}) {
    SCOPED_TRACE(c.expected.front());
    drives.setOrder(c.order);
    EXPECT_FALSE(drives.listFolder(temp.path().string(), entries));
    EXPECT_EQ(names(entries), c.expected);
  }
  drives.setOrder(MemoryDrives::Order::FileSystem);
  EXPECT_FALSE(drives.listFolder(temp.path().string(), entries));
  EXPECT_EQ(entries.size(), 3u);
  EXPECT_EQ(drives.listedFolders().size(), 3u);
}

TEST(MemoryDrivesTest, MarksAnotherDrivesRootAsAMountPoint) {
  TempFolder temp;
  MemoryDrives drives;
  fs::create_directories(temp / "c" / "mnt");
  fs::create_directories(temp / "c" / "plain");
  drives.addDrive(temp / "c", DriveType::Fixed);
  drives.addDrive(temp / "c" / "mnt", DriveType::CdRom);
  std::vector<FolderEntry> entries;
  EXPECT_FALSE(drives.listFolder(slashed(temp / "c"), entries));
  EXPECT_EQ(entries,
            (std::vector<FolderEntry>{
                {"mnt", true, false, true, hostFolderId((temp / "c" / "mnt").string())},
                {"plain", true, false, false, hostFolderId((temp / "c" / "plain").string())}}));
  EXPECT_EQ(drives.driveHolding((temp / "c" / "mnt" / "x").string()),
            (DriveRoot{slashed(temp / "c" / "mnt"), DriveType::CdRom}));
  EXPECT_EQ(drives.driveHolding((temp / "c" / "mntx").string()),
            (DriveRoot{slashed(temp / "c"), DriveType::Fixed}));
  EXPECT_EQ(drives.driveHolding((temp / "d").string()), std::nullopt);
}

TEST(MemoryDrivesTest, AnUnlistableFolderFailsAndListsNothing) {
  TempFolder temp;
  MemoryDrives drives;
  touch(temp / "locked" / "file");
  drives.setUnlistable(temp / "locked");
  std::vector<FolderEntry> entries{{"stale", false, false, false, {}}};
  for (const std::string& spelling : {(temp / "locked").string(), slashed(temp / "locked")}) {
    SCOPED_TRACE(spelling);
    EXPECT_EQ(drives.listFolder(spelling, entries), std::errc::permission_denied);
    EXPECT_TRUE(entries.empty());
  }
  EXPECT_TRUE(drives.isFolder((temp / "locked").string()));
}

} // namespace
} // namespace texkit2::platform
