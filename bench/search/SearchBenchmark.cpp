// Times the drive search's walk of one folder tree against GNU find and fd doing the same job:
//   find ROOT -xdev -iname quake.exe
//   fdfind -u -i --one-file-system -g quake.exe ROOT      (when fd is installed)
// All walk the whole tree (it holds no quake.exe), none follows links or leaves the file system.
// Each run is a process of its own, the search too (this program with --walk), so all pay their
// start-up alike. Prints the median wall time and peak resident memory of each and the search's
// ratios to the others, in two modes:
//   warm: after a warm-up run of each; target at most 0.70x of find.
//   cold: the page, dentry and inode caches dropped before every run (root only; skipped,
//         saying so, otherwise); targets at most 0.60x of find and 0.90x of fd.
// The programs take turns, first one then the next going first, so that none always meets the
// others' leftovers.
//
//   texkit2-bench-search [--tree DIR] [--profile home|system] [--entries N] [--runs N]
//                        [--cold-runs N] [--mode warm|cold|both] [--threads N] [--window N]
//                        [--check]
//   texkit2-bench-search --walk DIR [--name FILE] [--threads N] [--window N]
//                        one walk (for FILE, quake.exe by default), for the timed runs
//
// The profiles (TreeGenerator.h): home, 1,000,000 entries of a well-used home disk; system,
// 444,000 entries shaped as this machine's root, mostly tiny folders with long names.
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
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using texkit2::locate::ReadAheadLimits;

constexpr double kWarmFindTarget = 0.70;
constexpr double kColdFindTarget = 0.60;
constexpr double kColdFdTarget = 0.90;
constexpr const char* kDropCaches = "/proc/sys/vm/drop_caches";

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::optional<std::string> onPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    const std::string candidate = folders.substr(start, end - start) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    start = end + 1;
  }
  return std::nullopt;
}

struct Program {
  Program(std::string shown, std::vector<std::string> words)
      : name(std::move(shown)), argv(std::move(words)) {}
  std::string name;
  std::vector<std::string> argv;
  bool reportsPeak = false; // prints "peak N KB", its own high-water mark
  std::vector<double> seconds;
  std::vector<double> peakKb;
};

struct Run {
  bool ok = false;
  double seconds = 0;
  double peakKb = 0;  // as the kernel counts a child: at least the spawning process's own peak
  std::string output; // when asked for
};

// One run, timed from spawn to exit, its output thrown away or, with `capture`, kept.
Run runOnce(const std::vector<std::string>& words, bool capture = false) {
  std::string outputFile = "/dev/null";
  int captured = -1;
  if (capture) {
    std::string pattern = (fs::temp_directory_path() / "texkit2-bench-search-out-XXXXXX").string();
    captured = ::mkstemp(pattern.data());
    outputFile = pattern;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY, 0);
  std::vector<char*> argv;
  std::vector<std::string> copy = words;
  for (auto& word : copy) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  Run run;
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned == 0) {
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0) {
    }
    run.seconds = secondsSince(start);
    run.peakKb = static_cast<double>(usage.ru_maxrss);
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }
  if (capture) {
    std::ifstream in(outputFile);
    run.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    ::close(captured);
    ::unlink(outputFile.c_str());
  }
  return run;
}

// This process's peak resident memory in KB (VmHWM), which exec starts afresh.
double ownPeakKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("VmHWM:")) {
      return std::strtod(line.c_str() + 6, nullptr);
    }
  }
  return 0;
}

// The number after `label` in `text`; 0 when there is none.
double valueAfter(const std::string& text, const std::string& label) {
  const auto at = text.find(label);
  return at == std::string::npos ? 0 : std::strtod(text.c_str() + at + label.size(), nullptr);
}

// Empties the page, dentry and inode caches; false when this process may not.
bool dropCaches() {
  ::sync();
  const int fd = ::open(kDropCaches, O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  const bool ok = ::write(fd, "3\n", 2) == 2;
  ::close(fd);
  return ok;
}

struct Walk {
  bool found = false;
  std::uint64_t folders = 0;
  std::uint64_t hash = 1469598103934665603ull; // of the folders entered, in order
};

Walk walk(const std::string& root, const std::string& name, const ReadAheadLimits& limits) {
  Walk result;
  std::string matched;
  result.found = texkit2::locate::SearchFolder(
      texkit2::platform::hostDrives(), root, name, matched,
      [&](const std::string& folder) {
        ++result.folders;
        for (const char c : folder) {
          result.hash = (result.hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
        result.hash = (result.hash ^ 0xff) * 1099511628211ull;
      },
      limits);
  return result;
}

std::uint64_t parseCount(const char* text) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  return (end == text || *end != '\0') ? 0 : value;
}

int usage() {
  std::fprintf(stderr,
               "Usage: texkit2-bench-search [--tree DIR] [--profile home|system] [--entries N]\n"
               "                            [--runs N] [--cold-runs N] [--mode warm|cold|both]\n"
               "                            [--threads N] [--window N] [--check]\n"
               "       texkit2-bench-search --walk DIR [--name FILE] [--threads N] [--window N]\n");
  return 2;
}

// Runs every program `runs` times, taking turns; false when one of them failed.
bool measure(std::vector<Program>& programs, std::uint64_t runs, bool cold) {
  for (Program& program : programs) {
    program.seconds.clear();
    program.peakKb.clear();
  }
  for (std::uint64_t round = 0; round < runs; ++round) {
    for (std::size_t k = 0; k < programs.size(); ++k) {
      Program& program = programs[(round + k) % programs.size()];
      if (cold && !dropCaches()) {
        std::fprintf(stderr, "texkit2-bench-search: cannot drop the caches any more\n");
        return false;
      }
      const Run run = runOnce(program.argv, program.reportsPeak);
      if (!run.ok) {
        std::fprintf(stderr, "texkit2-bench-search: %s failed\n", program.name.c_str());
        return false;
      }
      program.seconds.push_back(run.seconds);
      program.peakKb.push_back(program.reportsPeak ? valueAfter(run.output, "peak ") : run.peakKb);
    }
  }
  return true;
}

// Prints the table and the search's ratios; false when a ratio is over its target.
bool report(const std::vector<Program>& programs, const char* title, std::uint64_t runs,
            double findTarget, std::optional<double> fdTarget) {
  std::printf("\n%s, median of %llu runs:\n", title, static_cast<unsigned long long>(runs));
  std::printf("%-46s %10s %13s\n", "program", "wall ms", "peak RSS KB");
  for (const Program& program : programs) {
    std::printf("%-46s %10.1f %13.0f\n", program.name.c_str(), median(program.seconds) * 1000,
                median(program.peakKb));
  }
  const double search = median(programs.back().seconds);
  bool within = true;
  const auto ratio = [&](const Program& other, double target) {
    const double value = search / median(other.seconds);
    const bool ok = value <= target;
    within = within && ok;
    std::printf("search/%s: %.2f (target at most %.2f): %s\n",
                other.argv[0].substr(other.argv[0].find_last_of('/') + 1).c_str(), value, target,
                ok ? "within target" : "over target");
  };
  ratio(programs.front(), findTarget);
  if (fdTarget && programs.size() == 3) {
    ratio(programs[1], *fdTarget);
  }
  return within;
}

} // namespace

int main(int argc, char** argv) {
  std::string tree;
  std::string walkRoot;
  std::string generateRoot;
  std::string name = "quake.exe";
  std::uint64_t entries = 0; // the profile's
  std::string profileName = "home";
  std::uint64_t runs = 7;
  std::uint64_t coldRuns = 5;
  std::string mode = "both";
  ReadAheadLimits limits;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--tree" && i + 1 < argc) {
      tree = argv[++i];
    } else if (arg == "--walk" && i + 1 < argc) {
      walkRoot = argv[++i];
    } else if (arg == "--profile" && i + 1 < argc) {
      profileName = argv[++i];
    } else if (arg == "--name" && i + 1 < argc) {
      name = argv[++i];
    } else if (arg == "--generate" && i + 1 < argc) {
      generateRoot = argv[++i];
    } else if (arg == "--entries" && i + 1 < argc) {
      entries = parseCount(argv[++i]);
    } else if (arg == "--runs" && i + 1 < argc) {
      runs = parseCount(argv[++i]);
    } else if (arg == "--cold-runs" && i + 1 < argc) {
      coldRuns = parseCount(argv[++i]);
    } else if (arg == "--mode" && i + 1 < argc) {
      mode = argv[++i];
    } else if (arg == "--threads" && i + 1 < argc) {
      limits.threads = static_cast<unsigned>(parseCount(argv[++i]));
    } else if (arg == "--window" && i + 1 < argc) {
      limits.folders = parseCount(argv[++i]);
    } else if (arg == "--check") {
      check = true;
    } else {
      return usage();
    }
  }
  if (profileName != "home" && profileName != "system") {
    return usage();
  }
  const auto profile = profileName == "system" ? texkit2::bench::TreeProfile::System
                                               : texkit2::bench::TreeProfile::Home;
  if (entries == 0) {
    entries = profile == texkit2::bench::TreeProfile::System ? 444000 : 1000000;
  }
  if (!walkRoot.empty()) {
    const Walk result = walk(walkRoot, name, limits);
    std::printf("folders %llu order %016llx peak %.0f KB\n",
                static_cast<unsigned long long>(result.folders),
                static_cast<unsigned long long>(result.hash), ownPeakKb());
    return result.found ? 3 : 0;
  }
  if (!generateRoot.empty()) {
    try {
      const auto start = Clock::now();
      const auto shape = texkit2::bench::generateTree(generateRoot, entries, 12345, profile);
      std::printf("%llu %llu %d\n", static_cast<unsigned long long>(shape.entries),
                  static_cast<unsigned long long>(shape.folders), shape.depth);
      std::fprintf(stderr, "generated in %.1f s\n", secondsSince(start));
      return 0;
    } catch (const std::exception& error) {
      std::fprintf(stderr, "texkit2-bench-search: %s\n", error.what());
      return 1;
    }
  }
  if (entries < 1000 || runs == 0 || coldRuns == 0 ||
      (mode != "warm" && mode != "cold" && mode != "both")) {
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
  // Each profile has a folder of its own, so that both can be kept.
  const std::string suffix = profileName == "home" ? "" : "-" + profileName;
  const fs::path root = fs::absolute(fs::path(tree) / ("root" + suffix));
  const fs::path marker = fs::path(tree) / ("generated" + suffix + "-" + std::to_string(entries));
  // Generating and walking happen in children, so that this process stays small: the kernel
  // counts a spawned child's peak memory from its parent's.
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  texkit2::bench::TreeShape shape;
  std::error_code ec;
  if (!fs::exists(marker, ec)) {
    fs::remove_all(root, ec);
    const Run generated = runOnce({self, "--generate", root.string(), "--entries",
                                   std::to_string(entries), "--profile", profileName},
                                  true);
    if (!generated.ok) {
      return 1;
    }
    std::ofstream(marker) << generated.output;
  }
  std::ifstream(marker) >> shape.entries >> shape.folders >> shape.depth;

  // The read-ahead must not change the walk: the same folders, in the same order.
  const auto walkArguments = [&](const ReadAheadLimits& walkLimits) {
    return std::vector<std::string>{self,
                                    "--walk",
                                    root.string(),
                                    "--threads",
                                    std::to_string(walkLimits.threads),
                                    "--window",
                                    std::to_string(walkLimits.folders)};
  };
  const Run sequential = runOnce(walkArguments(ReadAheadLimits{0, 0, 0}), true);
  const Run ahead = runOnce(walkArguments(limits), true);
  if (!sequential.ok || !ahead.ok) {
    std::fprintf(stderr, "texkit2-bench-search: a walk failed, or the tree holds a quake.exe: "
                         "regenerate it\n");
    return 1;
  }
  const auto order = [](const std::string& output) {
    return output.substr(0, output.find(" peak"));
  };
  if (order(ahead.output) != order(sequential.output)) {
    std::fprintf(stderr, "texkit2-bench-search: the read-ahead walk entered other folders\n");
    return 1;
  }
  const auto walked = static_cast<unsigned long long>(valueAfter(sequential.output, "folders "));

  std::vector<Program> programs;
  const auto find = onPath("find");
  if (!find) {
    std::fprintf(stderr, "texkit2-bench-search: GNU find is not installed\n");
    return 1;
  }
  programs.emplace_back("find -xdev -iname quake.exe",
                        std::vector<std::string>{*find, root, "-xdev", "-iname", "quake.exe"});
  auto fd = onPath("fdfind");
  if (!fd) {
    fd = onPath("fd");
  }
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  if (fd) {
    programs.emplace_back(
        "fd -u -i --one-file-system (" + std::to_string(cores) + " threads)",
        std::vector<std::string>{*fd, "-u", "-i", "--one-file-system", "-g", "quake.exe", root});
  } else {
    std::printf("fd: skipped (not installed; Debian's fd-find)\n");
  }
  programs.emplace_back("SearchFolder (up to " + std::to_string(limits.threads) +
                            " threads, window " + std::to_string(limits.folders) + ")",
                        walkArguments(limits));
  programs.back().reportsPeak = true;

  std::printf(
      "tree (%s profile): %s: %llu entries, %llu folders, %d deep; the walk enters %llu folders\n",
      profileName.c_str(), root.c_str(), static_cast<unsigned long long>(shape.entries),
      static_cast<unsigned long long>(shape.folders), shape.depth, walked);
  std::printf("machine: %u cores; peak RSS of find and fd as the kernel counts a child, which\n"
              "includes this benchmark's own %.0f KB; the search's is its own high-water mark\n",
              cores, ownPeakKb());

  bool within = true;
  bool failed = false;
  if (mode != "cold") {
    for (const Program& program : programs) {
      runOnce(program.argv); // warm-up
    }
    if (measure(programs, runs, false)) {
      within = report(programs, "warm", runs, kWarmFindTarget, std::nullopt) && within;
    } else {
      failed = true;
    }
  }
  if (mode != "warm" && !failed) {
    if (::geteuid() != 0 || ::access(kDropCaches, W_OK) != 0) {
      std::printf("\ncold: skipped (dropping the caches needs root and a writable %s)\n",
                  kDropCaches);
    } else if (measure(programs, coldRuns, true)) {
      within = report(programs, "cold (caches dropped before every run)", coldRuns, kColdFindTarget,
                      kColdFdTarget) &&
               within;
    } else {
      failed = true;
    }
  }

  if (temporary) {
    fs::remove_all(tree, ec);
  }
  if (failed) {
    return 1;
  }
  return check && !within ? 1 : 0;
}
