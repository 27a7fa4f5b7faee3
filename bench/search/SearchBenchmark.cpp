// Times the drive search's walk of one folder tree against GNU find doing the same job:
//   find ROOT -xdev -iname quake.exe
// Both walk the whole tree (it holds no quake.exe), neither follows links nor leaves the file
// system. Prints the median of each and their ratio; the target is a ratio of at most 1.20.
//
//   texkit2-bench-search [--tree DIR] [--entries N] [--runs N] [--check]
//
// Without --tree the tree is generated in a fresh temporary folder and removed afterwards; with
// it, DIR is generated when it does not hold a tree yet and kept.
#include "bench/search/TreeGenerator.h"
#include "locate/DriveSearch.h"
#include "platform/Drives.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double kTargetRatio = 1.20;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// One run of find, its output thrown away; negative when find could not be run.
double timeFind(const std::string& root) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> words = {"find", root, "-xdev", "-iname", "quake.exe"};
  std::vector<char*> argv;
  for (auto& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "find", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    return -1;
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  const double elapsed = secondsSince(start);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed : -1;
}

struct SearchRun {
  double seconds = 0;
  std::uint64_t folders = 0;
  bool found = false;
};

SearchRun timeSearch(const std::string& root) {
  SearchRun run;
  std::string matched;
  const auto start = Clock::now();
  run.found = texkit2::locate::SearchFolder(texkit2::platform::hostDrives(), root, "quake.exe",
                                            matched, [&](const std::string&) { ++run.folders; });
  run.seconds = secondsSince(start);
  return run;
}

std::uint64_t parseCount(const char* text) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  return (end == text || *end != '\0') ? 0 : value;
}

int usage() {
  std::fprintf(stderr,
               "Usage: texkit2-bench-search [--tree DIR] [--entries N] [--runs N] [--check]\n");
  return 2;
}

} // namespace

int main(int argc, char** argv) {
  std::string tree;
  std::uint64_t entries = 250000;
  std::uint64_t runs = 7;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--tree" && i + 1 < argc) {
      tree = argv[++i];
    } else if (arg == "--entries" && i + 1 < argc) {
      entries = parseCount(argv[++i]);
    } else if (arg == "--runs" && i + 1 < argc) {
      runs = parseCount(argv[++i]);
    } else if (arg == "--check") {
      check = true;
    } else {
      return usage();
    }
  }
  if (entries < 1000 || runs == 0) {
    return usage();
  }

  const bool temporary = tree.empty();
  if (temporary) {
    std::string pattern = (fs::temp_directory_path() / "texkit2-bench-search-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      return 1;
    }
    tree = pattern;
  }
  const fs::path root = fs::path(tree) / "root";
  const fs::path marker = fs::path(tree) / ("generated-" + std::to_string(entries));
  try {
    std::error_code ec;
    if (!fs::exists(marker, ec)) {
      fs::remove_all(root, ec);
      const auto start = Clock::now();
      const auto shape = texkit2::bench::generateTree(root, entries);
      std::printf("generated %llu entries (%llu folders, %d deep) in %.1f s under %s\n",
                  static_cast<unsigned long long>(shape.entries),
                  static_cast<unsigned long long>(shape.folders), shape.depth, secondsSince(start),
                  root.c_str());
      std::ofstream(marker) << shape.entries << ' ' << shape.folders << '\n';
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "texkit2-bench-search: %s\n", error.what());
    return 1;
  }

  // Warm the caches for both before anything is timed.
  if (timeFind(root.string()) < 0) {
    std::fprintf(stderr, "texkit2-bench-search: GNU find could not be run\n");
    return 1;
  }
  const SearchRun warm = timeSearch(root.string());
  if (warm.found) {
    std::fprintf(stderr, "texkit2-bench-search: the tree holds a quake.exe; regenerate it\n");
    return 1;
  }

  std::vector<double> findTimes;
  std::vector<double> searchTimes;
  for (std::uint64_t i = 0; i < runs; ++i) {
    // Alternate which goes first, so that neither always meets the other's leftovers.
    const bool findFirst = i % 2 == 0;
    if (findFirst) {
      findTimes.push_back(timeFind(root.string()));
    }
    searchTimes.push_back(timeSearch(root.string()).seconds);
    if (!findFirst) {
      findTimes.push_back(timeFind(root.string()));
    }
  }
  const double findMedian = median(findTimes);
  const double searchMedian = median(searchTimes);
  const double ratio = searchMedian / findMedian;
  std::printf("tree: %s (%llu folders walked)\n", root.c_str(),
              static_cast<unsigned long long>(warm.folders));
  std::printf("find -xdev -iname quake.exe: median %.1f ms over %llu runs\n", findMedian * 1000,
              static_cast<unsigned long long>(runs));
  std::printf("SearchFolder:                median %.1f ms over %llu runs\n", searchMedian * 1000,
              static_cast<unsigned long long>(runs));
  std::printf("ratio search/find: %.2f (target at most %.2f): %s\n", ratio, kTargetRatio,
              ratio <= kTargetRatio ? "within target" : "over target");

  if (temporary) {
    std::error_code ec;
    fs::remove_all(tree, ec);
  }
  return check && ratio > kTargetRatio ? 1 : 0;
}
