// Writes the sample installations the end-to-end tests and the quick start run the tool on.

#include "tests/support/SampleGame.h"

#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using texkit2::fixtures::Game;

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

void printUsage(std::ostream& out) {
  out << "Usage: texkit2-sample-game OUTDIR [--game quake|hexen2|both]\n"
         "\n"
         "Writes a small game installation under OUTDIR (OUTDIR/quake/id1/PAK0.PAK and PAK1.PAK,\n"
         "OUTDIR/hexen2/data1/PAK0.PAK and PAK1.PAK) and prints, per game, the data folder and\n"
         "the texture counts and WAD length the tool must produce from it.\n"
         "\n"
         "  --game GAME   quake, hexen2 or both (the default)\n"
         "  --help        show this text\n";
}

std::optional<std::vector<Game>> gamesFor(std::string_view value) {
  if (value == "quake") {
    return std::vector<Game>{Game::Quake};
  }
  if (value == "hexen2") {
    return std::vector<Game>{Game::Hexen2};
  }
  if (value == "both") {
    return std::vector<Game>{Game::Quake, Game::Hexen2};
  }
  return std::nullopt;
}

int usageError(const std::string& message) {
  std::cerr << "texkit2-sample-game: " << message << "\n\n";
  printUsage(std::cerr);
  return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  std::optional<std::filesystem::path> outDir;
  std::vector<Game> games{Game::Quake, Game::Hexen2};

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      printUsage(std::cout);
      return kExitOk;
    }
    if (arg == "--game" || arg.starts_with("--game=")) {
      std::string_view value;
      if (arg == "--game") {
        if (i + 1 >= args.size()) {
          return usageError("--game needs a value");
        }
        value = args[++i];
      } else {
        value = arg.substr(std::string_view("--game=").size());
      }
      const auto chosen = gamesFor(value);
      if (!chosen) {
        return usageError("unknown game '" + std::string(value) + "'");
      }
      games = *chosen;
      continue;
    }
    if (arg.starts_with("-") && arg.size() > 1) {
      return usageError("unknown option '" + std::string(arg) + "'");
    }
    if (outDir) {
      return usageError("more than one OUTDIR given");
    }
    if (arg.empty()) {
      return usageError("OUTDIR is empty");
    }
    outDir = std::filesystem::path(arg);
  }
  if (!outDir) {
    return usageError("OUTDIR missing");
  }

  try {
    for (Game game : games) {
      const texkit2::fixtures::SampleGameInfo info =
          texkit2::fixtures::writeSampleGame(*outDir, game);
      std::cout << texkit2::fixtures::gameName(game) << "\n"
                << "  data folder:       " << std::filesystem::absolute(info.dataFolder).string()
                << "\n"
                << "  unique textures:   " << info.uniqueTextures << "\n"
                << "  simple textures:   " << info.simpleTextures << "\n"
                << "  animated textures: " << info.animatedTextures << "\n"
                << "  WAD length:        " << info.wadLength << " bytes\n";
    }
  } catch (const std::exception& error) {
    std::cerr << "texkit2-sample-game: " << error.what() << "\n";
    return kExitFailure;
  }
  return kExitOk;
}
