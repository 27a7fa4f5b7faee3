#pragma once

#include <cstdint>
#include <filesystem>

namespace texkit2::bench {

struct TreeShape {
  std::uint64_t entries = 0;
  std::uint64_t folders = 0; // not counting the root
  int depth = 0;
};

// The shape of the tree: Home, the default, a well-used home disk as described below; System,
// measured on this machine's root (444,000 entries in 34,700 folders): half its folders hold at
// most three entries and a quarter one, a few hold thousands, names run to 20 characters on
// average (library and package names with versions), paths 19 deep, one entry in 40 a link.
enum class TreeProfile { Home, System };

// Writes a folder tree of at least `entries` entries (folders, files and a few links) under
// `root`, shaped like a well-used disk: a dozen levels at most, wide folders near the top, file
// names of every letter case, names close to the game's executables but no executable itself,
// so that a search has to walk all of it. The same `seed` gives the same tree. Throws
// std::runtime_error when a file or folder cannot be made.
TreeShape generateTree(const std::filesystem::path& root, std::uint64_t entries,
                       std::uint32_t seed = 12345, TreeProfile profile = TreeProfile::Home);

} // namespace texkit2::bench
