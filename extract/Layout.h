#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// On-disk layouts of the three formats, as far as the tool reads or writes them.
namespace texkit2::extract::layout {

// PAK archive
inline constexpr std::size_t kPakHeaderSize = 12; // magic, directory offset, directory length
inline constexpr std::size_t kPakEntrySize = 64;
inline constexpr std::size_t kPakNameSize = 56;
inline constexpr std::array<std::uint8_t, 4> kPakMagic{'P', 'A', 'C', 'K'};

// BSP map: only the texture lump's entry (lump 2) of the header is read.
inline constexpr std::size_t kBspTextureLumpEntry = 20;
inline constexpr std::size_t kBspMinimumSize = kBspTextureLumpEntry + 8;
inline constexpr std::int32_t kBspVersion = 29; // Quake's and Hexen II's

// Mip-texture
inline constexpr std::size_t kTextureNameSize = 16;
inline constexpr std::size_t kMipHeaderSize = 40; // name, width, height, four mip offsets

// WAD2 file
inline constexpr std::size_t kWadHeaderSize = 12; // magic, entry count, directory offset
inline constexpr std::size_t kWadEntrySize = 32;
inline constexpr std::array<std::uint8_t, 4> kWadMagic{'W', 'A', 'D', '2'};
inline constexpr std::uint8_t kWadTypeMipTexture = 0x44;
inline constexpr std::uint8_t kWadNoCompression = 0;

inline std::int32_t readI32(std::span<const std::uint8_t> bytes, std::size_t at) {
  const auto u = static_cast<std::uint32_t>(bytes[at]) |
                 static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
                 static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
                 static_cast<std::uint32_t>(bytes[at + 3]) << 24;
  return static_cast<std::int32_t>(u);
}

inline void writeI32(std::span<std::uint8_t> bytes, std::size_t at, std::int32_t value) {
  const auto u = static_cast<std::uint32_t>(value);
  bytes[at] = static_cast<std::uint8_t>(u & 0xFFu);
  bytes[at + 1] = static_cast<std::uint8_t>((u >> 8) & 0xFFu);
  bytes[at + 2] = static_cast<std::uint8_t>((u >> 16) & 0xFFu);
  bytes[at + 3] = static_cast<std::uint8_t>((u >> 24) & 0xFFu);
}

} // namespace texkit2::extract::layout
