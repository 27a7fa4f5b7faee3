#include "platform/Drives.h"
#include "platform/PosixDrives.h"
#include "tests/common/TempFolder.h"
#include "tests/locate/Trees.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace texkit2::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::touch;

std::vector<FolderEntry> sortedListing(const std::string& folder, std::error_code& error) {
  std::vector<FolderEntry> entries;
  error = listHostFolder(folder, entries);
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  return entries;
}

TEST(HostFolderListingTest, TellsFoldersFilesAndLinksApart) {
  TempFolder temp;
  fs::create_directories(temp / "folder");
  touch(temp / "file.txt");
  touch(temp / ".hidden");
  fs::create_directory_symlink(temp / "folder", temp / "to-folder");
  fs::create_symlink(temp / "file.txt", temp / "to-file");
  fs::create_symlink(temp / "missing", temp / "dangling");
  std::error_code error;
  const auto entries = sortedListing(temp.path().string() + "/", error);
  EXPECT_FALSE(error);
  // A folder's identity comes with the listing; a link's is not read.
  const auto folder = hostFolderId((temp / "folder").string());
  ASSERT_TRUE(folder.has_value());
  const std::vector<FolderEntry> expected = {
      {".hidden", false, false, false, {}},  {"dangling", false, true, false, {}},
      {"file.txt", false, false, false, {}}, {"folder", true, false, false, folder},
      {"to-file", false, true, false, {}},   {"to-folder", true, true, false, {}},
  };
  EXPECT_EQ(entries, expected);
}

TEST(HostFolderListingTest, LooksAtALinksTargetOnlyWhenAsked) {
  TempFolder temp;
  fs::create_directories(temp / "folder");
  fs::create_directory_symlink(temp / "folder", temp / "to-folder");
  const struct {
    LinkTargets links;
    bool linkIsFolder;
  } cases[] = {{LinkTargets::Looked, true}, {LinkTargets::Skipped, false}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.links == LinkTargets::Looked ? "looked" : "skipped");
    std::vector<FolderEntry> entries;
    EXPECT_FALSE(listHostFolder(temp.path().string(), entries, nullptr, test.links));
    const auto link = std::find_if(entries.begin(), entries.end(),
                                   [](const FolderEntry& e) { return e.name == "to-folder"; });
    ASSERT_NE(link, entries.end());
    EXPECT_TRUE(link->isSymlink);
    EXPECT_EQ(link->isDirectory, test.linkIsFolder);
  }
}

TEST(HostFolderListingTest, ListsAFolderTooWideForOneRead) {
  TempFolder temp;
  // Long names, so that the entries fill several of the listing's reads.
  constexpr int kEntries = 3000;
  for (int i = 0; i < kEntries; ++i) {
    touch(temp / ("a-rather-long-file-name-of-a-library-" + std::to_string(i) + ".so.6"));
  }
  std::error_code error;
  const auto entries = sortedListing(temp.path().string(), error);
  EXPECT_FALSE(error);
  ASSERT_EQ(entries.size(), std::size_t{kEntries});
  EXPECT_TRUE(std::adjacent_find(entries.begin(), entries.end(),
                                 [](const FolderEntry& a, const FolderEntry& b) {
                                   return a.name == b.name;
                                 }) == entries.end());
}

TEST(HostFolderListingTest, AFolderThatCannotBeListedFailsWithNothingListed) {
  TempFolder temp;
  touch(temp / "file");
  struct Case {
    std::string folder;
    std::errc expected;
  };
  const Case cases[] = {
      {(temp / "missing").string(), std::errc::no_such_file_or_directory},
      {(temp / "file").string(), std::errc::not_a_directory},
      {std::string(), std::errc::invalid_argument},
      {temp.path().string() + "/" + std::string(300, 'n'), std::errc::filename_too_long},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder.substr(0, 80));
    std::vector<FolderEntry> entries{{"stale", false, false, false, {}}};
    EXPECT_EQ(listHostFolder(c.folder, entries), c.expected);
    EXPECT_TRUE(entries.empty());
  }
}

TEST(HostFolderListingTest, ListsFoldersBeyondThePathLengthLimit) {
  TempFolder temp;
  const std::string deepest =
      testing::makeDeepChain(temp / "deep", 700, "a-rather-long-name", "bottom.txt");
  ASSERT_GT(deepest.size(), 4096u * 3);
  std::error_code error;
  const auto entries = sortedListing(deepest, error);
  EXPECT_FALSE(error);
  EXPECT_EQ(entries, (std::vector<FolderEntry>{{"bottom.txt", false, false, false, {}}}));
  EXPECT_TRUE(isHostFolder(deepest));
  EXPECT_FALSE(isHostFolder(deepest + "/bottom.txt"));
  EXPECT_FALSE(isHostFolder(deepest + "/nothing"));
}

TEST(HostFolderListingTest, IsFolderFollowsLinks) {
  TempFolder temp;
  fs::create_directories(temp / "folder");
  touch(temp / "file");
  fs::create_directory_symlink(temp / "folder", temp / "link");
  struct Case {
    std::string path;
    bool folder;
  };
  for (const auto& c : {Case{(temp / "folder").string(), true},
                        Case{(temp / "link").string(), true}, Case{(temp / "file").string(), false},
                        Case{(temp / "missing").string(), false}, Case{"", false}}) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(isHostFolder(c.path), c.folder);
  }
}

// A listing is the only thing a walk learns a mount from; check it on a mount this machine has.
TEST(HostFolderListingTest, MarksAFolderWithAnotherFileSystemMountedOnIt) {
  std::ifstream in("/proc/self/mountinfo");
  const std::string table{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const auto mounts = parseMountInfo(table);
  const bool procMounted = std::any_of(mounts.begin(), mounts.end(),
                                       [](const MountEntry& m) { return m.mountPoint == "/proc"; });
  if (!procMounted) {
    GTEST_SKIP() << "no /proc mount on this machine";
  }
  std::error_code error;
  const auto entries = sortedListing("/", error);
  EXPECT_FALSE(error);
  const auto proc = std::find_if(entries.begin(), entries.end(),
                                 [](const FolderEntry& entry) { return entry.name == "proc"; });
  ASSERT_NE(proc, entries.end());
  EXPECT_TRUE(proc->isDirectory);
  EXPECT_TRUE(proc->isMountPoint);
}

} // namespace
} // namespace texkit2::platform
