#pragma once

#include "platform/File.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace texkit2::extract {

// 256 RGB triples, as gfx/palette.lmp holds them.
inline constexpr std::size_t kPaletteSize = 768;
using Palette = std::array<std::uint8_t, kPaletteSize>;

// Where the games keep their palette, in their archives or beside them.
inline constexpr const char* kPaletteEntryName = "gfx/palette.lmp";

// The outcome of looking for a palette: the palette and where it came from, or why there is
// none.
struct PaletteLookup {
  std::optional<Palette> palette;
  std::string source; // "/q/id1/PAK1.PAK (gfx/palette.lmp)", for messages
  // Each place looked at, in order, with what it held: "/q/id1/PAK1.PAK: no gfx/palette.lmp".
  std::vector<std::string> looked;
  // Set when what was found is no palette (another size, unreadable); the search stops there,
  // as the engine would take it all the same.
  std::string error;
};

// The palette the engine would use for the data folder `folder`: gfx/palette.lmp from the last
// of its archives PAK0.PAK, PAK1.PAK, ... (up to the first that is missing) that holds one, else
// the loose file gfx/palette.lmp in the folder, which the engine searches after its archives.
PaletteLookup FindGamePalette(platform::FileSystem& files, const std::string& folder);

// The palette for the WAD file `wadPath`: FindGamePalette of the folder that holds it, which for
// a WAD file the tool wrote is the game's data folder.
PaletteLookup FindPaletteBesideWad(platform::FileSystem& files, const std::string& wadPath);

// A palette file the user named: exactly 768 bytes.
PaletteLookup LoadPaletteFile(platform::FileSystem& files, const std::string& path);

} // namespace texkit2::extract
