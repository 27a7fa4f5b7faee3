#pragma once

#include <cstdint>
#include <filesystem>

namespace texkit2::bench {

struct TreeShape {
  std::uint64_t entries = 0;
  std::uint64_t folders = 0; // not counting the root
  int depth = 0;
};

// Writes a folder tree of at least `entries` entries (folders, files and a few links) under
// `root`, shaped like a well-used disk: a dozen levels at most, wide folders near the top, file
// names of every letter case, names close to the game's executables but no executable itself,
// so that a search has to walk all of it. The same `seed` gives the same tree. Throws
// std::runtime_error when a file or folder cannot be made.
TreeShape generateTree(const std::filesystem::path& root, std::uint64_t entries,
                       std::uint32_t seed = 12345);

} // namespace texkit2::bench
