#pragma once

#include "extract/GameKind.h"
#include "platform/Drives.h"
#include "platform/File.h"

#include <cstddef>
#include <functional>
#include <string>

namespace texkit2::locate {

// Which kinds of drive a search visits. Each flag is an int used as a boolean, as the Search
// dialog's check boxes hold them; CD-ROM drives, RAM disks and drives of unknown type are
// never visited.
struct DriveSearchOptions {
  int fixed = 0;     // "&Hard Drives"
  int remote = 0;    // "&Network Drives"
  int removable = 0; // "&Removable Drives"
};

// Whether `options` let a search visit a drive of `type`.
bool admitsDrive(const DriveSearchOptions& options, platform::DriveType type);

// Called with the path of each sub-folder (no trailing separator) just before the search
// enters it; drive roots are not reported. It runs on the searching thread, so a dialog may
// show the path and let its window repaint from here; it must not change the folders, start
// another search or touch the drive table.
using FolderObserver = std::function<void(const std::string& folder)>;

// Walks the drives that `options` admit, in the table's order, each depth-first and pre-order
// in the order its listings yield entries, up to the first file named `executableName` (letter
// case ignored). On such a match the walk ends at once, `gameDataFolder` becomes the data
// folder beside it (game folder, then "id1" or "data1", then the separator) and the result is
// CheckDataFolder's: no other copy of the executable is looked for.
//
// Outcome:
//   no match on any admitted drive     false, gameDataFolder unchanged, current dir unchanged
//   data folder cannot be made current false, gameDataFolder "",        current dir unchanged
//   PAK0.PAK or PAK1.PAK missing       false, the data folder,          current dir: data folder
//   both archives present              true,  the data folder,          current dir: data folder
//
// A walk stays on its drive's file system (mount points are left to their own drives), never
// follows a symbolic link to a folder (on Windows, never enters a reparse point), never enters a
// folder that is already on its path (told by identity, where the listing gives it), treats a
// folder it cannot list as empty, and holds its path on a stack of its own, so depth is bounded
// by memory, not by the thread's stack.
// There is no cancellation; `folderObserver` may be empty. `executableFolder`, when given,
// receives the folder of the executable matched (ending in the separator), or "" when none was.
bool SearchDrives(platform::Drives& drives, platform::FileSystem& files,
                  const DriveSearchOptions& options, const std::string& executableName,
                  extract::GameKind gameKind, std::string& gameDataFolder,
                  const FolderObserver& folderObserver = {},
                  std::string* executableFolder = nullptr);

// How far a walk reads folder listings ahead of itself. A cold disk serves several reads at
// once, so threads of the walk's own read the folders it will enter next, nearest in its order
// first, at most `folders` listings (and about `entries` entries) ahead. Two threads start; each
// read that waits on its device adds one, up to `threads`. The walk
// stays on the caller's thread and takes each listing in its own order, so its first match and
// what it reports are those of a walk that reads each folder as it enters it. A listing read
// ahead is used only while the folder's stamp says it has not changed since; otherwise it is
// read again. Only over a Drives that lists concurrently; 0 threads or folders: no read-ahead.
struct ReadAheadLimits {
  // Measured cold on a virtual disk of a 2-core machine over 92,763 folders: 8 threads beat 4
  // and 16; a window under a hundred folders keeps the threads waiting for the walk.
  unsigned threads = 8;
  std::size_t folders = 256;
  std::size_t entries = 1 << 16;
};

// The walk of one folder and everything below it on the same file system. On a match stores
// the path of the folder holding the executable, ending in the separator, into `matchedFolder`
// and returns true; otherwise leaves it alone and returns false. `folder` itself is not
// reported to the observer, its sub-folders are. Every thread of the read-ahead has ended
// when it returns.
bool SearchFolder(platform::Drives& drives, const std::string& folder,
                  const std::string& executableName, std::string& matchedFolder,
                  const FolderObserver& folderObserver = {}, const ReadAheadLimits& limits = {});

// The archives of the data folder that is the current directory, matched without regard to
// letter case: both, or PAK0.PAK alone (the re-release, the store editions, the shareware
// episode and the mission packs have one). None when PAK0.PAK is missing or unreadable, or
// PAK1.PAK is there but cannot be read; only files count.
enum class DataArchives { None, Pak0, Both };
DataArchives FindDataArchives(platform::FileSystem& files);

// What the main dialog says of a data folder found: "Found pak0.pak and pak1.pak" or
// "Found pak0.pak".
std::string FoundArchivesText(DataArchives archives);

// Turns a game folder (ending in the separator) into its data folder in place and checks that
// it holds PAK0.PAK, and PAK1.PAK when there is one (FindDataArchives). The data folder is
// made the current directory through `files`; if that fails, `gameDataFolder` becomes "" and the
// result is false. For a game other than Quake or Hexen II nothing changes and the result is
// false.
bool CheckDataFolder(platform::FileSystem& files, extract::GameKind gameKind,
                     std::string& gameDataFolder);

} // namespace texkit2::locate
