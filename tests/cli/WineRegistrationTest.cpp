// End to end against a real Wine: a throw-away prefix, the editor's slot keys made by Wine's own
// reg tool, registration through texkit2-cli, and the values read back by Wine. Skipped when
// Wine is not installed.
#include "tests/common/TempFolder.h"
#include "tests/config/TestPaths.h"
#include "tests/support/SampleGame.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace texkit2 {
namespace {

using testing::TempFolder;

bool haveWine() {
  return std::system("command -v wine >/dev/null 2>&1 && command -v wineserver >/dev/null 2>&1") ==
         0;
}

std::string quoted(const std::string& text) {
  return "'" + text + "'";
}

// Wine's processes inherit and keep open any pipe they are given, so output goes to a file.
int sh(const std::string& command, const std::filesystem::path& log) {
  const std::string line = "(" + command + ") >>" + quoted(log.string()) + " 2>&1 </dev/null";
  return std::system(line.c_str());
}

std::string fileText(const std::filesystem::path& path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

TEST(WineRegistrationTest, RegistersIntoARealWinePrefix) {
  if (!haveWine()) {
    GTEST_SKIP() << "wine is not installed";
  }
  TempFolder folder;
  const auto prefix = folder / "prefix";
  const auto log = folder / "wine.log";
  const std::string env = "export WINEPREFIX=" + quoted(prefix.string()) +
                          " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' DISPLAY=;";
  const std::string settings = "HKCU\\Software\\Corvanne\\Stratel\\Settings\\txpack";
  ASSERT_EQ(sh(env + "wineboot -i", log), 0) << fileText(log);
  for (int slot = 0; slot < 3; ++slot) {
    ASSERT_EQ(sh(env + "wine reg add " + quoted(settings + std::to_string(slot)) + " /f", log), 0)
        << fileText(log);
  }
  ASSERT_EQ(
      sh(env + "wine reg add " + quoted(settings + "0") + " /v name /t REG_SZ /d other.wad /f",
         log),
      0);

  // é is in the editor's code page; Wine must read it back as the same character.
  const auto sample = fixtures::writeSampleGame(folder / "Qu\u00e9bec", fixtures::Game::Quake);
  const std::string cli = quoted(testing::cliExecutable().string());
  const std::string registerCommand = cli + " register --game quake --wine-prefix " +
                                      quoted(prefix.string()) + " " +
                                      quoted(sample.dataFolder.string());
  // While the server runs it would overwrite our edit on exit: nothing may be written.
  EXPECT_NE(sh(registerCommand, log), 0);
  EXPECT_NE(fileText(log).find("wineserver is running"), std::string::npos) << fileText(log);

  ASSERT_EQ(sh(env + "wineserver -k; wineserver -w", log), 0);
  ASSERT_EQ(sh(registerCommand, log), 0) << fileText(log);

  const auto query = folder / "query.txt";
  ASSERT_EQ(
      sh(env + "wine reg query " + quoted(settings + "1") + " >" + quoted(query.string()), log), 0);
  // reg query prints in the console's code page; an export is UTF-16, whatever the locale.
  const auto exported = folder / "slot.reg";
  ASSERT_EQ(sh(env + "wine reg export " + quoted(settings + "1") + " " +
                   quoted("Z:" + exported.string()) + " /y && iconv -f UTF-16 -t UTF-8 " +
                   quoted(exported.string()) + " >" + quoted(exported.string() + ".txt"),
               log),
            0)
      << fileText(log);
  sh(env + "wineserver -k; wineserver -w", log);
  const std::string values = fileText(query);
  EXPECT_NE(values.find("name    REG_SZ    Quake.wad"), std::string::npos) << values;
  EXPECT_NE(values.find("type    REG_DWORD    0x1"), std::string::npos) << values;
  std::string windowsFolder = "Z:";
  for (const char c : sample.dataFolder.string()) {
    windowsFolder += c == '/' ? std::string("\\\\") : std::string(1, c);
  }
  const std::string slot = fileText(exported.string() + ".txt");
  EXPECT_NE(slot.find("\"path\"=\"" + windowsFolder + "\\\\Quake.wad\""), std::string::npos)
      << slot;
}

} // namespace
} // namespace texkit2
