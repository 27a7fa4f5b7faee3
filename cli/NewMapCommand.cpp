#include "cli/NewMapCommand.h"

#include "cli/CommandLine.h"
#include "extract/TrenchBroomPreferences.h"
#include "extract/WadReader.h"
#include "platform/AsciiCase.h"

#include <array>
#include <filesystem>
#include <optional>
#include <sstream>

namespace texkit2::cli {
namespace {

constexpr const char* kNewMapHelp =
    R"(Usage: texkit2-cli newmap --game quake|hexen2 [--wad WADFILE] [--force] FILE.map

Writes a small map that opens in TrenchBroom with its textures and that a map compiler turns
into a playable level: Valve 220 format, a worldspawn whose "wad" is the WAD file's absolute
path, with a little light everywhere since the room has no sky, a closed room of six brushes
in the WAD's first plain wall texture, a light and an info_player_start.

Options:
  --game GAME     quake or hexen2 (required)
  --wad WADFILE   the WAD file (default: Quake.wad or Hexen2.wad in the data folder of
                  TrenchBroom's game path, which register sets up for TrenchBroom)
  --force         replace FILE.map when it exists
  --help          show this text

Exit status: 0 when the map was written, 1 when it was not, 2 on a usage error.
)";

// The room's inside, in map units; the walls are kWall thick around it.
constexpr int kHalfWidth = 256;
constexpr int kHeight = 256;
constexpr int kWall = 16;

struct Box {
  std::array<int, 3> min;
  std::array<int, 3> max;
};

// The six faces of a box, each through three points in the order that makes its normal point
// out of the box, with Valve 220 texture axes that lie in its plane.
std::string boxBrush(const Box& box, const std::string& texture) {
  const auto [x0, y0, z0] = box.min;
  const auto [x1, y1, z1] = box.max;
  struct Face {
    std::array<std::array<int, 3>, 3> points;
    const char* axes;
  };
  const std::array<Face, 6> faces = {{
      {{{{x0, y0, z0}, {x0, y1, z0}, {x0, y0, z1}}}, "[ 0 1 0 0 ] [ 0 0 -1 0 ]"},
      {{{{x1, y1, z1}, {x1, y1, z0}, {x1, y0, z1}}}, "[ 0 1 0 0 ] [ 0 0 -1 0 ]"},
      {{{{x0, y0, z0}, {x0, y0, z1}, {x1, y0, z0}}}, "[ 1 0 0 0 ] [ 0 0 -1 0 ]"},
      {{{{x1, y1, z1}, {x0, y1, z1}, {x1, y1, z0}}}, "[ 1 0 0 0 ] [ 0 0 -1 0 ]"},
      {{{{x0, y0, z0}, {x1, y0, z0}, {x0, y1, z0}}}, "[ 1 0 0 0 ] [ 0 -1 0 0 ]"},
      {{{{x1, y1, z1}, {x1, y0, z1}, {x0, y1, z1}}}, "[ 1 0 0 0 ] [ 0 -1 0 0 ]"},
  }};
  std::ostringstream out;
  out << "{\n";
  for (const auto& face : faces) {
    for (const auto& p : face.points) {
      out << "( " << p[0] << ' ' << p[1] << ' ' << p[2] << " ) ";
    }
    out << texture << ' ' << face.axes << " 0 1 1\n";
  }
  out << "}\n";
  return out.str();
}

// The room: floor and ceiling over the whole square, four walls between them.
std::vector<Box> roomBrushes() {
  constexpr int a = kHalfWidth;
  constexpr int b = kHalfWidth + kWall;
  return {
      {{-b, -b, -kWall}, {b, b, 0}},                // floor
      {{-b, -b, kHeight}, {b, b, kHeight + kWall}}, // ceiling
      {{-b, -b, 0}, {-a, b, kHeight}},              // west
      {{a, -b, 0}, {b, b, kHeight}},                // east
      {{-a, -b, 0}, {a, -a, kHeight}},              // south
      {{-a, a, 0}, {a, b, kHeight}},                // north
  };
}

// Sky, liquids (*), alpha-tested ({) and animated (+) textures are no wall to stand in.
bool plainWall(const extract::WadEntry& entry, std::string& name) {
  if (!entry.isMipTexture() || !entry.problem.empty() || entry.animated()) {
    return false;
  }
  name = extract::TextureNameText(entry.name);
  if (name.empty() || name[0] == '*' || name[0] == '{' || name[0] == '+' ||
      platform::lowerAscii(name).starts_with("sky")) {
    return false;
  }
  // A map file separates its tokens by spaces and quotes.
  for (const char c : name) {
    if (c <= ' ' || c > '~' || c == '"' || c == '(' || c == ')' || c == '[' || c == ']') {
      return false;
    }
  }
  return true;
}

std::string mapText(extract::GameKind game, const std::string& wadPath,
                    const std::string& texture) {
  std::ostringstream out;
  out << "// Game: " << extract::TrenchBroomGameName(game) << "\n"
      << "// Format: Valve\n"
      << "// entity 0\n{\n"
      << "\"mapversion\" \"220\"\n"
      << "\"classname\" \"worldspawn\"\n"
      << "\"wad\" \"" << wadPath
      << "\"\n"
      // The light tools read worldspawn's "light" as the least light anywhere: with no sky to
      // light the room, it keeps the walls from black.
      << "\"light\" \"20\"\n";
  int brush = 0;
  for (const Box& box : roomBrushes()) {
    out << "// brush " << brush++ << '\n' << boxBrush(box, texture);
  }
  out << "}\n"
      << "// entity 1\n{\n"
      << "\"classname\" \"light\"\n"
      << "\"origin\" \"0 0 " << kHeight - 64 << "\"\n"
      << "\"light\" \"300\"\n"
      << "}\n"
      << "// entity 2\n{\n"
      << "\"classname\" \"info_player_start\"\n"
      << "\"origin\" \"-128 0 24\"\n"
      << "\"angle\" \"0\"\n"
      << "}\n";
  return out.str();
}

// The WAD file TrenchBroom's game path leads to; nullopt after saying why there is none.
std::optional<std::string> defaultWad(extract::GameKind game, CliContext& context) {
  std::string whyNot;
  const auto file = context.trenchBroomPreferences(whyNot);
  std::optional<std::string> gamePath;
  if (file) {
    gamePath = extract::ReadTrenchBroomGamePath(context.files, *file, game, whyNot);
  }
  if (!gamePath) {
    context.err << "texkit2-cli newmap: no --wad given and no game path from TrenchBroom: "
                << whyNot << '\n';
    return std::nullopt;
  }
  const extract::GameInfo* info = extract::gameInfo(game);
  std::string folder = *gamePath;
  if (folder.back() != '/' && folder.back() != platform::kPathSeparator) {
    folder += platform::kPathSeparator;
  }
  folder = context.files.existingPath(folder + info->dataFolderName + platform::kPathSeparator);
  return folder + context.files.existingName(folder + info->wadFileName);
}

} // namespace

int runNewMap(const std::vector<std::string>& args, CliContext& context) {
  std::vector<std::string> positional;
  std::optional<std::string> gameName;
  std::optional<std::string> wad;
  bool force = false;
  CommandLine line("texkit2-cli newmap: ");
  line.value("--game", gameName, "a value", true)
      .value("--wad", wad, "a value", true)
      .flag("--force", force)
      .arguments(positional)
      .unknownOptionPrefix("texkit2-cli: ");
  if (const auto exit = line.parse(args, context, kNewMapHelp)) {
    return *exit;
  }
  const auto game = gameNamed(gameName, "newmap", context);
  if (!game) {
    return kExitUsage;
  }
  if (positional.size() != 1 || positional[0].empty()) {
    context.err << "texkit2-cli newmap: give exactly one FILE.map (see --help)\n";
    return kExitUsage;
  }
  const std::string& mapFile = positional[0];
  const auto fail = [&](const std::string& why) {
    context.err << "texkit2-cli newmap: " << why << '\n';
    return kExitFailure;
  };
  if (!force && context.files.exists(mapFile)) {
    return fail(mapFile + " exists; --force replaces it");
  }
  if (!wad) {
    wad = defaultWad(*game, context);
    if (!wad) {
      return kExitFailure;
    }
  }
  std::error_code ec;
  const std::string wadPath = std::filesystem::absolute(*wad, ec).lexically_normal().string();
  // The key is a list separated by ';', in quotes.
  if (wadPath.find_first_of("\";") != std::string::npos) {
    return fail(wadPath + ": a map's \"wad\" key cannot hold a name with '\"' or ';'");
  }
  auto file = context.files.openForReading(wadPath);
  if (!file) {
    return fail("cannot open " + wadPath + ": " + context.files.lastError());
  }
  extract::WadContents contents;
  try {
    contents = extract::ReadWad(*file);
  } catch (const extract::WadFormatError& error) {
    return fail(wadPath + " is not a valid WAD2 file: " + error.what());
  }
  file->close();
  std::string texture;
  bool found = false;
  for (const auto& entry : contents.entries) {
    if (plainWall(entry, texture)) {
      found = true;
      break;
    }
  }
  if (!found) {
    return fail(wadPath + " holds no plain wall texture (only sky, liquids, { or + textures)");
  }
  const std::string text = mapText(*game, wadPath, texture);
  const auto target = context.files.replacementTarget(mapFile);
  if (!target) {
    return fail("cannot write " + mapFile + ": " + context.files.lastError());
  }
  const std::string partName = *target + ".part";
  auto out = context.files.createForWriting(partName);
  if (!out) {
    return fail("cannot write " + partName + ": " + context.files.lastError());
  }
  const bool written = out->write(text.data(), text.size());
  const std::string reason = out->lastError();
  if (!out->close() || !written) {
    const std::string why = reason.empty() ? out->lastError() : reason;
    out.reset();
    context.files.removeFile(partName);
    return fail("cannot write " + partName + ": " + why);
  }
  out.reset();
  if (!context.files.replaceFile(partName, *target)) {
    const std::string why = context.files.lastError();
    context.files.removeFile(partName);
    return fail("cannot write " + mapFile + ": " + why);
  }
  context.err << "texkit2-cli newmap: wrote " << mapFile << ": a room in " << texture
              << ", textures from " << wadPath << '\n';
  return kExitSuccess;
}

} // namespace texkit2::cli
