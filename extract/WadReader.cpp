#include "extract/WadReader.h"

#include <algorithm>

namespace texkit2::extract {
namespace {

using layout::readI32;

[[noreturn]] void malformed(const std::string& what) {
  throw WadFormatError(what);
}

std::uint32_t readU32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(readI32(bytes, at));
}

} // namespace

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
    if (entry.type == layout::kWadTypeMipTexture &&
        entry.storedSize >= static_cast<std::int32_t>(layout::kTextureNameSize + 8)) {
      std::array<std::uint8_t, 8> size{};
      if (!file.seek(entry.position + static_cast<std::int64_t>(layout::kTextureNameSize)) ||
          !file.readExact(size.data(), size.size())) {
        malformed(where + ": mip-texture header cannot be read");
      }
      entry.width = readU32(size, 0);
      entry.height = readU32(size, 4);
    }
    wad.entries.push_back(entry);
  }
  return wad;
}

} // namespace texkit2::extract
