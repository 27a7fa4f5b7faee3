#pragma once

// A small, fixed game installation for end-to-end tests and the quick start, and the reference
// rules that say which textures the tool must keep from it.
//
// Quake:    ROOT/quake/quake.exe, ROOT/quake/id1/PAK0.PAK, ROOT/quake/id1/PAK1.PAK
// Hexen II: ROOT/hexen2/h2.exe,   ROOT/hexen2/data1/PAK0.PAK, ROOT/hexen2/data1/PAK1.PAK
//
// Every run writes the same bytes. The counts are not written down anywhere: they come from
// reading the archives back with collectTextures, so they follow the rules below.
//
// Rules (collectTextures):
//  - Archives in the order given (PAK0 then PAK1); in each, directory entries in order; an entry
//    is a map when the text after the first '.' of its name is exactly "bsp" (so "E1M1.BSP",
//    "x.bsp.bak" and "v1.0/x.bsp" are not maps).
//  - In a map, lump 2's slots in order; offset -1 is an empty slot and is skipped.
//  - A texture's size runs from its offset to the next non-empty slot's offset, or to the lump
//    length for the last one; padding is therefore included.
//  - A texture is kept when its 16-byte name is new. Names are equal when they agree up to and
//    including their first zero byte (bytes after it do not count), or in all 16 bytes when
//    neither has a zero. Letter case counts. The first copy met wins.
//  - Animated: the name's first byte is '+' or '*'.
//  - WAD length: 12 + sum of kept sizes + 32 per kept texture.

#include "tests/support/Builders.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace texkit2::fixtures {

enum class Game { Quake, Hexen2 };

struct SampleGameInfo {
  std::filesystem::path gameFolder; // ROOT/quake or ROOT/hexen2
  std::filesystem::path dataFolder; // gameFolder/id1 or gameFolder/data1, holding the archives
  int uniqueTextures = 0;
  int simpleTextures = 0;   // unique textures that are not animated
  int animatedTextures = 0; // unique textures named +... or *...
  std::uint32_t wadLength = 0;
};

// One archive of the sample game, as written to the data folder.
struct SampleArchive {
  std::string fileName; // "PAK0.PAK" or "PAK1.PAK"
  Bytes data;
};

// One texture the tool must keep, in the order it must keep them.
struct ExpectedTexture {
  TextureName name;       // the 16 name bytes as stored, including any bytes after the zero
  std::uint32_t size = 0; // its extent in the lump (padding included); equals data.size()
  Bytes data;             // exactly the `size` bytes at its offset in the lump
  std::string archive;    // SampleArchive::fileName it came from
  std::string map;        // the map's directory name, e.g. "maps/dm/dm3.bsp"
  std::size_t slot = 0;   // its index in that map's texture lump
  bool animated = false;
};

// "quake" or "hexen2": the folder under ROOT and the --game value.
std::string gameName(Game game);
// "id1" or "data1".
std::string dataFolderName(Game game);

// The made-up palette the game's PAK0.PAK carries as gfx/palette.lmp (768 bytes).
Bytes samplePalette(Game game);

// The archive images of the sample game, PAK0 first.
std::vector<SampleArchive> sampleArchives(Game game);

// Writes the installation under `root` (creating folders, replacing files already there) and
// returns its folders and expected counts. Throws std::runtime_error when a file cannot be
// written.
SampleGameInfo writeSampleGame(const std::filesystem::path& root, Game game);

// The textures the tool must keep from the sample game, in order.
std::vector<ExpectedTexture> expectedTextures(Game game);

// The reference rules above, applied to any well-formed archives (e.g. ones a test built with
// makePak). Throws std::runtime_error on anything malformed: it is a measuring stick for sound
// input, not a second reader to test damaged files against.
std::vector<ExpectedTexture> collectTextures(const std::vector<SampleArchive>& archives);

// Counts and WAD length of a list of kept textures; the folders are left empty.
SampleGameInfo summarize(const std::vector<ExpectedTexture>& textures);
std::uint32_t expectedWadLength(const std::vector<ExpectedTexture>& textures);

bool sameTextureName(const TextureName& a, const TextureName& b);
bool isAnimatedName(const TextureName& name);
bool isMapEntryName(std::string_view entryName);

} // namespace texkit2::fixtures
