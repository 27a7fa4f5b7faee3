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

} // namespace

TreeShape generateTree(const std::filesystem::path& root, std::uint64_t entries,
                       std::uint32_t seed) {
  Random random(seed);
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
