// The I/O floor of an extraction: no parsing, no checks, no table. Given the plan that
// texkit2-bench-game worked out in advance, it makes exactly the reads any implementation must
// make (each archive's header and directory, each map's texture lump entry, texture count and
// offsets, each texture's name, each kept texture's bytes) and writes a WAD file of the same
// bytes as the tool under a temporary name, then renames it over OUTPUT. The durable floor (the
// default) flushes the file before the rename and the folder after it, as the tool does; the
// plain one (--no-sync) does neither.
//
//   texkit2-io-floor PLAN OUTPUT [--no-sync]

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
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

// The next word of `line`, consumed; the plan is the floor's own, so it needs no checks, and
// reading it costs next to nothing beside the I/O it stands for.
std::string_view word(std::string_view& line) {
  const auto start = line.find_first_not_of(' ');
  line.remove_prefix(std::min(start, line.size()));
  const auto end = std::min(line.find(' '), line.size());
  const std::string_view found = line.substr(0, end);
  line.remove_prefix(end);
  return found;
}

template <typename T> T number(std::string_view& line) {
  const std::string_view text = word(line);
  T value{};
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

void putI32(std::uint8_t* out, std::size_t at, std::uint32_t value) {
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
  std::ifstream planFile(argv[1], std::ios::binary);
  const std::string plan{std::istreambuf_iterator<char>(planFile),
                         std::istreambuf_iterator<char>()};
  std::string_view rest = plan;
  while (!rest.empty()) {
    const auto end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    const std::string_view verb = word(line);
    if (verb == "archive") {
      number<int>(line);
      const std::string path(word(line));
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) {
        fail(path);
      }
      archives.push_back(fd);
    } else if (!verb.empty()) {
      Step step;
      step.copy = verb == "copy";
      step.archive = number<int>(line);
      step.position = number<std::int64_t>(line);
      step.length = number<std::size_t>(line);
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
  // Buffers are left uninitialised and sized once: zero-filling two megabytes cost the floor
  // a fifth of its instructions and five hundred page faults the tool never has.
  constexpr std::size_t kBufferSize = 1 << 20;
  std::size_t largestCopy = 0;
  std::size_t largestRead = 0;
  for (const Step& step : steps) {
    (step.copy ? largestCopy : largestRead) =
        std::max(step.copy ? largestCopy : largestRead, step.length);
  }
  const std::size_t bufferSize = std::max(kBufferSize, largestCopy);
  const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[bufferSize]);
  const std::unique_ptr<std::uint8_t[]> scratch(
      new std::uint8_t[std::max<std::size_t>(largestRead, 1)]);
  std::size_t used = 12;
  std::memcpy(buffer.get(), "WAD2", 4);
  putI32(buffer.get(), 4, count);
  putI32(buffer.get(), 8, static_cast<std::uint32_t>(directoryOffset));
  const auto writeAll = [&](const std::uint8_t* from, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
      const ssize_t put = ::write(out, from + done, size - done);
      if (put <= 0) {
        fail("write");
      }
      done += static_cast<std::size_t>(put);
    }
  };
  std::vector<std::uint8_t> directory(32 * static_cast<std::size_t>(count));
  std::size_t entry = 0;
  std::uint64_t position = 12;
  for (const Step& step : steps) {
    const int fd = archives[static_cast<std::size_t>(step.archive)];
    if (!step.copy) {
      readAt(fd, scratch.get(), step.length, step.position);
      continue;
    }
    if (used + step.length > bufferSize) {
      writeAll(buffer.get(), used);
      used = 0;
    }
    readAt(fd, buffer.get() + used, step.length, step.position);
    std::uint8_t* record = directory.data() + entry;
    putI32(record, 0, static_cast<std::uint32_t>(position));
    putI32(record, 4, static_cast<std::uint32_t>(step.length));
    putI32(record, 8, static_cast<std::uint32_t>(step.length));
    record[12] = 0x44;
    std::memcpy(record + 16, buffer.get() + used, 16);
    entry += 32;
    used += step.length;
    position += step.length;
  }
  writeAll(buffer.get(), used);
  writeAll(directory.data(), directory.size());

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
