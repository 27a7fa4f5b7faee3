// Faults during an extraction: writes that stop part-way (a file-layer double, and a real
// tmpfs that fills up), archives that change between the scan and the copy, and names that
// are not files. Each must give a clear report, no crash, and leave an existing WAD file as it
// was.
#include "extract/Extraction.h"
#include "extract/WadWriter.h"
#include "tests/common/FaultyFileSystem.h"
#include "tests/common/MemoryFile.h"
#include "tests/common/RecordingFeedback.h"
#include "tests/common/TempFolder.h"
#include "tests/hardening/Deadline.h"
#include "tests/hardening/SmallDisk.h"
#include "tests/support/Builders.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace texkit2::extract {
namespace {

namespace fs = std::filesystem;
using fixtures::Bytes;
using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using testing::RecordingFeedback;
using testing::ShownMessage;
using testing::TempFolder;

const Bytes kOldWad = {'k', 'e', 'e', 'p', ' ', 'm', 'e'};
const std::vector<ShownMessage> kWriteFailed = {
    {"Could not write wad file.", "File IO error", MessageIcon::Warning}};

Bytes mapWith(const std::vector<std::pair<std::string, std::uint32_t>>& textures) {
  std::vector<fixtures::LumpSlot> slots;
  for (const auto& [name, size] : textures) {
    slots.emplace_back(fixtures::makeMipTexture(fixtures::textureName(name), size, size,
                                                static_cast<std::uint32_t>(name.size())));
  }
  return fixtures::makeBsp(fixtures::makeTextureLump(slots));
}

// Two archives whose maps share some textures.
const Bytes& pak0() {
  static const Bytes bytes =
      fixtures::makePak({{"maps/a.bsp", mapWith({{"wall1", 16}, {"+0lava", 16}, {"sky1", 32}})},
                         {"maps/b.bsp", mapWith({{"wall1", 16}, {"floor", 16}})}});
  return bytes;
}
const Bytes& pak1() {
  static const Bytes bytes =
      fixtures::makePak({{"maps/c.bsp", mapWith({{"floor", 16}, {"metal", 32}})}});
  return bytes;
}

// Where the first texture of PAK1's only map starts in the archive.
std::size_t firstTextureInPak1() {
  const Bytes& pak = pak1();
  const std::size_t entry = fixtures::pakEntryPosition(pak, 0);
  const auto mapStart = static_cast<std::size_t>(fixtures::getI32(pak, entry + 56));
  const Bytes map(pak.begin() + static_cast<std::ptrdiff_t>(mapStart), pak.end());
  const std::size_t lump = mapStart + fixtures::bspTextureLumpPosition(map);
  return lump + static_cast<std::size_t>(fixtures::getI32(pak, lump + 4));
}

MemoryFileSystem memoryInstallation() {
  MemoryFileSystem files;
  files.add("PAK0.PAK", pak0());
  files.add("PAK1.PAK", pak1());
  files.add("Quake.wad", kOldWad);
  return files;
}

// The same installation on disk, in `data`.
void writeInstallation(const fs::path& data) {
  fixtures::writeFile(data / "PAK0.PAK", pak0());
  fixtures::writeFile(data / "PAK1.PAK", pak1());
  fixtures::writeFile(data / "Quake.wad", kOldWad);
}

// The WAD file a run that nothing disturbs writes.
const Bytes& soundWad() {
  static const Bytes bytes = [] {
    MemoryFileSystem files = memoryInstallation();
    RecordingFeedback feedback;
    EXPECT_TRUE(RunExtraction(files, kGameQuake, "/q/id1/", feedback).has_value());
    return *files.find("Quake.wad");
  }();
  return bytes;
}

TEST(ExtractionFaultTest, AWriteThatStopsAtAnyByteFailsAndKeepsTheOldWad) {
  // The header (final from the start), the textures, then the directory: each byte once.
  const auto written = static_cast<std::int64_t>(soundWad().size());
  for (std::int64_t limit = 0; limit <= written; ++limit) {
    SCOPED_TRACE("writes stop after " + std::to_string(limit) + " bytes");
    MemoryFileSystem memory = memoryInstallation();
    FaultyFileSystem files(memory);
    files.writableBytes = limit;
    RecordingFeedback feedback;
    const auto summary = RunExtraction(files, kGameQuake, "/q/id1/", feedback);
    if (limit < written) {
      EXPECT_FALSE(summary.has_value());
      EXPECT_EQ(feedback.messages, kWriteFailed);
      EXPECT_EQ(*memory.find("Quake.wad"), kOldWad);
    } else {
      ASSERT_TRUE(summary.has_value());
      EXPECT_TRUE(feedback.messages.empty());
      EXPECT_EQ(*memory.find("Quake.wad"), soundWad());
    }
    EXPECT_EQ(memory.names(), (std::vector<std::string>{"PAK0.PAK", "PAK1.PAK", "Quake.wad"}));
    if (HasFailure()) {
      break;
    }
  }
}

TEST(ExtractionFaultTest, AFullDiskOnTheHostFailsAndKeepsTheOldWad) {
  const auto length = static_cast<std::int64_t>(soundWad().size());
  const struct {
    const char* what;
    std::int64_t writable;
  } cases[] = {
      {"nothing written", 0},
      {"inside the header", 6},
      {"inside the first texture", 100},
      {"inside the directory", length - 20},
      {"at the directory's last byte", length - 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    const fs::path data = folder / "id1";
    writeInstallation(data);
    FaultyFileSystem files;
    files.writableBytes = c.writable;
    RecordingFeedback feedback;
    EXPECT_FALSE(RunExtraction(files, kGameQuake, data.string() + "/", feedback).has_value());
    EXPECT_EQ(feedback.messages, kWriteFailed);
    EXPECT_EQ(testing::readAll(data / "Quake.wad"), kOldWad);
    EXPECT_EQ(testing::folderNames(data),
              (std::vector<std::string>{"PAK0.PAK", "PAK1.PAK", "Quake.wad"}));
  }
}

TEST(ExtractionFaultTest, ARealDiskThatFillsUpFailsAndKeepsTheOldWad) {
  TempFolder folder;
  // Archives beside the small disk, linked into the data folder on it: only the WAD file has
  // to fit, and it does not.
  const fs::path archives = folder / "archives";
  std::vector<std::pair<std::string, std::uint32_t>> big;
  for (int i = 0; i < 24; ++i) {
    big.emplace_back("big" + std::to_string(i), 64); // about 5.5 KB each
  }
  fixtures::writeFile(archives / "PAK0.PAK", fixtures::makePak({{"maps/big.bsp", mapWith(big)}}));
  fixtures::writeFile(archives / "PAK1.PAK", pak1());
  testing::SmallDisk disk(folder / "disk", 64 * 1024);
  if (!disk.available()) {
    GTEST_SKIP() << disk.why();
  }
  const fs::path data = folder / "disk" / "id1";
  fs::create_directories(data);
  fs::create_symlink(archives / "PAK0.PAK", data / "PAK0.PAK");
  fs::create_symlink(archives / "PAK1.PAK", data / "PAK1.PAK");
  fixtures::writeFile(data / "Quake.wad", kOldWad);

  RecordingFeedback feedback;
  EXPECT_FALSE(RunExtraction(platform::hostFileSystem(), kGameQuake, data.string() + "/", feedback)
                   .has_value());
  EXPECT_EQ(feedback.messages, kWriteFailed);
  ASSERT_EQ(feedback.details.size(), 1u);
  EXPECT_NE(feedback.details[0].find(": No space left on device"), std::string::npos)
      << feedback.details[0];
  EXPECT_EQ(testing::readAll(data / "Quake.wad"), kOldWad);
  EXPECT_EQ(testing::folderNames(data),
            (std::vector<std::string>{"PAK0.PAK", "PAK1.PAK", "Quake.wad"}));
}

enum class Layer { Memory, Host };

// What happens to an archive after the scan and before the copy.
struct Change {
  const char* what;
  std::string archive;
  std::int64_t truncateTo; // -1: not truncated
  bool remove;
  bool replace; // another file renamed over it
  bool copyFails;
};

std::vector<Change> changes() {
  const auto directory = static_cast<std::int64_t>(fixtures::getI32(pak0(), 4));
  return {
      {"PAK0 emptied", "PAK0.PAK", 0, false, false, true},
      {"PAK1 cut inside its first texture", "PAK1.PAK",
       static_cast<std::int64_t>(firstTextureInPak1() + 20), false, false, true},
      // The copy reads only textures; they are all still there.
      {"PAK0 loses only its directory", "PAK0.PAK", directory, false, false, false},
      // An open file outlives its name.
      {"PAK0 deleted", "PAK0.PAK", -1, true, false, false},
      {"PAK1 replaced by another file", "PAK1.PAK", -1, false, true, false},
  };
}

void truncateThroughAnotherDescriptor(const fs::path& file, std::int64_t length) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(::ftruncate(fd, static_cast<off_t>(length)), 0);
  ::close(fd);
}

TEST(ExtractionFaultTest, AnArchiveChangedBetweenScanAndCopyIsNeverCopiedWrong) {
  for (const Layer layer : {Layer::Memory, Layer::Host}) {
    for (const Change& c : changes()) {
      SCOPED_TRACE(std::string(layer == Layer::Memory ? "memory: " : "host: ") + c.what);
      TempFolder folder;
      const fs::path data = folder / "id1";
      MemoryFileSystem memory = memoryInstallation();
      std::function<void()> change;
      std::function<Bytes()> wad;
      if (layer == Layer::Memory) {
        change = [&] {
          if (c.truncateTo >= 0) {
            memory.find(c.archive)->resize(static_cast<std::size_t>(c.truncateTo));
          }
          if (c.remove) {
            memory.removeFile(c.archive);
          }
          if (c.replace) {
            memory.add(c.archive, fixtures::makePak({}));
          }
        };
        wad = [&] { return *memory.find("Quake.wad"); };
      } else {
        writeInstallation(data);
        change = [&] {
          if (c.truncateTo >= 0) {
            truncateThroughAnotherDescriptor(data / c.archive, c.truncateTo);
          }
          if (c.remove) {
            fs::remove(data / c.archive);
          }
          if (c.replace) {
            fixtures::writeFile(folder / "other.pak", fixtures::makePak({}));
            fs::rename(folder / "other.pak", data / c.archive);
          }
        };
        wad = [&] { return testing::readAll(data / "Quake.wad"); };
      }
      FaultyFileSystem files(layer == Layer::Memory ? static_cast<platform::FileSystem&>(memory)
                                                    : platform::hostFileSystem());
      bool changed = false;
      files.beforeFirstWrite = [&] {
        change();
        changed = true;
      };
      RecordingFeedback feedback;
      const std::string folderName = layer == Layer::Memory ? "/q/id1/" : data.string() + "/";
      const auto summary = RunExtraction(files, kGameQuake, folderName, feedback);
      EXPECT_TRUE(changed);
      if (c.copyFails) {
        EXPECT_FALSE(summary.has_value());
        EXPECT_EQ(feedback.messages, kWriteFailed);
        EXPECT_EQ(wad(), kOldWad);
      } else {
        EXPECT_TRUE(summary.has_value());
        EXPECT_TRUE(feedback.messages.empty());
        EXPECT_EQ(wad(), soundWad());
      }
      if (layer == Layer::Host) {
        std::vector<std::string> expected = {"PAK0.PAK", "PAK1.PAK", "Quake.wad"};
        if (c.remove) {
          expected.erase(expected.begin());
        }
        EXPECT_EQ(testing::folderNames(data), expected);
      }
    }
  }
}

TEST(ExtractionFaultTest, AFifoInPlaceOfAFileIsRefusedWithoutWaiting) {
  const struct {
    const char* fifo;
    const char* message;
  } cases[] = {
      {"PAK0.PAK", "Could not open pak0.pak file."},
      {"PAK1.PAK", "Could not open pak1.pak file."},
      {"Quake.wad.part", "Could not create wad file."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fifo);
    TempFolder folder;
    const fs::path data = folder / "id1";
    writeInstallation(data);
    fs::remove(data / c.fifo);
    ASSERT_EQ(::mkfifo((data / c.fifo).c_str(), 0644), 0);
    EXPECT_TRUE(testing::inChildWithDeadline([&] {
      RecordingFeedback feedback;
      const auto summary =
          RunExtraction(platform::hostFileSystem(), kGameQuake, data.string() + "/", feedback);
      return !summary && feedback.messages.size() == 1 && feedback.messages[0].text == c.message;
    }));
    EXPECT_EQ(testing::readAll(data / "Quake.wad"), kOldWad);
  }
}

} // namespace
} // namespace texkit2::extract
