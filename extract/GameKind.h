#pragma once

#include <cstdint>
#include <string>

namespace texkit2::extract {

// The selected game; -1 until the user has chosen one.
using GameKind = std::int32_t;
inline constexpr GameKind kGameNone = -1;
inline constexpr GameKind kGameQuake = 0;
inline constexpr GameKind kGameHexen2 = 1;

// Everything that differs between the two games.
struct GameInfo {
  const char* title;
  const char* executable;     // lower case, as the drive search compares it
  const char* dataFolderName; // without its separator
  const char* wadFileName;
  const char* locatePrompt;
};

// Null for any value other than kGameQuake and kGameHexen2.
const GameInfo* gameInfo(GameKind game);

} // namespace texkit2::extract
