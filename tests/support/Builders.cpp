#include "tests/support/Builders.h"

#include <bit>
#include <fstream>
#include <limits>
#include <stdexcept>
#include <string>
#include <system_error>

namespace texkit2::fixtures {

namespace {

std::uint8_t byteOf(std::uint32_t value, int shift) {
  return static_cast<std::uint8_t>((value >> shift) & 0xFFU);
}

void requireRoom(const Bytes& bytes, std::size_t pos, std::size_t count, const char* what) {
  if (pos > bytes.size() || bytes.size() - pos < count) {
    throw std::out_of_range(std::string(what) + ": position " + std::to_string(pos) + " outside " +
                            std::to_string(bytes.size()) + " bytes");
  }
}

std::int32_t toI32(std::size_t value, const char* what) {
  if (value > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    throw std::length_error(std::string(what) + " does not fit in 32 bits");
  }
  return static_cast<std::int32_t>(value);
}

std::int16_t toI16(int value) {
  return static_cast<std::int16_t>(value);
}

// --- Pictures ----------------------------------------------------------------------------------

// A well-mixing integer hash; the pictures must not depend on the standard library's generators.
std::uint32_t mix(std::uint32_t v) {
  v ^= v >> 16;
  v *= 0x7FEB352DU;
  v ^= v >> 15;
  v *= 0x846CA68BU;
  v ^= v >> 16;
  return v;
}

std::uint32_t hashOf(std::uint32_t seed, std::uint32_t x, std::uint32_t y) {
  return mix(seed ^ mix(x * 0x9E3779B9U + mix(y + 0x632BE5ABU)));
}

enum class Pattern { Bricks, Checkers, Gradient, Noise };

// The colour ramps below the fullbright rows of the palette: 14 ramps of 16 shades.
constexpr std::uint32_t kRampCount = 14;
constexpr std::uint32_t kShadeCount = 16;

struct Look {
  Pattern m_pattern;
  std::uint32_t m_rampA;
  std::uint32_t m_rampB;
  std::uint32_t m_cell;
  std::uint32_t m_direction;
  std::uint32_t m_seed;
};

Look lookFor(std::uint32_t seed) {
  const std::uint32_t h = mix(seed * 0x9E3779B9U + 0x2545F491U);
  Look look{};
  look.m_pattern = static_cast<Pattern>(h % 4U);
  look.m_rampA = (h >> 8) % kRampCount;
  look.m_rampB = (look.m_rampA + 1U + (h >> 12) % (kRampCount - 1U)) % kRampCount;
  look.m_cell = 4U << ((h >> 20) % 3U);
  look.m_direction = (h >> 24) % 3U;
  look.m_seed = mix(h);
  return look;
}

std::uint8_t colour(std::uint32_t ramp, std::uint32_t shade) {
  if (shade >= kShadeCount) {
    shade = kShadeCount - 1U;
  }
  return static_cast<std::uint8_t>(ramp * kShadeCount + shade);
}

// The palette index of full-size pixel (x, y); smaller mip levels sample it.
std::uint8_t pixelAt(const Look& look, std::uint32_t x, std::uint32_t y, std::uint32_t width,
                     std::uint32_t height) {
  const std::uint32_t grain = hashOf(look.m_seed, x, y);
  switch (look.m_pattern) {
  case Pattern::Bricks: {
    const std::uint32_t brickHeight = look.m_cell;
    const std::uint32_t brickWidth = look.m_cell * 2U;
    const std::uint32_t row = y / brickHeight;
    const std::uint32_t shifted = x + ((row & 1U) != 0U ? brickWidth / 2U : 0U);
    const std::uint32_t column = (shifted / brickWidth) % (width / brickWidth + 1U);
    if (y % brickHeight == 0U || shifted % brickWidth == 0U) {
      return colour(look.m_rampB, 3U + grain % 2U);
    }
    const std::uint32_t brick = hashOf(look.m_seed, column + 1000U, row);
    return colour(look.m_rampA, 5U + brick % 5U + grain % 3U);
  }
  case Pattern::Checkers: {
    const bool dark = (((x / look.m_cell) + (y / look.m_cell)) & 1U) != 0U;
    return colour(dark ? look.m_rampB : look.m_rampA, (dark ? 4U : 9U) + grain % 3U);
  }
  case Pattern::Gradient: {
    std::uint32_t along = 0;
    std::uint32_t span = 1;
    if (look.m_direction == 0U) {
      along = x;
      span = width;
    } else if (look.m_direction == 1U) {
      along = y;
      span = height;
    } else {
      along = x + y;
      span = width + height;
    }
    return colour(look.m_rampA, along * 14U / span + grain % 2U);
  }
  case Pattern::Noise: {
    const std::uint32_t blob = hashOf(look.m_seed, x / look.m_cell, y / look.m_cell + 5000U);
    return colour((blob & 0x100U) != 0U ? look.m_rampA : look.m_rampB, blob % 8U + grain % 8U);
  }
  }
  return 0;
}

// --- Map contents ------------------------------------------------------------------------------

// A closed box room, 128 units on a side, so the lumps other than the textures carry records
// of the right sizes that also agree with one another.
constexpr int kBoxHalf = 64;
constexpr int kBoxHeight = 128;
constexpr int kBoxFaces = 6;

const char* const kDefaultEntities = "{\n"
                                     "\"classname\" \"worldspawn\"\n"
                                     "\"message\" \"Fixture box\"\n"
                                     "\"wad\" \"gfx/base.wad\"\n"
                                     "\"sounds\" \"1\"\n"
                                     "}\n"
                                     "{\n"
                                     "\"classname\" \"info_player_start\"\n"
                                     "\"origin\" \"0 0 24\"\n"
                                     "\"angle\" \"90\"\n"
                                     "}\n";

struct Corner {
  int m_x;
  int m_y;
  int m_z;
};

constexpr std::array<Corner, 8> kCorners = {{
    {-kBoxHalf, -kBoxHalf, 0},
    {kBoxHalf, -kBoxHalf, 0},
    {kBoxHalf, kBoxHalf, 0},
    {-kBoxHalf, kBoxHalf, 0},
    {-kBoxHalf, -kBoxHalf, kBoxHeight},
    {kBoxHalf, -kBoxHalf, kBoxHeight},
    {kBoxHalf, kBoxHalf, kBoxHeight},
    {-kBoxHalf, kBoxHalf, kBoxHeight},
}};

// Edge 0 is never used by faces, as in compiled maps.
constexpr std::array<std::array<std::uint16_t, 2>, 13> kBoxEdges = {{
    {0, 0},
    {0, 1},
    {1, 2},
    {2, 3},
    {3, 0},
    {4, 5},
    {5, 6},
    {6, 7},
    {7, 4},
    {0, 4},
    {1, 5},
    {2, 6},
    {3, 7},
}};

// Four signed edge indices per face: floor, ceiling, then the four walls.
constexpr std::array<std::array<int, 4>, kBoxFaces> kFaceEdges = {{
    {-4, -3, -2, -1},
    {5, 6, 7, 8},
    {1, 10, -5, -9},
    {2, 11, -6, -10},
    {3, 12, -7, -11},
    {4, 9, -8, -12},
}};

struct Plane {
  float m_nx;
  float m_ny;
  float m_nz;
  float m_dist;
  std::int32_t m_type;
};

constexpr std::array<Plane, kBoxFaces> kBoxPlanes = {{
    {0.0F, 0.0F, 1.0F, 0.0F, 2},
    {0.0F, 0.0F, 1.0F, 128.0F, 2},
    {0.0F, 1.0F, 0.0F, -64.0F, 1},
    {1.0F, 0.0F, 0.0F, 64.0F, 0},
    {0.0F, 1.0F, 0.0F, 64.0F, 1},
    {1.0F, 0.0F, 0.0F, -64.0F, 0},
}};

Bytes planesLump() {
  Bytes out;
  for (const Plane& plane : kBoxPlanes) {
    putF32(out, plane.m_nx);
    putF32(out, plane.m_ny);
    putF32(out, plane.m_nz);
    putF32(out, plane.m_dist);
    putI32(out, plane.m_type);
  }
  return out;
}

Bytes vertexesLump() {
  Bytes out;
  for (const Corner& corner : kCorners) {
    putF32(out, static_cast<float>(corner.m_x));
    putF32(out, static_cast<float>(corner.m_y));
    putF32(out, static_cast<float>(corner.m_z));
  }
  return out;
}

Bytes edgesLump() {
  Bytes out;
  for (const auto& edge : kBoxEdges) {
    putU16(out, edge[0]);
    putU16(out, edge[1]);
  }
  return out;
}

Bytes surfedgesLump() {
  Bytes out;
  for (const auto& face : kFaceEdges) {
    for (int edge : face) {
      putI32(out, edge);
    }
  }
  return out;
}

void putBounds(Bytes& out) {
  for (int value : {-kBoxHalf, -kBoxHalf, 0, kBoxHalf, kBoxHalf, kBoxHeight}) {
    putI16(out, toI16(value));
  }
}

Bytes facesLump() {
  Bytes out;
  for (int face = 0; face < kBoxFaces; ++face) {
    putI16(out, toI16(face));     // plane
    putI16(out, toI16(face % 2)); // side
    putI32(out, face * 4);        // first surfedge
    putI16(out, 4);               // surfedge count
    putI16(out, toI16(face));     // texinfo
    putBytes(out, {0, 255, 255, 255});
    putI32(out, face * 16); // light offset
  }
  return out;
}

Bytes texinfoLump() {
  Bytes out;
  for (int face = 0; face < kBoxFaces; ++face) {
    const bool horizontal = face < 2;
    const std::array<float, 8> vecs = horizontal ? std::array<float, 8>{1, 0, 0, 0, 0, -1, 0, 0}
                                                 : std::array<float, 8>{1, 0, 0, 0, 0, 0, -1, 0};
    for (float value : vecs) {
      putF32(out, value);
    }
    putI32(out, 0); // miptex: the first slot
    putI32(out, 0); // flags
  }
  return out;
}

Bytes lightingLump() {
  Bytes out;
  for (std::uint32_t i = 0; i < 16U * kBoxFaces; ++i) {
    out.push_back(static_cast<std::uint8_t>(96U + mix(i) % 64U));
  }
  return out;
}

Bytes visibilityLump() {
  return Bytes{0xFF, 0x00, 0x00, 0x00};
}

Bytes nodesLump() {
  Bytes out;
  putI32(out, 0);  // plane
  putI16(out, -2); // front: leaf 1
  putI16(out, -1); // back: leaf 0, solid
  putBounds(out);
  putU16(out, 0); // first face
  putU16(out, kBoxFaces);
  return out;
}

Bytes clipnodesLump() {
  Bytes out;
  for (int plane = 0; plane < kBoxFaces; ++plane) {
    putI32(out, plane);
    putI16(out, plane + 1 < kBoxFaces ? toI16(plane + 1) : toI16(-1)); // empty leaf at the end
    putI16(out, -2);                                                   // solid
  }
  return out;
}

Bytes leafsLump() {
  Bytes out;
  // Leaf 0: the solid outside.
  putI32(out, -2);
  putI32(out, -1);
  for (int i = 0; i < 6; ++i) {
    putI16(out, 0);
  }
  putU16(out, 0);
  putU16(out, 0);
  putBytes(out, {0, 0, 0, 0});
  // Leaf 1: the room.
  putI32(out, -1);
  putI32(out, 0);
  putBounds(out);
  putU16(out, 0);
  putU16(out, kBoxFaces);
  putBytes(out, {0, 0, 0, 0});
  return out;
}

Bytes marksurfacesLump() {
  Bytes out;
  for (std::uint16_t face = 0; face < kBoxFaces; ++face) {
    putU16(out, face);
  }
  return out;
}

Bytes modelsLump(std::size_t recordSize) {
  if (recordSize != kQuakeModelRecordSize && recordSize != kHexen2ModelRecordSize) {
    throw std::invalid_argument("model record size must be 64 or 80");
  }
  const int hulls = recordSize == kQuakeModelRecordSize ? 4 : 8;
  Bytes out;
  for (float value : {-64.0F, -64.0F, 0.0F, 64.0F, 64.0F, 128.0F, 0.0F, 0.0F, 0.0F}) {
    putF32(out, value);
  }
  for (int hull = 0; hull < hulls; ++hull) {
    putI32(out, hull == 0 ? 0 : hull - 1);
  }
  putI32(out, 1); // visible leafs
  putI32(out, 0); // first face
  putI32(out, kBoxFaces);
  return out;
}

Bytes entitiesLump(const std::string& text) {
  Bytes out;
  putText(out, text.empty() ? std::string_view(kDefaultEntities) : std::string_view(text));
  out.push_back(0);
  return out;
}

} // namespace

// --- Little-endian helpers ---------------------------------------------------------------------

void putU32(Bytes& out, std::uint32_t value) {
  out.push_back(byteOf(value, 0));
  out.push_back(byteOf(value, 8));
  out.push_back(byteOf(value, 16));
  out.push_back(byteOf(value, 24));
}

void putI32(Bytes& out, std::int32_t value) {
  putU32(out, static_cast<std::uint32_t>(value));
}

void putU16(Bytes& out, std::uint16_t value) {
  out.push_back(byteOf(value, 0));
  out.push_back(byteOf(value, 8));
}

void putI16(Bytes& out, std::int16_t value) {
  putU16(out, static_cast<std::uint16_t>(value));
}

void putF32(Bytes& out, float value) {
  putU32(out, std::bit_cast<std::uint32_t>(value));
}

void putBytes(Bytes& out, const Bytes& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void putText(Bytes& out, std::string_view text) {
  for (char c : text) {
    out.push_back(static_cast<std::uint8_t>(c));
  }
}

void setU32(Bytes& bytes, std::size_t pos, std::uint32_t value) {
  requireRoom(bytes, pos, 4, "setU32");
  bytes[pos] = byteOf(value, 0);
  bytes[pos + 1] = byteOf(value, 8);
  bytes[pos + 2] = byteOf(value, 16);
  bytes[pos + 3] = byteOf(value, 24);
}

void setI32(Bytes& bytes, std::size_t pos, std::int32_t value) {
  requireRoom(bytes, pos, 4, "setI32");
  setU32(bytes, pos, static_cast<std::uint32_t>(value));
}

std::uint32_t getU32(const Bytes& bytes, std::size_t pos) {
  requireRoom(bytes, pos, 4, "getU32");
  return static_cast<std::uint32_t>(bytes[pos]) | static_cast<std::uint32_t>(bytes[pos + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[pos + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[pos + 3]) << 24;
}

std::int32_t getI32(const Bytes& bytes, std::size_t pos) {
  return static_cast<std::int32_t>(getU32(bytes, pos));
}

void padTo4(Bytes& out) {
  while (out.size() % 4 != 0) {
    out.push_back(0);
  }
}

// --- Texture names -----------------------------------------------------------------------------

TextureName textureName(std::string_view text) {
  if (text.size() > kTextureNameSize) {
    throw std::invalid_argument("texture name longer than 16 bytes: " + std::string(text));
  }
  TextureName name{};
  for (std::size_t i = 0; i < text.size(); ++i) {
    name[i] = static_cast<std::uint8_t>(text[i]);
  }
  return name;
}

TextureName rawTextureName(std::string_view bytes) {
  if (bytes.size() != kTextureNameSize) {
    throw std::invalid_argument("a raw texture name needs exactly 16 bytes, got " +
                                std::to_string(bytes.size()));
  }
  return textureName(bytes);
}

std::string textureNameText(const TextureName& name) {
  std::string text;
  for (std::uint8_t b : name) {
    if (b == 0) {
      break;
    }
    text.push_back(static_cast<char>(b));
  }
  return text;
}

// --- Mip textures ------------------------------------------------------------------------------

std::size_t mipTextureSize(std::uint32_t width, std::uint32_t height) {
  const std::size_t area = static_cast<std::size_t>(width) * height;
  return kMipHeaderSize + area + area / 4 + area / 16 + area / 64;
}

Bytes makeMipTexture(const TextureName& name, std::uint32_t width, std::uint32_t height,
                     std::uint32_t seed) {
  if (width == 0 || height == 0 || width % 16 != 0 || height % 16 != 0) {
    throw std::invalid_argument("mip texture sides must be non-zero multiples of 16, got " +
                                std::to_string(width) + "x" + std::to_string(height));
  }
  if (mipTextureSize(width, height) > static_cast<std::size_t>(1) << 30) {
    throw std::invalid_argument("mip texture too large");
  }
  Bytes out;
  out.reserve(mipTextureSize(width, height));
  out.insert(out.end(), name.begin(), name.end());
  putU32(out, width);
  putU32(out, height);
  std::uint32_t offset = static_cast<std::uint32_t>(kMipHeaderSize);
  for (int level = 0; level < 4; ++level) {
    putU32(out, offset);
    offset += (width >> level) * (height >> level);
  }
  const Look look = lookFor(seed);
  for (int level = 0; level < 4; ++level) {
    const std::uint32_t levelWidth = width >> level;
    const std::uint32_t levelHeight = height >> level;
    for (std::uint32_t y = 0; y < levelHeight; ++y) {
      for (std::uint32_t x = 0; x < levelWidth; ++x) {
        out.push_back(pixelAt(look, x << level, y << level, width, height));
      }
    }
  }
  return out;
}

Bytes makeCountingMipTexture(const TextureName& name, std::uint32_t width, std::uint32_t height,
                             std::uint8_t start) {
  if (width == 0 || height == 0 || width > 4096 || height > 4096) {
    throw std::invalid_argument("counting mip texture sides must be 1 to 4096");
  }
  Bytes out(name.begin(), name.end());
  putU32(out, width);
  putU32(out, height);
  std::uint32_t offset = static_cast<std::uint32_t>(kMipHeaderSize);
  for (int level = 0; level < 4; ++level) {
    putU32(out, offset);
    offset += (width >> level) * (height >> level);
  }
  for (std::uint32_t k = 0; k + kMipHeaderSize < offset; ++k) {
    out.push_back(static_cast<std::uint8_t>(k + start));
  }
  return out;
}

// --- Texture lump ------------------------------------------------------------------------------

LumpSlot emptySlot() {
  LumpSlot slot{Bytes{}};
  slot.empty = true;
  return slot;
}

Bytes makeTextureLump(const std::vector<LumpSlot>& slots) {
  Bytes out;
  putI32(out, toI32(slots.size(), "texture count"));
  const std::size_t offsetsStart = out.size();
  out.resize(out.size() + 4 * slots.size());
  for (std::size_t i = 0; i < slots.size(); ++i) {
    if (slots[i].empty) {
      setI32(out, offsetsStart + 4 * i, kEmptySlotOffset);
      continue;
    }
    setI32(out, offsetsStart + 4 * i, toI32(out.size(), "texture offset"));
    putBytes(out, slots[i].texture);
    padTo4(out);
  }
  return out;
}

// --- BSP files ---------------------------------------------------------------------------------

Bytes makeBsp(const Bytes& textureLump, std::int32_t version) {
  BspOptions options;
  options.version = version;
  return makeBsp(textureLump, options);
}

Bytes makeBsp(const Bytes& textureLump, const BspOptions& options) {
  // Lump numbers as the header lists them.
  enum Lump : std::size_t {
    kEntities = 0,
    kPlanes = 1,
    kTextures = 2,
    kVertexes = 3,
    kVisibility = 4,
    kNodes = 5,
    kTexinfo = 6,
    kFaces = 7,
    kLighting = 8,
    kClipnodes = 9,
    kLeafs = 10,
    kMarksurfaces = 11,
    kEdges = 12,
    kSurfedges = 13,
    kModels = 14,
  };
  std::array<Bytes, kBspLumpCount> lumps;
  lumps[kEntities] = entitiesLump(options.entities);
  lumps[kPlanes] = planesLump();
  lumps[kTextures] = textureLump;
  lumps[kVertexes] = vertexesLump();
  lumps[kVisibility] = visibilityLump();
  lumps[kNodes] = nodesLump();
  lumps[kTexinfo] = texinfoLump();
  lumps[kFaces] = facesLump();
  lumps[kLighting] = lightingLump();
  lumps[kClipnodes] = clipnodesLump();
  lumps[kLeafs] = leafsLump();
  lumps[kMarksurfaces] = marksurfacesLump();
  lumps[kEdges] = edgesLump();
  lumps[kSurfedges] = surfedgesLump();
  lumps[kModels] = modelsLump(options.modelRecordSize);

  // The order the compilers lay the lumps out in the file, textures last.
  constexpr std::array<std::size_t, kBspLumpCount> kFileOrder = {
      kPlanes,    kLeafs, kVertexes, kNodes,    kTexinfo,    kFaces,    kClipnodes, kMarksurfaces,
      kSurfedges, kEdges, kModels,   kLighting, kVisibility, kEntities, kTextures};

  Bytes out;
  putI32(out, options.version);
  out.resize(kBspHeaderSize, 0);
  for (std::size_t lump : kFileOrder) {
    padTo4(out);
    setI32(out, bspLumpEntryPosition(lump), toI32(out.size(), "lump offset"));
    setI32(out, bspLumpEntryPosition(lump) + 4, toI32(lumps[lump].size(), "lump length"));
    putBytes(out, lumps[lump]);
  }
  padTo4(out);
  return out;
}

Bytes makeBspRaw(const Bytes& textureLump, std::int32_t lumpOffsetOverride,
                 std::int32_t lumpLengthOverride) {
  Bytes out = makeBsp(textureLump);
  setI32(out, kBspTextureLumpEntry, lumpOffsetOverride);
  setI32(out, kBspTextureLumpEntry + 4, lumpLengthOverride);
  return out;
}

std::size_t bspTextureLumpPosition(const Bytes& bsp) {
  const std::int32_t offset = getI32(bsp, kBspTextureLumpEntry);
  if (offset < 0) {
    throw std::out_of_range("texture lump offset is negative");
  }
  return static_cast<std::size_t>(offset);
}

// --- PAK archives ------------------------------------------------------------------------------

Bytes makePakRaw(const std::vector<PakFile>& files, std::int32_t directoryOffset,
                 std::int32_t directoryLength) {
  Bytes out;
  putText(out, "PACK");
  putI32(out, directoryOffset);
  putI32(out, directoryLength);
  std::vector<std::size_t> positions;
  positions.reserve(files.size());
  for (const PakFile& file : files) {
    if (file.name.size() > kPakNameSize) {
      throw std::invalid_argument("pak entry name longer than 56 bytes: " + file.name);
    }
    positions.push_back(out.size());
    putBytes(out, file.data);
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    putText(out, files[i].name);
    out.resize(out.size() + kPakNameSize - files[i].name.size(), 0);
    putI32(out, toI32(positions[i], "pak entry position"));
    putI32(out, toI32(files[i].data.size(), "pak entry length"));
  }
  return out;
}

Bytes makePak(const std::vector<PakFile>& files) {
  std::size_t dataLength = 0;
  for (const PakFile& file : files) {
    dataLength += file.data.size();
  }
  return makePakRaw(files, toI32(kPakHeaderSize + dataLength, "pak directory offset"),
                    toI32(kPakEntrySize * files.size(), "pak directory length"));
}

std::size_t pakEntryPosition(const Bytes& pak, std::size_t index) {
  const std::int32_t directory = getI32(pak, 4);
  if (directory < 0) {
    throw std::out_of_range("pak directory offset is negative");
  }
  return static_cast<std::size_t>(directory) + kPakEntrySize * index;
}

// --- Files -------------------------------------------------------------------------------------

Bytes makeWad(const std::vector<WadFileEntry>& entries) {
  Bytes out{'W', 'A', 'D', '2'};
  putI32(out, static_cast<std::int32_t>(entries.size()));
  putI32(out, 0); // the directory offset, once known
  std::vector<std::int32_t> positions;
  for (const WadFileEntry& entry : entries) {
    positions.push_back(static_cast<std::int32_t>(out.size()));
    putBytes(out, entry.data);
  }
  setI32(out, 8, static_cast<std::int32_t>(out.size()));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto size = static_cast<std::int32_t>(entries[i].data.size());
    putI32(out, positions[i]);
    putI32(out, size);
    putI32(out, size);
    out.insert(out.end(), {entries[i].type, entries[i].compression, 0, 0});
    out.insert(out.end(), entries[i].name.begin(), entries[i].name.end());
  }
  return out;
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::error_code error;
  if (path.has_parent_path()) {
    std::filesystem::create_directories(path.parent_path(), error);
    if (error) {
      throw std::runtime_error("cannot create folder " + path.parent_path().string() + ": " +
                               error.message());
    }
  }
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  if (!stream) {
    throw std::runtime_error("cannot create " + path.string());
  }
  stream.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  stream.close();
  if (!stream) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

} // namespace texkit2::fixtures
