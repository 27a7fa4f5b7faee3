#pragma once

#include "platform/File.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace texkit2::extract {

// What a data folder holds for a run that reads every archive and loose map.
struct FolderSources {
  // pak<N>.pak, N from 0 to 99 in any letter case, spelt as on disk, in number order.
  std::vector<std::string> archives;
  // Every .bsp file under maps/, '/'-separated from the data folder, in byte order.
  std::vector<std::string> looseMaps;
  // What was passed over, and why: "maps/x.bsp: is not a file; skipped".
  std::vector<std::string> skipped;
};

// Lists `dataFolder` and walks its maps/ folder. Links to folders are not followed (a link
// may loop), a loose map that is no regular file is skipped, a folder that cannot be read is
// skipped; each one is noted. Never throws on what it reads.
FolderSources ListFolderSources(const std::string& dataFolder);

class ReopeningFiles;

// A file opened for reading again whenever it is read after being closed to make room, so that
// a run over thousands of loose maps holds few of them open. Reads and seeks only.
class ReopeningFile final : public platform::File {
 public:
  ReopeningFile(ReopeningFiles& pool, std::string name) : m_pool(pool), m_name(std::move(name)) {}
  ~ReopeningFile() override;

  bool seek(std::int64_t position) override;
  std::int64_t read(void* buffer, std::size_t size) override;
  bool write(const void*, std::size_t) override { return false; }
  std::int64_t position() const override { return m_position; }
  std::int64_t length() const override { return m_length; }
  std::string fileName() const override { return m_name; }
  bool close() override;
  std::string lastError() const override { return m_error; }

  // Opens the file if it is not; false, with lastError(), when it cannot be.
  bool open();

 private:
  friend class ReopeningFiles;

  ReopeningFiles& m_pool;
  std::string m_name;
  std::unique_ptr<platform::File> m_file;
  std::int64_t m_position = 0;
  std::int64_t m_length = -1;
  std::string m_error;
};

// Owns the reopening files of one run and keeps at most `openAtOnce` of them open.
class ReopeningFiles {
 public:
  ReopeningFiles(platform::FileSystem& files, std::size_t openAtOnce = 32)
      : m_files(files), m_openAtOnce(openAtOnce) {}
  ~ReopeningFiles() { closeAll(); }
  ReopeningFiles(const ReopeningFiles&) = delete;
  ReopeningFiles& operator=(const ReopeningFiles&) = delete;

  // `name` (relative to the current directory), opened once to tell that it can be; null, with
  // `why`, when it cannot.
  ReopeningFile* add(const std::string& name, std::string& why);
  void closeAll();

 private:
  friend class ReopeningFile;

  void opened(ReopeningFile& file);
  void closed(ReopeningFile& file);

  platform::FileSystem& m_files;
  std::size_t m_openAtOnce;
  std::vector<std::unique_ptr<ReopeningFile>> m_all;
  std::list<ReopeningFile*> m_open; // least recently opened first
};

} // namespace texkit2::extract
