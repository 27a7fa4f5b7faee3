// Win32 file layer: share modes do what the POSIX layer's advisory locks stand in for, and the
// system itself matches names without regard to letter case.
#include "platform/File.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX // std::min, not the macro
#endif
#include <algorithm>
#include <limits>
#include <windows.h>

namespace texkit2::platform {
namespace {

// ReadFile and WriteFile move at most a DWORD's worth of bytes per call.
constexpr std::size_t kMaxChunk = std::numeric_limits<DWORD>::max();

std::string baseName(const std::string& name) {
  const auto separator = name.find_last_of("\\/:");
  return separator == std::string::npos ? name : name.substr(separator + 1);
}

// The system's text for an error code, without its closing full stop and line break.
std::string reasonOf(DWORD error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string reason = length == 0 ? "Error " + std::to_string(error) : std::string(text, length);
  LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  return reason;
}

// Why the last call of this thread failed; calls on other threads do not disturb it.
thread_local std::string t_lastError;

// Notes why the call that just failed did, and returns what it returns on failure.
template <typename T> T failed(T result, DWORD error = GetLastError()) {
  t_lastError = reasonOf(error);
  // Callers may still look at the error itself; reaching a thread_local (TlsGetValue under
  // MinGW) has cleared it.
  SetLastError(error);
  return result;
}

class Win32File final : public File {
 public:
  Win32File(HANDLE handle, std::string name, bool writable)
      : m_handle(handle), m_name(std::move(name)), m_writable(writable) {}
  ~Win32File() override { close(); }
  Win32File(const Win32File&) = delete;
  Win32File& operator=(const Win32File&) = delete;

  bool seek(std::int64_t position) override {
    if (m_handle == INVALID_HANDLE_VALUE || position < 0) {
      return false;
    }
    LARGE_INTEGER distance{};
    distance.QuadPart = position;
    return SetFilePointerEx(m_handle, distance, nullptr, FILE_BEGIN) != 0;
  }

  std::int64_t read(void* buffer, std::size_t size) override {
    if (m_handle == INVALID_HANDLE_VALUE) {
      return -1;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
      const auto chunk = static_cast<DWORD>(std::min(size - done, kMaxChunk));
      DWORD got = 0;
      if (ReadFile(m_handle, out + done, chunk, &got, nullptr) == 0) {
        m_error = reasonOf(GetLastError());
        return -1;
      }
      if (got == 0) {
        break;
      }
      done += got;
    }
    return static_cast<std::int64_t>(done);
  }

  bool write(const void* buffer, std::size_t size) override {
    if (m_handle == INVALID_HANDLE_VALUE || !m_writable) {
      m_error = reasonOf(ERROR_ACCESS_DENIED);
      return false;
    }
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
      const auto chunk = static_cast<DWORD>(std::min(size - done, kMaxChunk));
      DWORD put = 0;
      if (WriteFile(m_handle, in + done, chunk, &put, nullptr) == 0 || put == 0) {
        m_error = reasonOf(put == 0 ? ERROR_DISK_FULL : GetLastError());
        m_failed = true;
        return false;
      }
      done += put;
    }
    return true;
  }

  std::int64_t position() const override {
    LARGE_INTEGER zero{};
    LARGE_INTEGER current{};
    if (m_handle == INVALID_HANDLE_VALUE ||
        SetFilePointerEx(m_handle, zero, &current, FILE_CURRENT) == 0) {
      return -1;
    }
    return current.QuadPart;
  }

  std::int64_t length() const override {
    LARGE_INTEGER size{};
    if (m_handle == INVALID_HANDLE_VALUE || GetFileSizeEx(m_handle, &size) == 0) {
      return -1;
    }
    return size.QuadPart;
  }

  std::string fileName() const override { return baseName(m_name); }

  std::string lastError() const override { return m_error; }

  bool close() override {
    if (m_handle == INVALID_HANDLE_VALUE) {
      return !m_failed;
    }
    bool ok = !m_failed;
    // A full disk may only show itself when the data is flushed.
    if (m_writable && FlushFileBuffers(m_handle) == 0) {
      m_error = reasonOf(GetLastError());
      ok = false;
    }
    if (CloseHandle(m_handle) == 0) {
      m_error = reasonOf(GetLastError());
      ok = false;
    }
    m_handle = INVALID_HANDLE_VALUE;
    m_failed = !ok;
    return ok;
  }

 private:
  HANDLE m_handle;
  std::string m_name;
  bool m_writable;
  bool m_failed = false;
  std::string m_error;
};

// Devices (CON, NUL, COM1, pipes) open like files but are none.
std::unique_ptr<File> wrapDiskFile(HANDLE handle, const std::string& name, bool writable) {
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // Win32 refuses a folder as "access denied"; say what it is.
    const DWORD attributes = GetFileAttributesA(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      t_lastError = "Is a directory";
      return nullptr;
    }
    return failed(nullptr, error);
  }
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    t_lastError = "Not a regular file";
    return nullptr;
  }
  return std::make_unique<Win32File>(handle, name, writable);
}

class Win32FileSystem final : public FileSystem {
 public:
  std::unique_ptr<File> openForReading(const std::string& name) override {
    if (name.empty()) {
      return failed(nullptr, ERROR_FILE_NOT_FOUND);
    }
    // Others may read the archive too, but no one may write it while we read.
    const HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return wrapDiskFile(handle, name, false);
  }

  std::unique_ptr<File> createForWriting(const std::string& name) override {
    if (name.empty()) {
      return failed(nullptr, ERROR_FILE_NOT_FOUND);
    }
    // No one may read the file while it is half written. A file that someone holds is refused
    // before CREATE_ALWAYS empties it.
    const HANDLE handle = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return wrapDiskFile(handle, name, true);
  }

  bool replaceFile(const std::string& from, const std::string& to) override {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0 ||
           failed(false);
  }

  std::optional<std::string> replacementTarget(const std::string& name) override {
    // Emptying the file would be refused; moving another over it would not be.
    const DWORD attributes = GetFileAttributesA(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      t_lastError = "The file is read-only";
      return std::nullopt;
    }
    // Named as it is spelt, so that the new file beside it is too.
    return name.substr(0, name.find_last_of(kPathSeparators) + 1) + existingName(name);
  }

  std::string existingName(const std::string& name) override {
    WIN32_FIND_DATAA found{};
    const HANDLE search = name.find_first_of("*?") == std::string::npos
                              ? FindFirstFileA(name.c_str(), &found)
                              : INVALID_HANDLE_VALUE;
    if (search == INVALID_HANDLE_VALUE) {
      return baseName(name);
    }
    FindClose(search);
    return found.cFileName;
  }

  bool exists(const std::string& name) override {
    return !name.empty() && GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  bool removeFile(const std::string& name) override {
    return DeleteFileA(name.c_str()) != 0 || failed(false);
  }

  bool setCurrentDirectory(const std::string& path) override {
    if (path.empty()) {
      return failed(false, ERROR_PATH_NOT_FOUND);
    }
    return SetCurrentDirectoryA(path.c_str()) != 0 || failed(false);
  }

  std::string currentDirectory() const override {
    // The folder may change between asking for the size and reading it, so ask until it fits.
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
      const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
      if (length == 0) {
        return {};
      }
      if (length < buffer.size()) {
        buffer.resize(length);
        return buffer;
      }
      buffer.resize(length);
    }
  }

  std::string lastError() const override { return t_lastError; }
};

} // namespace

FileSystem& hostFileSystem() {
  static Win32FileSystem fileSystem;
  return fileSystem;
}

} // namespace texkit2::platform
