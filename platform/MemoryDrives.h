#pragma once

#include "platform/Drives.h"

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace texkit2::platform {

// A drive table for tests: each drive's root is a real folder (a temporary one), with a type
// and a medium serial number that the test chooses and may change at any time. Listings are
// the host's, in byte order of the names unless the test asks otherwise, so that the order a
// walk meets entries in is known. Folders may be listed on several threads at once; the drives,
// the order and the unlistable folders are set while nothing lists.
class MemoryDrives final : public Drives {
 public:
  enum class Order { Ascending, Descending, FileSystem };

  // Adds a drive after those already added and returns its root as the table spells it (ending
  // in the separator). A root that lies inside another drive's folders is that drive's mount
  // point: walks of the outer drive stay out of it.
  std::string addDrive(const std::filesystem::path& root, DriveType type,
                       std::optional<std::uint32_t> serial = std::nullopt);
  void setType(const std::string& root, DriveType type);
  // nullopt: no medium.
  void setSerial(const std::string& root, std::optional<std::uint32_t> serial);
  void removeDrive(const std::string& root);
  // Listing `folder` fails with permission_denied from now on, as an unreadable folder would
  // (tests run as root, for whom permissions do not stop a listing).
  void setUnlistable(const std::filesystem::path& folder);
  void setOrder(Order order) { m_order = order; }
  // Lists each link to a folder as a plain folder with its target's identity, as Wine shows a
  // Unix link to its programs.
  void setLinksAsFolders(bool asFolders) { m_linksAsFolders = asFolders; }

  // The folders listFolder was asked for, in order, as passed. Read it while nothing lists.
  const std::vector<std::string>& listedFolders() const { return m_listed; }
  void clearListed() { m_listed.clear(); }

  std::vector<DriveRoot> drives() override;
  std::optional<DriveRoot> driveHolding(const std::string& path) override;
  std::optional<std::uint32_t> volumeSerial(const std::string& root) override;
  std::error_code listFolder(const std::string& folder, std::vector<FolderEntry>& entries) override;
  bool isFolder(const std::string& path) override { return isHostFolder(path); }
  bool listsConcurrently() const override { return true; }
  std::error_code listStampedFolder(const std::string& folder, std::vector<FolderEntry>& entries,
                                    std::optional<FolderStamp>& stamp) override;
  std::optional<FolderStamp> folderStamp(const std::string& folder) override {
    return hostFolderStamp(folder);
  }
  std::optional<FolderId> folderId(const std::string& folder) override {
    return hostFolderId(folder);
  }

 private:
  struct Drive {
    std::string root; // ends in the separator
    DriveType type;
    std::optional<std::uint32_t> serial;
  };
  Drive* find(const std::string& root);

  std::vector<Drive> m_drives;
  std::set<std::string> m_unlistable; // without a trailing separator
  Order m_order = Order::Ascending;
  bool m_linksAsFolders = false;
  std::mutex m_listedLock;
  std::vector<std::string> m_listed;
};

} // namespace texkit2::platform
