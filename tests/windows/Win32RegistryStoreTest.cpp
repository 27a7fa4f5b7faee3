// The Win32 registry store and the texture-pack registration against the real registry
// (Windows', or Wine's). Keys are made here with RegCreateKeyExA, since the product never creates
// any, and read back with RegQueryValueExA. Everything a test makes is removed again, and the
// level editor's settings are used only where they do not exist yet.
#include "platform/Win32RegistryStore.h"

#include "extract/TexturePack.h"
#include "platform/HostRegistry.h"
#include "tests/windows/Win32Registry.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace texkit2::platform {
namespace {

using testing::createKey;
using testing::EditorSettings;
using testing::keyExists;
using testing::readValue;
using testing::stringBytes;

// A key of our own below HKEY_CURRENT_USER, removed with everything in it.
class ScratchKey {
 public:
  ScratchKey() {
    static int counter = 0;
    m_path = "Software\\Texkit2 Tests\\" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(counter++);
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
  }
  ~ScratchKey() {
    RegDeleteTreeA(HKEY_CURRENT_USER, m_path.c_str());
    // The parent goes only when no other run still uses it.
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Texkit2 Tests");
  }
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
};

class Win32RegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(createKey(scratch.path())); }

  ScratchKey scratch;
  Win32RegistryStore store;
};

TEST_F(Win32RegistryStoreTest, OpensExistingKeysAndNeverCreatesOne) {
  RegKeyHandle key = 0;
  ASSERT_EQ(store.openKey(kRegCurrentUser, scratch.path(), key), kRegSuccess);
  EXPECT_NE(key, 0u);
  EXPECT_EQ(store.closeKey(key), kRegSuccess);

  const std::string missing = scratch.path() + "\\missing";
  RegKeyHandle other = 0;
  EXPECT_EQ(store.openKey(kRegCurrentUser, missing, other), kRegFileNotFound);
  EXPECT_EQ(other, 0u);
  EXPECT_FALSE(keyExists(missing));
}

TEST_F(Win32RegistryStoreTest, OpensKeysWithoutRegardToCase) {
  ASSERT_TRUE(createKey(scratch.path() + "\\Settings"));
  std::string spelt = scratch.path() + "\\SETTINGS";
  for (auto& c : spelt) {
    c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  RegKeyHandle key = 0;
  ASSERT_EQ(store.openKey(kRegCurrentUser, spelt, key), kRegSuccess);
  EXPECT_EQ(store.closeKey(key), kRegSuccess);
}

TEST_F(Win32RegistryStoreTest, WritesWhatTheRegistryReadsBack) {
  RegKeyHandle key = 0;
  ASSERT_EQ(store.openKey(kRegCurrentUser, scratch.path(), key), kRegSuccess);
  const std::vector<std::uint8_t> path = stringBytes("C:\\Games\\Quake\\id1\\Quake.wad");
  const std::vector<std::uint8_t> one = {1, 0, 0, 0};
  EXPECT_EQ(
      store.setValue(key, "path", kRegString, path.data(), static_cast<std::uint32_t>(path.size())),
      kRegSuccess);
  EXPECT_EQ(store.setValue(key, "type", kRegDword, one.data(), 4), kRegSuccess);
  EXPECT_EQ(store.closeKey(key), kRegSuccess);

  const auto readPath = readValue(scratch.path(), "path");
  ASSERT_TRUE(readPath.has_value());
  EXPECT_EQ(readPath->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(readPath->data, path);
  const auto readType = readValue(scratch.path(), "type");
  ASSERT_TRUE(readType.has_value());
  EXPECT_EQ(readType->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(readType->data, one);
}

TEST_F(Win32RegistryStoreTest, QueriesAsRegQueryValueExDoes) {
  RegKeyHandle key = 0;
  ASSERT_EQ(store.openKey(kRegCurrentUser, scratch.path(), key), kRegSuccess);
  const std::vector<std::uint8_t> name = stringBytes("Quake.wad");
  ASSERT_EQ(
      store.setValue(key, "name", kRegString, name.data(), static_cast<std::uint32_t>(name.size())),
      kRegSuccess);

  std::uint32_t type = kRegNone;
  std::uint32_t size = 0;
  EXPECT_EQ(store.queryValue(key, "name", type, nullptr, size), kRegSuccess);
  EXPECT_EQ(type, kRegString);
  EXPECT_EQ(size, name.size());

  std::vector<std::uint8_t> small(4, 0xAA);
  size = static_cast<std::uint32_t>(small.size());
  EXPECT_EQ(store.queryValue(key, "name", type, small.data(), size), kRegMoreData);
  EXPECT_EQ(size, name.size());

  std::vector<std::uint8_t> buffer(200, 0xAA);
  size = static_cast<std::uint32_t>(buffer.size());
  EXPECT_EQ(store.queryValue(key, "name", type, buffer.data(), size), kRegSuccess);
  EXPECT_EQ(size, name.size());
  buffer.resize(size);
  EXPECT_EQ(buffer, name);

  size = static_cast<std::uint32_t>(buffer.size());
  EXPECT_EQ(store.queryValue(key, "missing", type, buffer.data(), size), kRegFileNotFound);
  EXPECT_EQ(store.closeKey(key), kRegSuccess);
}

TEST(Win32HostRegistryTest, IsWindowsOwnRegistryWithFoldersAsWindowsSpellsThem) {
  const HostRegistry host = openHostRegistry();
  ASSERT_NE(host.store, nullptr);
  EXPECT_NE(dynamic_cast<Win32RegistryStore*>(host.store.get()), nullptr);
  EXPECT_TRUE(host.unavailableReason.empty());
  EXPECT_EQ(host.editorFolder("C:/Windows/System32"), "C:\\Windows\\System32\\");
  EXPECT_EQ(host.editorFolder("C:\\Windows\\System32\\"), "C:\\Windows\\System32\\");
  std::string whyNot;
  EXPECT_EQ(host.editorFolder("C:/Games/No Such Quake/id1", whyNot), "");
  EXPECT_EQ(whyNot, "C:\\Games\\No Such Quake\\id1 does not exist");
}

class Win32RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (settings.preexisting()) {
      GTEST_SKIP() << "the level editor's settings exist here; they are not touched";
    }
  }

  EditorSettings settings;
  Win32RegistryStore store;
};

TEST_F(Win32RegistrationTest, WithoutTheEditorsSlotsNothingIsWritten) {
  const auto outcome = extract::RegisterTexturePack(store, extract::kGameQuake, "C:\\Quake\\id1\\");
  EXPECT_EQ(outcome.kind, extract::RegistrationOutcome::Kind::NoSettings);
  EXPECT_FALSE(keyExists(EditorSettings::kEditorKey));
}

TEST_F(Win32RegistrationTest, WritesTheFirstFreeSlotAndReplacesItsOwnPack) {
  for (int slot = 0; slot < 3; ++slot) {
    ASSERT_TRUE(createKey(EditorSettings::slot(slot)));
  }
  {
    extract::CRegistryKey other(store, kRegLocalMachine);
    ASSERT_TRUE(other.Open(kRegCurrentUser, EditorSettings::slot(0)));
    ASSERT_TRUE(other.SetString("name", "base.wad"));
  }

  const auto quake =
      extract::RegisterTexturePack(store, extract::kGameQuake, "C:\\Games\\Quake\\id1\\");
  EXPECT_EQ(quake.kind, extract::RegistrationOutcome::Kind::Written);
  EXPECT_EQ(quake.slot, 1);
  const auto type = readValue(EditorSettings::slot(1), "type");
  ASSERT_TRUE(type.has_value());
  EXPECT_EQ(type->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(type->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
  const auto path = readValue(EditorSettings::slot(1), "path");
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(path->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(path->data, stringBytes("C:\\Games\\Quake\\id1\\Quake.wad"));
  const auto name = readValue(EditorSettings::slot(1), "name");
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(name->data, stringBytes("Quake.wad"));
  EXPECT_FALSE(readValue(EditorSettings::slot(2), "name").has_value());
  EXPECT_EQ(readValue(EditorSettings::slot(0), "name")->data, stringBytes("base.wad"));

  // The tool's own pack in slot 1 is taken over by the next game.
  const auto hexen2 =
      extract::RegisterTexturePack(store, extract::kGameHexen2, "C:\\Hexen2\\data1\\");
  EXPECT_EQ(hexen2.kind, extract::RegistrationOutcome::Kind::Written);
  EXPECT_EQ(hexen2.slot, 1);
  EXPECT_EQ(readValue(EditorSettings::slot(1), "path")->data,
            stringBytes("C:\\Hexen2\\data1\\Hexen2.wad"));
  EXPECT_EQ(readValue(EditorSettings::slot(1), "name")->data, stringBytes("Hexen2.wad"));
  EXPECT_FALSE(keyExists(EditorSettings::slot(3)));
}

} // namespace
} // namespace texkit2::platform
