#pragma once

#include "extract/GameKind.h"
#include "platform/File.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace texkit2::locate {

struct GameLibrarySources;

// Where the game libraries (the stores' and packages' records) put `game`'s base data folder,
// ending in the separator; nullopt when they hold none.
using LibraryLookup = std::function<std::optional<std::string>(extract::GameKind game)>;

// A lookup over `sources`, which must outlive it.
LibraryLookup libraryLookup(const GameLibrarySources& sources);
// A lookup over this machine's records, read afresh on each call; `winePrefix` is looked in
// besides the usual prefixes.
LibraryLookup hostLibraryLookup(std::optional<std::filesystem::path> winePrefix = {});

// Takes the data folder the libraries record for `game` as the drive search takes the one it
// finds: made current and checked (FindDataArchives). True, with `gameDataFolder` set, when it
// holds the archives; `gameDataFolder` is left alone when the libraries record none.
bool SearchGameLibraries(const LibraryLookup& lookup, platform::FileSystem& files,
                         extract::GameKind game, std::string& gameDataFolder);

} // namespace texkit2::locate
