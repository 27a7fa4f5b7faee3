#include "platform/PathCase.h"

#include <dirent.h>
#include <optional>
#include <sys/stat.h>

namespace texkit2::platform {
namespace {

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::optional<std::string> findEntry(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) {
    return std::nullopt;
  }
  std::optional<std::string> best;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string candidate = entry->d_name;
    if (equalsIgnoringCase(candidate, name) && (!best || candidate < *best)) {
      best = candidate;
    }
  }
  ::closedir(dir);
  return best;
}

} // namespace

std::string resolveCaseInsensitive(const std::string& path) {
  if (path.empty() || exists(path)) {
    return path;
  }
  std::string resolved;
  std::size_t start = 0;
  if (path.front() == '/') {
    resolved = "/";
    start = 1;
  }
  bool searching = true;
  while (start <= path.size()) {
    const auto end = path.find('/', start);
    const std::string component =
        path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const bool last = end == std::string::npos;
    if (!component.empty()) {
      const std::string folder = resolved;
      std::string spelt = resolved;
      if (!spelt.empty() && spelt.back() != '/') {
        spelt += '/';
      }
      std::string chosen = component;
      if (searching && component != "." && component != ".." && !exists(spelt + component)) {
        if (auto match = findEntry(folder, component)) {
          chosen = *match;
        } else {
          // Nothing below a missing folder can exist either.
          searching = false;
        }
      }
      resolved = spelt + chosen;
    }
    if (last) {
      break;
    }
    start = end + 1;
  }
  if (path.back() == '/' && !resolved.empty() && resolved.back() != '/') {
    resolved += '/';
  }
  return resolved;
}

} // namespace texkit2::platform
