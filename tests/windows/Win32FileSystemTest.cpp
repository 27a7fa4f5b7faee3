// The Win32 file layer on a real Win32 file system (Windows, or Wine's view of the host's).
#include "platform/File.h"
#include "tests/common/TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

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

// Win32 compares names this way; the POSIX layer's helper is not built here.
bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  return _stricmp(a.c_str(), b.c_str()) == 0;
}

std::string textOf(const std::filesystem::path& path) {
  const auto bytes = readAll(path);
  return {bytes.begin(), bytes.end()};
}

// Opens `name` the way another program would, and says why it could not.
DWORD otherProgramOpens(const std::string& name, DWORD access, DWORD share) {
  const HANDLE handle = CreateFileA(name.c_str(), access, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return GetLastError();
  }
  CloseHandle(handle);
  return ERROR_SUCCESS;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Win32FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(files.setCurrentDirectory(folder.path().string())); }

  TempFolder folder;
  FileSystem& files = hostFileSystem();
};

TEST_F(Win32FileSystemTest, OpensAnyLetterCaseOfTheName) {
  writeText(folder / "pak0.pak", "archive");
  for (const std::string name : {"PAK0.PAK", "Pak0.Pak", "pak0.pak"}) {
    SCOPED_TRACE(name);
    auto file = files.openForReading(name);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(contentOf(*file), "archive");
    EXPECT_EQ(file->fileName(), name);
  }
}

TEST_F(Win32FileSystemTest, MatchesEveryFolderOfAPathWithoutRegardToCase) {
  writeText(folder / "Quake/id1/pak1.pak", "x");
  EXPECT_NE(files.openForReading("QUAKE\\ID1\\PAK1.PAK"), nullptr);
  EXPECT_NE(files.openForReading("quake/Id1/Pak1.pak"), nullptr);
  EXPECT_NE(files.openForReading((folder / "quake\\ID1\\PAK1.PAK").string()), nullptr);
  EXPECT_TRUE(files.setCurrentDirectory((folder / "QUAKE\\Id1\\").string()));
  auto file = files.openForReading("PAK1.PAK");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->fileName(), "PAK1.PAK");
}

TEST_F(Win32FileSystemTest, RefusesMissingFilesFoldersAndDevices) {
  std::filesystem::create_directory(folder / "PAK0.PAK");
  EXPECT_EQ(files.openForReading("PAK0.PAK"), nullptr);
  EXPECT_EQ(files.openForReading("PAK1.PAK"), nullptr);
  EXPECT_EQ(files.openForReading(""), nullptr);
  EXPECT_EQ(files.openForReading("NUL"), nullptr);
  EXPECT_EQ(files.createForWriting("PAK0.PAK"), nullptr);
  EXPECT_EQ(files.createForWriting(""), nullptr);
  EXPECT_FALSE(files.setCurrentDirectory((folder / "missing").string()));
  EXPECT_FALSE(files.setCurrentDirectory(""));
  EXPECT_FALSE(files.removeFile("missing"));
}

TEST_F(Win32FileSystemTest, ASecondWriterIsRefusedWhileAnArchiveIsOpen) {
  writeText(folder / "PAK0.PAK", "archive");
  {
    auto archive = files.openForReading("PAK0.PAK");
    ASSERT_NE(archive, nullptr);
    // Writing would empty the archive being read: refused by its share mode, nothing lost.
    EXPECT_EQ(files.createForWriting("pak0.pak"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(otherProgramOpens("PAK0.PAK", GENERIC_WRITE, kShareAll), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(contentOf(*archive), "archive");
    EXPECT_TRUE(archive->close());
  }
  EXPECT_EQ(textOf(folder / "PAK0.PAK"), "archive");
  auto writer = files.createForWriting("PAK0.PAK");
  EXPECT_NE(writer, nullptr);
}

TEST_F(Win32FileSystemTest, ReadersShareTheArchive) {
  writeText(folder / "PAK0.PAK", "archive");
  auto first = files.openForReading("PAK0.PAK");
  auto second = files.openForReading("pak0.pak");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(otherProgramOpens("PAK0.PAK", GENERIC_READ, kShareAll), ERROR_SUCCESS);
  EXPECT_EQ(contentOf(*first), "archive");
  EXPECT_EQ(contentOf(*second), "archive");
}

TEST_F(Win32FileSystemTest, NoOneReadsTheFileWhileItIsWritten) {
  auto writer = files.createForWriting("Quake.wad");
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(files.openForReading("QUAKE.WAD"), nullptr);
  EXPECT_EQ(otherProgramOpens("Quake.wad", GENERIC_READ, kShareAll), ERROR_SHARING_VIOLATION);
  ASSERT_TRUE(writer->write("WAD2", 4));
  EXPECT_TRUE(writer->close());
  auto reader = files.openForReading("Quake.wad");
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(contentOf(*reader), "WAD2");
}

TEST_F(Win32FileSystemTest, CreatingEmptiesAnExistingFileOfAnyCase) {
  writeText(folder / "quake.wad", "old contents");
  {
    auto wad = files.createForWriting("Quake.wad");
    ASSERT_NE(wad, nullptr);
    EXPECT_EQ(wad->length(), 0);
    EXPECT_EQ(wad->fileName(), "Quake.wad");
    ASSERT_TRUE(wad->write("new", 3));
    EXPECT_EQ(wad->position(), 3);
    EXPECT_TRUE(wad->close());
  }
  EXPECT_EQ(folderNames(folder.path()), std::vector<std::string>{"quake.wad"});
  EXPECT_EQ(textOf(folder / "quake.wad"), "new");
}

TEST_F(Win32FileSystemTest, ReplacingTakesTheExistingFileOfAnyCase) {
  writeText(folder / "QUAKE.WAD", "old");
  writeText(folder / "Quake.wad.part", "new");
  ASSERT_TRUE(files.replaceFile("Quake.wad.part", "Quake.wad"));
  // Which spelling survives is the file system's choice; there is one file, with the new bytes.
  const auto names = folderNames(folder.path());
  ASSERT_EQ(names.size(), 1u);
  EXPECT_TRUE(equalsIgnoringCase(names[0], "Quake.wad")) << names[0];
  EXPECT_EQ(textOf(folder / names[0]), "new");
  EXPECT_FALSE(files.replaceFile("missing", "Quake.wad"));
  EXPECT_TRUE(files.removeFile("quake.WAD"));
  EXPECT_TRUE(folderNames(folder.path()).empty());
}

TEST_F(Win32FileSystemTest, AWadThatIsBeingReadIsNotReplaced) {
  writeText(folder / "Quake.wad", "old");
  writeText(folder / "Quake.wad.part", "new");
  {
    auto reader = files.openForReading("Quake.wad"); // the level editor, say
    ASSERT_NE(reader, nullptr);
    EXPECT_FALSE(files.replaceFile("Quake.wad.part", "Quake.wad"));
  }
  EXPECT_EQ(textOf(folder / "Quake.wad"), "old");
  EXPECT_EQ(textOf(folder / "Quake.wad.part"), "new");
}

TEST_F(Win32FileSystemTest, ReplacingRefusesAReadOnlyFile) {
  writeText(folder / "Quake.wad", "old");
  const std::string wad = (folder / "Quake.wad").string();
  ASSERT_NE(SetFileAttributesA(wad.c_str(), FILE_ATTRIBUTE_READONLY), 0);
  EXPECT_FALSE(files.replacementTarget("quake.wad").has_value());
  EXPECT_EQ(files.lastError(), "The file is read-only");
  ASSERT_NE(SetFileAttributesA(wad.c_str(), FILE_ATTRIBUTE_NORMAL), 0);
  EXPECT_EQ(files.replacementTarget("quake.wad"), std::optional<std::string>("Quake.wad"));
}

TEST_F(Win32FileSystemTest, ReadsSeeksAndReportsPositions) {
  writeText(folder / "data.bin", "0123456789");
  auto file = files.openForReading("DATA.BIN");
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
  EXPECT_EQ(file->position(), -1);
  EXPECT_EQ(file->length(), -1);
}

TEST_F(Win32FileSystemTest, ReportsPositionsPastFourGigabytes) {
  auto file = files.createForWriting("big.bin");
  ASSERT_NE(file, nullptr);
  const std::int64_t past = (std::int64_t{1} << 32) + 5;
  ASSERT_TRUE(file->seek(past));
  EXPECT_EQ(file->position(), past);
  EXPECT_TRUE(file->close());
}

TEST_F(Win32FileSystemTest, CurrentDirectoryFollowsTheLastChange) {
  std::filesystem::create_directories(folder / "Games/Quake/id1");
  ASSERT_TRUE(files.setCurrentDirectory((folder / "games\\quake\\ID1\\").string()));
  const std::string current = files.currentDirectory();
  EXPECT_TRUE(equalsIgnoringCase(current, (folder / "Games\\Quake\\id1").string())) << current;
  writeText(folder / "Games/Quake/id1/PAK0.PAK", "x");
  EXPECT_NE(files.openForReading("pak0.pak"), nullptr);
  ASSERT_TRUE(files.setCurrentDirectory(".."));
  EXPECT_TRUE(equalsIgnoringCase(files.currentDirectory(), (folder / "Games\\Quake").string()));
}

} // namespace
} // namespace texkit2::platform
