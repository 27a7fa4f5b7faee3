#include "locate/DriveSearchReadAhead.h"

#include "locate/DriveSearch.h"
#include "platform/File.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

namespace texkit2::locate::detail {
namespace {

// Listings from the cache take microseconds, and then threads beyond the cores only contend for
// them; a read that waited this long was served by a device, which can serve several at once.
constexpr auto kSlowRead = std::chrono::milliseconds(2);
constexpr std::size_t kFirstThreads = 2;

bool below(const WalkKey& key, const WalkKey& ancestor) {
  return key.size() > ancestor.size() && std::equal(ancestor.begin(), ancestor.end(), key.begin());
}

} // namespace

bool entersFolder(const platform::FolderEntry& entry) {
  // A link to a folder is neither entered nor compared: it would lead to folders searched
  // elsewhere or around in a loop. A mount point belongs to another drive.
  return entry.isDirectory && !entry.isSymlink && !entry.isMountPoint && !entry.name.empty() &&
         entry.name != "." && entry.name != "..";
}

FolderReadAhead::FolderReadAhead(platform::Drives& drives, const ReadAheadLimits& limits)
    : m_drives(drives), m_window(std::max<std::size_t>(limits.folders, 1)),
      m_lowWater(m_window - m_window / 4), m_entryBudget(std::max<std::size_t>(limits.entries, 1)),
      m_maxThreads(limits.folders == 0 || !drives.listsConcurrently() ? 0 : limits.threads) {
  while (m_threads.size() < std::min(m_maxThreads, kFirstThreads) && addThread()) {
  }
}

bool FolderReadAhead::addThread() {
  if (m_threads.size() >= m_maxThreads) {
    return false;
  }
  try {
    m_threads.emplace_back([this] { work(); });
    return true;
  } catch (const std::system_error&) {
    return false; // the threads there are, or the walk alone, read the rest
  }
}

FolderReadAhead::~FolderReadAhead() {
  {
    const std::lock_guard lock(m_lock);
    m_stopping = true;
  }
  m_workAvailable.notify_all();
  for (std::thread& thread : m_threads) {
    thread.join();
  }
}

std::uint64_t FolderReadAhead::readsAhead() const {
  const std::lock_guard lock(m_lock);
  return m_readsAhead;
}

void FolderReadAhead::take(const WalkKey& key, const std::string& folder,
                           std::vector<platform::FolderEntry>& entries) {
  if (m_threads.empty()) {
    // A folder that cannot be listed counts as empty.
    m_drives.listFolder(folder, entries);
    return;
  }
  bool readAhead = false;
  bool failed = false;
  bool slowRead = false;
  std::optional<platform::FolderStamp> stamp;
  {
    std::unique_lock lock(m_lock);
    slowRead = std::exchange(m_slowRead, false);
    const auto node = m_nodes.find(key);
    if (node != m_nodes.end()) {
      // Threads remove only nodes below the one they read, never the walk's next one, so the
      // iterator outlives the wait.
      if (node->second.state == State::Reading) {
        m_walkWaitsFor = node->second.id;
        m_nodeRead.wait(lock, [&] { return node->second.state != State::Reading; });
        m_walkWaitsFor = 0;
      }
      if (node->second.state == State::Read) {
        readAhead = true;
        failed = node->second.failed;
        stamp = node->second.stamp;
        m_entriesHeld -= node->second.entries.size();
        entries = std::move(node->second.entries);
        node->second.entries.clear();
      }
      erase(node);
      wakeWorker();
    }
  }
  if (slowRead) {
    addThread();
  }
  if (readAhead) {
    // What listing the folder now would give: the same, unless it changed since it was read.
    // A folder that could not be read then, and cannot be found now, is still empty.
    const std::optional<platform::FolderStamp> now = m_drives.folderStamp(folder);
    if (failed ? !now.has_value() : (stamp.has_value() && now == stamp)) {
      return; // its sub-folders are known already
    }
    const std::lock_guard lock(m_lock);
    forgetBelow(key);
  }
  m_drives.listFolder(folder, entries);
  const std::lock_guard lock(m_lock);
  addChildren(key, folder, entries);
  wakeWorker();
}

void FolderReadAhead::skip(const WalkKey& key) {
  if (m_threads.empty()) {
    return;
  }
  const std::lock_guard lock(m_lock);
  const auto node = m_nodes.find(key);
  if (node == m_nodes.end()) {
    return;
  }
  forgetBelow(key);
  erase(node);
  wakeWorker();
}

bool FolderReadAhead::mayStartRead(std::size_t limit) const {
  return !m_pending.empty() && m_held < limit && m_entriesHeld < m_entryBudget;
}

void FolderReadAhead::wakeWorker() {
  if (m_idle > 0 && mayStartRead(m_lowWater)) {
    m_workAvailable.notify_one();
  }
}

void FolderReadAhead::work() {
  std::unique_lock lock(m_lock);
  while (true) {
    if (!m_stopping && !mayStartRead(m_window)) {
      ++m_idle;
      m_workAvailable.wait(lock, [&] { return m_stopping || mayStartRead(m_lowWater); });
      --m_idle;
    }
    if (m_stopping) {
      return;
    }
    // The nearest folder in the walk's order first.
    const Nodes::iterator node = *m_pending.begin();
    m_pending.erase(m_pending.begin());
    node->second.state = State::Reading;
    const WalkKey key = node->first;
    const std::uint64_t id = node->second.id;
    const std::string folder = node->second.folder;
    ++m_held;
    ++m_readsAhead;
    wakeWorker();
    lock.unlock();

    std::vector<platform::FolderEntry> entries;
    std::optional<platform::FolderStamp> stamp;
    bool failed = true;
    const auto started = std::chrono::steady_clock::now();
    try {
      failed = static_cast<bool>(m_drives.listStampedFolder(folder, entries, stamp));
    } catch (const std::exception&) {
      // Out of memory, say: the walk reads this folder again itself.
      entries.clear();
      stamp.reset();
    }
    const bool slow = std::chrono::steady_clock::now() - started > kSlowRead;

    lock.lock();
    m_slowRead = m_slowRead || slow;
    --m_held;
    const auto read = m_nodes.find(key);
    if (read == m_nodes.end() || read->second.id != id) {
      continue; // forgotten while it was read
    }
    Node& done = read->second;
    done.state = State::Read;
    done.failed = failed;
    done.stamp = stamp;
    done.entries = std::move(entries);
    ++m_held;
    m_entriesHeld += done.entries.size();
    try {
      addChildren(key, folder, done.entries);
    } catch (const std::exception&) {
      // Out of memory: no sub-folder is known, and no stamp makes the walk read it again.
      forgetBelow(key);
      done.stamp.reset();
      done.failed = false;
    }
    if (m_walkWaitsFor == id) {
      m_nodeRead.notify_one();
    }
    wakeWorker();
  }
}

void FolderReadAhead::addChildren(const WalkKey& key, const std::string& folder,
                                  const std::vector<platform::FolderEntry>& entries) {
  std::uint32_t ordinal = 0;
  WalkKey child = key;
  child.push_back(0);
  for (const platform::FolderEntry& entry : entries) {
    if (!entersFolder(entry)) {
      continue;
    }
    child.back() = ordinal++;
    auto [node, added] = m_nodes.try_emplace(child);
    if (!added) {
      // Left over from an earlier listing of the parent: this one is what the walk follows.
      forgetBelow(child);
      erase(node);
      node = m_nodes.try_emplace(child).first;
    }
    node->second.id = m_nextId++;
    node->second.folder.reserve(folder.size() + entry.name.size() + 1);
    node->second.folder.assign(folder).append(entry.name).append(1, platform::kPathSeparator);
    m_pending.insert(node);
  }
}

void FolderReadAhead::forgetBelow(const WalkKey& key) {
  auto node = m_nodes.upper_bound(key);
  while (node != m_nodes.end() && below(node->first, key)) {
    erase(node++);
  }
}

void FolderReadAhead::erase(Nodes::iterator node) {
  switch (node->second.state) {
  case State::Pending:
    m_pending.erase(node);
    break;
  case State::Read:
    --m_held;
    m_entriesHeld -= node->second.entries.size();
    break;
  case State::Reading:
    break; // its thread drops the listing when the read ends
  }
  m_nodes.erase(node);
}

} // namespace texkit2::locate::detail
