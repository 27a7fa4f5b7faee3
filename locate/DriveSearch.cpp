#include "locate/DriveSearch.h"

#include "locate/DriveSearchReadAhead.h"
#include "platform/AsciiCase.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace texkit2::locate {
namespace {

bool endsInSeparator(const std::string& path) {
  return !path.empty() && (path.back() == platform::kPathSeparator || path.back() == '/');
}

// One folder of the current path: its entries, read in one go so that no listing stays open
// while its sub-folders are searched (3,000 open listings would exhaust the descriptors), the
// position of the entry to handle next, and how many sub-folders it has led into.
struct Level {
  std::string path; // ends in the separator
  std::optional<platform::FolderId> id;
  std::vector<platform::FolderEntry> entries;
  std::size_t next = 0;
  std::uint32_t entered = 0;
};

// Whether the folder `id` is one of the current path's, which a link (or a Unix link that Wine
// shows as a plain folder) has led back to.
bool onPath(const std::vector<Level>& levels, std::size_t depth,
            const std::optional<platform::FolderId>& id) {
  if (!id) {
    return false;
  }
  for (std::size_t i = depth + 1; i-- > 0;) {
    if (levels[i].id == id) {
      return true;
    }
  }
  return false;
}

} // namespace

bool admitsDrive(const DriveSearchOptions& options, platform::DriveType type) {
  switch (type) {
  case platform::DriveType::Removable:
    return options.removable != 0;
  case platform::DriveType::Fixed:
    return options.fixed != 0;
  case platform::DriveType::Remote:
    return options.remote != 0;
  default:
    return false;
  }
}

bool SearchFolder(platform::Drives& drives, const std::string& folder,
                  const std::string& executableName, std::string& matchedFolder,
                  const FolderObserver& folderObserver, const ReadAheadLimits& limits) {
  if (folder.empty()) {
    return false;
  }
  // Joins its threads on every way out, the match included.
  detail::FolderReadAhead readAhead(drives, limits);
  // Levels stay allocated when the walk climbs back up, so their buffers serve the next
  // sibling's subtree.
  std::vector<Level> levels(1);
  std::size_t depth = 0;
  detail::WalkKey key; // the current level's place in the walk
  levels[0].path = folder;
  if (!endsInSeparator(levels[0].path)) {
    levels[0].path += platform::kPathSeparator;
  }
  levels[0].id = drives.folderId(levels[0].path);
  // A folder that cannot be listed counts as empty.
  readAhead.take(key, levels[0].path, levels[0].entries);

  while (true) {
    Level& level = levels[depth];
    if (level.next == level.entries.size()) {
      if (depth == 0) {
        return false;
      }
      --depth;
      key.pop_back();
      continue;
    }
    const platform::FolderEntry& entry = level.entries[level.next++];
    if (entry.name.empty() || entry.name == "." || entry.name == "..") {
      continue;
    }
    if (entry.isDirectory) {
      if (!detail::entersFolder(entry)) {
        continue;
      }
      if (onPath(levels, depth, entry.id)) {
        // Entering it would go round a loop; the read-ahead has it under the same ordinal.
        key.push_back(level.entered++);
        readAhead.skip(key);
        key.pop_back();
        continue;
      }
      if (levels.size() == depth + 1) {
        levels.emplace_back(); // moves the levels: take them afresh below
      }
      Level& parent = levels[depth];
      Level& child = levels[depth + 1];
      child.path.assign(parent.path).append(parent.entries[parent.next - 1].name);
      child.id = parent.entries[parent.next - 1].id;
      child.next = 0;
      child.entered = 0;
      key.push_back(parent.entered++);
      if (folderObserver) {
        folderObserver(child.path);
      }
      child.path += platform::kPathSeparator;
      readAhead.take(key, child.path, child.entries);
      ++depth;
      continue;
    }
    if (platform::equalsIgnoringCase(entry.name, executableName)) {
      matchedFolder = level.path;
      return true;
    }
  }
}

bool CheckDataFolder(platform::FileSystem& files, extract::GameKind gameKind,
                     std::string& gameDataFolder) {
  const extract::GameInfo* info = extract::gameInfo(gameKind);
  if (info == nullptr) {
    return false;
  }
  if (!endsInSeparator(gameDataFolder)) {
    gameDataFolder += platform::kPathSeparator;
  }
  // Spelt as on disk (Id1), since the folder is shown, stored and registered by this name.
  gameDataFolder.append(files.existingName(gameDataFolder + info->dataFolderName))
      .append(1, platform::kPathSeparator);
  if (!files.setCurrentDirectory(gameDataFolder)) {
    gameDataFolder.clear();
    return false;
  }
  return FindDataArchives(files) != DataArchives::None;
}

DataArchives FindDataArchives(platform::FileSystem& files) {
  // Opening, not just finding a name: a folder called PAK0.PAK, or an archive we may not read,
  // would only make the extraction fail later.
  if (files.openForReading("PAK0.PAK") == nullptr) {
    return DataArchives::None;
  }
  if (files.openForReading("PAK1.PAK") != nullptr) {
    return DataArchives::Both;
  }
  return files.exists("PAK1.PAK") ? DataArchives::None : DataArchives::Pak0;
}

std::string FoundArchivesText(DataArchives archives) {
  return archives == DataArchives::Pak0 ? "Found pak0.pak" : "Found pak0.pak and pak1.pak";
}

bool SearchDrives(platform::Drives& drives, platform::FileSystem& files,
                  const DriveSearchOptions& options, const std::string& executableName,
                  extract::GameKind gameKind, std::string& gameDataFolder,
                  const FolderObserver& folderObserver, std::string* executableFolder) {
  if (executableFolder != nullptr) {
    executableFolder->clear();
  }
  for (const platform::DriveRoot& root : drives.drives()) {
    if (!admitsDrive(options, root.type)) {
      continue;
    }
    std::string matched;
    if (SearchFolder(drives, root.path, executableName, matched, folderObserver)) {
      if (executableFolder != nullptr) {
        *executableFolder = matched;
      }
      gameDataFolder = matched;
      return CheckDataFolder(files, gameKind, gameDataFolder);
    }
  }
  return false;
}

} // namespace texkit2::locate
