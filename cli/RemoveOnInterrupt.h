#pragma once

#include "platform/File.h"

#include <string>

namespace texkit2::cli {

// The files of `inner`, and while this lives, should Ctrl-C, SIGTERM or SIGHUP end the process,
// the file last created for writing through it is removed first, unless it has been moved or
// removed meanwhile: an interrupted extract leaves no Quake.wad.part behind. The process then
// ends by that signal, as it would have. One at a time; POSIX only (on Windows it only forwards).
class RemoveOnInterrupt final : public platform::FileSystem {
 public:
  explicit RemoveOnInterrupt(platform::FileSystem& inner);
  ~RemoveOnInterrupt() override;
  RemoveOnInterrupt(const RemoveOnInterrupt&) = delete;
  RemoveOnInterrupt& operator=(const RemoveOnInterrupt&) = delete;

  std::unique_ptr<platform::File> openForReading(const std::string& name) override {
    return m_inner.openForReading(name);
  }
  std::unique_ptr<platform::File> createForWriting(const std::string& name) override;
  bool replaceFile(const std::string& from, const std::string& to) override;
  std::optional<std::string> replacementTarget(const std::string& name) override {
    return m_inner.replacementTarget(name);
  }
  std::string existingName(const std::string& name) override { return m_inner.existingName(name); }
  std::string existingPath(const std::string& path) override { return m_inner.existingPath(path); }
  bool exists(const std::string& name) override { return m_inner.exists(name); }
  bool removeFile(const std::string& name) override;
  bool setCurrentDirectory(const std::string& path) override {
    return m_inner.setCurrentDirectory(path);
  }
  std::string currentDirectory() const override { return m_inner.currentDirectory(); }
  std::string lastError() const override { return m_inner.lastError(); }

 private:
  void forget(const std::string& name);

  platform::FileSystem& m_inner;
  std::string m_created; // the name the file to remove was created by
};

} // namespace texkit2::cli
