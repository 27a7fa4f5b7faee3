// Ctrl-C or SIGTERM while texkit2-cli extract runs: the process ends by the signal, the old WAD
// file is kept and no temporary file is left beside it.
#include "cli/Commands.h"
#include "tests/common/SlowFileSystem.h"
#include "tests/common/TempFolder.h"
#include "tests/support/Builders.h"

#include <chrono>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace texkit2::cli {
namespace {

namespace fs = std::filesystem;
using fixtures::Bytes;

// Forty maps read through a slow disc: the scan lasts seconds, long enough to interrupt.
Bytes manyMaps() {
  std::vector<fixtures::PakFile> maps;
  for (int m = 0; m < 40; ++m) {
    const auto name = "wall" + std::to_string(m);
    maps.push_back({"maps/m" + std::to_string(m) + ".bsp",
                    fixtures::makeBsp(fixtures::makeTextureLump(
                        {fixtures::makeMipTexture(fixtures::textureName(name), 16, 16, 1)}))});
  }
  return fixtures::makePak(maps);
}

bool appears(const fs::path& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fs::exists(path)) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(InterruptTest, AnInterruptedExtractLeavesNoTemporaryFile) {
  const Bytes oldWad = {'k', 'e', 'e', 'p'};
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(::strsignal(signal));
    testing::TempFolder folder;
    const fs::path data = folder / "id1";
    fixtures::writeFile(data / "PAK0.PAK", manyMaps());
    fixtures::writeFile(data / "PAK1.PAK", fixtures::makePak({}));
    fixtures::writeFile(data / "Quake.wad", oldWad);
    const pid_t child = ::fork();
    if (child == 0) {
      ::alarm(30);
      // As a shell starts a job in the foreground, whatever this test was started with.
      ::signal(signal, SIG_DFL);
      testing::SlowFileSystem slow(std::chrono::milliseconds(20));
      std::ostringstream out;
      std::ostringstream err;
      CliContext context{slow, out, err};
      ::_exit(runCli({"extract", "--no-register", "--game", "quake", data.string()}, context));
    }
    const bool started = appears(data / "Quake.wad.part");
    // Well into the scan, past the creation of the file.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::kill(child, started ? signal : SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(started);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(testing::folderNames(data),
              (std::vector<std::string>{"PAK0.PAK", "PAK1.PAK", "Quake.wad"}));
    EXPECT_EQ(testing::readAll(data / "Quake.wad"), oldWad);
  }
}

} // namespace
} // namespace texkit2::cli
