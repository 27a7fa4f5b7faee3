#pragma once

#include "extract/Conflicts.h"
#include "extract/ExtractionFeedback.h"
#include "extract/GameKind.h"
#include "platform/File.h"

#include <cstdint>
#include <optional>
#include <string>

namespace texkit2::extract {

struct ExtractionSummary {
  std::string fileName; // without its folder, spelt as on disk (an earlier quake.wad keeps its)
  std::uint32_t fileLength = 0;
  std::int32_t totalEntries = 0;
  std::int32_t simpleTextures = 0;
  std::int32_t animatedTextures = 0;
};

// Collects every map texture of PAK0.PAK and PAK1.PAK in `dataFolder` (of PAK0.PAK alone where
// there is no PAK1.PAK) into the game's WAD file there. Every failure has been reported through
// `feedback` when it returns empty (for a game other than Quake or Hexen II it fails silently).
// Leaves `dataFolder` the current directory. The WAD file is written under a temporary name and
// replaces the old one only on success, so a failed run leaves an earlier WAD file as it was. A run
// whose archives were damaged and gave no texture at all fails. With `conflicts`, also compares
// every copy that the first-wins rule left out with the copy kept (which reads those copies too)
// and stores the outcome there; the WAD file is the same.
std::optional<ExtractionSummary> RunExtraction(platform::FileSystem& files, GameKind game,
                                               const std::string& dataFolder,
                                               ExtractionFeedback& feedback,
                                               std::vector<NameConflict>* conflicts = nullptr);

// Shown when damaged archives gave no texture at all; the run then fails.
inline constexpr const char* kNoTextureFound = "No texture was found. The old wad file was kept.";

// The name the WAD file is written under until the run succeeds.
std::string TemporaryWadName(const std::string& wadFileName);

} // namespace texkit2::extract
