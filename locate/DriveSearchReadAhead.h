#pragma once

// The drive search's folder read-ahead: listings read on a few threads of its own, in the walk's
// order, a bounded window ahead of the walk. The walk itself stays on the caller's thread.

#include "platform/Drives.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace texkit2::locate {

struct ReadAheadLimits;

namespace detail {

// A folder's place in the walk's order: the ordinals, among the folders the walk enters, of the
// sub-folders that lead to it from the starting folder. Keys compare in depth-first pre-order.
using WalkKey = std::vector<std::uint32_t>;

// Whether the walk enters this entry as a folder of its own file system.
bool entersFolder(const platform::FolderEntry& entry);

class FolderReadAhead {
 public:
  FolderReadAhead(platform::Drives& drives, const ReadAheadLimits& limits);
  // Stops reading ahead and joins every thread; the reads under way end first.
  ~FolderReadAhead();
  FolderReadAhead(const FolderReadAhead&) = delete;
  FolderReadAhead& operator=(const FolderReadAhead&) = delete;

  // The entries of the folder at `key` in the walk (its path `folder` ends in the separator), as
  // listing it now would give them: the read-ahead's listing while the folder's stamp says it
  // still holds, else one read now on this thread. Folders are taken in the walk's order.
  void take(const WalkKey& key, const std::string& folder,
            std::vector<platform::FolderEntry>& entries);

  // The walk passes by the folder at `key`, which it was to enter: what was read of it and below
  // it is dropped.
  void skip(const WalkKey& key);

  // Reads started by the threads, and the threads started, for tests and the benchmark.
  std::uint64_t readsAhead() const;
  std::size_t threads() const { return m_threads.size(); }

 private:
  enum class State : std::uint8_t { Pending, Reading, Read };
  struct Node {
    std::uint64_t id = 0; // tells a read of this node from one of an earlier node of its key
    State state = State::Pending;
    std::string folder; // ends in the separator
    std::vector<platform::FolderEntry> entries;
    std::optional<platform::FolderStamp> stamp;
    bool failed = false;
  };
  using Nodes = std::map<WalkKey, Node>;
  struct ByKey {
    bool operator()(Nodes::iterator a, Nodes::iterator b) const { return a->first < b->first; }
  };

  void work();
  // Starts one more thread, up to the limit; false when none could be started.
  bool addThread();
  // Adds the folders that `entries` lead into, as nodes waiting to be read. Under the lock.
  void addChildren(const WalkKey& key, const std::string& folder,
                   const std::vector<platform::FolderEntry>& entries);
  // Forgets every node below `key`; reads of them still under way are dropped when they end.
  void forgetBelow(const WalkKey& key);
  void erase(Nodes::iterator node);
  // Whether a thread may start a read while `limit` listings are held.
  bool mayStartRead(std::size_t limit) const;
  // Wakes one idle thread when there is a read for it; that one wakes the next.
  void wakeWorker();

  platform::Drives& m_drives;
  const std::size_t m_window;
  // A thread that found the window full sleeps until it has drained to here, so that threads
  // wake once for a run of reads rather than once for each.
  const std::size_t m_lowWater;
  const std::size_t m_entryBudget;
  const std::size_t m_maxThreads;
  std::vector<std::thread> m_threads; // started and joined on the walk's thread only

  mutable std::mutex m_lock;
  std::condition_variable m_workAvailable;
  std::condition_variable m_nodeRead;
  bool m_stopping = false;
  Nodes m_nodes; // every folder of the walk ahead that is known, in walk order
  std::set<Nodes::iterator, ByKey> m_pending;
  std::size_t m_held = 0; // listings read or being read that the walk has not taken
  std::size_t m_entriesHeld = 0;
  std::uint64_t m_nextId = 1;
  std::size_t m_idle = 0;           // threads waiting for a read to start
  std::uint64_t m_walkWaitsFor = 0; // the node whose read the walk waits for; 0: none
  std::uint64_t m_readsAhead = 0;
  bool m_slowRead = false; // a read waited on its device: more threads would keep it busier
};

} // namespace detail
} // namespace texkit2::locate
