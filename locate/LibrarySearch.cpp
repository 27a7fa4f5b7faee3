#include "locate/LibrarySearch.h"

#include "locate/DriveSearch.h"
#include "locate/GameLibraries.h"

namespace texkit2::locate {

LibraryLookup libraryLookup(const GameLibrarySources& sources) {
  return [&sources](extract::GameKind game) {
    return baseDataFolder(findGameLibraries(sources, game).installations, game);
  };
}

LibraryLookup hostLibraryLookup(std::optional<std::filesystem::path> winePrefix) {
  return [winePrefix = std::move(winePrefix)](extract::GameKind game) {
    const HostGameLibrarySources host = hostGameLibrarySources(winePrefix);
    return baseDataFolder(findGameLibraries(host.sources, game).installations, game);
  };
}

bool SearchGameLibraries(const LibraryLookup& lookup, platform::FileSystem& files,
                         extract::GameKind game, std::string& gameDataFolder) {
  const std::optional<std::string> recorded = lookup ? lookup(game) : std::nullopt;
  if (!recorded) {
    return false;
  }
  gameDataFolder = *recorded;
  if (!files.setCurrentDirectory(gameDataFolder)) {
    gameDataFolder.clear();
    return false;
  }
  return FindDataArchives(files) != DataArchives::None;
}

} // namespace texkit2::locate
