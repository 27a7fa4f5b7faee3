// texkit2-cli on Windows: Windows paths in its output and registration into the registry itself.
#include "cli/Commands.h"
#include "tests/common/TempFolder.h"
#include "tests/support/SampleGame.h"
#include "tests/windows/Win32Registry.h"

#include <gtest/gtest.h>
#include <sstream>

namespace texkit2::cli {
namespace {

using testing::createKey;
using testing::EditorSettings;
using testing::readValue;
using testing::stringBytes;
using testing::TempFolder;

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result run(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  CliContext context{platform::hostFileSystem(), out, err, false};
  const int code = runCli(args, context);
  return {code, out.str(), err.str()};
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class WindowsCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (settings.preexisting()) {
      GTEST_SKIP() << "the level editor's settings exist here; they are not touched";
    }
  }

  EditorSettings settings;
  TempFolder folder;
};

TEST_F(WindowsCliTest, ExtractsTheSampleGameAndRegistersItInTheRegistry) {
  ASSERT_TRUE(createKey(EditorSettings::slot(0)));
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  const std::string dataFolder = sample.dataFolder.string();
  ASSERT_EQ(dataFolder.find('/'), std::string::npos) << dataFolder;

  const auto result = run({"extract", "--game", "quake", dataFolder});
  ASSERT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_TRUE(contains(result.out, "Written to : " + dataFolder + "\\Quake.wad\n")) << result.out;
  EXPECT_TRUE(contains(result.out, "(" + std::to_string(sample.wadLength) + " bytes)"));
  EXPECT_TRUE(contains(result.err, "registered as texture pack txpack0 (HKEY_CURRENT_USER)"))
      << result.err;
  EXPECT_EQ(std::filesystem::file_size(sample.dataFolder / "Quake.wad"), sample.wadLength);
  EXPECT_FALSE(std::filesystem::exists(sample.dataFolder / "Quake.wad.part"));

  const auto path = readValue(EditorSettings::slot(0), "path");
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(path->data, stringBytes(dataFolder + "\\Quake.wad"));
}

TEST_F(WindowsCliTest, RegistersAFolderGivenWithForwardSlashesInWindowsSpelling) {
  ASSERT_TRUE(createKey(EditorSettings::slot(0)));
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Hexen2);
  std::string slashed = sample.dataFolder.string();
  for (auto& c : slashed) {
    c = c == '\\' ? '/' : c;
  }
  const auto result = run({"register", "--game", "hexen2", slashed + "/"});
  EXPECT_EQ(result.code, kExitSuccess) << result.err;
  const auto path = readValue(EditorSettings::slot(0), "path");
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(path->data, stringBytes(sample.dataFolder.string() + "\\Hexen2.wad"));
}

TEST_F(WindowsCliTest, SaysWhenTheEditorsSlotsAreMissing) {
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  const auto result = run({"extract", "--game", "quake", sample.dataFolder.string()});
  EXPECT_EQ(result.code, kExitSuccess) << result.err;
  EXPECT_TRUE(contains(result.err, "not registered: the level editor's settings (txpack0) were "
                                   "not found (HKEY_CURRENT_USER)"))
      << result.err;
  EXPECT_FALSE(testing::keyExists(EditorSettings::kEditorKey));
}

} // namespace
} // namespace texkit2::cli
