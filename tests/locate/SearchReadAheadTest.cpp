// The walk with folder listings read ahead on threads of its own: the same walk as one that reads
// each folder as it enters it, a bounded window, and every thread ended on every way out.
#include "locate/DriveSearch.h"
#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"
#include "tests/locate/Trees.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <random>
#include <thread>

namespace texkit2::locate {
namespace {

namespace fs = std::filesystem;
using platform::FolderEntry;
using platform::FolderStamp;
using platform::MemoryDrives;
using testing::slashed;
using testing::TempFolder;
using testing::touch;
using namespace std::chrono_literals;

constexpr ReadAheadLimits kNoReadAhead{0, 0, 0};

// What WatchedDrives saw.
struct Seen {
  int inFlight = 0;
  int peak = 0;
  int started = 0;
  std::map<std::string, int> listed;
  std::map<std::string, std::optional<FolderStamp>> stamps;

  int timesListed(const fs::path& folder) const {
    const auto it = listed.find(slashed(folder));
    return it == listed.end() ? 0 : it->second;
  }
};

// Passes listings to a MemoryDrives and watches them: how many run at once, which folders were
// listed how often and with what stamp, and a hook that runs inside each listing.
class WatchedDrives final : public platform::Drives {
 public:
  std::vector<platform::DriveRoot> drives() override { return m_target.drives(); }
  std::optional<platform::DriveRoot> driveHolding(const std::string& path) override {
    return m_target.driveHolding(path);
  }
  std::optional<std::uint32_t> volumeSerial(const std::string& root) override {
    return m_target.volumeSerial(root);
  }
  bool isFolder(const std::string& path) override { return m_target.isFolder(path); }
  bool listsConcurrently() const override { return true; }
  std::optional<FolderStamp> folderStamp(const std::string& folder) override {
    return m_target.folderStamp(folder);
  }
  std::optional<platform::FolderId> folderId(const std::string& folder) override {
    return m_target.folderId(folder);
  }
  std::error_code listFolder(const std::string& folder,
                             std::vector<FolderEntry>& entries) override {
    std::optional<FolderStamp> stamp;
    return listStampedFolder(folder, entries, stamp);
  }
  std::error_code listStampedFolder(const std::string& folder, std::vector<FolderEntry>& entries,
                                    std::optional<FolderStamp>& stamp) override {
    {
      const std::lock_guard lock(m_lock);
      ++m_seen.inFlight;
      ++m_seen.started;
      m_seen.peak = std::max(m_seen.peak, m_seen.inFlight);
      m_changed.notify_all();
    }
    if (hook) {
      hook(folder);
    }
    const auto error = m_target.listStampedFolder(folder, entries, stamp);
    const std::lock_guard lock(m_lock);
    --m_seen.inFlight;
    ++m_seen.listed[folder];
    m_seen.stamps[folder] = stamp;
    m_changed.notify_all();
    return error;
  }

  // Waits until `done` holds of what was seen, at most 5 s; false when it never did.
  bool waitFor(const std::function<bool(const Seen&)>& done) {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, 5s, [&] { return done(m_seen); });
  }
  Seen seen() const {
    const std::lock_guard lock(m_lock);
    return m_seen;
  }

  MemoryDrives& target() { return m_target; }
  // Runs inside every listing, on the thread that lists; set it before the walk starts.
  std::function<void(const std::string& folder)> hook;

 private:
  MemoryDrives m_target;
  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  Seen m_seen;
};

struct Walk {
  bool found = false;
  std::string matched;
  std::vector<std::string> entered;
};

Walk walk(platform::Drives& drives, const fs::path& root, const ReadAheadLimits& limits,
          const std::function<void(const std::string&)>& onEnter = {}) {
  Walk result;
  result.found = SearchFolder(
      drives, root.string(), "quake.exe", result.matched,
      [&](const std::string& folder) {
        result.entered.push_back(folder);
        if (onEnter) {
          onEnter(folder);
        }
      },
      limits);
  return result;
}

std::size_t threadsOfThisProcess() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& task : fs::directory_iterator("/proc/self/task")) {
    ++count;
  }
  return count;
}

// Whether the process is back to `count` threads: a joined thread's entry may linger a moment.
bool backTo(std::size_t count) {
  for (int i = 0; i < 500 && threadsOfThisProcess() != count; ++i) {
    std::this_thread::sleep_for(2ms);
  }
  return threadsOfThisProcess() == count;
}

TEST(SearchReadAheadTest, EntersTheSameFoldersInTheSameOrderAsAWalkWithout) {
  TempFolder temp;
  std::mt19937 random(7);
  std::vector<fs::path> folders = {temp / "root"};
  fs::create_directories(folders[0]);
  for (int i = 0; i < 400; ++i) {
    const fs::path& parent = folders[random() % folders.size()];
    folders.push_back(parent / ("f" + std::to_string(random() % 1000)));
    fs::create_directories(folders.back());
    touch(folders.back() / ("file" + std::to_string(i)));
  }
  touch(folders[350] / "Quake.exe");
  MemoryDrives drives;
  drives.setOrder(MemoryDrives::Order::FileSystem);
  const Walk expected = walk(drives, temp / "root", kNoReadAhead);
  ASSERT_TRUE(expected.found);
  for (const ReadAheadLimits limits :
       {ReadAheadLimits{1, 1, 1}, ReadAheadLimits{3, 8, 64}, ReadAheadLimits{4, 128, 1 << 16}}) {
    SCOPED_TRACE(std::to_string(limits.threads) + " threads, window " +
                 std::to_string(limits.folders));
    const Walk ahead = walk(drives, temp / "root", limits);
    EXPECT_EQ(ahead.found, expected.found);
    EXPECT_EQ(ahead.matched, expected.matched);
    EXPECT_EQ(ahead.entered, expected.entered);
  }
}

TEST(SearchReadAheadTest, StopsAtAMatchWithReadsInFlightAndWaitsForThem) {
  TempFolder temp;
  const auto root = temp / "root";
  touch(root / "a" / "quake.exe");
  for (const char* later : {"b", "c", "d", "e"}) {
    touch(root / later / "x" / "readme.txt");
  }
  WatchedDrives drives;
  std::atomic<bool> aListed{false};
  bool othersInFlight = false;
  drives.hook = [&](const std::string& folder) {
    if (folder == slashed(root / "a")) {
      // The match waits until a later folder is being read too, whichever thread reads "a".
      othersInFlight = drives.waitFor([](const Seen& seen) { return seen.inFlight >= 2; });
      aListed = true;
    } else if (folder != slashed(root)) {
      while (!aListed) {
        std::this_thread::sleep_for(1ms);
      }
      std::this_thread::sleep_for(50ms); // still reading when the walk meets quake.exe
    }
  };
  const std::size_t threadsBefore = threadsOfThisProcess();
  const Walk result = walk(drives, root, ReadAheadLimits{2, 16, 1024});
  EXPECT_TRUE(othersInFlight);
  EXPECT_TRUE(result.found);
  EXPECT_EQ(result.matched, slashed(root / "a"));
  EXPECT_EQ(result.entered, std::vector<std::string>{(root / "a").string()});
  // Every read that was under way had ended, and its thread with it, when the search returned.
  EXPECT_EQ(drives.seen().inFlight, 0);
  EXPECT_GE(drives.seen().peak, 2);
  EXPECT_TRUE(backTo(threadsBefore));
}

TEST(SearchReadAheadTest, AFolderThatChangesAfterItWasReadIsReadAgain) {
  struct Case {
    const char* what;
    bool waitForTheReadAhead;
    std::function<void(const fs::path& b)> change;
    bool found;
    std::vector<std::string> entered; // below the root
    int listingsOfB;                  // 0: either 1 or 2
  };
  const std::vector<Case> cases = {
      {"vanished after it was read ahead",
       true,
       [](const fs::path& b) { fs::remove_all(b); },
       false,
       {"a", "b"},
       2},
      {"vanished while it may be read",
       false,
       [](const fs::path& b) { fs::remove_all(b); },
       false,
       {"a", "b"},
       0},
      {"replaced by an empty folder",
       true,
       [](const fs::path& b) {
         fs::remove_all(b);
         fs::create_directory(b);
       },
       false,
       {"a", "b"},
       2},
      // Listed before "game", so the walk meets it first.
      {"gained the executable",
       true,
       [](const fs::path& b) { touch(b / "Quake.exe"); },
       true,
       {"a", "b"},
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder temp;
    const auto root = temp / "root";
    touch(root / "a" / "readme.txt");
    touch(root / "b" / "game" / "quake.exe");
    WatchedDrives drives;
    const auto b = root / "b";
    bool readAhead = true;
    const Walk result = walk(drives, root, ReadAheadLimits{2, 8, 64}, [&](const std::string& in) {
      if (in != (root / "a").string()) {
        return;
      }
      if (c.waitForTheReadAhead) {
        readAhead = drives.waitFor([&](const Seen& seen) {
          return seen.timesListed(b) == 1 && seen.timesListed(b / "game") == 1;
        });
      }
      const auto stamps = drives.seen().stamps;
      const auto listed = stamps.find(slashed(b));
      const FolderStamp before =
          listed != stamps.end() && listed->second ? *listed->second : FolderStamp{};
      c.change(b);
      // A clock that ticks coarsely can give the change the time of the read: change it again
      // until the folder's stamp shows it.
      for (int i = 0;
           i < 100 && drives.target().folderStamp(b.string()).value_or(FolderStamp{}) == before &&
           fs::exists(b);
           ++i) {
        std::this_thread::sleep_for(2ms);
        fs::remove(b / "touched");
        touch(b / "touched");
      }
    });
    EXPECT_TRUE(readAhead);
    EXPECT_EQ(result.found, c.found);
    EXPECT_EQ(result.matched, c.found ? slashed(b) : "");
    std::vector<std::string> entered;
    for (const std::string& name : c.entered) {
      entered.push_back((root / name).string());
    }
    EXPECT_EQ(result.entered, entered);
    if (c.listingsOfB != 0) {
      EXPECT_EQ(drives.seen().timesListed(b), c.listingsOfB);
    }
  }
}

TEST(SearchReadAheadTest, HoldsNoMoreListingsThanItsWindow) {
  TempFolder temp;
  const auto root = temp / "root";
  for (int i = 0; i < 20; ++i) {
    for (const char* sub : {"x", "y", "z"}) {
      fs::create_directories(root / ("f" + std::to_string(100 + i)) / sub);
    }
  }
  WatchedDrives drives;
  constexpr int kWindow = 4;
  int startedWhileWaiting = -1;
  bool filled = false;
  walk(drives, root, ReadAheadLimits{3, kWindow, 1024}, [&](const std::string&) {
    if (startedWhileWaiting < 0) {
      // The walk has taken only the root: the threads may read the window's worth, no more.
      filled = drives.waitFor([](const Seen& seen) { return seen.started >= 1 + kWindow; });
      std::this_thread::sleep_for(50ms);
      startedWhileWaiting = drives.seen().started;
    }
  });
  EXPECT_TRUE(filled);
  EXPECT_EQ(startedWhileWaiting, 1 + kWindow);
}

TEST(SearchReadAheadTest, DropsWhatItReadBeyondAFolderTheWalkPassesBy) {
  TempFolder temp;
  const auto root = temp / "root";
  // A loop as Wine lists it: the read-ahead goes round it, the walk does not.
  fs::create_directories(root / "aaloop" / "sub");
  fs::create_directory_symlink("..", root / "aaloop" / "sub" / "up");
  fs::create_directories(root / "zz" / "below");
  WatchedDrives drives;
  drives.target().setLinksAsFolders(true);
  bool readAhead = false;
  const Walk result =
      walk(drives, root, ReadAheadLimits{1, 4, 1 << 16}, [&](const std::string& folder) {
        if (folder == (root / "zz").string()) {
          // Its window is free again once the walk has passed the loop by.
          readAhead =
              drives.waitFor([&](const Seen& seen) { return seen.timesListed(root / "zz") > 0; });
        }
      });
  EXPECT_TRUE(readAhead);
  EXPECT_EQ(result.entered, (std::vector<std::string>{
                                (root / "aaloop").string(), (root / "aaloop" / "sub").string(),
                                (root / "zz").string(), (root / "zz" / "below").string()}));
}

TEST(SearchReadAheadTest, LeavesNoThreadBehindOnAnyWayOut) {
  struct Case {
    const char* what;
    std::function<fs::path(const fs::path& temp, MemoryDrives& drives)> make;
    bool found;
  };
  const std::vector<Case> cases = {
      {"a match",
       [](const fs::path& temp, MemoryDrives&) {
         touch(temp / "root" / "m" / "quake.exe");
         touch(temp / "root" / "z" / "y" / "readme.txt");
         return temp / "root";
       },
       true},
      {"no match",
       [](const fs::path& temp, MemoryDrives&) {
         touch(temp / "root" / "a" / "b" / "readme.txt");
         return temp / "root";
       },
       false},
      {"a starting folder that is missing",
       [](const fs::path& temp, MemoryDrives&) { return temp / "missing"; }, false},
      {"an unreadable starting folder",
       [](const fs::path& temp, MemoryDrives& drives) {
         touch(temp / "root" / "quake.exe");
         drives.setUnlistable(temp / "root");
         return temp / "root";
       },
       false},
      {"unreadable folders below",
       [](const fs::path& temp, MemoryDrives& drives) {
         touch(temp / "root" / "a" / "quake.exe");
         touch(temp / "root" / "b" / "c" / "readme.txt");
         drives.setUnlistable(temp / "root" / "a");
         drives.setUnlistable(temp / "root" / "b" / "c");
         return temp / "root";
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder temp;
    MemoryDrives drives;
    const fs::path root = c.make(temp.path(), drives);
    const std::size_t before = threadsOfThisProcess();
    EXPECT_EQ(walk(drives, root, ReadAheadLimits{4, 8, 64}).found, c.found);
    EXPECT_TRUE(backTo(before));
  }
}

} // namespace
} // namespace texkit2::locate
