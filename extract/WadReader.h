#pragma once

#include "extract/PakScan.h"
#include "platform/File.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace texkit2::extract {

// A WAD2 file that breaks its own format; the message says what and where.
class WadFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct WadEntry {
  TextureName name{};
  std::int32_t position = 0;
  std::int32_t storedSize = 0;
  std::int32_t size = 0;
  std::uint8_t type = 0;
  std::uint8_t compression = 0;
  // From the mip-texture header, when the entry is a mip-texture long enough to hold one.
  std::optional<std::uint32_t> width;
  std::optional<std::uint32_t> height;

  bool animated() const { return IsAnimatedTexture(name); }
};

struct WadContents {
  std::int64_t fileLength = 0;
  std::int32_t directoryOffset = 0;
  std::vector<WadEntry> entries;
};

// Reads and checks the header and directory of a WAD2 file; throws WadFormatError.
WadContents ReadWad(platform::File& file);

} // namespace texkit2::extract
