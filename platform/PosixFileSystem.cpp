// POSIX file layer: case-insensitive names and advisory locks in place of Windows share modes.
#include "platform/File.h"
#include "platform/PathCase.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace texkit2::platform {
namespace {

std::string baseName(const std::string& name) {
  const auto slash = name.find_last_of('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
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

class PosixFile final : public File {
 public:
  PosixFile(int fd, std::string name, bool writable)
      : m_fd(fd), m_name(std::move(name)), m_writable(writable) {}
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
        m_position += static_cast<std::int64_t>(done);
        m_failed = true;
        return false;
      }
      done += static_cast<std::size_t>(put);
    }
    m_position += static_cast<std::int64_t>(done);
    return true;
  }

  std::int64_t position() const override { return m_fd < 0 ? -1 : m_position; }

  std::int64_t length() const override {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
      return -1;
    }
    return static_cast<std::int64_t>(st.st_size);
  }

  std::string fileName() const override { return baseName(m_name); }

  bool close() override {
    if (m_fd < 0) {
      return !m_failed;
    }
    bool ok = !m_failed;
    // A full disk may only show itself when the data is flushed.
    if (m_writable && ::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS) {
      ok = false;
    }
    if (::close(m_fd) != 0) {
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
  bool m_failed = false;
  std::int64_t m_position = 0;
};

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> openForReading(const std::string& name) override {
    if (name.empty()) {
      return nullptr;
    }
    const std::string path = resolveCaseInsensitive(name);
    // Non-blocking, so that a FIFO of that name is refused below rather than waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !takeLock(fd, LOCK_SH)) {
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<PosixFile>(fd, name, false);
  }

  std::unique_ptr<File> createForWriting(const std::string& name) override {
    if (name.empty()) {
      return nullptr;
    }
    const std::string path = resolveCaseInsensitive(name);
    // Not O_TRUNC: a file that someone else holds must not lose its contents before the lock
    // test refuses us.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) {
      return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !takeLock(fd, LOCK_EX) ||
        ::ftruncate(fd, 0) != 0) {
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<PosixFile>(fd, name, true);
  }

  bool replaceFile(const std::string& from, const std::string& to) override {
    const std::string source = resolveCaseInsensitive(from);
    const std::string target = resolveCaseInsensitive(to);
    if (::rename(source.c_str(), target.c_str()) != 0) {
      return false;
    }
    syncParentFolder(target);
    return true;
  }

  bool removeFile(const std::string& name) override {
    return ::unlink(resolveCaseInsensitive(name).c_str()) == 0;
  }

  bool setCurrentDirectory(const std::string& path) override {
    if (path.empty()) {
      return false;
    }
    return ::chdir(resolveCaseInsensitive(path).c_str()) == 0;
  }

  std::string currentDirectory() const override {
    std::string buffer(PATH_MAX, '\0');
    if (::getcwd(buffer.data(), buffer.size()) == nullptr) {
      return {};
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
  }

 private:
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
