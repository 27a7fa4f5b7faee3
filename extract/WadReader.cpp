#include "extract/WadReader.h"

#include <algorithm>
#include <cstdio>

namespace texkit2::extract {
namespace {

using layout::readI32;

[[noreturn]] void malformed(const std::string& what) {
  throw WadFormatError(what);
}

} // namespace

std::optional<MipHeader> ReadMipHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < layout::kMipHeaderSize) {
    return std::nullopt;
  }
  MipHeader header;
  std::copy_n(bytes.begin(), header.name.size(), header.name.begin());
  header.width = readI32(bytes, layout::kTextureNameSize);
  header.height = readI32(bytes, layout::kTextureNameSize + 4);
  for (std::size_t level = 0; level < header.offsets.size(); ++level) {
    header.offsets[level] = readI32(bytes, layout::kTextureNameSize + 8 + 4 * level);
  }
  return header;
}

std::string CheckMipHeader(const MipHeader& header, std::int64_t size) {
  if (header.name[0] == 0) {
    return "empty name";
  }
  // Spelt out only for a texture that fails: every texture of a run passes through here.
  const auto dimensions = [&] {
    return std::to_string(header.width) + " x " + std::to_string(header.height);
  };
  if (header.width <= 0 || header.height <= 0) {
    return "dimensions " + dimensions() + " are not positive";
  }
  const std::int64_t room = size - static_cast<std::int64_t>(layout::kMipHeaderSize);
  if (static_cast<std::int64_t>(header.width) * header.height > room) {
    return "dimensions " + dimensions() + " need more than the " + std::to_string(room) +
           " bytes after the header";
  }
  for (std::size_t level = 0; level < header.offsets.size(); ++level) {
    // Each level halves both sides.
    const std::int64_t bytes = static_cast<std::int64_t>(header.width >> level) *
                               static_cast<std::int64_t>(header.height >> level);
    const std::int64_t offset = header.offsets[level];
    if (offset < 0 || offset + bytes > size) {
      return "level " + std::to_string(level) + " at offset " + std::to_string(offset) + " of " +
             std::to_string(bytes) + " bytes lies outside the " + std::to_string(size) +
             " bytes of the texture";
    }
  }
  return {};
}

std::string CheckMipTexture(std::span<const std::uint8_t> start, std::int64_t size) {
  const auto header = ReadMipHeader(start);
  if (!header || size < static_cast<std::int64_t>(layout::kMipHeaderSize)) {
    return std::to_string(size) + " bytes, too short for the " +
           std::to_string(layout::kMipHeaderSize) + "-byte mip-texture header";
  }
  return CheckMipHeader(*header, size);
}

MipTexture DecodeMipTexture(std::span<const std::uint8_t> bytes) {
  if (const std::string problem = CheckMipTexture(bytes, static_cast<std::int64_t>(bytes.size()));
      !problem.empty()) {
    malformed(problem);
  }
  const auto header = ReadMipHeader(bytes);
  MipTexture texture;
  texture.header = *header;
  for (std::size_t level = 0; level < texture.levels.size(); ++level) {
    MipLevel& out = texture.levels[level];
    out.width = header->width >> level;
    out.height = header->height >> level;
    // CheckMipHeader has put every level inside `bytes`.
    const auto first = bytes.begin() + header->offsets[level];
    out.indices.assign(first, first + static_cast<std::ptrdiff_t>(out.width) * out.height);
  }
  return texture;
}

MipTexture ReadMipTexture(platform::File& file, const WadEntry& entry) {
  if (!entry.isMipTexture()) {
    char type[8];
    std::snprintf(type, sizeof type, "0x%02x", entry.type);
    malformed(std::string("not a mip-texture (type ") + type + ")");
  }
  if (entry.compression != layout::kWadNoCompression) {
    malformed("compressed (method " + std::to_string(entry.compression) + ")");
  }
  // The file may have changed since its directory was read.
  if (entry.position < 0 || entry.storedSize < 0 ||
      static_cast<std::int64_t>(entry.position) + entry.storedSize > file.length()) {
    malformed("data at " + std::to_string(entry.position) + " of " +
              std::to_string(entry.storedSize) + " bytes lies outside the file");
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(entry.storedSize));
  if (!file.seek(entry.position) || !file.readExact(bytes.data(), bytes.size())) {
    malformed("its " + std::to_string(bytes.size()) + " bytes at " +
              std::to_string(entry.position) + " cannot be read");
  }
  return DecodeMipTexture(bytes);
}

WadContents ReadWad(platform::File& file) {
  WadContents wad;
  wad.fileLength = file.length();
  if (wad.fileLength < static_cast<std::int64_t>(layout::kWadHeaderSize)) {
    malformed("file is " + std::to_string(wad.fileLength) +
              " bytes, shorter than the 12-byte WAD2 header");
  }
  std::array<std::uint8_t, layout::kWadHeaderSize> header{};
  if (!file.seek(0) || !file.readExact(header.data(), header.size())) {
    malformed("header cannot be read");
  }
  if (!std::equal(layout::kWadMagic.begin(), layout::kWadMagic.end(), header.begin())) {
    malformed("not a WAD2 file (the first four bytes are not \"WAD2\")");
  }
  const std::int64_t count = readI32(header, 4);
  wad.directoryOffset = readI32(header, 8);
  if (count < 0) {
    malformed("negative entry count " + std::to_string(count) + " at offset 4");
  }
  const std::int64_t directoryBytes = count * static_cast<std::int64_t>(layout::kWadEntrySize);
  if (wad.directoryOffset < static_cast<std::int32_t>(layout::kWadHeaderSize) ||
      wad.directoryOffset + directoryBytes > wad.fileLength) {
    malformed("directory of " + std::to_string(count) + " entries at offset " +
              std::to_string(wad.directoryOffset) + " does not fit the file of " +
              std::to_string(wad.fileLength) + " bytes");
  }
  std::vector<std::uint8_t> directory(static_cast<std::size_t>(directoryBytes));
  if (count > 0 &&
      (!file.seek(wad.directoryOffset) || !file.readExact(directory.data(), directory.size()))) {
    malformed("directory cannot be read");
  }
  wad.entries.reserve(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    const auto bytes = std::span<const std::uint8_t>(directory).subspan(i * layout::kWadEntrySize,
                                                                        layout::kWadEntrySize);
    WadEntry entry;
    entry.position = readI32(bytes, 0);
    entry.storedSize = readI32(bytes, 4);
    entry.size = readI32(bytes, 8);
    entry.type = bytes[12];
    entry.compression = bytes[13];
    std::copy_n(bytes.begin() + 16, entry.name.size(), entry.name.begin());
    const std::string where =
        "entry " + std::to_string(i) + " (\"" + TextureNameText(entry.name) +
        "\", directory offset " +
        std::to_string(wad.directoryOffset + static_cast<std::int64_t>(i) * 32) + ")";
    if (entry.position < 0 || entry.storedSize < 0 ||
        static_cast<std::int64_t>(entry.position) + entry.storedSize > wad.fileLength) {
      malformed(where + ": data at " + std::to_string(entry.position) + " of " +
                std::to_string(entry.storedSize) + " bytes lies outside the file");
    }
    if (entry.isMipTexture()) {
      std::array<std::uint8_t, layout::kMipHeaderSize> mipBytes{};
      const auto headerBytes =
          std::min<std::size_t>(mipBytes.size(), static_cast<std::size_t>(entry.storedSize));
      if (!file.seek(entry.position) || !file.readExact(mipBytes.data(), headerBytes)) {
        malformed(where + ": mip-texture header cannot be read");
      }
      const auto start = std::span<const std::uint8_t>(mipBytes).first(headerBytes);
      entry.mip = ReadMipHeader(start);
      entry.problem = CheckMipTexture(start, entry.storedSize);
    }
    wad.entries.push_back(entry);
  }
  return wad;
}

} // namespace texkit2::extract
