#include "extract/FolderSources.h"

#include "platform/AsciiCase.h"

#include <algorithm>
#include <filesystem>
#include <type_traits>
#include <utility>

namespace texkit2::extract {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kLastArchiveNumber = 99;

// On Windows a name that is no valid UTF-16 does not convert: empty, and passed over.
std::string utf8(const fs::path& path) {
  try {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  } catch (const std::exception&) {
    return {};
  }
}

// The last part of a listed entry's path. Where paths are bytes it is cut out of the path's own
// text: filename() builds a path of its own, which costs more than the rest of the listing.
template <typename Native> std::string lastPart(const Native& native, const fs::path& path) {
  if constexpr (std::is_same_v<Native, std::string>) {
    return native.substr(native.rfind('/') + 1);
  } else {
    return utf8(path.filename());
  }
}

std::string entryName(const fs::path& path) {
  return lastPart(path.native(), path);
}

fs::path fromUtf8(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

// The N of pak<N>.pak in any letter case, or -1. "pak01.pak" is not the engine's name for 1.
// Numbers past 99 are given too, for the caller to pass over.
int archiveNumber(const std::string& name) {
  const std::string lower = platform::lowerAscii(name);
  if (lower.size() < 8 || lower.size() > 12 || !lower.starts_with("pak") ||
      !lower.ends_with(".pak")) {
    return -1;
  }
  const std::string digits = lower.substr(3, lower.size() - 7);
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
      (digits.size() > 1 && digits[0] == '0')) {
    return -1;
  }
  return std::stoi(digits);
}

bool isMapName(const std::string& name) {
  return name.size() > 4 && platform::lowerAscii(name.substr(name.size() - 4)) == ".bsp";
}

struct Entry {
  std::string name;
  fs::file_status own;    // the entry itself; a link stays a link
  fs::file_status target; // where a link leads (or the entry itself)
  std::error_code targetError;
};

// The folder's entries in byte order of their names; false when it cannot be read.
bool listFolder(const fs::path& folder, std::vector<Entry>& entries, std::string& why) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    Entry entry;
    entry.name = entryName(it->path());
    if (entry.name.empty()) {
      continue;
    }
    // The entry's own questions answer from the listing's type where the system gives one;
    // only a link costs a look at its target.
    std::error_code typeError;
    if (it->is_symlink(typeError)) {
      entry.own = fs::file_status(fs::file_type::symlink);
      entry.target = it->status(entry.targetError);
    } else {
      entry.own = fs::file_status(it->is_directory(typeError)      ? fs::file_type::directory
                                  : it->is_regular_file(typeError) ? fs::file_type::regular
                                                                   : fs::file_type::unknown);
      entry.target = entry.own;
    }
    entries.push_back(std::move(entry));
  }
  if (ec) {
    why = ec.message();
    return false;
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  return true;
}

void walkMaps(const fs::path& root, const std::string& rootName, FolderSources& sources) {
  // An explicit stack: a tree thousands of folders deep must not exhaust the call stack.
  std::vector<std::pair<fs::path, std::string>> pending{{root, rootName}};
  while (!pending.empty()) {
    auto [folder, relative] = std::move(pending.back());
    pending.pop_back();
    std::vector<Entry> entries;
    std::string why;
    if (!listFolder(folder, entries, why)) {
      sources.skipped.push_back(relative + ": folder cannot be read (" + why + "); skipped");
      continue;
    }
    for (const Entry& entry : entries) {
      const std::string path = relative + "/" + entry.name;
      if (fs::is_directory(entry.own)) {
        pending.emplace_back(folder / fromUtf8(entry.name), path);
        continue;
      }
      const bool link = fs::is_symlink(entry.own);
      if (link && entry.targetError) {
        if (isMapName(entry.name)) {
          sources.skipped.push_back(path + ": link leads nowhere (" + entry.targetError.message() +
                                    "); skipped");
        }
      } else if (link && fs::is_directory(entry.target)) {
        sources.skipped.push_back(path + ": link to a folder; not followed");
      } else if (isMapName(entry.name)) {
        if (fs::is_regular_file(entry.target)) {
          sources.looseMaps.push_back(path);
        } else {
          sources.skipped.push_back(path + ": is not a file; skipped");
        }
      }
    }
  }
  std::sort(sources.looseMaps.begin(), sources.looseMaps.end());
}

} // namespace

FolderSources ListFolderSources(const std::string& dataFolder) {
  FolderSources sources;
  std::vector<Entry> entries;
  std::string why;
  fs::path folder;
  try {
    folder = fromUtf8(dataFolder);
  } catch (const std::exception& error) {
    sources.skipped.push_back(dataFolder + ": not a name the system takes (" + error.what() + ")");
    return sources;
  }
  if (!listFolder(folder, entries, why)) {
    sources.skipped.push_back(dataFolder + ": folder cannot be read (" + why + ")");
    return sources;
  }
  std::vector<std::pair<int, std::string>> archives;
  for (const Entry& entry : entries) {
    if (const int number = archiveNumber(entry.name);
        number > static_cast<int>(kLastArchiveNumber)) {
      sources.skipped.push_back(entry.name + ": past pak" + std::to_string(kLastArchiveNumber) +
                                ".pak, which the games read last; skipped");
    } else if (number >= 0) {
      const auto same = std::find_if(archives.begin(), archives.end(),
                                     [&](const auto& held) { return held.first == number; });
      if (!fs::is_regular_file(entry.target)) {
        sources.skipped.push_back(entry.name + ": is not a file; archive skipped");
      } else if (same != archives.end()) {
        // Two letter cases of one name, where the file system tells them apart.
        sources.skipped.push_back(entry.name + ": the same archive as " + same->second +
                                  "; skipped");
      } else {
        archives.emplace_back(number, entry.name);
      }
    } else if (platform::lowerAscii(entry.name) == "maps") {
      if (fs::is_directory(entry.own)) {
        walkMaps(folder / fromUtf8(entry.name), entry.name, sources);
      } else if (fs::is_symlink(entry.own)) {
        sources.skipped.push_back(entry.name + ": link to a folder; not followed");
      }
    }
  }
  std::stable_sort(archives.begin(), archives.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& archive : archives) {
    sources.archives.push_back(std::move(archive.second));
  }
  // Two maps/ folders (maps and MAPS) were each walked in order; their maps mix by path.
  std::sort(sources.looseMaps.begin(), sources.looseMaps.end());
  return sources;
}

ReopeningFile::~ReopeningFile() {
  close();
}

bool ReopeningFile::open() {
  if (m_file) {
    return true;
  }
  m_file = m_pool.m_files.openForReading(m_name);
  if (!m_file) {
    m_error = m_pool.m_files.lastError();
    return false;
  }
  m_length = m_file->length();
  if (m_position != 0 && !m_file->seek(m_position)) {
    m_error = m_file->lastError();
    m_file.reset();
    return false;
  }
  m_pool.opened(*this);
  return true;
}

bool ReopeningFile::seek(std::int64_t position) {
  if (position < 0 || !open() || !m_file->seek(position)) {
    if (m_file) {
      m_error = m_file->lastError();
    }
    return false;
  }
  m_position = position;
  return true;
}

std::int64_t ReopeningFile::read(void* buffer, std::size_t size) {
  if (!open()) {
    return -1;
  }
  const std::int64_t got = m_file->read(buffer, size);
  if (got < 0) {
    m_error = m_file->lastError();
    return got;
  }
  m_position += got;
  return got;
}

bool ReopeningFile::close() {
  if (m_file) {
    m_file->close();
    m_file.reset();
    m_pool.closed(*this);
  }
  return true;
}

ReopeningFile* ReopeningFiles::add(const std::string& name, std::string& why) {
  m_all.push_back(std::make_unique<ReopeningFile>(*this, name));
  ReopeningFile* file = m_all.back().get();
  if (!file->open()) {
    why = file->lastError();
    m_all.pop_back();
    return nullptr;
  }
  return file;
}

void ReopeningFiles::closeAll() {
  while (!m_open.empty()) {
    m_open.front()->close();
  }
}

void ReopeningFiles::opened(ReopeningFile& file) {
  m_open.push_back(&file);
  while (m_open.size() > m_openAtOnce) {
    m_open.front()->close();
  }
}

void ReopeningFiles::closed(ReopeningFile& file) {
  m_open.remove(&file);
}

} // namespace texkit2::extract
