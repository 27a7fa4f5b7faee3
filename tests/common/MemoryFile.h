#pragma once

#include "platform/AsciiCase.h"
#include "platform/File.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace texkit2::testing {

// A file held in memory, with faults on request: writes that stop after a number of bytes (a
// full disk) and reads that deliver less than asked beyond a point (a truncated medium). Its
// bytes may be shared with a MemoryFileSystem, which then sees every write and can change them
// under the open file.
class MemoryFile final : public platform::File {
 public:
  explicit MemoryFile(std::vector<std::uint8_t> bytes = {}, std::string name = "memory.bin")
      : MemoryFile(std::make_shared<std::vector<std::uint8_t>>(std::move(bytes)), std::move(name)) {
  }
  MemoryFile(std::shared_ptr<std::vector<std::uint8_t>> bytes, std::string name)
      : m_bytes(std::move(bytes)), m_name(std::move(name)) {}

  bool seek(std::int64_t position) override {
    if (position < 0) {
      return false;
    }
    m_position = position;
    return true;
  }
  std::int64_t read(void* buffer, std::size_t size) override {
    ++reads;
    const std::int64_t end =
        std::min<std::int64_t>({static_cast<std::int64_t>(m_bytes->size()), readableLimit,
                                m_position + static_cast<std::int64_t>(size)});
    const std::int64_t count = std::max<std::int64_t>(0, end - m_position);
    if (count > 0) {
      std::memcpy(buffer, m_bytes->data() + m_position, static_cast<std::size_t>(count));
    }
    m_position += count;
    return count;
  }
  bool write(const void* buffer, std::size_t size) override {
    if (static_cast<std::int64_t>(writtenBytes + size) > writableLimit) {
      return false;
    }
    const auto end = static_cast<std::size_t>(m_position) + size;
    if (m_bytes->size() < end) {
      m_bytes->resize(end);
    }
    if (size > 0) {
      std::memcpy(m_bytes->data() + m_position, buffer, size);
    }
    m_position += static_cast<std::int64_t>(size);
    writtenBytes += size;
    return true;
  }
  std::int64_t position() const override { return m_position; }
  std::int64_t length() const override { return static_cast<std::int64_t>(m_bytes->size()); }
  std::string fileName() const override { return m_name; }
  bool close() override { return true; }

  const std::vector<std::uint8_t>& bytes() const { return *m_bytes; }

  std::int64_t readableLimit = std::numeric_limits<std::int64_t>::max();
  std::int64_t writableLimit = std::numeric_limits<std::int64_t>::max();
  std::size_t writtenBytes = 0;
  int reads = 0;

 private:
  std::shared_ptr<std::vector<std::uint8_t>> m_bytes;
  std::string m_name;
  std::int64_t m_position = 0;
};

// One folder of files in memory, named without regard to ASCII letter case like the host's
// files. As on POSIX, an open file keeps its bytes when its name is removed or replaced, and
// sees a truncation made under it. Any non-empty folder can be made current; names carry no
// folder.
class MemoryFileSystem final : public platform::FileSystem {
 public:
  using Bytes = std::vector<std::uint8_t>;

  void add(const std::string& name, Bytes bytes) {
    m_files[key(name)] = {name, std::make_shared<Bytes>(std::move(bytes))};
  }
  // The bytes under `name`, changeable in place (to truncate a file under its readers), or null.
  Bytes* find(const std::string& name) {
    const auto it = m_files.find(key(name));
    return it == m_files.end() ? nullptr : it->second.bytes.get();
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& [folded, entry] : m_files) {
      out.push_back(entry.name);
    }
    return out;
  }

  std::unique_ptr<platform::File> openForReading(const std::string& name) override {
    const auto it = m_files.find(key(name));
    if (it == m_files.end()) {
      return nullptr;
    }
    auto file = std::make_unique<MemoryFile>(it->second.bytes, it->second.name);
    file->writableLimit = 0;
    return file;
  }
  std::unique_ptr<platform::File> createForWriting(const std::string& name) override {
    if (name.empty()) {
      return nullptr;
    }
    auto& entry = m_files[key(name)];
    if (entry.bytes) {
      entry.bytes->clear(); // emptied in place, as open handles on the host see it
    } else {
      entry = {name, std::make_shared<Bytes>()};
    }
    return std::make_unique<MemoryFile>(entry.bytes, entry.name);
  }
  bool replaceFile(const std::string& from, const std::string& to) override {
    const auto source = m_files.find(key(from));
    if (source == m_files.end()) {
      return false;
    }
    auto bytes = source->second.bytes;
    m_files.erase(source);
    auto& target = m_files[key(to)];
    target = {target.bytes ? target.name : to, std::move(bytes)};
    return true;
  }
  // The file stays as it is but may not be written, as after chmod a-w.
  void makeReadOnly(const std::string& name) { m_readOnly.insert(key(name)); }
  std::optional<std::string> replacementTarget(const std::string& name) override {
    if (m_readOnly.contains(key(name))) {
      m_lastError = "Permission denied";
      return std::nullopt;
    }
    return name;
  }
  std::string existingName(const std::string& name) override {
    const auto it = m_files.find(key(name));
    return it == m_files.end() ? name : it->second.name;
  }
  bool exists(const std::string& name) override { return m_files.count(key(name)) == 1; }
  std::string lastError() const override { return m_lastError; }
  bool removeFile(const std::string& name) override { return m_files.erase(key(name)) == 1; }
  bool setCurrentDirectory(const std::string& path) override {
    if (path.empty()) {
      return false;
    }
    m_current = path;
    return true;
  }
  std::string currentDirectory() const override { return m_current; }

 private:
  struct Entry {
    std::string name;
    std::shared_ptr<Bytes> bytes;
  };
  static std::string key(const std::string& name) { return platform::lowerAscii(name); }

  std::map<std::string, Entry> m_files;
  std::set<std::string> m_readOnly;
  std::string m_lastError;
  std::string m_current = "/";
};

} // namespace texkit2::testing
