#pragma once

// Byte builders for the archive, map and texture formats the tool reads. Tests use them to make
// fixtures in memory, sound or deliberately damaged; every integer goes out as explicit
// little-endian bytes so the fixtures look the same on any host.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace texkit2::fixtures {

using Bytes = std::vector<std::uint8_t>;

// --- Little-endian helpers ---------------------------------------------------------------------

void putI32(Bytes& out, std::int32_t value);
void putU32(Bytes& out, std::uint32_t value);
void putI16(Bytes& out, std::int16_t value);
void putU16(Bytes& out, std::uint16_t value);
void putF32(Bytes& out, float value);
void putBytes(Bytes& out, const Bytes& bytes);
// The characters of `text` as bytes, with no terminator.
void putText(Bytes& out, std::string_view text);
// Overwrites four bytes at `pos`; throws std::out_of_range when they do not fit.
void setI32(Bytes& bytes, std::size_t pos, std::int32_t value);
void setU32(Bytes& bytes, std::size_t pos, std::uint32_t value);
// Reads four bytes at `pos`; throws std::out_of_range when they are not all there.
std::int32_t getI32(const Bytes& bytes, std::size_t pos);
std::uint32_t getU32(const Bytes& bytes, std::size_t pos);
// Zero bytes up to the next multiple of four.
void padTo4(Bytes& out);

// --- Texture names -----------------------------------------------------------------------------

inline constexpr std::size_t kTextureNameSize = 16;
using TextureName = std::array<std::uint8_t, kTextureNameSize>;

// `text` zero padded to 16 bytes. All 16 may be used, leaving no zero byte.
// Throws std::invalid_argument when `text` is longer than 16 bytes.
TextureName textureName(std::string_view text);
// Exactly the 16 bytes given, for names with leftovers after their zero byte, e.g.
// rawTextureName(std::string_view("city1_4\0_3\0/???K", 16)).
// Throws std::invalid_argument unless `bytes` has exactly 16 bytes.
TextureName rawTextureName(std::string_view bytes);
// The name up to its first zero byte (all 16 bytes when there is none), for messages.
std::string textureNameText(const TextureName& name);

// --- Mip textures ------------------------------------------------------------------------------

// Name, width, height and four mip offsets.
inline constexpr std::size_t kMipHeaderSize = 40;

// 40 + w*h + w*h/4 + w*h/16 + w*h/64: the size of a mip texture of these dimensions.
std::size_t mipTextureSize(std::uint32_t width, std::uint32_t height);

// A complete mip texture: 16-byte name, width, height, the four mip offsets (40, 40+w*h, ...),
// then the four levels of 8-bit palette indices. The picture (bricks, checkers, gradient or
// noise, and its colours) follows from `seed` alone, so equal arguments give equal bytes.
// Throws std::invalid_argument unless width and height are non-zero multiples of 16.
Bytes makeMipTexture(const TextureName& name, std::uint32_t width, std::uint32_t height,
                     std::uint32_t seed);

// A mip texture of any non-zero dimensions whose k-th pixel byte (counted over the four levels
// in order) holds k % 256 + `start`, so that tests can work out the index of any place: level
// n's pixel (x, y) is at (sum of the earlier levels' sizes) + y * (width >> n) + x.
Bytes makeCountingMipTexture(const TextureName& name, std::uint32_t width, std::uint32_t height,
                             std::uint8_t start = 0);

// --- Texture lump (BSP lump 2) -----------------------------------------------------------------

// The offset the compilers write for a texture they could not find.
inline constexpr std::int32_t kEmptySlotOffset = -1;

// One entry of a texture lump: a texture's bytes (any bytes; written as given, then padded to
// four), or an empty slot written as offset -1. Converts from Bytes so lists read naturally:
// makeTextureLump({wall, emptySlot(), water}).
struct LumpSlot {
  LumpSlot(Bytes textureBytes) : texture(std::move(textureBytes)) {}

  Bytes texture;
  bool empty = false;
};

LumpSlot emptySlot();

// int32 count N, N int32 offsets from the lump start (-1 for empty slots), then the textures in
// slot order, each padded to a four-byte boundary. The reader measures a texture from its offset
// to the next non-empty offset (or the lump end), so the padding belongs to the texture before.
// Slot i's offset sits at byte 4 + 4*i of the lump, for tests that want to patch it.
Bytes makeTextureLump(const std::vector<LumpSlot>& slots);

// --- BSP files ---------------------------------------------------------------------------------

inline constexpr std::int32_t kBspVersion = 29;
inline constexpr std::size_t kBspLumpCount = 15;
// Version plus 15 (offset, length) pairs.
inline constexpr std::size_t kBspHeaderSize = 4 + 8 * kBspLumpCount;
inline constexpr std::size_t kBspTextureLump = 2;
// Position in the file of lump `lump`'s offset; its length follows four bytes later.
constexpr std::size_t bspLumpEntryPosition(std::size_t lump) {
  return 4 + 8 * lump;
}
// 20: where the texture lump's offset is; its length is at 24.
inline constexpr std::size_t kBspTextureLumpEntry = bspLumpEntryPosition(kBspTextureLump);

// One submodel record: Quake keeps four hulls, Hexen II eight.
inline constexpr std::size_t kQuakeModelRecordSize = 64;
inline constexpr std::size_t kHexen2ModelRecordSize = 80;

struct BspOptions {
  std::int32_t version = kBspVersion;
  // kQuakeModelRecordSize or kHexen2ModelRecordSize; other values are not supported.
  std::size_t modelRecordSize = kQuakeModelRecordSize;
  // The entity text without its terminating zero (added here); empty gives a worldspawn and a
  // player start.
  std::string entities;
};

// A complete BSP file: the 124-byte header, then small but well-formed lumps (a box room:
// planes, vertexes, edges, faces, ...) at four-byte aligned positions in the order the
// compilers write them, with `textureLump` last, as lump 2.
Bytes makeBsp(const Bytes& textureLump, std::int32_t version = kBspVersion);
Bytes makeBsp(const Bytes& textureLump, const BspOptions& options);
// makeBsp, then the header's lump 2 entry overwritten with the given offset and length, which
// may lie (past the end, negative, overlapping the header...). The lump bytes stay where
// makeBsp put them.
Bytes makeBspRaw(const Bytes& textureLump, std::int32_t lumpOffsetOverride,
                 std::int32_t lumpLengthOverride);
// Where makeBsp put the texture lump (read back from the header).
std::size_t bspTextureLumpPosition(const Bytes& bsp);

// --- PAK archives ------------------------------------------------------------------------------

inline constexpr std::size_t kPakHeaderSize = 12;
inline constexpr std::size_t kPakEntrySize = 64;
inline constexpr std::size_t kPakNameSize = 56;

struct PakFile {
  // Up to 56 bytes; all 56 may be used, leaving no zero byte.
  std::string name;
  Bytes data;
};

// "PACK", directory offset, directory length (64 per file), the file data from position 12 in
// the order given, then the directory: 56-byte zero-padded name, int32 position, int32 length.
// Throws std::invalid_argument for a name longer than 56 bytes.
Bytes makePak(const std::vector<PakFile>& files);
// makePak with the header's directory offset and length replaced by the values given; the
// directory itself stays right after the data.
Bytes makePakRaw(const std::vector<PakFile>& files, std::int32_t directoryOffset,
                 std::int32_t directoryLength);
// Position in `pak` of directory entry `index` (name, then position at +56 and length at +60),
// taken from the header, for tests that patch single entries.
std::size_t pakEntryPosition(const Bytes& pak, std::size_t index);

// --- WAD2 files --------------------------------------------------------------------------------

inline constexpr std::uint8_t kWadMipTexture = 0x44;

struct WadFileEntry {
  TextureName name;
  Bytes data;
  std::uint8_t type = kWadMipTexture;
  std::uint8_t compression = 0;
};

// "WAD2", entry count, directory offset, the entries' data from position 12 in the order
// given, then the 32-byte directory: position, size, size, type, compression, two zero bytes,
// the 16 name bytes.
Bytes makeWad(const std::vector<WadFileEntry>& entries);

// --- Files -------------------------------------------------------------------------------------

// Writes `bytes` to `path`, creating missing parent folders. Throws std::runtime_error on any
// failure.
void writeFile(const std::filesystem::path& path, const Bytes& bytes);

} // namespace texkit2::fixtures
