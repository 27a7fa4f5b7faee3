#pragma once

#include "platform/File.h"

#include <limits>
#include <memory>

namespace texkit2::testing {

// The host's files, but files created for writing take only so many bytes before their writes
// fail, like a disk that fills up; and replacing can be made to fail.
class FaultyFileSystem final : public platform::FileSystem {
 public:
  std::unique_ptr<platform::File> openForReading(const std::string& name) override {
    return host().openForReading(name);
  }
  std::unique_ptr<platform::File> createForWriting(const std::string& name) override {
    auto file = host().createForWriting(name);
    if (!file) {
      return nullptr;
    }
    return std::make_unique<LimitedFile>(std::move(file), writableBytes, failClose);
  }
  bool replaceFile(const std::string& from, const std::string& to) override {
    return !failReplace && host().replaceFile(from, to);
  }
  bool removeFile(const std::string& name) override { return host().removeFile(name); }
  bool setCurrentDirectory(const std::string& path) override {
    return host().setCurrentDirectory(path);
  }
  std::string currentDirectory() const override { return host().currentDirectory(); }

  std::int64_t writableBytes = std::numeric_limits<std::int64_t>::max();
  bool failClose = false;
  bool failReplace = false;

 private:
  static platform::FileSystem& host() { return platform::hostFileSystem(); }

  class LimitedFile final : public platform::File {
   public:
    LimitedFile(std::unique_ptr<platform::File> inner, std::int64_t limit, bool failClose)
        : m_inner(std::move(inner)), m_limit(limit), m_failClose(failClose) {}
    bool seek(std::int64_t position) override { return m_inner->seek(position); }
    std::int64_t read(void* buffer, std::size_t size) override {
      return m_inner->read(buffer, size);
    }
    bool write(const void* buffer, std::size_t size) override {
      if (m_written + static_cast<std::int64_t>(size) > m_limit) {
        return false;
      }
      m_written += static_cast<std::int64_t>(size);
      return m_inner->write(buffer, size);
    }
    std::int64_t position() const override { return m_inner->position(); }
    std::int64_t length() const override { return m_inner->length(); }
    std::string fileName() const override { return m_inner->fileName(); }
    bool close() override { return m_inner->close() && !m_failClose; }

   private:
    std::unique_ptr<platform::File> m_inner;
    std::int64_t m_limit;
    bool m_failClose;
    std::int64_t m_written = 0;
  };
};

} // namespace texkit2::testing
