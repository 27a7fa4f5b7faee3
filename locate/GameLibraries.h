#pragma once

#include "extract/GameKind.h"
#include "platform/RegistryStore.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace texkit2::locate {

// Where an installation was recorded. The order is the order of preference.
enum class GameStore { Steam, Gog, Epic, Package };

// "Steam", "GOG", "Epic", "Package".
const char* gameStoreName(GameStore store);

// A folder of an installation that holds the game's archives.
struct DataFolder {
  std::filesystem::path path; // spelt as on disk
  std::string relative;       // below the installation folder, '/'-separated: "rerelease/id1"
  std::vector<std::string> archives; // pak<N>.pak names as on disk, in number order
  std::vector<unsigned> numbers;     // the N of each archive, in the same order

  bool holds(unsigned number) const;
};

struct GameInstallation {
  extract::GameKind game = extract::kGameNone;
  GameStore store = GameStore::Steam;
  std::filesystem::path winePrefix;    // the Wine prefix it was found through; empty when native
  std::filesystem::path folder;        // the installation folder, spelt as on disk
  std::vector<DataFolder> dataFolders; // never empty
};

// Everything the lookups read, so tests can point them at folders and stores of their own.
// A lookup runs only when its sources are given: empty paths and null stores are skipped.
struct GameLibrarySources {
  // Linux Steam: ~/.steam/steam, $XDG_DATA_HOME/Steam (default ~/.local/share/Steam) and
  // Flatpak's ~/.var/app/com.valvesoftware.Steam/.local/share/Steam.
  std::filesystem::path home;
  std::string xdgDataHome; // the value of $XDG_DATA_HOME; empty when unset

  // Windows: Steam's and GOG's registry keys. HKEY_CURRENT_USER is read through
  // `userRegistry`, HKEY_LOCAL_MACHINE through `machineRegistry` (the same store may serve both).
  platform::RegistryStore* userRegistry = nullptr;
  platform::RegistryStore* machineRegistry = nullptr;
  // Windows: %ProgramData%, which holds Epic's manifests.
  std::filesystem::path programData;

  // Linux packages (game-data-packager): <packageRoot>/quake and <packageRoot>/hexen2.
  std::filesystem::path packageRoot;

  // Wine prefixes, each searched as a Windows machine (registry files and drive_c), in order.
  std::vector<std::filesystem::path> winePrefixes;
};

// The sources of this machine. On Windows: its registry and %ProgramData%. Elsewhere: $HOME,
// $XDG_DATA_HOME, /usr/share/games, then the Wine prefixes `extraWinePrefix` (--wine-prefix),
// $WINEPREFIX and ~/.wine, each once.
struct HostGameLibrarySources {
  GameLibrarySources sources;
  std::vector<std::unique_ptr<platform::RegistryStore>> stores; // owned; sources points at them
};
HostGameLibrarySources
hostGameLibrarySources(const std::optional<std::filesystem::path>& extraWinePrefix = {});

struct GameLibrariesResult {
  // Steam, GOG, Epic, packages, then each Wine prefix (Steam, GOG, Epic inside each).
  // The same folder reached twice is reported once, where it was first met.
  std::vector<GameInstallation> installations;
  // What was skipped and why (missing, unreadable, damaged, duplicate): for --verbose only.
  std::vector<std::string> notes;
};

// Finds the installations of `game` (or of both games for kGameNone) that the stores and
// package managers record. Reads only the records and the folders they name: no walk.
// Bad records are skipped with a note; nothing here throws on what it reads.
GameLibrariesResult findGameLibraries(const GameLibrarySources& sources,
                                      extract::GameKind game = extract::kGameNone);

// The base data folder to take for `game` from `installations` (in their order): id1 or
// rerelease/id1 for Quake, data1 for Hexen II, that holds pak0.pak. Stores are taken in the
// list's order; within each store (and Wine prefix), a folder with pak0.pak and pak1.pak comes
// before one with pak0.pak alone. The path ends in the platform's separator; nullopt if none.
std::optional<std::string> baseDataFolder(const std::vector<GameInstallation>& installations,
                                          extract::GameKind game);

// The data folders of one installation, for a WAD file each: the base game's, and every other
// that holds archives or loose maps of its own.
struct InstallationFolders {
  std::filesystem::path base; // id1 (else rerelease/id1) or data1 holding pak0.pak; empty if none
  // The known add-on folders (hipnotic, rogue, dopa, mg1, ctf, mg3 at the top or under
  // rerelease/; portals, hw) that hold a pak<N>.pak or a maps folder, in that order, then any
  // other folder beside `base` that holds a pak*.pak or a maps folder, in byte order. Folders
  // reached through links are left out, as in any walk.
  std::vector<std::filesystem::path> others;
};
InstallationFolders installationFolders(extract::GameKind game,
                                        const std::filesystem::path& folder);

// Epic's manifests are JSON written by another program: this reads one, bounded (size, nesting).
struct EpicManifest {
  std::string displayName;
  std::string installLocation;
};
inline constexpr std::size_t kEpicManifestMaxBytes = 4u << 20;
// nullopt, with the reason in `error`, for anything but a JSON object of at most
// kEpicManifestMaxBytes bytes, 64 levels deep, with string DisplayName and InstallLocation.
std::optional<EpicManifest> readEpicManifest(std::string_view bytes, std::string& error);

} // namespace texkit2::locate
