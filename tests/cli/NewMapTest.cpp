#include "cli/Commands.h"
#include "tests/common/TempFolder.h"
#include "tests/support/Builders.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace texkit2::cli {
namespace {

using testing::TempFolder;
using Vec = std::array<double, 3>;

// --- A small reader of Valve 220 maps, as qbsp reads them ---------------------------------------

struct Face {
  std::array<Vec, 3> points;
  std::string texture;
};
using Brush = std::vector<Face>;
struct Entity {
  std::map<std::string, std::string> keys;
  std::vector<Brush> brushes;
};

std::vector<std::string> tokens(const std::string& text) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (std::isspace(static_cast<unsigned char>(text[i]))) {
      ++i;
    } else if (text.compare(i, 2, "//") == 0) {
      i = text.find('\n', i);
      i = i == std::string::npos ? text.size() : i;
    } else if (text[i] == '"') {
      const auto end = text.find('"', i + 1);
      out.push_back(text.substr(i, end - i + 1));
      i = end + 1;
    } else {
      const auto end = text.find_first_of(" \t\r\n", i);
      out.push_back(text.substr(i, end - i));
      i = end == std::string::npos ? text.size() : end;
    }
  }
  return out;
}

std::string unquoted(const std::string& token) {
  return token.substr(1, token.size() - 2);
}

// Throws std::runtime_error where the text is not a map.
std::vector<Entity> readMap(const std::string& text) {
  const auto t = tokens(text);
  std::size_t i = 0;
  const auto expect = [&](const std::string& what) {
    if (i >= t.size() || t[i] != what) {
      throw std::runtime_error("expected " + what + " at token " + std::to_string(i));
    }
    ++i;
  };
  const auto number = [&]() { return std::stod(t.at(i++)); };
  std::vector<Entity> entities;
  while (i < t.size()) {
    expect("{");
    Entity entity;
    while (t.at(i) != "}") {
      if (t[i][0] == '"') {
        const std::string key = unquoted(t[i]);
        entity.keys[key] = unquoted(t.at(i + 1));
        i += 2;
        continue;
      }
      expect("{");
      Brush brush;
      while (t.at(i) != "}") {
        Face face;
        for (auto& point : face.points) {
          expect("(");
          point = {number(), number(), number()};
          expect(")");
        }
        face.texture = t.at(i++);
        for (int axis = 0; axis < 2; ++axis) {
          expect("[");
          for (int k = 0; k < 4; ++k) {
            number();
          }
          expect("]");
        }
        number(); // rotation
        number(); // scale
        number();
        brush.push_back(face);
      }
      expect("}");
      entity.brushes.push_back(brush);
    }
    expect("}");
    entities.push_back(entity);
  }
  return entities;
}

Vec sub(const Vec& a, const Vec& b) {
  return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Vec cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec& a, const Vec& b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

struct Plane {
  Vec normal;
  double dist;
};

// qbsp's plane of a face: the normal is (p0 - p1) x (p2 - p1) and points out of the brush.
Plane planeOf(const Face& face) {
  const Vec n = cross(sub(face.points[0], face.points[1]), sub(face.points[2], face.points[1]));
  const double length = std::sqrt(dot(n, n));
  const Vec unit = {n[0] / length, n[1] / length, n[2] / length};
  return {unit, dot(unit, face.points[1])};
}

// The corners of the brush: every point where three of its planes meet that no plane cuts off.
std::vector<Vec> corners(const std::vector<Plane>& planes) {
  std::vector<Vec> out;
  for (std::size_t a = 0; a < planes.size(); ++a) {
    for (std::size_t b = a + 1; b < planes.size(); ++b) {
      for (std::size_t c = b + 1; c < planes.size(); ++c) {
        const Vec bc = cross(planes[b].normal, planes[c].normal);
        const double det = dot(planes[a].normal, bc);
        if (std::abs(det) < 1e-9) {
          continue;
        }
        const Vec ca = cross(planes[c].normal, planes[a].normal);
        const Vec ab = cross(planes[a].normal, planes[b].normal);
        Vec p{};
        for (int k = 0; k < 3; ++k) {
          p[static_cast<std::size_t>(k)] = (planes[a].dist * bc[static_cast<std::size_t>(k)] +
                                            planes[b].dist * ca[static_cast<std::size_t>(k)] +
                                            planes[c].dist * ab[static_cast<std::size_t>(k)]) /
                                           det;
        }
        bool inside = true;
        for (const auto& plane : planes) {
          inside = inside && dot(plane.normal, p) <= plane.dist + 1e-6;
        }
        if (inside && std::find(out.begin(), out.end(), p) == out.end()) {
          out.push_back(p);
        }
      }
    }
  }
  return out;
}

bool insideBrush(const std::vector<Plane>& planes, const Vec& p) {
  for (const auto& plane : planes) {
    if (dot(plane.normal, p) > plane.dist + 1e-6) {
      return false;
    }
  }
  return true;
}

// --- The command --------------------------------------------------------------------------------

struct Result {
  int code;
  std::string out;
  std::string err;
};

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A path as a JSON string holds it: Windows' backslashes doubled.
std::string escaped(std::string path) {
  for (std::size_t at = path.find('\\'); at != std::string::npos; at = path.find('\\', at + 2)) {
    path.insert(at, 1, '\\');
  }
  return path;
}

std::string text(const std::filesystem::path& path) {
  const auto bytes = testing::readAll(path);
  return {bytes.begin(), bytes.end()};
}

class NewMap : public ::testing::Test {
 protected:
  Result run(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    CliContext context{platform::hostFileSystem(), out, err, false};
    context.trenchBroomPreferences = [&](std::string&) -> std::optional<std::string> {
      return (m_folder / "Preferences.json").string();
    };
    const int code = runCli(args, context);
    return {code, out.str(), err.str()};
  }

  // A WAD file of 64 x 64 textures of these names, in this order.
  std::string wad(const std::vector<std::string>& names, const std::string& path = "game.wad") {
    std::vector<fixtures::WadFileEntry> entries;
    std::uint32_t seed = 1;
    for (const auto& name : names) {
      entries.push_back({fixtures::textureName(name),
                         fixtures::makeMipTexture(fixtures::textureName(name), 64, 64, seed++)});
    }
    fixtures::writeFile(m_folder / path, fixtures::makeWad(entries));
    return (m_folder / path).lexically_normal().string();
  }

  std::string mapFile() const { return (m_folder / "start.map").string(); }

  TempFolder m_folder;
};

TEST_F(NewMap, WritesAClosedRoomOfSixConvexBrushesInTheWadsTextures) {
  const std::string wadPath = wad({"sky4", "*water0", "{fence", "+0button", "city2_1", "wall3"});
  const auto result = run({"newmap", "--game", "quake", "--wad", wadPath, mapFile()});
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  const std::string map = text(mapFile());
  EXPECT_TRUE(map.starts_with("// Game: Quake\n// Format: Valve\n"));
  const auto entities = readMap(map);
  ASSERT_EQ(entities.size(), 3u);
  const auto& world = entities[0];
  EXPECT_EQ(world.keys.at("classname"), "worldspawn");
  EXPECT_EQ(world.keys.at("mapversion"), "220");
  EXPECT_EQ(world.keys.at("wad"), wadPath);
  EXPECT_TRUE(world.keys.contains("light"));
  ASSERT_EQ(world.brushes.size(), 6u);

  std::vector<std::vector<Plane>> brushes;
  for (std::size_t b = 0; b < world.brushes.size(); ++b) {
    SCOPED_TRACE("brush " + std::to_string(b));
    const auto& brush = world.brushes[b];
    ASSERT_EQ(brush.size(), 6u);
    std::vector<Plane> planes;
    for (const auto& face : brush) {
      EXPECT_EQ(face.texture, "city2_1"); // the first plain wall of the WAD
      planes.push_back(planeOf(face));
    }
    // Closed and convex: eight corners, each face a quad of them, none cut off by another.
    const auto points = corners(planes);
    EXPECT_EQ(points.size(), 8u);
    for (const auto& plane : planes) {
      const auto onFace = std::count_if(points.begin(), points.end(), [&](const Vec& p) {
        return std::abs(dot(plane.normal, p) - plane.dist) < 1e-6;
      });
      EXPECT_EQ(onFace, 4);
    }
    brushes.push_back(planes);
  }

  std::map<std::string, Vec> origins;
  for (std::size_t e = 1; e < entities.size(); ++e) {
    std::istringstream origin(entities[e].keys.at("origin"));
    Vec p{};
    origin >> p[0] >> p[1] >> p[2];
    origins[entities[e].keys.at("classname")] = p;
  }
  ASSERT_TRUE(origins.contains("light"));
  ASSERT_TRUE(origins.contains("info_player_start"));
  // Sealed: from either entity every way out runs into a wall, and neither is inside one.
  const std::array<Vec, 6> ways = {
      {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}}};
  for (const auto& [name, origin] : origins) {
    SCOPED_TRACE(name);
    for (const auto& planes : brushes) {
      EXPECT_FALSE(insideBrush(planes, origin));
    }
    for (const auto& way : ways) {
      bool hit = false;
      for (double step = 0; step < 8192 && !hit; step += 4) {
        const Vec p = {origin[0] + way[0] * step, origin[1] + way[1] * step,
                       origin[2] + way[2] * step};
        for (const auto& planes : brushes) {
          hit = hit || insideBrush(planes, p);
        }
      }
      EXPECT_TRUE(hit);
    }
  }
}

TEST_F(NewMap, HexenTwoMapsNameTheirGame) {
  const auto result = run({"newmap", "--game", "hexen2", "--wad", wad({"rtex001"}), mapFile()});
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_TRUE(text(mapFile()).starts_with("// Game: Hexen 2\n// Format: Valve\n"));
  EXPECT_EQ(readMap(text(mapFile()))[0].keys.at("mapversion"), "220");
}

TEST_F(NewMap, NeverReplacesAMapWithoutForce) {
  testing::writeText(mapFile(), "my work");
  const std::string wadPath = wad({"wall1"});
  const auto refused = run({"newmap", "--game", "quake", "--wad", wadPath, mapFile()});
  EXPECT_EQ(refused.code, kExitFailure);
  EXPECT_TRUE(contains(refused.err, "exists; --force replaces it")) << refused.err;
  EXPECT_EQ(text(mapFile()), "my work");
  const auto forced = run({"newmap", "--game", "quake", "--force", "--wad", wadPath, mapFile()});
  EXPECT_EQ(forced.code, kExitSuccess) << forced.err;
  EXPECT_TRUE(contains(text(mapFile()), "\"wad\" \"" + wadPath + "\""));
  EXPECT_EQ(testing::folderNames(m_folder.path()),
            (std::vector<std::string>{"game.wad", "start.map"}));
}

TEST_F(NewMap, TakesTheWadFromTrenchBroomsGamePath) {
  const std::string wadPath = wad({"wall1"}, "quake/id1/Quake.wad");
  testing::writeText(m_folder / "Preferences.json",
                     "{\"Games/Quake/Path\": \"" + escaped((m_folder / "quake").string()) + "\"}");
  const auto result = run({"newmap", "--game", "quake", mapFile()});
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_EQ(readMap(text(mapFile()))[0].keys.at("wad"), wadPath);
}

TEST_F(NewMap, SaysWhyNoMapWasWritten) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int code;
    std::string said;
  };
  const std::string onlySky = wad({"sky1", "*lava1", "+0light", "{grate"}, "sky.wad");
  const std::string missing = (m_folder / "missing.wad").string();
  const std::vector<Case> cases = {
      {"no plain wall", {"--wad", onlySky}, kExitFailure, "holds no plain wall texture"},
      {"no WAD file", {"--wad", missing}, kExitFailure, "cannot open " + missing},
      {"no WAD and no preferences", {}, kExitFailure, "no --wad given"},
      {"no game", {"--wad", onlySky, "--game", "doom"}, kExitUsage, "unknown game"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"newmap", "--game", "quake"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(mapFile());
    const auto result = run(args);
    EXPECT_EQ(result.code, c.code);
    EXPECT_TRUE(contains(result.err, c.said)) << result.err;
    EXPECT_FALSE(std::filesystem::exists(mapFile()));
  }
}

} // namespace
} // namespace texkit2::cli
