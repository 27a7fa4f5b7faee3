// Faults while a texture pack is registered in a Wine prefix: a user.reg that cannot be read,
// one that changes or vanishes between choosing the slot and writing it, and a disk that fills
// up under the rewrite. Each must give a clear report, no crash, no hang, and leave the
// registry file as it was.
#include "cli/Commands.h"
#include "extract/TexturePack.h"
#include "platform/MemoryRegistryStore.h"
#include "platform/WineRegistryStore.h"
#include "tests/common/TempFolder.h"
#include "tests/hardening/Deadline.h"
#include "tests/hardening/SmallDisk.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace texkit2::cli {
namespace {

namespace fs = std::filesystem;
using namespace texkit2::platform;
using testing::TempFolder;

const std::string kUserReg =
    "WINE REGISTRY Version 2\n"
    "\n#arch=win32\n"
    "\n[Software\\\\Corvanne\\\\Stratel\\\\Settings\\\\txpack0] 1700000000\n"
    "#time=1da1b2c3d4e5f60\n"
    "\"name\"=\"base.wad\"\n"
    "\n[Software\\\\Corvanne\\\\Stratel\\\\Settings\\\\txpack1] 1700000000\n"
    "#time=1da1b2c3d4e5f60\n";

fs::path makePrefix(const fs::path& prefix, const std::string& userReg = kUserReg) {
  testing::writeText(prefix / "user.reg", userReg);
  fs::create_directories(prefix / "dosdevices");
  fs::create_directory_symlink("/", prefix / "dosdevices" / "z:");
  return prefix;
}

// Everything in a folder, symlinks not followed: names, kinds, bytes and link targets.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().lexically_relative(folder).string();
    const auto status = it->symlink_status();
    if (fs::is_symlink(status)) {
      out[name] = "link to " + fs::read_symlink(it->path()).string();
    } else if (fs::is_regular_file(status)) {
      const auto bytes = testing::readAll(it->path());
      out[name] = "file " + std::string(bytes.begin(), bytes.end());
    } else {
      out[name] = "kind " + std::to_string(static_cast<int>(status.type()));
    }
  }
  return out;
}

struct Outcome {
  int code = -1;
  std::string err;
};

Outcome
registerPack(const fs::path& prefix, const fs::path& dataFolder,
             std::function<HostRegistry(const std::optional<fs::path>&)> open = openHostRegistry) {
  fs::create_directories(dataFolder); // a folder that does not exist is never registered
  std::ostringstream out;
  std::ostringstream err;
  CliContext context{hostFileSystem(), out, err};
  context.openRegistry = std::move(open);
  const int code =
      runCli({"register", "--game", "quake", "--wine-prefix", prefix.string(), dataFolder.string()},
             context);
  return {code, err.str()};
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(RegistrationFaultTest, AnUnreadableUserRegIsReportedAndLeftAlone) {
  const struct {
    const char* what;
    std::function<void(const fs::path&)> arrange;
    const char* reason;
  } cases[] = {
      {"a folder",
       [](const fs::path& file) {
         fs::remove(file);
         fs::create_directory(file);
       },
       "Is a directory"},
      {"a FIFO",
       [](const fs::path& file) {
         fs::remove(file);
         ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
       },
       "not a regular file"},
      {"a dangling symlink",
       [](const fs::path& file) {
         fs::remove(file);
         fs::create_symlink(file.parent_path() / "gone.reg", file);
       },
       "user.reg missing"},
      {"empty", [](const fs::path& file) { testing::writeText(file, ""); },
       "not a Wine registry file"},
      {"not a registry file", [](const fs::path& file) { testing::writeText(file, "REGEDIT4\n"); },
       "not a Wine registry file"},
      {"without read permission",
       [](const fs::path& file) { fs::permissions(file, fs::perms::none); }, "cannot read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (std::string(c.what) == "without read permission" && ::geteuid() == 0) {
      continue; // root reads anything
    }
    TempFolder folder;
    const fs::path prefix = makePrefix(folder / "prefix");
    c.arrange(prefix / "user.reg");
    const auto before = snapshot(prefix);
    EXPECT_TRUE(testing::inChildWithDeadline([&] {
      const Outcome outcome = registerPack(prefix, folder / "id1");
      return outcome.code == kExitFailure && contains(outcome.err, "not registered: ") &&
             contains(outcome.err, c.reason);
    }));
    EXPECT_EQ(snapshot(prefix), before);
  }
}

// The Wine store, with a hook that runs before its first write: after the slot was chosen.
class InterruptedStore final : public RegistryStore {
 public:
  InterruptedStore(const fs::path& prefix, std::function<void()> hook)
      : m_inner(prefix), m_hook(std::move(hook)) {}

  RegResult openKey(RegKeyHandle root, const std::string& subKey, RegKeyHandle& key) override {
    return m_inner.openKey(root, subKey, key);
  }
  RegResult queryValue(RegKeyHandle key, const std::string& name, std::uint32_t& type,
                       std::uint8_t* data, std::uint32_t& size) override {
    return m_inner.queryValue(key, name, type, data, size);
  }
  RegResult setValue(RegKeyHandle key, const std::string& name, std::uint32_t type,
                     const std::uint8_t* data, std::uint32_t size) override {
    if (m_hook) {
      std::exchange(m_hook, nullptr)();
    }
    return m_inner.setValue(key, name, type, data, size);
  }
  RegResult closeKey(RegKeyHandle key) override { return m_inner.closeKey(key); }

 private:
  WineRegistryStore m_inner;
  std::function<void()> m_hook;
};

TEST(RegistrationFaultTest, AUserRegThatChangesBeforeTheWriteIsNeverOverwrittenBlindly) {
  const std::string foreign = "WINE REGISTRY Version 2\n"
                              "\n[Software\\\\Other] 1700000000\n"
                              "\"kept\"=\"yes\"\n"
                              "\n[Software\\\\Corvanne\\\\Stratel\\\\Settings\\\\txpack1] 1\n";
  const struct {
    const char* what;
    std::function<void(const fs::path&)> change;
    bool registered;
    const char* report;
  } cases[] = {
      {"deleted", [](const fs::path& file) { fs::remove(file); }, false,
       "not registered: writing to txpack1 failed"},
      {"replaced by a folder",
       [](const fs::path& file) {
         fs::remove(file);
         fs::create_directory(file);
       },
       false, "not registered: writing to txpack1 failed"},
      {"replaced by something else",
       [](const fs::path& file) { testing::writeText(file, "not a registry\n"); }, false,
       "not registered: writing to txpack1 failed"},
      // Another program rewrote it: the write goes into what is there now, keeping all of it.
      {"rewritten by another program",
       [&](const fs::path& file) { testing::writeText(file, foreign); }, true,
       "registered as texture pack txpack1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    const fs::path prefix = makePrefix(folder / "prefix");
    const fs::path userReg = prefix / "user.reg";
    std::map<std::string, std::string> changed;
    const Outcome outcome =
        registerPack(prefix, folder / "id1", [&](const std::optional<fs::path>& path) {
          HostRegistry registry;
          registry.location = "Wine prefix " + path->string();
          registry.store = std::make_unique<InterruptedStore>(*path, [&] {
            c.change(userReg);
            changed = snapshot(prefix);
          });
          return registry;
        });
    EXPECT_EQ(outcome.code, c.registered ? kExitSuccess : kExitFailure);
    EXPECT_TRUE(contains(outcome.err, c.report)) << outcome.err;
    if (c.registered) {
      const auto bytes = testing::readAll(userReg);
      const std::string text(bytes.begin(), bytes.end());
      EXPECT_TRUE(contains(text, "[Software\\\\Other] 1700000000\n\"kept\"=\"yes\"\n")) << text;
      EXPECT_TRUE(contains(text, "\"name\"=\"Quake.wad\"")) << text;
    } else {
      EXPECT_EQ(snapshot(prefix), changed);
    }
  }
}

TEST(RegistrationFaultTest, AFailedWriteIsNotCalledARegistration) {
  const struct {
    const char* what;
    RegResult failure;
    bool registered;
    const char* description;
  } cases[] = {
      {"every write refused", kRegAccessDenied, false,
       "not registered: writing to txpack0 failed (error 5)"},
      {"the disk full", kRegWriteFault, false,
       "not registered: writing to txpack0 failed (error 29)"},
      {"nothing fails", kRegSuccess, true, "registered as texture pack txpack0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryRegistryStore store;
    store.createKey(std::string(extract::kTexturePackBase) + "0");
    store.failSets(c.failure);
    const auto outcome = extract::RegisterTexturePack(store, extract::kGameQuake, "C:\\q\\id1\\");
    EXPECT_EQ(outcome.kind, extract::RegistrationOutcome::Kind::Written); // the slot was chosen
    EXPECT_EQ(outcome.writeResult, c.failure);
    EXPECT_EQ(outcome.registered(), c.registered);
    EXPECT_EQ(extract::DescribeRegistration(outcome), c.description);
    EXPECT_EQ(store.openHandleCount(), 0u);
  }
}

TEST(RegistrationFaultTest, ADiskThatFillsUpUnderTheRewriteChangesNothing) {
  TempFolder folder;
  testing::SmallDisk disk(folder / "disk", 64 * 1024);
  if (!disk.available()) {
    GTEST_SKIP() << disk.why();
  }
  // A registry that takes most of the disk, so that its rewritten copy cannot fit beside it.
  std::string padding = "\n[Software\\\\Padding] 1700000000\n\"blob\"=hex:00";
  while (padding.size() < 40 * 1024) {
    padding += ",00";
  }
  const fs::path prefix = makePrefix(folder / "disk" / "prefix", kUserReg + padding + "\n");
  const auto before = snapshot(prefix);
  const Outcome outcome = registerPack(prefix, folder / "id1");
  EXPECT_EQ(outcome.code, kExitFailure);
  EXPECT_TRUE(contains(outcome.err, "not registered: writing to txpack1 failed")) << outcome.err;
  EXPECT_EQ(snapshot(prefix), before);
}

} // namespace
} // namespace texkit2::cli
