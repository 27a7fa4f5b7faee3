// Times the game-library lookup (what `texkit2-cli games` and `search --libraries` do) beside
// the drive walk over the same tree, which is what finding that Quake by walking costs: like
// Steam's own, it holds no quake.exe, so the walk covers everything and finds nothing. Inputs:
//   - a Steam folder whose libraryfolders.vdf lists 3 libraries, the last holding Quake (the
//     classic id1 beside the re-release);
//   - a Wine prefix holding a GOG Hexen II (a system.reg of 12,000 keys, drive_c);
//   - Debian's package folder (share/games/quake);
//   - around them, a generated tree of --entries entries, as a used disk would hold.
// Warm (after a warm-up of each) and cold (page, dentry and inode caches dropped before every
// run; as root only, skipped otherwise): the median of each and the walk/lookup ratio.
// Targets: the lookup under 50 ms cold, and at least 100x faster than the walk.
//
//   texkit2-bench-libraries [--tree DIR] [--entries N] [--runs N] [--check]
#include "bench/search/TreeGenerator.h"
#include "locate/DriveSearch.h"
#include "locate/GameLibraries.h"
#include "platform/Drives.h"
#include "tests/support/GameLibraryFixtures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace texkit2;

constexpr double kColdTargetMs = 50;
constexpr double kRatioTarget = 100;

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

bool dropCaches() {
  ::sync();
  const int fd = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  const bool ok = ::write(fd, "3\n", 2) == 2;
  ::close(fd);
  return ok;
}

// The home, the libraries, the prefix and the package, inside `root`; then the filler tree.
void generate(const fs::path& root, std::uint64_t entries) {
  const fs::path home = root / "home/me";
  const fs::path steam = home / ".local/share/Steam";
  const fs::path lib2 = root / "mnt/disk2/SteamLibrary";
  const fs::path lib3 = root / "mnt/disk3/Games/SteamLibrary";
  fixtures::writeText(steam / "steamapps/libraryfolders.vdf",
                      fixtures::libraryFoldersVdf({steam.string(), lib2.string(), lib3.string()}));
  fs::create_directories(home / ".steam");
  fs::create_directory_symlink(steam, home / ".steam/steam");
  for (const auto& library : {steam, lib2}) {
    for (int app = 0; app < 40; ++app) { // other games' manifests and folders
      const std::string id = std::to_string(100000 + app * 10);
      fixtures::writeText(library / ("steamapps/appmanifest_" + id + ".acf"),
                          fixtures::appManifest(id, "Game " + id));
      fs::create_directories(library / "steamapps/common" / ("Game " + id));
    }
  }
  fixtures::writeText(lib3 / "steamapps/appmanifest_2310.acf",
                      fixtures::appManifest("2310", "Quake"));
  const fs::path quake = lib3 / "steamapps/common/Quake";
  fixtures::writeDataFolder(quake / "id1", {"PAK0.PAK", "PAK1.PAK"});
  fixtures::writeDataFolder(quake / "rerelease/id1", {"pak0.pak"});
  for (const char* pack : {"hipnotic", "rogue", "dopa", "mg1", "ctf"}) {
    fixtures::writeDataFolder(quake / "rerelease" / pack, {"pak0.pak"});
  }

  // The prefix's system.reg as large as a used one (some 1.7 MB): the lookup must not pay for
  // every key in it.
  std::string machineKeys;
  for (int i = 0; i < 12000; ++i) {
    const std::string id = std::to_string(100000 + i);
    machineKeys += fixtures::wineKey("Software\\Classes\\CLSID\\{" + id + "-0000-0000}",
                                     {{"Name", "Component " + id}, {"ThreadingModel", "Both"}});
  }
  machineKeys += fixtures::wineKey("Software\\Wow6432Node\\GOG.com\\Games\\1207000000",
                                   {{"gameName", "Hexen II"}, {"path", "C:\\GOG Games\\Hexen II"}});
  const fs::path prefix = home / ".wine";
  fixtures::writeWinePrefix(prefix, "", machineKeys);
  const fs::path hexen = prefix / "drive_c/GOG Games/Hexen II";
  fixtures::writeDataFolder(hexen / "data1", {"pak0.pak", "pak1.pak"});
  fixtures::writeDataFolder(hexen / "portals", {"pak3.pak"});
  fixtures::writeDataFolder(root / "usr/share/games/quake/id1", {"pak0.pak", "pak1.pak"});

  bench::generateTree(root / "data", entries);
  fixtures::writeText(root / ".generated", std::to_string(entries));
}

locate::GameLibrarySources sourcesOf(const fs::path& root) {
  locate::GameLibrarySources sources;
  sources.home = root / "home/me";
  sources.packageRoot = root / "usr/share/games";
  sources.winePrefixes = {root / "home/me/.wine"};
  return sources;
}

struct Timing {
  std::vector<double> lookupMs;
  std::vector<double> walkMs;
};

bool measure(const fs::path& root, int runs, bool cold, Timing& timing) {
  const locate::GameLibrarySources sources = sourcesOf(root);
  for (int run = 0; run < runs; ++run) {
    if (cold && !dropCaches()) {
      return false;
    }
    auto start = Clock::now();
    const auto found = locate::findGameLibraries(sources);
    timing.lookupMs.push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (found.installations.size() != 3) {
      std::fprintf(stderr, "texkit2-bench-libraries: the lookup found %zu installations, not 3\n",
                   found.installations.size());
      return false;
    }
    if (cold && !dropCaches()) {
      return false;
    }
    std::string matched;
    start = Clock::now();
    const bool walked =
        locate::SearchFolder(platform::hostDrives(), root.string(), "quake.exe", matched);
    timing.walkMs.push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (walked) {
      std::fprintf(stderr, "texkit2-bench-libraries: the walk met a quake.exe in %s\n",
                   matched.c_str());
      return false;
    }
  }
  return true;
}

bool report(const char* title, const Timing& timing, bool cold) {
  const double lookup = median(timing.lookupMs);
  const double walk = median(timing.walkMs);
  const double ratio = walk / lookup;
  std::printf("\n%s, median of %zu runs:\n", title, timing.lookupMs.size());
  std::printf("%-44s %10.2f ms\n", "game libraries (Steam, GOG in Wine, package)", lookup);
  std::printf("%-44s %10.2f ms\n", "drive walk over the same tree", walk);
  const bool ratioOk = ratio >= kRatioTarget;
  std::printf("walk/lookup: %.0fx (target at least %.0fx): %s\n", ratio, kRatioTarget,
              ratioOk ? "within target" : "under target");
  bool ok = ratioOk;
  if (cold) {
    const bool timeOk = lookup < kColdTargetMs;
    std::printf("lookup cold: %.2f ms (target under %.0f ms): %s\n", lookup, kColdTargetMs,
                timeOk ? "within target" : "over target");
    ok = ok && timeOk;
  }
  return ok;
}

} // namespace

int main(int argc, char** argv) {
  fs::path tree;
  std::uint64_t entries = 444000; // as many as this machine's own root holds
  int runs = 7;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--tree" && i + 1 < argc) {
      tree = argv[++i];
    } else if (arg == "--entries" && i + 1 < argc) {
      entries = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--check") {
      check = true;
    } else {
      std::fprintf(stderr, "Usage: texkit2-bench-libraries [--tree DIR] [--entries N] [--runs N] "
                           "[--check]\n");
      return 2;
    }
  }
  const bool temporary = tree.empty();
  if (temporary) {
    tree = fs::temp_directory_path() / ("texkit2-bench-libraries-" + std::to_string(::getpid()));
  }
  std::error_code ec;
  if (!fs::exists(tree / ".generated", ec)) {
    fs::remove_all(tree, ec);
    std::printf("Generating %llu entries in %s\n", static_cast<unsigned long long>(entries),
                tree.c_str());
    generate(tree, entries);
  }
  bool ok = true;
  Timing warm;
  if (!measure(tree, 1, false, warm)) { // warm-up
    return 1;
  }
  warm = {};
  if (!measure(tree, runs, false, warm)) {
    return 1;
  }
  ok = report("Warm", warm, false) && ok;
  Timing cold;
  if (dropCaches()) {
    if (!measure(tree, runs, true, cold)) {
      return 1;
    }
    ok = report("Cold (caches dropped before every run)", cold, true) && ok;
  } else {
    std::printf("\nCold: skipped (only root may drop the caches)\n");
  }
  if (temporary) {
    fs::remove_all(tree, ec);
  }
  return check && !ok ? 1 : 0;
}
