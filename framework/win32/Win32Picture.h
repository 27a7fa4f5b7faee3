#pragma once

// Pictures (RGBA rows from the top) as GDI shows them. Alpha is blended here, over the colour
// behind the control: neither a plain static nor the image lists of every comctl32 blend it.

#include "framework/Picture.h"
#include "framework/win32/Win32Api.h"

#include <cstdint>
#include <vector>

namespace texkit2::framework::win32 {

// Whether `picture` holds every pixel its size promises; one that does not draws as empty.
bool hasPixels(const Picture& picture);

// One pixel over `background`, as a 32-bit DIB holds it (0x00RRGGBB).
std::uint32_t blended(const std::uint8_t* rgba, COLORREF background);

// Draws `picture` from the top-left corner of `area` at its own size, scaled down keeping its
// proportions when it does not fit, and fills the rest of `area` with `background`.
void drawPicture(HDC dc, const RECT& area, const Picture& picture, COLORREF background);

} // namespace texkit2::framework::win32
