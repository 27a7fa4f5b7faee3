#include "cli/GamesCommands.h"

#include "cli/CommandLine.h"
#include "cli/Json.h"
#include "cli/TextureNames.h"
#include "locate/GameLibraries.h"

#include <cstdio>
#include <optional>

namespace texkit2::cli {
namespace {

constexpr const char* kGamesHelp =
    R"(Usage: texkit2-cli games [--game quake|hexen2] [--json] [--wine-prefix DIR] [--verbose]

Lists every installation of Quake and Hexen II that a store or package manager recorded, without
walking any drive: Steam (its libraryfolders.vdf and appmanifest files), GOG (its registry keys),
Epic (its manifests), Debian's game-data-packager (/usr/share/games/quake and hexen2) and, on
Linux, the same Windows stores inside Wine prefixes (~/.wine, $WINEPREFIX and --wine-prefix).
For each: the game, the store, the installation folder, then each data folder (id1,
rerelease/id1, the mission packs and add-ons; data1, portals, hw) on a line of its own with the
pak files it holds.

Options:
  --game GAME        quake or hexen2 (default: both)
  --json             print the list as JSON
  --wine-prefix DIR  also look inside this Wine prefix, first among the prefixes
  --verbose          say on stderr what was skipped and why
  --help             show this text

Exit status: 0 when an installation was found, 1 when none was, 2 on a usage error.
)";

std::string pathText(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return printable(std::string(utf8.begin(), utf8.end()));
}

const char* gameWord(extract::GameKind game) {
  return game == extract::kGameQuake ? "quake" : "hexen2";
}

void printJson(const std::vector<locate::GameInstallation>& installations, std::ostream& out) {
  out << "{\"installations\": [";
  for (std::size_t i = 0; i < installations.size(); ++i) {
    const auto& installation = installations[i];
    std::string folders = "[";
    for (std::size_t k = 0; k < installation.dataFolders.size(); ++k) {
      const auto& data = installation.dataFolders[k];
      folders += (k == 0 ? "" : ", ") + jsonObject({{"path", jsonPath(data.path)},
                                                    {"relative", jsonText(data.relative)},
                                                    {"archives", jsonTextList(data.archives)}});
    }
    folders += "]";
    out << (i == 0 ? "" : ", ")
        << jsonObject(
               {{"game", jsonText(gameWord(installation.game))},
                {"store", jsonText(locate::gameStoreName(installation.store))},
                {"winePrefix", installation.winePrefix.empty() ? std::string("null")
                                                               : jsonPath(installation.winePrefix)},
                {"folder", jsonPath(installation.folder)},
                {"dataFolders", folders}});
  }
  out << "]}\n";
}

void printText(const std::vector<locate::GameInstallation>& installations, std::ostream& out) {
  for (const auto& installation : installations) {
    out << extract::gameInfo(installation.game)->title << "  "
        << locate::gameStoreName(installation.store);
    if (!installation.winePrefix.empty()) {
      out << " (Wine prefix " << pathText(installation.winePrefix) << ")";
    }
    out << "  " << pathText(installation.folder) << '\n';
    for (const auto& data : installation.dataFolders) {
      out << "  " << pathText(data.path);
      for (const auto& archive : data.archives) {
        out << "  " << printable(archive);
      }
      out << '\n';
    }
  }
}

} // namespace

int runGames(const std::vector<std::string>& args, CliContext& context) {
  std::optional<std::string> game;
  std::optional<std::string> winePrefix;
  bool json = false;
  bool verbose = false;
  CommandLine line("texkit2-cli games: ");
  line.value("--game", game, "a value: quake or hexen2")
      .value("--wine-prefix", winePrefix, "a value")
      .flag("--json", json)
      .flag("--verbose", verbose);
  if (const auto exit = line.parse(args, context, kGamesHelp)) {
    return *exit;
  }
  extract::GameKind kind = extract::kGameNone;
  if (game) {
    const auto chosen = gameNamed(game, "games", context);
    if (!chosen) {
      return kExitUsage;
    }
    kind = *chosen;
  }
  const locate::HostGameLibrarySources host = context.gameLibrarySources(
      winePrefix ? std::optional<std::filesystem::path>(*winePrefix) : std::nullopt);
  const locate::GameLibrariesResult found = locate::findGameLibraries(host.sources, kind);
  if (verbose) {
    for (const auto& note : found.notes) {
      context.err << printable(note) << '\n';
    }
  }
  if (json) {
    printJson(found.installations, context.out);
  } else {
    printText(found.installations, context.out);
  }
  if (found.installations.empty()) {
    if (!json) {
      context.err << "texkit2-cli games: no installation found\n";
    }
    return kExitFailure;
  }
  return kExitSuccess;
}

} // namespace texkit2::cli
