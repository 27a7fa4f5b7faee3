#pragma once

#include "extract/PakScan.h"

#include <cstdint>
#include <string>
#include <vector>

namespace texkit2::extract {

// One copy of a texture: where it was met and what its header says.
struct TextureCopy {
  MapSource place;
  std::int32_t size = 0;
  std::int32_t width = 0; // as its mip header says, when it has one
  std::int32_t height = 0;
  bool hasHeader = false;
  std::string problem; // why its bytes are no sound mip-texture, or cannot be read
};

// How a dropped copy's bytes differ from the kept copy's.
struct CopyDifferences {
  bool compared = true;    // false when a copy's bytes could not be read
  bool size = false;       // another number of bytes
  bool dimensions = false; // another width or height
  bool pixels = false;     // the same dimensions, other palette indices in some level
  bool nameTail = false;   // other bytes after the name's zero byte
  bool otherBytes = false; // other bytes that none of the above explains (level offsets, padding)

  bool any() const { return !compared || size || dimensions || pixels || nameTail || otherBytes; }
};

struct DroppedCopyReport {
  TextureCopy copy;
  CopyDifferences differences;
  // Left out for its own sake, not by the first-wins rule: its header does not fit it
  // (`copy.problem` says how), so it was never compared.
  bool incomplete = false;
};

// A texture name met more than once, the copy that went into the WAD file and those left out.
struct NameConflict {
  TextureName name{};
  bool hasKept = true; // false when every copy met was incomplete
  TextureCopy kept;
  std::vector<DroppedCopyReport> dropped; // in the order the scan met them
};

// Every name the scans met more than once, or met in an incomplete copy, in the order the kept
// copies were found (names with none kept last), each dropped copy compared with the kept one
// byte for byte. Reads the copies from their archives,
// so it must run before WriteWadData moves the records' offsets into the WAD file.
std::vector<NameConflict> CompareDroppedCopies(const TextureTable& table);

} // namespace texkit2::extract
