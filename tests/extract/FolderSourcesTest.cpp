#include "extract/FolderSources.h"

#include "tests/common/TempFolder.h"
#include "tests/support/ModFixtures.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace texkit2::extract {
namespace {

using fixtures::Bytes;
using testing::TempFolder;

std::string slashed(const std::filesystem::path& folder) {
  return folder.string() + "/";
}

TEST(FolderSourcesTest, ListsArchivesByNumberThenLooseMapsByPath) {
  TempFolder folder;
  const auto mod = fixtures::writeModFolder(folder.path());
  // Numbers past 99 (said so) and names the engine would not open are no archives of the folder.
  fixtures::writeFile(folder.path() / "PAK10.PAK", fixtures::makePak({}));
  fixtures::writeFile(folder.path() / "pak100.pak", fixtures::makePak({}));
  fixtures::writeFile(folder.path() / "pak3.pak.bak", fixtures::makePak({}));
  const FolderSources sources = ListFolderSources(slashed(folder.path()));
  EXPECT_EQ(sources.archives, (std::vector<std::string>{"pak0.pak", "pak2.pak", "PAK10.PAK"}));
  std::vector<std::string> maps(mod.sources.begin() + 2, mod.sources.end());
  EXPECT_EQ(sources.looseMaps, maps);
  EXPECT_EQ(sources.skipped, std::vector<std::string>{
                                 "pak100.pak: past pak99.pak, which the games read last; skipped"});
}

TEST(FolderSourcesTest, WalksATreeAThousandFoldersDeep) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows paths end at 260 characters, long before a thousand folders";
#endif
  TempFolder folder;
  std::filesystem::path deep = folder.path() / "maps";
  std::string relative = "maps";
  std::filesystem::create_directory(deep);
  // One level at a time: create_directories gives up on a path this long.
  for (int i = 0; i < 1000; ++i) {
    deep /= "d";
    relative += "/d";
    ASSERT_TRUE(std::filesystem::create_directory(deep));
  }
  fixtures::writeFile(deep / "x.bsp", Bytes(64, 0));
  const FolderSources sources = ListFolderSources(slashed(folder.path()));
  EXPECT_EQ(sources.looseMaps, std::vector<std::string>{relative + "/x.bsp"});
}

#ifndef _WIN32
// The listing's own entry types decide for plain entries; a link is judged by where it leads.
TEST(FolderSourcesTest, ReadsAMapThatALinkLeadsTo) {
  TempFolder folder;
  fixtures::writeFile(folder.path() / "elsewhere/real.bsp", Bytes(64, 0));
  fixtures::writeFile(folder.path() / "elsewhere/pak0.pak", fixtures::makePak({}));
  std::filesystem::create_directories(folder.path() / "maps/sub");
  std::filesystem::create_symlink("../../elsewhere/real.bsp", folder.path() / "maps/sub/l.bsp");
  std::filesystem::create_symlink("elsewhere/pak0.pak", folder.path() / "pak0.pak");
  const FolderSources sources = ListFolderSources(slashed(folder.path()));
  EXPECT_EQ(sources.looseMaps, std::vector<std::string>{"maps/sub/l.bsp"});
  EXPECT_EQ(sources.archives, std::vector<std::string>{"pak0.pak"});
  EXPECT_TRUE(sources.skipped.empty());
}

// Each is passed over with a word, and the walk goes on to the map beside it.
TEST(FolderSourcesTest, SaysWhatItPassesOver) {
  const struct {
    const char* what;
    void (*make)(const std::filesystem::path& folder);
    std::string skipped;
  } cases[] = {
      {"a map that is a FIFO",
       [](const std::filesystem::path& f) { ::mkfifo((f / "maps/fifo.bsp").c_str(), 0600); },
       "maps/fifo.bsp: is not a file; skipped"},
      {"a link that loops",
       [](const std::filesystem::path& f) {
         std::filesystem::create_directory_symlink("..", f / "maps/up");
       },
       "maps/up: link to a folder; not followed"},
      {"a map link that leads nowhere",
       [](const std::filesystem::path& f) {
         std::filesystem::create_symlink("self.bsp", f / "maps/self.bsp");
       },
       "maps/self.bsp: link leads nowhere"},
      {"an archive that is a folder",
       [](const std::filesystem::path& f) { std::filesystem::create_directory(f / "pak1.pak"); },
       "pak1.pak: is not a file; archive skipped"},
      {"an archive under two letter cases",
       [](const std::filesystem::path& f) {
         fixtures::writeFile(f / "PAK0.PAK", fixtures::makePak({}));
       },
       "pak0.pak: the same archive as PAK0.PAK; skipped"},
      {"an unreadable folder",
       [](const std::filesystem::path& f) {
         std::filesystem::create_directory(f / "maps/locked");
         std::filesystem::permissions(f / "maps/locked", std::filesystem::perms::none);
       },
       "maps/locked: folder cannot be read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    fixtures::writeFile(folder.path() / "pak0.pak", fixtures::makePak({}));
    fixtures::writeFile(folder.path() / "maps/z.bsp", Bytes(64, 0));
    c.make(folder.path());
    if (std::string(c.what) == "an unreadable folder" && ::geteuid() == 0) {
      continue; // root reads it all the same
    }
    const FolderSources sources = ListFolderSources(slashed(folder.path()));
    ASSERT_EQ(sources.skipped.size(), 1u);
    EXPECT_EQ(sources.skipped[0].rfind(c.skipped, 0), 0u) << sources.skipped[0];
    EXPECT_EQ(sources.looseMaps, std::vector<std::string>{"maps/z.bsp"});
    EXPECT_FALSE(sources.archives.empty());
  }
}
#endif

// A run over thousands of loose maps holds a few open at a time; a file closed to make room
// is read on from where it was.
TEST(ReopeningFilesTest, KeepsFewOpenAndReadsOnWhereEachWas) {
  TempFolder folder;
  std::filesystem::current_path(folder.path());
  ReopeningFiles pool(platform::hostFileSystem(), 2);
  std::vector<ReopeningFile*> files;
  for (int i = 0; i < 5; ++i) {
    const std::string name = "f" + std::to_string(i);
    fixtures::writeFile(folder.path() / name, Bytes{static_cast<std::uint8_t>(i), 1, 2, 3});
    std::string why;
    files.push_back(pool.add(name, why));
    ASSERT_NE(files.back(), nullptr) << why;
    std::uint8_t first = 0xFF;
    ASSERT_TRUE(files.back()->readExact(&first, 1));
    EXPECT_EQ(first, i);
  }
  for (int i = 0; i < 5; ++i) {
    std::uint8_t second = 0;
    ASSERT_TRUE(files[static_cast<std::size_t>(i)]->readExact(&second, 1));
    EXPECT_EQ(second, 1);
    EXPECT_EQ(files[static_cast<std::size_t>(i)]->length(), 4);
  }
#ifdef __linux__
  std::size_t open = 0;
  for ([[maybe_unused]] const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++open;
  }
  pool.closeAll();
  std::size_t after = 0;
  for ([[maybe_unused]] const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    ++after;
  }
  EXPECT_EQ(open - after, 2u);
#endif
  std::string why;
  EXPECT_EQ(pool.add("missing", why), nullptr);
  EXPECT_FALSE(why.empty());
}

} // namespace
} // namespace texkit2::extract
