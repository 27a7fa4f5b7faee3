#pragma once

#include "extract/Conflicts.h"
#include "extract/ExtractionFeedback.h"
#include "extract/GameKind.h"
#include "platform/File.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace texkit2::extract {

// How a run differs from the plain one, which reads PAK0.PAK and PAK1.PAK into the game's WAD
// file in the data folder.
struct ExtractionOptions {
  // Every pak<N>.pak of the data folder (N from 0 to 99, in number order), then every .bsp under
  // its maps/ folder in byte order of their paths.
  bool allArchives = false;
  // WAD2 files whose names are not written. Read before anything is written: one that cannot be
  // read fails the run. Relative paths are taken from the data folder.
  std::vector<std::string> excludeWads;
  // The WAD file to write, instead of the game's in the data folder; relative to the data folder.
  std::string output;
  // With allArchives: fill ExtractionSummary::kept, which only a full report shows.
  bool listKept = false;
};

// An archive or loose map that an allArchives run read, and how many textures it gave.
struct SourceTally {
  std::string name; // as the run opened it: "pak2.pak", "maps/e1/start.bsp"
  bool looseMap = false;
  std::int32_t textures = 0; // written from it
};

// A texture written, and where its copy came from.
struct KeptTexture {
  std::string name;
  MapSource place;
};

// A texture left out because an excluded WAD holds its name.
struct LeftOutTexture {
  std::string name;
  std::int32_t wad = 0; // index into ExtractionOptions::excludeWads
  MapSource place;      // its first copy
};

struct ExtractionSummary {
  std::string fileName; // without its folder, spelt as on disk (an earlier quake.wad keeps its)
  std::uint32_t fileLength = 0;
  std::int32_t totalEntries = 0;
  std::int32_t simpleTextures = 0;
  std::int32_t animatedTextures = 0;
  // With allArchives: each archive and loose map read, in order, and (with listKept) where each
  // texture came from, in the WAD's order.
  std::vector<SourceTally> sources;
  std::vector<KeptTexture> kept;
  // With excludeWads: how many textures each left out (in the order given), and which.
  std::vector<std::int32_t> leftOutPerWad;
  std::vector<LeftOutTexture> leftOut;
};

// Shown when an ExtractionOptions::excludeWads file is missing or no sound WAD2 file; the
// detail says which and why.
inline constexpr const char* kExcludeWadUnreadable =
    "Could not read the wad file of textures to leave out.";
// Shown when an allArchives run finds neither an archive nor a loose map.
inline constexpr const char* kNothingToRead = "No pak file and no map was found.";

// Collects every map texture of PAK0.PAK and PAK1.PAK in `dataFolder` (of PAK0.PAK alone where
// there is no PAK1.PAK) into the game's WAD file there. Every failure has been reported through
// `feedback` when it returns empty (for a game other than Quake or Hexen II it fails silently).
// Leaves `dataFolder` the current directory. The WAD file is written under a temporary name and
// replaces the old one only on success, so a failed run leaves an earlier WAD file as it was. A run
// whose archives were damaged and gave no texture at all fails. With `conflicts`, also compares
// every copy that the first-wins rule left out with the copy kept (which reads those copies too)
// and stores the outcome there; the WAD file is the same. `options` widens what is read, leaves
// names out and moves the file; every guarantee above holds for the file it names.
std::optional<ExtractionSummary> RunExtraction(platform::FileSystem& files, GameKind game,
                                               const std::string& dataFolder,
                                               ExtractionFeedback& feedback,
                                               std::vector<NameConflict>* conflicts = nullptr,
                                               const ExtractionOptions& options = {});

// Shown when damaged archives gave no texture at all; the run then fails.
inline constexpr const char* kNoTextureFound = "No texture was found. The old wad file was kept.";

// The name the WAD file is written under until the run succeeds.
std::string TemporaryWadName(const std::string& wadFileName);

} // namespace texkit2::extract
