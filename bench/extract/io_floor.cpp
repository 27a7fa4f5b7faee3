// The I/O floor of an extraction: no parsing, no checks, no table. Given the plan that
// texkit2-bench-game worked out in advance, it makes exactly the reads any implementation must
// make (each archive's header and directory, each map's texture lump entry, texture count and
// offsets, each texture's name, each kept texture's bytes) and writes a WAD file of the same
// bytes as the tool, as durably: under a temporary name, flushed, then renamed.
//
//   texkit2-io-floor PLAN OUTPUT [--no-sync]

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Step {
  bool copy = false;
  int archive = 0;
  std::int64_t position = 0;
  std::size_t length = 0;
};

[[noreturn]] void fail(const std::string& what) {
  std::cerr << "texkit2-io-floor: " << what << ": " << std::strerror(errno) << '\n';
  std::exit(1);
}

void readAt(int fd, std::uint8_t* into, std::size_t length, std::int64_t position) {
  while (length > 0) {
    const ssize_t got = ::pread(fd, into, length, static_cast<off_t>(position));
    if (got <= 0) {
      fail("short read");
    }
    into += got;
    length -= static_cast<std::size_t>(got);
    position += got;
  }
}

void putI32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) {
    out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "Usage: texkit2-io-floor PLAN OUTPUT [--no-sync]\n";
    return 2;
  }
  const std::string output = argv[2];
  const bool sync = !(argc > 3 && std::string(argv[3]) == "--no-sync");

  std::vector<int> archives;
  std::vector<Step> steps;
  std::ifstream plan(argv[1]);
  std::string line;
  while (std::getline(plan, line)) {
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    if (verb == "archive") {
      int index = 0;
      std::string path;
      words >> index >> path;
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) {
        fail(path);
      }
      archives.push_back(fd);
    } else {
      Step step;
      step.copy = verb == "copy";
      words >> step.archive >> step.position >> step.length;
      steps.push_back(step);
    }
  }

  // Everything the file holds is known from the plan: the header goes out first, then the
  // textures through one buffer, then the directory.
  std::uint32_t count = 0;
  std::uint64_t directoryOffset = 12;
  for (const Step& step : steps) {
    if (step.copy) {
      ++count;
      directoryOffset += step.length;
    }
  }
  const std::string temporary = output + ".part";
  const int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    fail(temporary);
  }
  constexpr std::size_t kBufferSize = 1 << 20;
  std::vector<std::uint8_t> buffer(kBufferSize);
  std::size_t used = 12;
  std::memcpy(buffer.data(), "WAD2", 4);
  putI32(buffer, 4, count);
  putI32(buffer, 8, static_cast<std::uint32_t>(directoryOffset));
  const auto flush = [&] {
    for (std::size_t done = 0; done < used;) {
      const ssize_t put = ::write(out, buffer.data() + done, used - done);
      if (put <= 0) {
        fail("write");
      }
      done += static_cast<std::size_t>(put);
    }
    used = 0;
  };
  std::vector<std::uint8_t> scratch(kBufferSize);
  std::vector<std::uint8_t> directory;
  directory.reserve(32 * static_cast<std::size_t>(count));
  std::uint64_t position = 12;
  for (const Step& step : steps) {
    const int fd = archives[static_cast<std::size_t>(step.archive)];
    if (!step.copy) {
      scratch.resize(std::max(scratch.size(), step.length));
      readAt(fd, scratch.data(), step.length, step.position);
      continue;
    }
    if (used + step.length > buffer.size()) {
      flush();
      buffer.resize(std::max(buffer.size(), step.length));
    }
    readAt(fd, buffer.data() + used, step.length, step.position);
    const std::size_t entry = directory.size();
    directory.resize(entry + 32);
    putI32(directory, entry, static_cast<std::uint32_t>(position));
    putI32(directory, entry + 4, static_cast<std::uint32_t>(step.length));
    putI32(directory, entry + 8, static_cast<std::uint32_t>(step.length));
    directory[entry + 12] = 0x44;
    std::memcpy(directory.data() + entry + 16, buffer.data() + used, 16);
    used += step.length;
    position += step.length;
  }
  flush();
  buffer = std::move(directory);
  used = buffer.size();
  flush();

  if ((sync && ::fsync(out) != 0) || ::close(out) != 0 ||
      ::rename(temporary.c_str(), output.c_str()) != 0) {
    fail(output);
  }
  if (sync) {
    const auto slash = output.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : output.substr(0, slash + 1);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  }
  return 0;
}
