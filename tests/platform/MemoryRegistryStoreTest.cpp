#include "platform/MemoryRegistryStore.h"

#include <gtest/gtest.h>

namespace texkit2::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;
const std::string kSettings = R"(Software\Corvanne\Stratel\Settings)";

class MemoryRegistryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { m_store.setString(kSettings, "GamePath", R"(C:\Quake)"); }

  RegKeyHandle open(const std::string& path) {
    RegKeyHandle key = 0;
    EXPECT_EQ(m_store.openKey(kRegCurrentUser, path, key), kRegSuccess) << path;
    return key;
  }

  MemoryRegistryStore m_store;
};

TEST_F(MemoryRegistryStoreTest, OpenMatchesCaseAndNeverCreates) {
  const RegKeyHandle key = open(R"(SOFTWARE\corvanne\STRATEL\settings)");
  EXPECT_EQ(m_store.closeKey(key), kRegSuccess);
  EXPECT_TRUE(m_store.hasKey(R"(Software\Corvanne)")) << "parents exist like in a registry";

  const struct {
    RegKeyHandle root;
    std::string path;
    RegResult expected;
  } cases[] = {
      {kRegCurrentUser, kSettings + R"(\txpack0)", kRegFileNotFound},
      {kRegCurrentUser, R"(Software\Other)", kRegFileNotFound},
      {kRegLocalMachine, kSettings, kRegFileNotFound},
      {0x4242, kSettings, kRegInvalidHandle},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    RegKeyHandle unused = 0;
    EXPECT_EQ(m_store.openKey(c.root, c.path, unused), c.expected);
  }
  EXPECT_FALSE(m_store.hasKey(kSettings + R"(\txpack0)"));
  EXPECT_FALSE(m_store.hasKey(R"(Software\Other)"));
  EXPECT_EQ(m_store.openHandleCount(), 0u);
}

TEST_F(MemoryRegistryStoreTest, OpensRelativeToAnOpenKey) {
  m_store.createKey(kSettings + R"(\txpack0)");
  const RegKeyHandle parent = open(kSettings);
  RegKeyHandle child = 0;
  ASSERT_EQ(m_store.openKey(parent, "TXPACK0", child), kRegSuccess);
  m_store.setString(kSettings + R"(\txpack0)", "path", "x");
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  EXPECT_EQ(m_store.queryValue(child, "path", type, nullptr, size), kRegSuccess);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(m_store.closeKey(child), kRegSuccess);
  EXPECT_EQ(m_store.closeKey(parent), kRegSuccess);
}

TEST_F(MemoryRegistryStoreTest, QueryFollowsTheAnsiApi) {
  const RegKeyHandle key = open(kSettings);
  const RegKeyHandle closed = open(kSettings);
  ASSERT_EQ(m_store.closeKey(closed), kRegSuccess);
  const struct {
    const char* what;
    RegKeyHandle key;
    std::string name;
    bool withBuffer;
    std::uint32_t offered, expectedSize;
    RegResult expected;
  } cases[] = {
      {"size only", key, "GamePath", false, 0, 9, kRegSuccess},
      {"buffer one byte short", key, "GamePath", true, 8, 9, kRegMoreData},
      {"buffer exactly right", key, "gamepath", true, 9, 9, kRegSuccess},
      {"missing value", key, "Nope", true, 16, 16, kRegFileNotFound},
      {"closed handle", closed, "GamePath", true, 16, 16, kRegInvalidHandle},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes buffer(16, 0xAA);
    std::uint32_t type = 0;
    std::uint32_t size = c.offered;
    EXPECT_EQ(m_store.queryValue(c.key, c.name, type, c.withBuffer ? buffer.data() : nullptr, size),
              c.expected);
    EXPECT_EQ(size, c.expectedSize);
    if (c.expected == kRegSuccess && c.withBuffer) {
      EXPECT_EQ(type, kRegString);
      EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 9),
                Bytes({'C', ':', '\\', 'Q', 'u', 'a', 'k', 'e', 0}));
    } else {
      EXPECT_EQ(buffer, Bytes(16, 0xAA)) << "nothing may be copied";
    }
  }
  EXPECT_EQ(m_store.closeKey(key), kRegSuccess);
}

TEST_F(MemoryRegistryStoreTest, SetStoresRawBytesUnderTheFirstSpelling) {
  const RegKeyHandle key = open(kSettings);
  const Bytes blob = {1, 2, 3};
  ASSERT_EQ(m_store.setValue(key, "GAMEPATH", 3, blob.data(), 3), kRegSuccess);
  ASSERT_EQ(m_store.setValue(key, "Empty", kRegString, nullptr, 0), kRegSuccess);
  EXPECT_EQ(m_store.setValue(key, "Bad", kRegString, nullptr, 4), 998) << "ERROR_NOACCESS";
  EXPECT_EQ(m_store.closeKey(key), kRegSuccess);

  const auto values = m_store.values(kSettings);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values.at("GamePath"), (MemoryRegistryStore::Value{3, blob}));
  EXPECT_EQ(values.at("Empty"), (MemoryRegistryStore::Value{kRegString, {}}));
}

TEST_F(MemoryRegistryStoreTest, TracksHandlesUntilClosed) {
  const RegKeyHandle first = open(kSettings);
  const RegKeyHandle second = open(kSettings);
  EXPECT_NE(first, second);
  EXPECT_EQ(m_store.openHandleCount(), 2u);
  EXPECT_EQ(m_store.closeKey(first), kRegSuccess);
  EXPECT_EQ(m_store.closeKey(first), kRegInvalidHandle);
  EXPECT_EQ(m_store.closeKey(kRegCurrentUser), kRegSuccess);
  EXPECT_EQ(m_store.openHandleCount(), 1u);
  EXPECT_EQ(m_store.closeKey(second), kRegSuccess);
  EXPECT_EQ(m_store.openHandleCount(), 0u);
}

TEST_F(MemoryRegistryStoreTest, InjectedFaultsFailTheirCallsOnly) {
  m_store.failOpen(kSettings, kRegAccessDenied);
  RegKeyHandle key = 0;
  EXPECT_EQ(m_store.openKey(kRegCurrentUser, R"(software\corvanne\stratel\settings)", key),
            kRegAccessDenied);
  EXPECT_EQ(m_store.openHandleCount(), 0u);
  m_store.failOpen(kSettings, kRegSuccess);
  key = open(kSettings);

  m_store.failSets(kRegWriteFault);
  const std::uint32_t one = 1;
  EXPECT_EQ(m_store.setValue(key, "Count", kRegDword, reinterpret_cast<const std::uint8_t*>(&one),
                             sizeof(one)),
            kRegWriteFault);
  EXPECT_EQ(m_store.values(kSettings).count("Count"), 0u);
  m_store.failSets(kRegSuccess);
  EXPECT_EQ(m_store.setValue(key, "Count", kRegDword, reinterpret_cast<const std::uint8_t*>(&one),
                             sizeof(one)),
            kRegSuccess);
  EXPECT_EQ(m_store.values(kSettings).at("Count"),
            (MemoryRegistryStore::Value{kRegDword, {1, 0, 0, 0}}));
  EXPECT_EQ(m_store.closeKey(key), kRegSuccess);
}

} // namespace
} // namespace texkit2::platform

namespace texkit2::platform {
namespace {

TEST(MemoryRegistryStoreRootTest, ModelsOneRootAndListsSubKeys) {
  MemoryRegistryStore machine(kRegLocalMachine);
  machine.setString(R"(SOFTWARE\GOG.com\Games\1435828198)", "path", R"(C:\GOG Games\Quake)");
  machine.setString(R"(SOFTWARE\GOG.com\Games\1207000000\Deeper)", "x", "y");
  RegKeyHandle key = 0;
  EXPECT_EQ(machine.openKey(kRegCurrentUser, R"(SOFTWARE\GOG.com\Games)", key), kRegFileNotFound);
  ASSERT_EQ(machine.openKey(kRegLocalMachine, R"(SOFTWARE\GOG.com\Games)", key), kRegSuccess);
  std::vector<std::string> names;
  std::string name;
  for (std::uint32_t i = 0; machine.enumSubKey(key, i, name) == kRegSuccess; ++i) {
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"1207000000", "1435828198"}));
  EXPECT_EQ(machine.enumSubKey(key, 2, name), kRegNoMoreItems);
  EXPECT_EQ(machine.closeKey(key), kRegSuccess);
}

} // namespace
} // namespace texkit2::platform
