#pragma once

#include <cstdint>
#include <vector>

namespace texkit2::framework {

// Pixels for a control: RGBA, row by row from the top. Alpha 0 lets the control's background
// show through.
struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint8_t> rgba; // width * height * 4
};

// The picture of one item of a thumbnail list fits in a square of this side; a smaller one is
// centred in it, a larger one is scaled down by the dialog before it is handed over.
inline constexpr std::int32_t kThumbnailSide = 64;

} // namespace texkit2::framework
