#pragma once

#include "extract/GameKind.h"
#include "locate/GameLibraries.h"
#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/HostRegistry.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace texkit2::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// TrenchBroom's Preferences.json for the user running the tool.
std::optional<std::string> hostTrenchBroomPreferences(std::string& whyNot);

// What a command may touch, so tests can run it against their own folders.
struct CliContext {
  platform::FileSystem& files;
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;
  std::function<platform::HostRegistry(const std::optional<std::filesystem::path>&)> openRegistry =
      platform::openHostRegistry;
  // The drive table `search` walks and `drives` lists.
  platform::Drives* drives = &platform::hostDrives();
  // Where `games` looks: this machine's stores, or a test's folders and registries.
  std::function<locate::HostGameLibrarySources(const std::optional<std::filesystem::path>&)>
      gameLibrarySources = [](const std::optional<std::filesystem::path>& winePrefix) {
        return locate::hostGameLibrarySources(winePrefix);
      };
  // Where TrenchBroom keeps its preferences; nullopt with the reason when that is unknown.
  std::function<std::optional<std::string>(std::string& whyNot)> trenchBroomPreferences =
      hostTrenchBroomPreferences;
};

// The game a --game value names (quake or hexen2, in any letter case); nullopt after saying on
// stderr why there is none.
std::optional<extract::GameKind> gameNamed(const std::optional<std::string>& name,
                                           const char* command, CliContext& context);

// Runs `texkit2-cli` with the arguments after the program name; returns the exit code.
int runCli(const std::vector<std::string>& args, CliContext& context);

} // namespace texkit2::cli
