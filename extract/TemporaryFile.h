#pragma once

#include "platform/File.h"

#include <memory>
#include <string>
#include <utility>

namespace texkit2::extract {

// A new file written beside the one it is to replace: closed, and removed unless keep() says it
// took that file's place, on every way out.
class TemporaryFile {
 public:
  TemporaryFile(platform::FileSystem& files, std::string name)
      : m_files(files), m_name(std::move(name)) {}
  ~TemporaryFile() {
    if (file) {
      file->close();
    }
    if (!m_kept) {
      m_files.removeFile(m_name);
    }
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool create() {
    file = m_files.createForWriting(m_name);
    return file != nullptr;
  }
  void keep() { m_kept = true; }
  const std::string& name() const { return m_name; }

  std::unique_ptr<platform::File> file;

 private:
  platform::FileSystem& m_files;
  std::string m_name;
  bool m_kept = false;
};

} // namespace texkit2::extract
