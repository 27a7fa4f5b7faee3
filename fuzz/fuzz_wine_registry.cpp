// The Wine prefix registry store over a user.reg of arbitrary bytes: open the keys the file
// names, query, set, and register a texture pack. Nothing may crash, and every value set must
// read back unchanged through a fresh store: a write that breaks the file for its next reader
// would lose the user's settings.
#include "extract/TexturePack.h"
#include "fuzz/FuzzCheck.h"
#include "platform/WineRegistryStore.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace texkit2;
using namespace texkit2::platform;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A prefix of our own, on /dev/shm where there is one: every write is flushed to disk. Named
// after the process; those of processes that died (a crash skips the destructor) are removed.
class Prefix {
 public:
  Prefix() {
    const fs::path base =
        fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    const std::string stem = "texkit2-fuzz-reg-";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(base, ec)) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with(stem)) {
        const int pid = std::atoi(name.c_str() + stem.size());
        if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) {
          fs::remove_all(entry.path(), ec);
        }
      }
    }
    root = base / (stem + std::to_string(::getpid()));
    folder = root / "prefix";
    fs::remove_all(root, ec);
    fs::create_directories(folder);
  }
  ~Prefix() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  WineRegistryStore store() const {
    return WineRegistryStore(folder, {root / "server", root / "tmp", [] {
                                        return std::chrono::system_clock::time_point(
                                            std::chrono::seconds(1800000000));
                                      }});
  }

  fs::path root;
  fs::path folder;
};

Prefix& prefix() {
  static Prefix instance;
  return instance;
}

// Key paths named by the file's section headers, undoubling backslashes: enough to reach the
// keys the file has, which is all a harness needs.
std::vector<std::string> keysNamedIn(const std::string& text) {
  std::vector<std::string> keys;
  std::size_t pos = 0;
  while (keys.size() < 4 && (pos = text.find("\n[", pos)) != std::string::npos) {
    pos += 2;
    std::string key;
    for (; pos < text.size() && text[pos] != ']' && text[pos] != '\n'; ++pos) {
      if (text[pos] == '\\' && pos + 1 < text.size()) {
        ++pos;
      }
      key += text[pos];
    }
    keys.push_back(key);
  }
  keys.push_back("Software\\Corvanne\\Stratel\\Settings\\txpack0");
  return keys;
}

void expectReadsBack(const std::string& key, const std::string& name, std::uint32_t type,
                     const Bytes& value) {
  auto fresh = prefix().store();
  RegKeyHandle handle = 0;
  TEXKIT2_FUZZ_CHECK(fresh.openKey(kRegCurrentUser, key, handle) == kRegSuccess);
  std::uint32_t gotType = 0;
  std::uint32_t gotSize = 0;
  TEXKIT2_FUZZ_CHECK(fresh.queryValue(handle, name, gotType, nullptr, gotSize) == kRegSuccess);
  Bytes got(gotSize);
  TEXKIT2_FUZZ_CHECK(fresh.queryValue(handle, name, gotType, got.data(), gotSize) == kRegSuccess);
  TEXKIT2_FUZZ_CHECK(gotType == type);
  TEXKIT2_FUZZ_CHECK(got == value);
  fresh.closeKey(handle);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const fs::path userReg = prefix().folder / "user.reg";
  std::ofstream(userReg, std::ios::binary | std::ios::trunc) << text;

  auto store = prefix().store();
  (void)store.unavailableReason();
  // A value name and data of the input's own, to put its odd bytes through the writer.
  const std::string ownName = text.substr(size - std::min<std::size_t>(size, 6));
  const Bytes ownData(data + size / 2, data + std::min(size, size / 2 + 12));

  for (const std::string& key : keysNamedIn(text)) {
    RegKeyHandle handle = 0;
    if (store.openKey(kRegCurrentUser, key, handle) != kRegSuccess) {
      continue;
    }
    for (const char* name : {"name", "path", "", "type"}) {
      std::uint32_t type = 0;
      std::uint32_t needed = 0;
      if (store.queryValue(handle, name, type, nullptr, needed) != kRegSuccess) {
        continue;
      }
      Bytes buffer(needed);
      std::uint32_t offered = needed;
      TEXKIT2_FUZZ_CHECK(store.queryValue(handle, name, type, buffer.data(), offered) ==
                         kRegSuccess);
      TEXKIT2_FUZZ_CHECK(offered == needed);
      if (needed > 0) {
        offered = needed - 1;
        TEXKIT2_FUZZ_CHECK(store.queryValue(handle, name, type, buffer.data(), offered) ==
                           kRegMoreData);
      }
    }
    struct Write {
      std::string name;
      std::uint32_t type;
      Bytes value;
    };
    const std::vector<Write> writes = {
        {"name", kRegString, {'Q', 'u', 'a', 'k', 'e', '.', 'w', 'a', 'd', 0}},
        {"type", kRegDword, {1, 0, 0, 0}},
        {ownName, kRegString, ownData},
        {"blob", 3, ownData},
    };
    for (const Write& write : writes) {
      const RegResult result = store.setValue(handle, write.name, write.type, write.value.data(),
                                              static_cast<std::uint32_t>(write.value.size()));
      if (result == kRegSuccess) {
        expectReadsBack(key, write.name, write.type, write.value);
      }
    }
    store.closeKey(handle);
  }

  auto registering = prefix().store();
  const auto outcome =
      extract::RegisterTexturePack(registering, extract::kGameQuake, "Z:\\games\\quake\\id1\\");
  if (outcome.registered()) {
    expectReadsBack("Software\\Corvanne\\Stratel\\Settings\\txpack" + std::to_string(outcome.slot),
                    "name", kRegString, {'Q', 'u', 'a', 'k', 'e', '.', 'w', 'a', 'd', 0});
  }
  return 0;
}
