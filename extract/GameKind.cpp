#include "extract/GameKind.h"

namespace texkit2::extract {

const GameInfo* gameInfo(GameKind game) {
  static constexpr GameInfo kQuake{"Quake", "quake.exe", "id1", "Quake.wad",
                                   "Please find the Quake(tm) game executable directory..."};
  static constexpr GameInfo kHexen2{"Hexen II", "h2.exe", "data1", "Hexen2.wad",
                                    "Please find the Hexen(tm) 2 game executable directory..."};
  switch (game) {
  case kGameQuake:
    return &kQuake;
  case kGameHexen2:
    return &kHexen2;
  default:
    return nullptr;
  }
}

} // namespace texkit2::extract
