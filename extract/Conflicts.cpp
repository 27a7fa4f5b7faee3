#include "extract/Conflicts.h"

#include "extract/WadReader.h"

#include <algorithm>
#include <map>
#include <optional>

namespace texkit2::extract {
namespace {

struct ReadCopy {
  TextureCopy copy;
  std::vector<std::uint8_t> bytes;
  bool read = false;
  std::optional<MipTexture> texture; // when its header fits it
};

ReadCopy readCopy(const TextureRecord& record, const TextureTable& table) {
  ReadCopy out;
  if (record.map >= 0 && static_cast<std::size_t>(record.map) < table.maps.size()) {
    out.copy.place = table.maps[static_cast<std::size_t>(record.map)];
  }
  out.copy.size = record.size;
  // The scan has put every record inside its archive.
  out.bytes.resize(static_cast<std::size_t>(record.size));
  if (record.source == nullptr || !record.source->seek(record.offset) ||
      !record.source->readExact(out.bytes.data(), out.bytes.size())) {
    out.copy.problem = "its bytes cannot be read";
    return out;
  }
  out.read = true;
  if (const auto header = ReadMipHeader(out.bytes)) {
    out.copy.hasHeader = true;
    out.copy.width = header->width;
    out.copy.height = header->height;
  }
  try {
    out.texture = DecodeMipTexture(out.bytes);
  } catch (const WadFormatError& error) {
    out.copy.problem = error.what();
  }
  return out;
}

CopyDifferences compare(const ReadCopy& kept, const ReadCopy& dropped) {
  CopyDifferences differences;
  if (!kept.read || !dropped.read) {
    differences.compared = false;
    return differences;
  }
  const auto& a = kept.bytes;
  const auto& b = dropped.bytes;
  // Names are equal up to their zero byte, so whatever differs in the name is its tail.
  const std::size_t nameBytes = std::min({a.size(), b.size(), layout::kTextureNameSize});
  differences.nameTail =
      !std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(nameBytes), b.begin());
  differences.size = a.size() != b.size();
  if (kept.copy.hasHeader && dropped.copy.hasHeader) {
    differences.dimensions =
        kept.copy.width != dropped.copy.width || kept.copy.height != dropped.copy.height;
  }
  if (kept.texture && dropped.texture && !differences.dimensions) {
    for (std::size_t level = 0; level < kept.texture->levels.size(); ++level) {
      differences.pixels = differences.pixels || kept.texture->levels[level].indices !=
                                                     dropped.texture->levels[level].indices;
    }
  }
  const bool restEqual = a.size() == b.size() &&
                         std::equal(a.begin() + static_cast<std::ptrdiff_t>(nameBytes), a.end(),
                                    b.begin() + static_cast<std::ptrdiff_t>(nameBytes));
  differences.otherBytes =
      !restEqual && !differences.size && !differences.dimensions && !differences.pixels;
  return differences;
}

} // namespace

std::vector<NameConflict> CompareDroppedCopies(const TextureTable& table) {
  // The dropped copies of each kept slot, in the order they were met.
  std::map<std::int32_t, std::vector<const DroppedCopy*>> bySlot;
  for (const DroppedCopy& dropped : table.dropped) {
    bySlot[dropped.kept].push_back(&dropped);
  }
  std::vector<NameConflict> conflicts;
  conflicts.reserve(bySlot.size());
  for (const auto& [slot, copies] : bySlot) {
    const TextureRecord& keptRecord = *table.slots[static_cast<std::size_t>(slot)];
    const ReadCopy kept = readCopy(keptRecord, table);
    NameConflict conflict;
    conflict.name = keptRecord.name;
    conflict.kept = kept.copy;
    for (const DroppedCopy* dropped : copies) {
      const ReadCopy copy = readCopy(dropped->copy, table);
      conflict.dropped.push_back({copy.copy, compare(kept, copy)});
    }
    conflicts.push_back(std::move(conflict));
  }
  return conflicts;
}

} // namespace texkit2::extract
