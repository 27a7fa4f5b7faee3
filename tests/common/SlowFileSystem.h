#pragma once

#include "platform/File.h"

#include <chrono>
#include <memory>
#include <thread>

namespace texkit2::testing {

// The host's files, each read taking at least `delay`, like a slow disc: long operations then
// last long enough to watch, whatever the machine.
class SlowFileSystem final : public platform::FileSystem {
 public:
  explicit SlowFileSystem(std::chrono::microseconds delay) : m_delay(delay) {}

  std::unique_ptr<platform::File> openForReading(const std::string& name) override {
    auto file = host().openForReading(name);
    return file ? std::make_unique<SlowFile>(std::move(file), m_delay) : nullptr;
  }
  std::unique_ptr<platform::File> createForWriting(const std::string& name) override {
    return host().createForWriting(name);
  }
  bool replaceFile(const std::string& from, const std::string& to) override {
    return host().replaceFile(from, to);
  }
  std::optional<std::string> replacementTarget(const std::string& name) override {
    return host().replacementTarget(name);
  }
  std::string existingName(const std::string& name) override { return host().existingName(name); }
  std::string existingPath(const std::string& path) override { return host().existingPath(path); }
  bool exists(const std::string& name) override { return host().exists(name); }
  bool removeFile(const std::string& name) override { return host().removeFile(name); }
  bool setCurrentDirectory(const std::string& path) override {
    return host().setCurrentDirectory(path);
  }
  std::string currentDirectory() const override { return host().currentDirectory(); }
  std::string lastError() const override { return host().lastError(); }

 private:
  static platform::FileSystem& host() { return platform::hostFileSystem(); }

  class SlowFile final : public platform::File {
   public:
    SlowFile(std::unique_ptr<platform::File> inner, std::chrono::microseconds delay)
        : m_inner(std::move(inner)), m_delay(delay) {}
    bool seek(std::int64_t position) override { return m_inner->seek(position); }
    std::int64_t read(void* buffer, std::size_t size) override {
      std::this_thread::sleep_for(m_delay);
      return m_inner->read(buffer, size);
    }
    bool write(const void* buffer, std::size_t size) override {
      return m_inner->write(buffer, size);
    }
    std::int64_t position() const override { return m_inner->position(); }
    std::int64_t length() const override { return m_inner->length(); }
    std::string fileName() const override { return m_inner->fileName(); }
    bool close() override { return m_inner->close(); }
    std::string lastError() const override { return m_inner->lastError(); }

   private:
    std::unique_ptr<platform::File> m_inner;
    std::chrono::microseconds m_delay;
  };

  std::chrono::microseconds m_delay;
};

} // namespace texkit2::testing
