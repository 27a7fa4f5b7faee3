#pragma once

#include "platform/File.h"

#include <cerrno>
#include <functional>
#include <limits>
#include <memory>
#include <system_error>

namespace texkit2::testing {

// Another file system (the host's by default), but files created for writing take only so many
// bytes before their writes fail, like a disk that fills up; closing and replacing can be made
// to fail; and a hook can run just before the first write, which in an extraction falls after
// the archives were scanned and before their textures are copied.
class FaultyFileSystem final : public platform::FileSystem {
 public:
  explicit FaultyFileSystem(platform::FileSystem& inner = platform::hostFileSystem())
      : m_inner(inner) {}

  std::unique_ptr<platform::File> openForReading(const std::string& name) override {
    return m_inner.openForReading(name);
  }
  std::unique_ptr<platform::File> createForWriting(const std::string& name) override {
    auto file = m_inner.createForWriting(name);
    if (!file) {
      return nullptr;
    }
    return std::make_unique<LimitedFile>(std::move(file), *this);
  }
  bool replaceFile(const std::string& from, const std::string& to) override {
    if (failReplace) {
      m_error = std::generic_category().message(EACCES);
      return false;
    }
    m_error.clear();
    return m_inner.replaceFile(from, to);
  }
  std::optional<std::string> replacementTarget(const std::string& name) override {
    m_error.clear();
    return m_inner.replacementTarget(name);
  }
  std::string existingName(const std::string& name) override { return m_inner.existingName(name); }
  std::string existingPath(const std::string& path) override { return m_inner.existingPath(path); }
  bool exists(const std::string& name) override { return m_inner.exists(name); }
  bool removeFile(const std::string& name) override { return m_inner.removeFile(name); }
  bool setCurrentDirectory(const std::string& path) override {
    return m_inner.setCurrentDirectory(path);
  }
  std::string currentDirectory() const override { return m_inner.currentDirectory(); }
  std::string lastError() const override { return m_error.empty() ? m_inner.lastError() : m_error; }

  std::int64_t writableBytes = std::numeric_limits<std::int64_t>::max();
  bool failClose = false;
  bool failReplace = false;
  // Runs once, before the first write to any file created for writing.
  std::function<void()> beforeFirstWrite;

 private:
  class LimitedFile final : public platform::File {
   public:
    LimitedFile(std::unique_ptr<platform::File> inner, FaultyFileSystem& owner)
        : m_inner(std::move(inner)), m_owner(owner) {}
    bool seek(std::int64_t position) override { return m_inner->seek(position); }
    std::int64_t read(void* buffer, std::size_t size) override {
      return m_inner->read(buffer, size);
    }
    bool write(const void* buffer, std::size_t size) override {
      if (m_owner.beforeFirstWrite) {
        const auto hook = std::move(m_owner.beforeFirstWrite);
        m_owner.beforeFirstWrite = nullptr;
        hook();
      }
      if (m_written + static_cast<std::int64_t>(size) > m_owner.writableBytes) {
        m_full = true;
        return false;
      }
      m_written += static_cast<std::int64_t>(size);
      return m_inner->write(buffer, size);
    }
    std::int64_t position() const override { return m_inner->position(); }
    std::int64_t length() const override { return m_inner->length(); }
    std::string fileName() const override { return m_inner->fileName(); }
    bool close() override { return m_inner->close() && !m_owner.failClose; }
    std::string lastError() const override {
      return m_full              ? std::generic_category().message(ENOSPC)
             : m_owner.failClose ? std::generic_category().message(EIO)
                                 : m_inner->lastError();
    }

   private:
    std::unique_ptr<platform::File> m_inner;
    FaultyFileSystem& m_owner;
    std::int64_t m_written = 0;
    bool m_full = false;
  };

  platform::FileSystem& m_inner;
  std::string m_error; // of the last replacement refused here
};

} // namespace texkit2::testing
