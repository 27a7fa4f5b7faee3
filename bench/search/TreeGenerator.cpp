#include "bench/search/TreeGenerator.h"

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace texkit2::bench {
namespace {

// A small fixed generator: the tree must not change between library versions.
class Random {
 public:
  explicit Random(std::uint32_t seed) : m_state(seed | 1u) {}
  std::uint32_t next() {
    m_state ^= m_state << 13;
    m_state ^= m_state >> 17;
    m_state ^= m_state << 5;
    return m_state;
  }
  std::uint32_t below(std::uint32_t bound) { return bound == 0 ? 0 : next() % bound; }

 private:
  std::uint32_t m_state;
};

constexpr std::array kFolderWords = {"Games", "id1",     "maps",   "Program Files", "src",
                                     "docs",  "Backup",  "music",  "textures",      "My Work",
                                     "lib",   "include", "Quake",  "data1",         "tmp",
                                     "share", "Photos",  "HEXEN2", "progs",         "build"};
constexpr std::array kFileWords = {"readme", "PAK",   "e1m1",   "config", "autoexec", "Setup",
                                   "notes",  "IMG_",  "track",  "libfoo", "main",     "Makefile",
                                   "h2",     "quake", "QUAKE1", "glquake"};
constexpr std::array kExtensions = {".txt", ".bsp", ".wad", ".cfg", ".DLL", ".jpg", ".mp3",
                                    ".c",   ".h",   ".o",   ".EXE", ".pak", "",     ".dat"};
// Near misses of the executables' names: a search must read them and reject them.
constexpr std::array kNearMisses = {"quake.exe.bak", "quake.ex",   "QUAKE.EX_",    "quake.exe~",
                                    "h2.exe.old",    "xquake.exe", "Quake.exe.lnk"};

void makeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    throw std::runtime_error("cannot create " + path);
  }
  ::close(fd);
}

void makeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0755) != 0) {
    throw std::runtime_error("cannot create folder " + path);
  }
}

constexpr std::array kSystemWords = {
    "lib",   "python3",  "dist-packages", "share",  "locale",  "LC_MESSAGES", "x86_64-linux-gnu",
    "doc",   "perl5",    "gtk-3.0",       "icons",  "hicolor", "scalable",    "applications",
    "gconv", "modules",  "include",       "boost",  "detail",  "__pycache__", "mime",
    "fonts", "truetype", "firmware",      "kernel", "drivers", "net",         "wireless"};
constexpr std::array kSystemExtensions = {
    ".so.6", ".py",   ".cpython-313.pyc", ".h",   ".mo",   ".gz", ".svg", ".png", ".pm", ".ko.xz",
    "",      ".conf", ".desktop",         ".hpp", ".json", ".txt"};

// Files in one folder of the System profile: mostly a handful, now and then hundreds.
std::uint32_t systemFiles(Random& random) {
  const std::uint32_t roll = random.below(1000);
  if (roll < 300) {
    return random.below(2);
  }
  if (roll < 550) {
    return 2 + random.below(2);
  }
  if (roll < 750) {
    return 4 + random.below(5);
  }
  if (roll < 900) {
    return 9 + random.below(12);
  }
  if (roll < 995) {
    return 21 + random.below(80);
  }
  return 151 + random.below(1350);
}

std::string systemName(Random& random, std::uint32_t index) {
  std::string name = kSystemWords[random.below(kSystemWords.size())];
  name += random.below(2) == 0 ? '-' : '_';
  name += kSystemWords[random.below(kSystemWords.size())];
  name += std::to_string(index);
  return name;
}

TreeShape generateSystemTree(const std::filesystem::path& root, std::uint64_t entries,
                             Random& random) {
  TreeShape shape;
  std::filesystem::create_directories(root);
  struct Pending {
    std::string path;
    int depth;
  };
  std::vector<Pending> queue{{root.string(), 0}};
  for (std::size_t next = 0; next < queue.size() && shape.entries < entries; ++next) {
    const Pending folder = queue[next];
    const int depth = folder.depth;
    const std::uint32_t files = systemFiles(random);
    std::string lastFile;
    for (std::uint32_t i = 0; i < files && shape.entries < entries; ++i) {
      std::string name =
          systemName(random, i) + kSystemExtensions[random.below(kSystemExtensions.size())];
      if (random.below(200) == 0) {
        name = kNearMisses[random.below(kNearMisses.size())] + std::to_string(i);
      }
      // One entry in 40 a link, most to a file beside it (as lib.so to lib.so.6), a few up.
      if (random.below(40) == 0) {
        const std::string target = lastFile.empty() || random.below(8) == 0 ? ".." : lastFile;
        ::symlink(target.c_str(), (folder.path + "/" + name + ".link").c_str());
      } else {
        makeFile(folder.path + "/" + name);
        lastFile = name;
      }
      ++shape.entries;
    }
    // Wide at the top (/, /usr, /usr/share), then chains of one sub-folder
    // (share/doc/package/examples) and now and then a wide one.
    const std::uint32_t roll = random.below(100);
    std::uint32_t folders = depth == 0    ? 20
                            : depth == 1  ? 4 + random.below(12)
                            : depth >= 19 ? 0
                            : roll < 38   ? 0
                            : roll < 78   ? 1
                            : roll < 90   ? 2
                                          : 4 + random.below(depth < 4 ? 40 : 5);
    if (next + 1 == queue.size() && folders == 0 && depth < 19) {
      folders = 2;
    }
    for (std::uint32_t i = 0; i < folders && shape.entries < entries; ++i) {
      // Numbered after the files, so that no name is taken twice.
      const std::string path = folder.path + "/" + systemName(random, files + i);
      makeFolder(path);
      ++shape.entries;
      ++shape.folders;
      shape.depth = std::max(shape.depth, depth + 1);
      queue.push_back({path, depth + 1});
    }
  }
  return shape;
}

} // namespace

TreeShape generateTree(const std::filesystem::path& root, std::uint64_t entries, std::uint32_t seed,
                       TreeProfile profile) {
  Random random(seed);
  if (profile == TreeProfile::System) {
    return generateSystemTree(root, entries, random);
  }
  TreeShape shape;
  std::filesystem::create_directories(root);
  struct Pending {
    std::string path;
    int depth;
  };
  // Breadth first, so that the tree is wide at the top and its size is reached evenly.
  std::vector<Pending> queue{{root.string(), 0}};
  for (std::size_t next = 0; next < queue.size() && shape.entries < entries; ++next) {
    const Pending folder = queue[next];
    const int depth = folder.depth;
    const std::uint32_t files = random.below(depth == 0 ? 8 : 40);
    std::set<std::string> nearMisses;
    for (std::uint32_t i = 0; i < files && shape.entries < entries; ++i) {
      std::string name = kNearMisses[random.below(kNearMisses.size())];
      if (random.below(200) != 0 || !nearMisses.insert(name).second) {
        // The index keeps names unique within the folder.
        name = std::string(kFileWords[random.below(kFileWords.size())]) + std::to_string(i) +
               kExtensions[random.below(kExtensions.size())];
      }
      makeFile(folder.path + "/" + name);
      ++shape.entries;
    }
    // Fewer sub-folders further down; the queue never runs dry before the size is reached.
    std::uint32_t folders = depth >= 12 ? 0 : random.below(depth < 3 ? 9 : 5);
    if (next + 1 == queue.size() && folders == 0) {
      folders = 2;
    }
    for (std::uint32_t i = 0; i < folders && shape.entries < entries; ++i) {
      const std::string path = folder.path + "/" + kFolderWords[random.below(kFolderWords.size())] +
                               " " + std::to_string(i);
      makeFolder(path);
      ++shape.entries;
      ++shape.folders;
      shape.depth = std::max(shape.depth, depth + 1);
      queue.push_back({path, depth + 1});
    }
    // Now and then a link back up: both walks must refuse to follow it.
    if (depth > 2 && random.below(500) == 0) {
      ::symlink("..", (folder.path + "/up-link").c_str());
      ++shape.entries;
    }
  }
  return shape;
}

} // namespace texkit2::bench
