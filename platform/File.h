#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace texkit2::platform {

// The separator of the paths the platform hands out, and all that it accepts.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr const char* kPathSeparators = "\\/:";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr const char* kPathSeparators = "/";
#endif

// One open file. Positions and lengths are 64-bit so a file past 2 GB is reported
// truthfully; the formats that sit on top decide what they accept.
class File {
 public:
  virtual ~File() = default;

  // Absolute position; false when the position is negative or the platform refuses it.
  virtual bool seek(std::int64_t position) = 0;
  // Bytes actually delivered (fewer at end of file), or -1 on an error.
  virtual std::int64_t read(void* buffer, std::size_t size) = 0;
  // True only when every byte was written.
  virtual bool write(const void* buffer, std::size_t size) = 0;
  virtual std::int64_t position() const = 0;
  // -1 when unknown.
  virtual std::int64_t length() const = 0;
  // The name the file was opened by, without its folder.
  virtual std::string fileName() const = 0;
  // Closes the file; for a file opened for writing, true only when its data reached the disk.
  // Closing twice is harmless. The destructor closes too, ignoring the outcome.
  virtual bool close() = 0;

  // The system's reason for the last operation on this file that failed ("No space left on
  // device"), for messages; empty when there is none to tell.
  virtual std::string lastError() const { return {}; }

  // Reads exactly `size` bytes; false on a short read or an error.
  bool readExact(void* buffer, std::size_t size) {
    return read(buffer, size) == static_cast<std::int64_t>(size);
  }
};

// The files and current directory of the process. Names are relative to the current directory
// and matched without regard to letter case, as on the system the tool was made for.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // An existing file for reading. Others may read it meanwhile but not write it.
  virtual std::unique_ptr<File> openForReading(const std::string& name) = 0;
  // Creates the file, or empties it when it exists, for writing. Others may not read it meanwhile.
  virtual std::unique_ptr<File> createForWriting(const std::string& name) = 0;
  // As createForWriting, for one of many files written once and left to the user (exported
  // pictures): `name` is taken as spelt, and closing reports the writes' outcome without
  // waiting for the data to reach the disk, so that thousands of them take no longer than their
  // bytes.
  virtual std::unique_ptr<File> createForExport(const std::string& name) {
    return createForWriting(name);
  }
  // Moves `from` over `to` in one step, replacing what `to` names (in any letter case). The
  // permissions of the file replaced carry over, and its owner and group where that is allowed.
  virtual bool replaceFile(const std::string& from, const std::string& to) = 0;
  // The file that a new file meant to take the place of `name` is to be written beside and then
  // moved over: the one that emptying `name` and writing it would write, so the existing file of
  // any letter case, at the end of any symbolic links. Empty, with lastError(), when that file
  // exists but this process may not write it.
  virtual std::optional<std::string> replacementTarget(const std::string& name) { return name; }
  // The last part of `name`, spelt as the existing file it finds is named on disk; as given when
  // there is no such file or the file system cannot tell.
  virtual std::string existingName(const std::string& name) {
    return name.substr(name.find_last_of(kPathSeparators) + 1);
  }
  // `path` with each of its parts spelt as the existing file or folder it finds is named on
  // disk; parts that find none are kept as given. As given where the file system cannot tell.
  virtual std::string existingPath(const std::string& path) { return path; }
  // True when `name` names an existing file or folder, in any letter case.
  virtual bool exists(const std::string& name) = 0;
  virtual bool removeFile(const std::string& name) = 0;
  virtual bool setCurrentDirectory(const std::string& path) = 0;
  virtual std::string currentDirectory() const = 0;
  // The system's reason why this thread's last call that failed did, for messages; empty when
  // there is none to tell.
  virtual std::string lastError() const { return {}; }
};

// The real file system of this machine.
FileSystem& hostFileSystem();

} // namespace texkit2::platform
