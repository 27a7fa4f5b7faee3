// POSIX file layer: case-insensitive names and advisory locks in place of Windows share modes.
#include "platform/File.h"
#include "platform/PathCase.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace texkit2::platform {
namespace {

std::string baseName(const std::string& name) {
  const auto slash = name.find_last_of('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string reasonOf(int error) {
  return std::generic_category().message(error);
}

// Why the last call of this thread failed; calls on other threads do not disturb it.
thread_local std::string t_lastError;

// Notes why a call failed and returns what it returns on failure.
template <typename T> T failed(std::string reason, T result) {
  t_lastError = std::move(reason);
  return result;
}

// Why an open file descriptor is not one we may use.
std::string refusalOf(const struct stat& st) {
  return S_ISDIR(st.st_mode) ? reasonOf(EISDIR) : std::string("Not a regular file");
}

// A conflicting lock means another opener holds the file in a way we may not share; any other
// failure means the file system has no locks, which must not stop us.
bool takeLock(int fd, int operation) {
  while (::flock(fd, operation | LOCK_NB) != 0) {
    if (errno == EINTR) {
      continue;
    }
    return errno != EWOULDBLOCK;
  }
  return true;
}

// Writes this large start their way to the disk at once (see write()).
constexpr std::size_t kWritebackSize = 64 * 1024;

class PosixFile final : public File {
 public:
  // openedLength: a reader's length from the look at opening, or -1 to ask each time.
  PosixFile(int fd, std::string name, bool writable, bool flushAtClose,
            std::int64_t openedLength = -1)
      : m_fd(fd), m_name(std::move(name)), m_writable(writable), m_flushAtClose(flushAtClose),
        m_openedLength(openedLength) {}
  ~PosixFile() override { close(); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  // The position is kept here and handed to pread/pwrite: one system call per read or write
  // instead of two, which is most of the extraction's cost.
  bool seek(std::int64_t position) override {
    if (m_fd < 0 || position < 0) {
      return false;
    }
    m_position = position;
    return true;
  }

  std::int64_t read(void* buffer, std::size_t size) override {
    if (m_fd < 0) {
      return -1;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
      const std::size_t chunk = std::min<std::size_t>(size - done, SSIZE_MAX);
      const ssize_t got = ::pread(m_fd, out + done, chunk, offsetAfter(done));
      if (got < 0) {
        if (errno == EINTR) {
          continue;
        }
        m_error = reasonOf(errno);
        m_position += static_cast<std::int64_t>(done);
        return -1;
      }
      if (got == 0) {
        break;
      }
      done += static_cast<std::size_t>(got);
    }
    m_position += static_cast<std::int64_t>(done);
    return static_cast<std::int64_t>(done);
  }

  bool write(const void* buffer, std::size_t size) override {
    if (m_fd < 0 || !m_writable) {
      m_error = m_fd < 0 ? "Closed" : "Not open for writing";
      return false;
    }
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
      const std::size_t chunk = std::min<std::size_t>(size - done, SSIZE_MAX);
      const ssize_t put = ::pwrite(m_fd, in + done, chunk, offsetAfter(done));
      if (put < 0) {
        if (errno == EINTR) {
          continue;
        }
        m_error = reasonOf(errno);
        m_position += static_cast<std::int64_t>(done);
        m_failed = true;
        return false;
      }
      done += static_cast<std::size_t>(put);
    }
#ifdef SYNC_FILE_RANGE_WRITE
    // Start putting large writes on disk now, while the rest is still being gathered, so that
    // the flush at close waits only for the last of them.
    if (size >= kWritebackSize) {
      ::sync_file_range(m_fd, m_position, static_cast<off_t>(done), SYNC_FILE_RANGE_WRITE);
    }
#endif
    m_position += static_cast<std::int64_t>(done);
    return true;
  }

  std::int64_t position() const override { return m_fd < 0 ? -1 : m_position; }

  std::int64_t length() const override {
    if (m_fd >= 0 && m_openedLength >= 0) {
      return m_openedLength;
    }
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
      return -1;
    }
    return static_cast<std::int64_t>(st.st_size);
  }

  std::string fileName() const override { return baseName(m_name); }

  std::string lastError() const override { return m_error; }

  bool close() override {
    if (m_fd < 0) {
      return !m_failed;
    }
    bool ok = !m_failed;
    // A full disk may only show itself when the data is flushed.
    if (m_writable && m_flushAtClose && ::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS) {
      m_error = reasonOf(errno);
      ok = false;
    }
    if (::close(m_fd) != 0) {
      m_error = reasonOf(errno);
      ok = false;
    }
    m_fd = -1;
    m_failed = !ok;
    return ok;
  }

 private:
  off_t offsetAfter(std::size_t done) const {
    return static_cast<off_t>(m_position + static_cast<std::int64_t>(done));
  }

  int m_fd;
  std::string m_name;
  bool m_writable;
  bool m_flushAtClose;
  bool m_failed = false;
  std::int64_t m_openedLength;
  std::int64_t m_position = 0;
  std::string m_error;
};

class PosixFileSystem final : public FileSystem {
 public:
  // As many as the kernel follows in one path (its MAXSYMLINKS).
  static constexpr int kMaxLinks = 40;

  std::unique_ptr<File> openForReading(const std::string& name) override {
    return openFile(name, O_RDONLY, LOCK_SH);
  }

  std::unique_ptr<File> createForWriting(const std::string& name) override {
    // Not O_TRUNC: a file that someone else holds must not lose its contents before the lock
    // test refuses us.
    return openFile(name, O_WRONLY | O_CREAT, LOCK_EX);
  }

  std::unique_ptr<File> createForExport(const std::string& name) override {
    // Looking each new name up without regard to case would list the folder once per file.
    return openFile(name, O_WRONLY | O_CREAT, LOCK_EX, Export::Yes);
  }

  bool replaceFile(const std::string& from, const std::string& to) override {
    const std::string source = resolveCaseInsensitive(from);
    const std::string target = resolveCaseInsensitive(to);
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
      // As the old file would have stayed had it been emptied and written: its owner and group
      // where this process may give them (as root; a group it is in), then its mode.
      if (::chown(source.c_str(), old.st_uid, old.st_gid) != 0) {
        const int groupOnly = ::chown(source.c_str(), static_cast<uid_t>(-1), old.st_gid);
        static_cast<void>(groupOnly);
      }
      ::chmod(source.c_str(), old.st_mode & 07777);
    }
    if (::rename(source.c_str(), target.c_str()) != 0) {
      return failed(reasonOf(errno), false);
    }
    syncParentFolder(target);
    return true;
  }

  std::optional<std::string> replacementTarget(const std::string& name) override {
    std::string target = resolveCaseInsensitive(name);
    // Each link is read against its own folder, as open() follows it.
    for (int links = 0;; ++links) {
      struct stat st {};
      if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        break;
      }
      if (links == kMaxLinks) {
        return failed(reasonOf(ELOOP), std::nullopt);
      }
      std::string link(PATH_MAX, '\0');
      const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
      if (length <= 0) {
        return failed(reasonOf(length < 0 ? errno : ENOENT), std::nullopt);
      }
      link.resize(static_cast<std::size_t>(length));
      const auto slash = target.find_last_of('/');
      target = link.front() == '/' || slash == std::string::npos
                   ? link
                   : target.substr(0, slash + 1) + link;
    }
    // Root may write a read-only file, as it may empty it; so the test is the system's own.
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
      return failed(reasonOf(errno), std::nullopt);
    }
    return target;
  }

  std::string existingName(const std::string& name) override {
    return baseName(resolveCaseInsensitive(name));
  }

  std::string existingPath(const std::string& path) override {
    return resolveCaseInsensitive(path);
  }

  bool exists(const std::string& name) override {
    struct stat st {};
    return !name.empty() && ::lstat(resolveCaseInsensitive(name).c_str(), &st) == 0;
  }

  bool removeFile(const std::string& name) override {
    return ::unlink(resolveCaseInsensitive(name).c_str()) == 0 || failed(reasonOf(errno), false);
  }

  bool setCurrentDirectory(const std::string& path) override {
    if (path.empty()) {
      return failed(reasonOf(ENOENT), false);
    }
    return ::chdir(resolveCaseInsensitive(path).c_str()) == 0 || failed(reasonOf(errno), false);
  }

  std::string currentDirectory() const override {
    std::string buffer(PATH_MAX, '\0');
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) {
      return {};
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
  }

  std::string lastError() const override { return t_lastError; }

 private:
  enum class Export { No, Yes };

  std::unique_ptr<File> openFile(const std::string& name, int flags, int lock,
                                 Export exported = Export::No) {
    if (name.empty()) {
      return failed(reasonOf(ENOENT), nullptr);
    }
    // Non-blocking, so that a FIFO of that name is refused below rather than waited on.
    const int openFlags = flags | O_CLOEXEC | O_NONBLOCK;
    int fd = -1;
    if (flags == O_RDONLY) {
      // A reader tries the name as given first and looks for other letter cases only when it
      // is missing, which spares every open of an exact name a look-up of its own. (A writer
      // must look first: its open would create the name beside another case of it.)
      fd = ::open(name.c_str(), openFlags);
      if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
        const int missing = errno;
        const std::string path = resolveCaseInsensitive(name);
        if (path == name) {
          errno = missing;
        } else {
          fd = ::open(path.c_str(), openFlags);
        }
      }
    } else {
      const std::string path = exported == Export::Yes ? name : resolveCaseInsensitive(name);
      fd = ::open(path.c_str(), openFlags, 0666);
    }
    if (fd < 0) {
      return failed(reasonOf(errno), nullptr);
    }
    const bool writable = (flags & O_WRONLY) != 0;
    std::string refusal;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
      refusal = reasonOf(errno);
    } else if (!S_ISREG(st.st_mode)) {
      refusal = refusalOf(st);
    } else if (!takeLock(fd, lock)) {
      refusal = "In use by another program";
    } else if (writable && ::ftruncate(fd, 0) != 0) {
      refusal = reasonOf(errno);
    }
    if (!refusal.empty()) {
      ::close(fd);
      return failed(std::move(refusal), nullptr);
    }
    // A reader reads the file as it was at opening; its length need not be asked again.
    return std::make_unique<PosixFile>(fd, name, writable, exported == Export::No,
                                       writable ? -1 : static_cast<std::int64_t>(st.st_size));
  }

  // The rename is durable only once the folder entry itself is on disk.
  static void syncParentFolder(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
      ::fsync(fd);
      ::close(fd);
    }
  }
};

} // namespace

FileSystem& hostFileSystem() {
  static PosixFileSystem fileSystem;
  return fileSystem;
}

} // namespace texkit2::platform
