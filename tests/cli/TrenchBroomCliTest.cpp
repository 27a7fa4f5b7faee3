#include "cli/Commands.h"
#include "tests/common/TempFolder.h"
#include "tests/support/SampleGame.h"

#include <gtest/gtest.h>
#include <sstream>

namespace texkit2::cli {
namespace {

using testing::TempFolder;

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

// A sample game and a TrenchBroom preferences folder of its own; no level editor's settings.
class TrenchBroomCli : public ::testing::Test {
 protected:
  TrenchBroomCli()
      : m_game(fixtures::writeSampleGame(m_folder.path(), fixtures::Game::Quake)),
        m_preferences(m_folder / "home/.TrenchBroom/Preferences.json") {}

  Result run(const std::vector<std::string>& args, bool homeSet = true) {
    std::ostringstream out;
    std::ostringstream err;
    CliContext context{platform::hostFileSystem(), out, err, false};
    context.openRegistry = [](const std::optional<std::filesystem::path>&) {
      platform::HostRegistry none;
      none.unavailableReason = "no Wine prefix given in a test";
      return none;
    };
    context.trenchBroomPreferences = [&](std::string& whyNot) -> std::optional<std::string> {
      if (!homeSet) {
        whyNot = "HOME is not set, so TrenchBroom's preferences cannot be found";
        return std::nullopt;
      }
      return m_preferences.string();
    };
    const int code = runCli(args, context);
    return {code, out.str(), err.str()};
  }

  std::string data() const { return m_game.dataFolder.string(); }
  std::string wadPath() const { return data() + platform::kPathSeparator + "Quake.wad"; }
  std::string gamePathLine() const {
    return "\"Games/Quake/Path\": \"" + escaped(m_game.gameFolder.string()) + "\"";
  }

  TempFolder m_folder;
  fixtures::SampleGameInfo m_game;
  std::filesystem::path m_preferences;
};

TEST_F(TrenchBroomCli, RegisterSetsTheGamePathWithoutTheLevelEditor) {
  const auto result = run({"register", "--game", "quake", "--trenchbroom", data()});
  EXPECT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_TRUE(contains(text(m_preferences), gamePathLine())) << text(m_preferences);
  EXPECT_TRUE(contains(result.err, "not registered: no Wine prefix given in a test"));
  EXPECT_TRUE(
      contains(result.err, "TrenchBroom's Quake game path set to " + m_game.gameFolder.string()))
      << result.err;
  EXPECT_EQ(result.out, "Map wad key for TrenchBroom : id1/Quake.wad\n"
                        "Map wad key, absolute (TrenchBroom and qbsp) : " +
                            wadPath() + "\n");
}

TEST_F(TrenchBroomCli, JsonCarriesBothWadValues) {
  const auto result = run({"register", "--json", "--game", "quake", "--trenchbroom", data()});
  EXPECT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_TRUE(contains(result.out, "\"trenchbroom\": {\"set\": true, \"outcome\": \"written\""))
      << result.out;
  EXPECT_TRUE(contains(result.out, "\"wad\": \"id1/Quake.wad\", \"wadPath\": \"" +
                                       escaped(wadPath()) + "\"}}\n"))
      << result.out;
  EXPECT_TRUE(contains(result.out, "\"key\": \"Games/Quake/Path\""));
}

TEST_F(TrenchBroomCli, ExtractSetsItUpAfterTheRun) {
  const auto result = run({"extract", "--no-register", "--game", "quake", "--trenchbroom", data()});
  EXPECT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_TRUE(contains(result.out, "Written to : " + wadPath() +
                                       "\n"
                                       "Map wad key for TrenchBroom : id1/Quake.wad\n"))
      << result.out;
  EXPECT_TRUE(contains(text(m_preferences), gamePathLine()));
  const auto json =
      run({"extract", "--json", "--no-register", "--game", "quake", "--trenchbroom", data()});
  EXPECT_EQ(json.code, kExitSuccess);
  EXPECT_TRUE(contains(json.out, "\"outcome\": \"already set\"")) << json.out;
}

TEST_F(TrenchBroomCli, FailuresToWriteTheFileAreExitStatusOne) {
  struct Case {
    const char* name;
    std::string preferences; // written before; empty: none
    bool lock;
    bool homeSet;
    std::vector<std::string> extra;
    int code;
    std::string said;
  };
  const std::string other = m_folder.path().string();
  const std::vector<Case> cases = {
      {"locked", "{}", true, true, {}, kExitFailure, "close TrenchBroom first"},
      {"not JSON", "{", false, true, {}, kExitFailure, "is not valid JSON"},
      {"no HOME", "", false, false, {}, kExitFailure, "HOME is not set"},
      {"other folder",
       "{\"Games/Quake/Path\": \"" + escaped(other) + "\"}",
       false,
       true,
       {},
       kExitFailure,
       "--force replaces it"},
      {"other folder, forced",
       "{\"Games/Quake/Path\": \"" + escaped(other) + "\"}",
       false,
       true,
       {"--force"},
       kExitSuccess,
       "replacing " + other},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(m_preferences.parent_path());
    if (!c.preferences.empty()) {
      testing::writeText(m_preferences, c.preferences);
    }
    if (c.lock) {
      testing::writeText(m_preferences.string() + ".lck", "1\n");
    }
    std::vector<std::string> args = {"register", "--game", "quake", "--trenchbroom"};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    args.push_back(data());
    const auto result = run(args, c.homeSet);
    EXPECT_EQ(result.code, c.code) << result.err;
    EXPECT_TRUE(contains(result.err, c.said)) << result.err;
    if (c.code == kExitFailure) {
      EXPECT_EQ(result.out, "");
      if (!c.preferences.empty()) {
        EXPECT_EQ(text(m_preferences), c.preferences);
      }
    }
  }
}

TEST_F(TrenchBroomCli, ForceGoesWithTrenchBroom) {
  for (const char* command : {"register", "extract"}) {
    SCOPED_TRACE(command);
    const auto result = run({command, "--game", "quake", "--force", data()});
    EXPECT_EQ(result.code, kExitUsage);
    EXPECT_TRUE(contains(result.err, "--force goes with --trenchbroom")) << result.err;
  }
  EXPECT_FALSE(std::filesystem::exists(m_preferences));
}

} // namespace
} // namespace texkit2::cli
