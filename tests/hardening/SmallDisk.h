#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace texkit2::testing {

// A tmpfs of a few pages mounted on a folder, to fill a real disk up. Only root can mount; the
// first mount moves the test process into a mount namespace of its own, so the file system is
// gone with the process whatever happens and the host never sees it. `available()` is false,
// with `why()` saying so, where that cannot be done.
class SmallDisk {
 public:
  SmallDisk(const std::filesystem::path& folder, std::size_t bytes) : m_folder(folder) {
    std::filesystem::create_directories(folder);
    if (::geteuid() != 0) {
      m_why = "mounting a tmpfs needs root";
      return;
    }
    if (!ownMountNamespace()) {
      m_why = std::string("no mount namespace of our own: ") + std::strerror(errno);
      return;
    }
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("texkit2-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) !=
        0) {
      m_why = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
      return;
    }
    m_mounted = true;
  }
  ~SmallDisk() {
    if (m_mounted) {
      ::umount2(m_folder.c_str(), MNT_DETACH);
    }
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool available() const { return m_mounted; }
  const std::string& why() const { return m_why; }

 private:
  static bool ownMountNamespace() {
    static const bool done = [] {
      return ::unshare(CLONE_NEWNS) == 0 &&
             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    }();
    return done;
  }

  std::filesystem::path m_folder;
  bool m_mounted = false;
  std::string m_why;
};

} // namespace texkit2::testing
