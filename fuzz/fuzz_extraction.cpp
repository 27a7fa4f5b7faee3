// The whole extraction run over two archives of arbitrary bytes, in memory. Input: a 4-byte
// little-endian length of PAK0.PAK, its bytes, then PAK1.PAK. The run must not crash, must
// leave no temporary file, must leave the old WAD file alone when it fails, and when it
// succeeds must have written a WAD file that reads back to exactly what its summary says, each
// entry holding the bytes of a texture of the archives.
#include "extract/Extraction.h"
#include "extract/WadReader.h"
#include "fuzz/FuzzCheck.h"
#include "tests/common/MemoryFile.h"
#include "tests/common/RecordingFeedback.h"
#include "tests/support/SampleGame.h"

#include <algorithm>
#include <cstdint>
#include <exception>

using namespace texkit2;
using Bytes = std::vector<std::uint8_t>;

namespace {

const Bytes kOldWad = {'o', 'l', 'd'};

bool occursIn(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
         haystack.end();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) {
    return 0;
  }
  const std::size_t split = std::min<std::size_t>(
      size - 4, static_cast<std::size_t>(data[0] | data[1] << 8 | data[2] << 16) |
                    static_cast<std::size_t>(data[3]) << 24);
  const Bytes pak0(data + 4, data + 4 + split);
  const Bytes pak1(data + 4 + split, data + size);

  testing::MemoryFileSystem files;
  files.add("PAK0.PAK", pak0);
  files.add("pak1.pak", pak1);
  files.add("Quake.wad", kOldWad);
  testing::RecordingFeedback feedback;
  const auto summary = extract::RunExtraction(files, extract::kGameQuake, "/q/id1/", feedback);

  TEXKIT2_FUZZ_CHECK(files.find(extract::TemporaryWadName("Quake.wad")) == nullptr);
  TEXKIT2_FUZZ_CHECK(files.names().size() == 3);
  TEXKIT2_FUZZ_CHECK(*files.find("PAK0.PAK") == pak0 && *files.find("PAK1.PAK") == pak1);
  const Bytes& wad = *files.find("Quake.wad");
  if (!summary) {
    TEXKIT2_FUZZ_CHECK(wad == kOldWad);
    TEXKIT2_FUZZ_CHECK(!feedback.messages.empty());
    return 0;
  }

  TEXKIT2_FUZZ_CHECK(summary->fileName == "Quake.wad");
  TEXKIT2_FUZZ_CHECK(summary->fileLength == wad.size());
  TEXKIT2_FUZZ_CHECK(summary->totalEntries == summary->simpleTextures + summary->animatedTextures);
  testing::MemoryFile file(wad);
  extract::WadContents contents;
  try {
    contents = extract::ReadWad(file);
  } catch (const extract::WadFormatError& error) {
    std::fprintf(stderr, "written WAD does not read back: %s\n", error.what());
    std::abort();
  }
  TEXKIT2_FUZZ_CHECK(static_cast<std::int32_t>(contents.entries.size()) == summary->totalEntries);
  std::int32_t animated = 0;
  for (std::size_t i = 0; i < contents.entries.size(); ++i) {
    const auto& entry = contents.entries[i];
    animated += entry.animated() ? 1 : 0;
    TEXKIT2_FUZZ_CHECK(entry.type == 0x44 && entry.storedSize == entry.size);
    const Bytes texture(wad.begin() + entry.position,
                        wad.begin() + entry.position + entry.storedSize);
    TEXKIT2_FUZZ_CHECK(std::equal(entry.name.begin(), entry.name.end(), texture.begin()));
    TEXKIT2_FUZZ_CHECK(occursIn(pak0, texture) || occursIn(pak1, texture));
    for (std::size_t k = 0; k < i; ++k) {
      TEXKIT2_FUZZ_CHECK(!extract::TextureNamesEqual(contents.entries[k].name, entry.name));
    }
  }
  TEXKIT2_FUZZ_CHECK(animated == summary->animatedTextures);

  // On sound archives, the reference rules of the fixtures say exactly what the file holds.
  if (!feedback.skipped.empty() || !feedback.messages.empty()) {
    return 0;
  }
  std::vector<fixtures::ExpectedTexture> expected;
  try {
    expected = fixtures::collectTextures({{"PAK0.PAK", pak0}, {"PAK1.PAK", pak1}});
  } catch (const std::exception&) {
    return 0;
  }
  TEXKIT2_FUZZ_CHECK(fixtures::expectedWadLength(expected) == summary->fileLength);
  TEXKIT2_FUZZ_CHECK(expected.size() == contents.entries.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto& entry = contents.entries[i];
    TEXKIT2_FUZZ_CHECK(std::equal(expected[i].data.begin(), expected[i].data.end(),
                                  wad.begin() + entry.position) &&
                       expected[i].data.size() == static_cast<std::size_t>(entry.storedSize));
  }
  return 0;
}
