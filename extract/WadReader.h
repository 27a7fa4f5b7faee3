#pragma once

#include "extract/PakScan.h"
#include "platform/File.h"

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace texkit2::extract {

// A WAD2 file that breaks its own format; the message says what and where.
class WadFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The 40 bytes a mip-texture begins with.
struct MipHeader {
  TextureName name{};
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::array<std::int32_t, 4> offsets{}; // of the four levels, from the texture's start
};

// The header at the start of `bytes`; nullopt when they are fewer than 40.
std::optional<MipHeader> ReadMipHeader(std::span<const std::uint8_t> bytes);

// Why `header` cannot describe a mip-texture of `size` bytes (dimensions that are not positive
// or need more bytes than there are, a level outside the texture, an empty name); empty when it
// can.
std::string CheckMipHeader(const MipHeader& header, std::int64_t size);

// The one test of whether a texture of `size` bytes, which begin with `start` (its first 40
// bytes, or all of them when it is shorter), is a mip-texture an editor can draw: the reason it
// is not (too short for its header, or CheckMipHeader's), empty when it is.
std::string CheckMipTexture(std::span<const std::uint8_t> start, std::int64_t size);

struct WadEntry {
  TextureName name{};
  std::int32_t position = 0;
  std::int32_t storedSize = 0;
  std::int32_t size = 0;
  std::uint8_t type = 0;
  std::uint8_t compression = 0;
  // For a mip-texture entry long enough to hold its header.
  std::optional<MipHeader> mip;
  // For a mip-texture entry: why its header does not fit it; empty when it does.
  std::string problem;

  bool isMipTexture() const { return type == layout::kWadTypeMipTexture; }
  bool animated() const { return IsAnimatedTexture(name); }
};

struct WadContents {
  std::int64_t fileLength = 0;
  std::int32_t directoryOffset = 0;
  std::vector<WadEntry> entries;
};

// One level of a mip-texture: palette indices, row by row from the top.
struct MipLevel {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> indices; // width * height
};

struct MipTexture {
  MipHeader header;
  std::array<MipLevel, 4> levels; // level n has the dimensions of level 0 halved n times
};

// The mip-texture that `bytes` hold (a WAD entry's data or a map's texture), its header checked
// by CheckMipHeader; throws WadFormatError with the reason when it does not fit them.
MipTexture DecodeMipTexture(std::span<const std::uint8_t> bytes);

// Reads a mip-texture entry of `file` (as ReadWad listed it) and decodes it; throws
// WadFormatError saying why it cannot: another type, compressed, its header does not fit it,
// its bytes cannot be read.
MipTexture ReadMipTexture(platform::File& file, const WadEntry& entry);

// Reads and checks the header and directory of a WAD2 file, and the header of each mip-texture;
// throws WadFormatError when the file breaks its format. A mip-texture whose header does not fit
// it is not an error of the file: its entry says so in `problem`.
WadContents ReadWad(platform::File& file);

} // namespace texkit2::extract
