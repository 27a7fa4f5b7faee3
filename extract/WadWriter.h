#pragma once

#include "extract/ExtractionFeedback.h"
#include "extract/PakScan.h"
#include "platform/File.h"

#include <cstdint>

namespace texkit2::extract {

inline constexpr const char* kWadWriteFailed = "Could not write wad file.";
inline constexpr const char* kFileIoCaption = "File IO error";

// Writes the header (with the directory's position already in it) and every texture's bytes
// into the empty `wad`, records each texture's new position in its record and returns the
// directory's position, or -1 after reporting a failure (textures past 2 GB, no memory for the
// copy buffer, a failed write, a short read from an archive).
std::int32_t WriteWadData(platform::File& wad, TextureTable& table, ExtractionFeedback& feedback);

// Writes the directory at `directoryOffset`, as WriteWadData returned it. False after reporting
// a failed write.
bool WriteWadDirectory(platform::File& wad, const TextureTable& table, std::int32_t directoryOffset,
                       ExtractionFeedback& feedback);

// Adds each texture to `simple` or `animated` (names beginning with '+' or '*') and frees the
// table.
void TallyAndFree(TextureTable& table, std::int32_t& simple, std::int32_t& animated);

} // namespace texkit2::extract
