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
  // The copies left out of each kept slot, in the order they were met; an incomplete copy
  // stands at the place the scan met it.
  struct LeftOut {
    const TextureRecord* record;
    const std::string* problem; // null for a copy dropped by the first-wins rule
  };
  std::map<std::int32_t, std::vector<LeftOut>> bySlot;
  std::vector<std::pair<TextureName, std::vector<LeftOut>>> noneKept;
  for (const DroppedCopy& dropped : table.dropped) {
    bySlot[dropped.kept].push_back({&dropped.copy, nullptr});
  }
  for (const IncompleteCopy& incomplete : table.incomplete) {
    const LeftOut leftOut{&incomplete.copy, &incomplete.problem};
    if (const std::int32_t slot = table.slotOf(incomplete.copy.name); slot >= 0) {
      bySlot[slot].push_back(leftOut);
      continue;
    }
    const auto same = std::find_if(noneKept.begin(), noneKept.end(), [&](const auto& entry) {
      return TextureNamesEqual(entry.first, incomplete.copy.name);
    });
    if (same == noneKept.end()) {
      noneKept.push_back({incomplete.copy.name, {leftOut}});
    } else {
      same->second.push_back(leftOut);
    }
  }
  // Records of one archive were made in the order met; across the two lists, map order tells.
  const auto metBefore = [](const LeftOut& a, const LeftOut& b) {
    return a.record->map != b.record->map ? a.record->map < b.record->map
                                          : a.record->offset < b.record->offset;
  };
  std::vector<NameConflict> conflicts;
  conflicts.reserve(bySlot.size() + noneKept.size());
  const auto report = [&](NameConflict& conflict, const ReadCopy* kept,
                          std::vector<LeftOut>& copies) {
    std::stable_sort(copies.begin(), copies.end(), metBefore);
    for (const LeftOut& leftOut : copies) {
      ReadCopy copy = readCopy(*leftOut.record, table);
      if (leftOut.problem != nullptr) {
        copy.copy.problem = *leftOut.problem;
        CopyDifferences unread;
        unread.compared = false;
        conflict.dropped.push_back({copy.copy, unread, true});
      } else {
        conflict.dropped.push_back({copy.copy, compare(*kept, copy), false});
      }
    }
  };
  for (auto& [slot, copies] : bySlot) {
    const TextureRecord& keptRecord = *table.slots[static_cast<std::size_t>(slot)];
    const ReadCopy kept = readCopy(keptRecord, table);
    NameConflict conflict;
    conflict.name = keptRecord.name;
    conflict.kept = kept.copy;
    report(conflict, &kept, copies);
    conflicts.push_back(std::move(conflict));
  }
  for (auto& [name, copies] : noneKept) {
    NameConflict conflict;
    conflict.name = name;
    conflict.hasKept = false;
    report(conflict, nullptr, copies);
    conflicts.push_back(std::move(conflict));
  }
  return conflicts;
}

} // namespace texkit2::extract
