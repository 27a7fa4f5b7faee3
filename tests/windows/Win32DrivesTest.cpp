// The Win32 drive table and folder listing against the real system: what GetLogicalDrives,
// GetDriveTypeA, GetVolumeInformationA and FindFirstFileA report (under Wine: C: for the prefix's
// drive_c and Z: for the host's root folder, both fixed).
#include "platform/Drives.h"
#include "tests/common/TempFolder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace texkit2::platform {
namespace {

using testing::TempFolder;
using testing::writeText;

bool underWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

const FolderEntry* entryNamed(const std::vector<FolderEntry>& entries, const std::string& name) {
  const auto it = std::find_if(entries.begin(), entries.end(), [&](const FolderEntry& entry) {
    return _stricmp(entry.name.c_str(), name.c_str()) == 0;
  });
  return it == entries.end() ? nullptr : &*it;
}

TEST(Win32DrivesTest, ListsEveryDriveLetterFromAWithItsType) {
  const DWORD mask = GetLogicalDrives();
  std::vector<DriveRoot> expected;
  for (int bit = 0; bit < 26; ++bit) {
    if ((mask & (DWORD{1} << bit)) != 0) {
      const std::string root = std::string(1, static_cast<char>('A' + bit)) + ":\\";
      expected.push_back({root, static_cast<DriveType>(GetDriveTypeA(root.c_str()))});
    }
  }
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(hostDrives().drives(), expected);
}

TEST(Win32DrivesTest, WineHasTheSystemDriveAndTheHostsRootAsFixedDrives) {
  if (!underWine()) {
    GTEST_SKIP() << "not running under Wine";
  }
  const auto drives = hostDrives().drives();
  EXPECT_NE(std::find(drives.begin(), drives.end(), DriveRoot{"C:\\", DriveType::Fixed}),
            drives.end());
  EXPECT_NE(std::find(drives.begin(), drives.end(), DriveRoot{"Z:\\", DriveType::Fixed}),
            drives.end());
  // Z: is the host's "/": a walk of it must not be taken for a second copy of C:.
  std::vector<FolderEntry> entries;
  ASSERT_FALSE(hostDrives().listFolder("Z:\\", entries));
  const FolderEntry* tmp = entryNamed(entries, "tmp");
  ASSERT_NE(tmp, nullptr);
  EXPECT_TRUE(tmp->isDirectory);
}

TEST(Win32DrivesTest, FindsTheDriveThatHoldsAPath) {
  char windows[MAX_PATH] = {};
  ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  std::string lower = windows;
  lower[0] = static_cast<char>(lower[0] | 0x20);
  const auto drive = hostDrives().driveHolding(lower);
  ASSERT_TRUE(drive.has_value());
  EXPECT_EQ(drive->path, std::string(1, windows[0]) + ":\\");
  EXPECT_EQ(drive->type, DriveType::Fixed);

  EXPECT_FALSE(hostDrives().driveHolding("\\\\server\\share\\quake").has_value());
  EXPECT_FALSE(hostDrives().driveHolding("quake\\id1").has_value());
  const DWORD mask = GetLogicalDrives();
  for (int bit = 25; bit >= 0; --bit) {
    if ((mask & (DWORD{1} << bit)) == 0) {
      const std::string absent = std::string(1, static_cast<char>('A' + bit)) + ":\\Quake";
      EXPECT_FALSE(hostDrives().driveHolding(absent).has_value()) << absent;
      break;
    }
  }
}

TEST(Win32DrivesTest, ReadsTheSerialNumberOfTheSystemDrive) {
  char windows[MAX_PATH] = {};
  ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  DWORD serial = 0;
  const std::string root = std::string(1, windows[0]) + ":\\";
  ASSERT_NE(GetVolumeInformationA(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0),
            0);
  EXPECT_EQ(hostDrives().volumeSerial(root), std::optional<std::uint32_t>(serial));
  EXPECT_FALSE(hostDrives().volumeSerial("not a root").has_value());
}

TEST(Win32DrivesTest, ListsAFolderWithoutDotEntries) {
  TempFolder folder;
  writeText(folder / "Quake.exe", "x");
  std::filesystem::create_directories(folder / "id1");
  for (const std::string suffix : {"", "\\", "/"}) {
    SCOPED_TRACE(suffix);
    std::vector<FolderEntry> entries{{"stale", false, false, false, {}}};
    ASSERT_FALSE(hostDrives().listFolder(folder.path().string() + suffix, entries));
    ASSERT_EQ(entries.size(), 2u);
    const FolderEntry* exe = entryNamed(entries, "Quake.exe");
    const FolderEntry* data = entryNamed(entries, "id1");
    ASSERT_NE(exe, nullptr);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(exe->name, "Quake.exe");
    EXPECT_FALSE(exe->isDirectory);
    EXPECT_TRUE(data->isDirectory);
    EXPECT_FALSE(data->isSymlink);
  }
}

TEST(Win32DrivesTest, TellsFoldersApartByVolumeAndFileIndex) {
  TempFolder folder;
  std::filesystem::create_directories(folder / "id1");
  std::filesystem::create_directories(folder / "maps");
  std::vector<FolderEntry> entries;
  ASSERT_FALSE(hostDrives().listFolder(folder.path().string(), entries));
  const auto data = hostDrives().folderId((folder / "id1").string());
  ASSERT_TRUE(data.has_value());
  ASSERT_NE(entryNamed(entries, "id1"), nullptr);
  ASSERT_NE(entryNamed(entries, "maps"), nullptr);
  EXPECT_EQ(entryNamed(entries, "id1")->id, data);
  EXPECT_EQ(hostDrives().folderId((folder / "ID1").string() + "\\"), data);
  EXPECT_TRUE(entryNamed(entries, "maps")->id.has_value());
  EXPECT_NE(entryNamed(entries, "maps")->id, data);
  EXPECT_NE(hostDrives().folderId(folder.path().string()), data);
  EXPECT_FALSE(hostDrives().folderId((folder / "missing").string()).has_value());
  char windows[MAX_PATH] = {};
  ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  EXPECT_TRUE(hostDrives().folderId(std::string(1, windows[0]) + ":\\").has_value());
}

TEST(Win32DrivesTest, ListsADriveRoot) {
  char windows[MAX_PATH] = {};
  ASSERT_NE(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  std::vector<FolderEntry> entries;
  ASSERT_FALSE(hostDrives().listFolder(std::string(1, windows[0]) + ":\\", entries));
  const FolderEntry* system = entryNamed(entries, std::string(windows).substr(3));
  ASSERT_NE(system, nullptr);
  EXPECT_TRUE(system->isDirectory);
}

TEST(Win32DrivesTest, AFolderThatCannotBeListedIsEmptyAndSaysWhy) {
  TempFolder folder;
  std::vector<FolderEntry> entries{{"stale", false, false, false, {}}};
  EXPECT_TRUE(hostDrives().listFolder((folder / "missing").string(), entries));
  EXPECT_TRUE(entries.empty());
  EXPECT_TRUE(hostDrives().listFolder("", entries));
}

TEST(Win32DrivesTest, TellsFoldersFromFiles) {
  TempFolder folder;
  writeText(folder / "Quake/quake.exe", "x");
  EXPECT_TRUE(hostDrives().isFolder((folder / "QUAKE").string()));
  EXPECT_FALSE(hostDrives().isFolder((folder / "Quake/QUAKE.EXE").string()));
  EXPECT_FALSE(hostDrives().isFolder((folder / "missing").string()));
  EXPECT_FALSE(hostDrives().isFolder(""));
  EXPECT_TRUE(hostDrives().isFolder("C:\\"));
}

TEST(Win32DrivesTest, StampsAFolderAsItsListingDidUntilItChanges) {
  TempFolder folder;
  std::filesystem::create_directories(folder / "game");
  const std::string game = (folder / "game").string() + "\\";
  ASSERT_TRUE(hostDrives().listsConcurrently());
  std::vector<FolderEntry> entries;
  std::optional<FolderStamp> listed;
  ASSERT_FALSE(hostDrives().listStampedFolder(game, entries, listed));
  ASSERT_TRUE(listed.has_value());
  EXPECT_EQ(hostDrives().folderStamp(game), listed);
  EXPECT_EQ(hostDrives().folderStamp((folder / "game").string()), listed);
  // A clock that ticks coarsely may give the first new entry the time of the listing.
  for (int i = 0; i < 100 && hostDrives().folderStamp(game) == listed; ++i) {
    Sleep(2);
    writeText(folder / "game" / ("quake" + std::to_string(i) + ".exe"), "x");
  }
  EXPECT_NE(hostDrives().folderStamp(game), listed);
  std::filesystem::remove_all(folder / "game");
  EXPECT_FALSE(hostDrives().folderStamp(game).has_value());
  EXPECT_TRUE(hostDrives().listStampedFolder(game, entries, listed));
  EXPECT_FALSE(listed.has_value());
}

} // namespace
} // namespace texkit2::platform
