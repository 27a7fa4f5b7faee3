#pragma once

// Mission packs, add-ons and mods as they lie beside a game's data folder, and maps of every
// format the games and their source ports write, for the runs that read all of a folder.

#include "tests/support/Builders.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace texkit2::fixtures {

// Quake's and Hexen II's BSP29 (one format, their submodel records apart), and the two 32-bit
// formats of the source ports, whose idents stand where the version number stands.
enum class MapFormat { QuakeBsp29, Hexen2Bsp29, Bsp2, Bsp2Psb };

// "BSP29 (Quake)", "BSP2", ...
std::string mapFormatName(MapFormat format);

// A map of `format` whose texture lump (lump 2, in every format) holds 16 x 16 textures of
// these names, each drawn from its seed.
using NamedTextures = std::vector<std::pair<std::string, std::uint32_t>>;
Bytes makeMap(MapFormat format, const NamedTextures& textures);

// A mission pack or an add-on (hipnotic, rogue, mg1...): FOLDER/pak0.pak alone, holding
// maps/NAME.bsp with these textures.
void writeAddOnFolder(const std::filesystem::path& folder, const NamedTextures& textures);

// Hexen II's mission pack: FOLDER/pak3.pak alone (its numbers go on from data1's), holding one
// Hexen II map with these textures.
void writePortalsFolder(const std::filesystem::path& folder, const NamedTextures& textures);

// A mod: pak0.pak and pak2.pak (no pak1.pak) and loose maps in nested folders of maps/. Each
// archive and map holds one texture of its own ("mod_pak0", "mod_pak2", "mod_a", ...) and the
// texture "shared", in each its own seed, so that the first copy met tells the reading order.
struct ModFolder {
  // Every archive and loose map, in the order a run that reads them all must read them:
  // archives by number, then maps by path, '/'-separated from the mod folder.
  std::vector<std::string> sources;
  // The textures that run writes, in order, with the source each came from.
  std::vector<std::pair<std::string, std::string>> textures;
};
ModFolder writeModFolder(const std::filesystem::path& folder);

} // namespace texkit2::fixtures
