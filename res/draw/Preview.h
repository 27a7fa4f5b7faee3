#pragma once

#include "res/draw/Artwork.h"

#include <QString>
#include <vector>

namespace texkit2::res {

// Writes each picture enlarged four times, pixel for pixel, on a light checkerboard where it is
// transparent (clips one frame per row), plus overview.png: everything at its real size on the
// dialog grey and on white. Returns false when a file cannot be written.
bool writePreviews(const std::vector<Artwork>& artwork, const QString& folder);

} // namespace texkit2::res
