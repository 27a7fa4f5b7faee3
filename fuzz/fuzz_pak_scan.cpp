// The texture scan over one archive of arbitrary bytes: no crash, every record inside the
// archive and named by its own first 16 bytes, no name twice, and on sound input the same
// textures the reference rules of the fixtures give.
#include "extract/PakScan.h"
#include "fuzz/FuzzCheck.h"
#include "tests/common/MemoryFile.h"
#include "tests/common/RecordingFeedback.h"
#include "tests/support/SampleGame.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <memory>

using namespace texkit2;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  testing::MemoryFile archive(bytes, "PAK0.PAK");
  testing::RecordingFeedback feedback;
  extract::TextureTable table;
  extract::ScanPak(archive, table, feedback);

  TEXKIT2_FUZZ_CHECK(table.count == static_cast<std::int32_t>(table.slots.size()));
  for (std::size_t i = 0; i < table.slots.size(); ++i) {
    const auto& record = *table.slots[i];
    TEXKIT2_FUZZ_CHECK(record.source == &archive);
    TEXKIT2_FUZZ_CHECK(record.offset >= 0 && record.size >= 16);
    TEXKIT2_FUZZ_CHECK(
        static_cast<std::size_t>(record.offset) + static_cast<std::size_t>(record.size) <= size);
    TEXKIT2_FUZZ_CHECK(std::equal(record.name.begin(), record.name.end(), data + record.offset));
  }
  // No name twice: the table refuses another copy of each name it holds.
  const std::size_t held = table.slots.size();
  for (std::size_t i = 0; i < held; ++i) {
    const extract::TextureRecord copy = *table.slots[i];
    TEXKIT2_FUZZ_CHECK(!table.add(copy));
  }

  // A second scan of the same archive finds nothing new.
  extract::ScanPak(archive, table, feedback);
  TEXKIT2_FUZZ_CHECK(table.count == static_cast<std::int32_t>(table.slots.size()));

  if (!feedback.messages.empty() || !feedback.skipped.empty()) {
    return 0;
  }
  std::vector<fixtures::ExpectedTexture> expected;
  try {
    expected = fixtures::collectTextures({{"PAK0.PAK", bytes}});
  } catch (const std::exception&) {
    return 0; // the reference takes only sound input
  }
  TEXKIT2_FUZZ_CHECK(expected.size() == table.slots.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    TEXKIT2_FUZZ_CHECK(expected[i].name == table.slots[i]->name);
    TEXKIT2_FUZZ_CHECK(expected[i].size == static_cast<std::uint32_t>(table.slots[i]->size));
  }
  return 0;
}
