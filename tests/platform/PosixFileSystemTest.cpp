#include "platform/File.h"
#include "tests/common/TempFolder.h"

#include <filesystem>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace texkit2::platform {
namespace {

using testing::folderNames;
using testing::readAll;
using testing::TempFolder;
using testing::writeText;

std::string contentOf(File& file) {
  std::string text(static_cast<std::size_t>(file.length()), '\0');
  EXPECT_TRUE(file.seek(0));
  EXPECT_TRUE(file.readExact(text.data(), text.size()));
  return text;
}

constexpr uid_t kNobody = 65534;

// Runs `body` in a child process as a user without privileges (nobody, when the tests run as
// root), so that file permissions bind as they do for a normal user. True when it returned true.
bool asUnprivilegedUser(const std::function<bool()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      ::_exit(2);
    }
    ::_exit(body() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class PosixFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(files.setCurrentDirectory(folder.path().string())); }

  TempFolder folder;
  FileSystem& files = hostFileSystem();
};

TEST_F(PosixFileSystemTest, OpensAnyLetterCaseOfTheName) {
  struct Case {
    std::vector<std::string> onDisk;
    std::string expectedContent;
  };
  // Each file holds its own name, so the content tells which one was opened.
  const std::vector<Case> cases = {
      {{"pak0.pak"}, "pak0.pak"},
      {{"Pak0.Pak"}, "Pak0.Pak"},
      {{"pak0.pak", "PAK0.PAK", "Pak0.pak"}, "PAK0.PAK"}, // the exact spelling first
      {{"pak0.pak", "Pak0.pak", "pAK0.PAK"}, "Pak0.pak"}, // else the first in byte order
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expectedContent);
    TempFolder sub;
    ASSERT_TRUE(files.setCurrentDirectory(sub.path().string()));
    for (const auto& name : c.onDisk) {
      writeText(sub / name, name);
    }
    auto file = files.openForReading("PAK0.PAK");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(contentOf(*file), c.expectedContent);
    EXPECT_EQ(file->fileName(), "PAK0.PAK");
  }
}

TEST_F(PosixFileSystemTest, ResolvesEveryFolderOfAPathWithoutRegardToCase) {
  writeText(folder / "Quake/id1/pak1.pak", "x");
  EXPECT_NE(files.openForReading("QUAKE/ID1/PAK1.PAK"), nullptr);
  EXPECT_NE(files.openForReading((folder / "quake/ID1/PAK1.PAK").string()), nullptr);
  EXPECT_TRUE(files.setCurrentDirectory((folder / "QUAKE/Id1/").string()));
  EXPECT_NE(files.openForReading("PAK1.PAK"), nullptr);
}

TEST_F(PosixFileSystemTest, RefusesMissingFilesAndFolders) {
  std::filesystem::create_directory(folder / "PAK0.PAK");
  EXPECT_EQ(files.openForReading("PAK0.PAK"), nullptr);
  EXPECT_EQ(files.openForReading("PAK1.PAK"), nullptr);
  EXPECT_EQ(files.openForReading(""), nullptr);
  EXPECT_EQ(files.createForWriting("PAK0.PAK"), nullptr);
  EXPECT_FALSE(files.setCurrentDirectory((folder / "missing").string()));
  EXPECT_FALSE(files.setCurrentDirectory(""));
}

TEST_F(PosixFileSystemTest, CreatingEmptiesAnExistingFileOfAnyCase) {
  writeText(folder / "quake.wad", "old contents");
  {
    auto wad = files.createForWriting("Quake.wad");
    ASSERT_NE(wad, nullptr);
    EXPECT_EQ(wad->length(), 0);
    EXPECT_EQ(wad->fileName(), "Quake.wad");
    ASSERT_TRUE(wad->write("new", 3));
    EXPECT_TRUE(wad->close());
  }
  EXPECT_EQ(folderNames(folder.path()), std::vector<std::string>{"quake.wad"});
  const auto bytes = readAll(folder / "quake.wad");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "new");
}

TEST_F(PosixFileSystemTest, CreatingForExportTakesTheNameAsSpelt) {
  writeText(folder / "WALL1.png", "another texture");
  writeText(folder / "wall1.png", "old");
  for (const char* name : {"wall1.png", "Wall1.png"}) {
    auto file = files.createForExport(name);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->length(), 0);
    ASSERT_TRUE(file->write("new", 3));
    EXPECT_TRUE(file->close());
  }
  EXPECT_EQ(folderNames(folder.path()),
            (std::vector<std::string>{"WALL1.png", "Wall1.png", "wall1.png"}));
  const auto bytes = readAll(folder / "WALL1.png");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "another texture");
  EXPECT_EQ(files.createForExport((folder / "missing" / "a.png").string()), nullptr);
  EXPECT_EQ(files.lastError(), "No such file or directory");
}

TEST_F(PosixFileSystemTest, ReplacingTakesTheExistingFileOfAnyCase) {
  writeText(folder / "QUAKE.WAD", "old");
  writeText(folder / "Quake.wad.part", "new");
  ASSERT_TRUE(files.replaceFile("Quake.wad.part", "Quake.wad"));
  EXPECT_EQ(folderNames(folder.path()), std::vector<std::string>{"QUAKE.WAD"});
  const auto bytes = readAll(folder / "QUAKE.WAD");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "new");
  EXPECT_FALSE(files.replaceFile("missing", "Quake.wad"));
  EXPECT_TRUE(files.removeFile("quake.wad"));
  EXPECT_TRUE(folderNames(folder.path()).empty());
}

TEST_F(PosixFileSystemTest, ReplacingRefusesAFileThisUserMayNotWrite) {
  const struct {
    mode_t mode;
    bool refused;
  } cases[] = {{0444, true}, {0644, false}};
  // A root folder only its owner may enter (a chroot made by mktemp) leaves nothing to check.
  if (!asUnprivilegedUser([&] { return ::access(folder.path().c_str(), X_OK) == 0; })) {
    GTEST_SKIP() << "an unprivileged user cannot reach " << folder.path() << " here";
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    TempFolder sub;
    const auto wad = sub / "quake.wad";
    writeText(wad, "old");
    ASSERT_EQ(::chmod(wad.c_str(), c.mode), 0);
    if (::geteuid() == 0) {
      ASSERT_EQ(::chown(wad.c_str(), kNobody, kNobody), 0);
    }
    EXPECT_TRUE(asUnprivilegedUser([&] {
      FileSystem& host = hostFileSystem();
      if (!host.setCurrentDirectory(sub.path().string())) {
        return false;
      }
      const auto target = host.replacementTarget("Quake.wad");
      return c.refused ? !target && host.lastError() == "Permission denied"
                       : target == std::optional<std::string>("quake.wad");
    }));
  }
}

// What the new file is then moved over; ExtractionTest writes through a link end to end.
TEST_F(PosixFileSystemTest, ReplacingFollowsLinksToTheFileTheyName) {
  const auto mine = folder / "textures" / "mine.wad";
  const auto data = folder / "id1";
  writeText(mine, "old");
  std::filesystem::create_directories(data);
  std::filesystem::create_symlink("../textures/mine.wad", data / "other.wad");
  for (const std::string& link :
       {std::string("../textures/mine.wad"), mine.string(), std::string("other.wad")}) {
    SCOPED_TRACE(link);
    std::filesystem::remove(data / "Quake.wad");
    std::filesystem::create_symlink(link, data / "Quake.wad");
    ASSERT_TRUE(files.setCurrentDirectory(data.string()));
    const auto target = files.replacementTarget("QUAKE.WAD");
    ASSERT_TRUE(target.has_value());
    EXPECT_TRUE(std::filesystem::equivalent(*target, mine)) << *target;
  }
}

TEST_F(PosixFileSystemTest, ReplacingKeepsTheModeOwnerAndGroupOfTheOldFile) {
  const bool root = ::geteuid() == 0;
  for (const mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0664}}) {
    SCOPED_TRACE(mode);
    writeText(folder / "Quake.wad", "old");
    ASSERT_EQ(::chmod((folder / "Quake.wad").c_str(), mode), 0);
    if (root) {
      ASSERT_EQ(::chown((folder / "Quake.wad").c_str(), 12345, 54321), 0);
    }
    writeText(folder / "Quake.wad.part", "new");
    ASSERT_TRUE(files.replaceFile("Quake.wad.part", "Quake.wad"));
    struct stat st {};
    ASSERT_EQ(::stat((folder / "Quake.wad").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
    if (root) {
      EXPECT_EQ(st.st_uid, 12345u);
      EXPECT_EQ(st.st_gid, 54321u);
    }
  }
}

TEST_F(PosixFileSystemTest, ReadersShareAndTheWriterExcludesThem) {
  writeText(folder / "PAK0.PAK", "archive");
  {
    auto first = files.openForReading("PAK0.PAK");
    auto second = files.openForReading("pak0.pak");
    ASSERT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    // A writer would empty an archive that is being read: refused, and nothing is lost.
    EXPECT_EQ(files.createForWriting("PAK0.PAK"), nullptr);
    EXPECT_EQ(contentOf(*first), "archive");
  }
  auto writer = files.createForWriting("Quake.wad");
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(files.openForReading("Quake.wad"), nullptr);
  writer->close();
  EXPECT_NE(files.openForReading("Quake.wad"), nullptr);
}

TEST_F(PosixFileSystemTest, ReadsSeeksAndReportsPositions) {
  writeText(folder / "data.bin", "0123456789");
  auto file = files.openForReading("data.bin");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->length(), 10);
  char buffer[8] = {};
  ASSERT_TRUE(file->seek(6));
  EXPECT_EQ(file->read(buffer, sizeof buffer), 4); // short at the end of the file
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_EQ(file->position(), 10);
  EXPECT_FALSE(file->readExact(buffer, 1));
  EXPECT_FALSE(file->seek(-1));
  EXPECT_TRUE(file->seek(100)); // past the end is allowed; reads then deliver nothing
  EXPECT_EQ(file->read(buffer, 1), 0);
  EXPECT_FALSE(file->write("x", 1)); // opened for reading only
  EXPECT_TRUE(file->close());
  EXPECT_TRUE(file->close());
  EXPECT_EQ(file->read(buffer, 1), -1);
}

TEST_F(PosixFileSystemTest, CurrentDirectoryFollowsTheLastChange) {
  std::filesystem::create_directories(folder / "Games/Quake/id1");
  ASSERT_TRUE(files.setCurrentDirectory((folder / "games/quake/ID1/").string()));
  EXPECT_EQ(std::filesystem::path(files.currentDirectory()),
            std::filesystem::canonical(folder / "Games/Quake/id1"));
}

} // namespace
} // namespace texkit2::platform
