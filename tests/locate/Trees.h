#pragma once

// Folder trees for the drive search tests, written into a test's temporary folder.

#include "tests/common/TempFolder.h"

#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace texkit2::testing {

inline void touch(const std::filesystem::path& file) {
  writeText(file, "");
}

// A folder's path as the search spells folders that hold a match: with its separator.
inline std::string slashed(const std::filesystem::path& folder) {
  return folder.string() + "/";
}

// The executable, and the data folder with both archives unless told otherwise.
inline void writeInstallation(const std::filesystem::path& gameFolder,
                              const std::string& executable = "quake.exe",
                              const std::string& dataFolder = "id1", bool pak0 = true,
                              bool pak1 = true) {
  std::filesystem::create_directories(gameFolder / dataFolder);
  touch(gameFolder / executable);
  if (pak0) {
    writeText(gameFolder / dataFolder / "PAK0.PAK", "PACK");
  }
  if (pak1) {
    writeText(gameFolder / dataFolder / "PAK1.PAK", "PACK");
  }
}

// A chain of `depth` folders named `name` below `top`, made one level at a time relative to
// the last: the full path soon passes PATH_MAX, which path-based calls refuse. Returns the
// deepest folder's path. `leaf`, when given, is created as a file in the deepest folder.
inline std::string makeDeepChain(const std::filesystem::path& top, int depth,
                                 const std::string& name, const std::string& leaf = {}) {
  std::filesystem::create_directories(top);
  int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  std::string path = top.string();
  for (int i = 0; i < depth && fd >= 0; ++i) {
    ::mkdirat(fd, name.c_str(), 0755);
    const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    fd = next;
    path += "/" + name;
  }
  if (fd < 0) {
    throw std::runtime_error("cannot build the deep chain under " + top.string());
  }
  if (!leaf.empty()) {
    const int file = ::openat(fd, leaf.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (file >= 0) {
      ::close(file);
    }
  }
  ::close(fd);
  return path;
}

} // namespace texkit2::testing
