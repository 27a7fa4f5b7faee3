#pragma once

#include "platform/File.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace texkit2::testing {

// A file held in memory, with faults on request: writes that stop after a number of bytes (a
// full disk) and reads that deliver less than asked beyond a point (a truncated medium).
class MemoryFile final : public platform::File {
 public:
  explicit MemoryFile(std::vector<std::uint8_t> bytes = {}, std::string name = "memory.bin")
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
        std::min<std::int64_t>({static_cast<std::int64_t>(m_bytes.size()), readableLimit,
                                m_position + static_cast<std::int64_t>(size)});
    const std::int64_t count = std::max<std::int64_t>(0, end - m_position);
    if (count > 0) {
      std::memcpy(buffer, m_bytes.data() + m_position, static_cast<std::size_t>(count));
    }
    m_position += count;
    return count;
  }
  bool write(const void* buffer, std::size_t size) override {
    if (static_cast<std::int64_t>(writtenBytes + size) > writableLimit) {
      return false;
    }
    const auto end = static_cast<std::size_t>(m_position) + size;
    if (m_bytes.size() < end) {
      m_bytes.resize(end);
    }
    std::memcpy(m_bytes.data() + m_position, buffer, size);
    m_position += static_cast<std::int64_t>(size);
    writtenBytes += size;
    return true;
  }
  std::int64_t position() const override { return m_position; }
  std::int64_t length() const override { return static_cast<std::int64_t>(m_bytes.size()); }
  std::string fileName() const override { return m_name; }
  bool close() override { return true; }

  const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

  std::int64_t readableLimit = std::numeric_limits<std::int64_t>::max();
  std::int64_t writableLimit = std::numeric_limits<std::int64_t>::max();
  std::size_t writtenBytes = 0;
  int reads = 0;

 private:
  std::vector<std::uint8_t> m_bytes;
  std::string m_name;
  std::int64_t m_position = 0;
};

} // namespace texkit2::testing
