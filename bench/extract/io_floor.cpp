// The I/O floor of an extraction: no parsing, no checks, no table. It follows the plan that
// texkit2-bench-game worked out in advance (see there for its form), making exactly the reads
// any implementation must make and writing a WAD file of the same bytes as the tool under a
// temporary name, then renaming it over OUTPUT, in the tool's writes: the header, the textures
// gathered into 256 KB, the directory. The durable floor (the default) starts each large write
// on its way to the disk at once (sync_file_range) and flushes the file before the rename and
// the folder after it, as the tool does; the plain one (--no-sync) does none of that. Plain C
// calls only, so that nothing but the I/O is measured.
//
//   texkit2-io-floor PLAN OUTPUT [--no-sync]

#include <dirent.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kWriteSize = 256 * 1024; // the tool's copy buffer
constexpr size_t kWritebackSize = 64 * 1024;
constexpr size_t kRecordSize = 16;
constexpr size_t kMaxSlots = 4096;

enum Operation : uint32_t { kOpen = 1, kList = 2, kRead = 3, kCopy = 4 };

[[noreturn]] void fail(const char* what) {
  perror(what);
  exit(1);
}

uint32_t u32(const unsigned char* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

void put32(unsigned char* at, uint32_t value) {
  at[0] = static_cast<unsigned char>(value);
  at[1] = static_cast<unsigned char>(value >> 8);
  at[2] = static_cast<unsigned char>(value >> 16);
  at[3] = static_cast<unsigned char>(value >> 24);
}

void readAt(int fd, unsigned char* into, size_t length, off_t position) {
  while (length > 0) {
    const ssize_t got = pread(fd, into, length, position);
    if (got <= 0) {
      fail("pread");
    }
    into += got;
    length -= static_cast<size_t>(got);
    position += got;
  }
}

void writeAll(int fd, const unsigned char* from, size_t size, off_t position, bool sync) {
  for (size_t done = 0; done < size;) {
    const ssize_t put = pwrite(fd, from + done, size - done, position + static_cast<off_t>(done));
    if (put <= 0) {
      fail("pwrite");
    }
    done += static_cast<size_t>(put);
  }
  if (sync && size >= kWritebackSize) {
    sync_file_range(fd, position, static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
  }
}

// A path of the plan's table as a C string, in `into`.
const char* pathOf(const unsigned char* paths, const unsigned char* record, char* into) {
  const uint32_t length = u32(record + 8);
  memcpy(into, paths + u32(record + 4), length);
  into[length] = '\0';
  return into;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fputs("Usage: texkit2-io-floor PLAN OUTPUT [--no-sync]\n", stderr);
    return 2;
  }
  const char* output = argv[2];
  const bool sync = !(argc > 3 && strcmp(argv[3], "--no-sync") == 0);

  // The plan, in one read.
  const int planFd = open(argv[1], O_RDONLY | O_CLOEXEC);
  struct stat planStat;
  if (planFd < 0 || fstat(planFd, &planStat) != 0) {
    fail(argv[1]);
  }
  const auto planSize = static_cast<size_t>(planStat.st_size);
  auto* plan = static_cast<unsigned char*>(malloc(planSize));
  if (plan == nullptr || planSize < 12) {
    fail(argv[1]);
  }
  readAt(planFd, plan, planSize, 0);
  close(planFd);
  const uint32_t count = u32(plan + 4);
  const unsigned char* records = plan + 12;
  const unsigned char* paths = records + kRecordSize * count;

  // The file's shape is known from the plan, so its header is whole from the start.
  uint32_t textures = 0;
  uint32_t directoryOffset = 12;
  for (uint32_t i = 0; i < count; ++i) {
    const unsigned char* record = records + kRecordSize * i;
    if (u32(record) == kCopy) {
      ++textures;
      directoryOffset += u32(record + 12);
    }
  }
  char temporary[4096];
  snprintf(temporary, sizeof temporary, "%s.part", output);
  const int out = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (out < 0) {
    fail(temporary);
  }
  // Left uninitialised: zero-filling them would cost page faults the tool never has.
  auto* buffer = static_cast<unsigned char*>(malloc(kWriteSize));
  auto* scratch = static_cast<unsigned char*>(malloc(kWriteSize));
  auto* directory = static_cast<unsigned char*>(calloc(textures + 1, 32));
  int slots[kMaxSlots];
  size_t slotCount = 0;
  char path[4096];
  if (buffer == nullptr || scratch == nullptr || directory == nullptr) {
    fail("malloc");
  }
  unsigned char header[12];
  memcpy(header, "WAD2", 4);
  put32(header + 4, textures);
  put32(header + 8, directoryOffset);
  writeAll(out, header, sizeof header, 0, sync);
  size_t used = 0;
  off_t written = sizeof header;
  uint32_t position = 12;
  unsigned char* entry = directory;

  for (uint32_t i = 0; i < count; ++i) {
    const unsigned char* record = records + kRecordSize * i;
    switch (u32(record)) {
    case kOpen: {
      const int fd = open(pathOf(paths, record, path), O_RDONLY | O_CLOEXEC);
      if (fd < 0 || slotCount == kMaxSlots) {
        fail(path);
      }
      slots[slotCount++] = fd;
      break;
    }
    case kList: {
      DIR* folder = opendir(pathOf(paths, record, path));
      if (folder == nullptr) {
        fail(path);
      }
      while (readdir(folder) != nullptr) {
      }
      closedir(folder);
      break;
    }
    case kRead:
      readAt(slots[u32(record + 4)], scratch, u32(record + 12), u32(record + 8));
      break;
    case kCopy: {
      const size_t length = u32(record + 12);
      if (length > kWriteSize) {
        fail("a texture larger than the write buffer");
      }
      if (used + length > kWriteSize) {
        writeAll(out, buffer, used, written, sync);
        written += static_cast<off_t>(used);
        used = 0;
      }
      readAt(slots[u32(record + 4)], buffer + used, length, u32(record + 8));
      put32(entry, position);
      put32(entry + 4, static_cast<uint32_t>(length));
      put32(entry + 8, static_cast<uint32_t>(length));
      entry[12] = 0x44;
      memcpy(entry + 16, buffer + used, 16);
      entry += 32;
      used += length;
      position += static_cast<uint32_t>(length);
      break;
    }
    default:
      break;
    }
  }
  writeAll(out, buffer, used, written, sync);
  written += static_cast<off_t>(used);
  writeAll(out, directory, 32 * static_cast<size_t>(textures), written, sync);

  if ((sync && fsync(out) != 0) || close(out) != 0 || rename(temporary, output) != 0) {
    fail(output);
  }
  if (sync) {
    char folder[4096];
    snprintf(folder, sizeof folder, "%s", output);
    char* slash = strrchr(folder, '/');
    if (slash == nullptr) {
      strcpy(folder, ".");
    } else {
      slash[slash == folder ? 1 : 0] = '\0';
    }
    const int dir = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      fsync(dir);
      close(dir);
    }
  }
  return 0;
}
