#pragma once

#include "images/Image.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace texkit2::images {

// A small fixed-width font drawn in code, for the names under a contact sheet's textures:
// printable ASCII in cells of 5 x 8 pixels, the last row for descenders.
inline constexpr std::int32_t kGlyphWidth = 5;
inline constexpr std::int32_t kGlyphHeight = 8;
inline constexpr std::int32_t kGlyphAdvance = kGlyphWidth + 1;

// One row per pixel row, top first; bit 4 is the leftmost column.
using Glyph = std::array<std::uint8_t, kGlyphHeight>;

// The glyph of a byte; bytes outside printable ASCII share a hollow box.
const Glyph& GlyphOf(std::uint8_t byte);

// Width in pixels of `text` drawn on one line, without the spacing after its last glyph.
std::int32_t TextWidth(std::string_view text);

// Draws `text` with its top-left corner at (x, y) in `colour`; pixels outside the image are
// left out.
void DrawText(Image& image, std::int32_t x, std::int32_t y, std::string_view text,
              const std::array<std::uint8_t, 3>& colour);

} // namespace texkit2::images
