#include "extract/TexturePack.h"

#include "platform/MemoryRegistryStore.h"

#include <gtest/gtest.h>

namespace texkit2::extract {
namespace {

using platform::MemoryRegistryStore;
using Kind = RegistrationOutcome::Kind;

std::string slotPath(int slot) {
  return kTexturePackBase + std::to_string(slot);
}

MemoryRegistryStore::Value stringValue(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return {platform::kRegString, bytes};
}

std::map<std::string, MemoryRegistryStore::Value> registered(const std::string& path,
                                                             const std::string& name) {
  return {{"type", {platform::kRegDword, {1, 0, 0, 0}}},
          {"path", stringValue(path)},
          {"name", stringValue(name)}};
}

// Slot keys 0 .. names.size()-1, each with the given "name" (nullopt: no value at all).
MemoryRegistryStore slots(const std::vector<std::optional<std::string>>& names) {
  MemoryRegistryStore store;
  for (std::size_t i = 0; i < names.size(); ++i) {
    store.createKey(slotPath(static_cast<int>(i)));
    if (names[i]) {
      store.setString(slotPath(static_cast<int>(i)), "name", *names[i]);
    }
  }
  return store;
}

TEST(RegisterTexturePackTest, TakesTheFirstFreeOrOwnSlot) {
  const std::string other = "base.wad";
  struct Case {
    const char* what;
    std::vector<std::optional<std::string>> names;
    Kind kind;
    int slot;
  };
  const std::vector<Case> cases = {
      {"no slots at all", {}, Kind::NoSettings, 0},
      {"other pack, then no slot", {other}, Kind::SlotMissing, 1},
      {"free slot after other packs", {other, other, std::string("")}, Kind::Written, 2},
      {"slot without a name value", {other, std::nullopt}, Kind::Written, 1},
      {"same game's pack", {other, std::string("Quake.wad")}, Kind::Written, 1},
      {"other game's pack is replaced", {std::string("Hexen2.wad")}, Kind::Written, 0},
      {"letter case counts",
       {std::string("quake.wad"), std::string("HEXEN2.WAD")},
       Kind::SlotMissing,
       2},
      {"name of 199 characters is read", {std::string(199, 'x')}, Kind::SlotMissing, 1},
      {"name of 200 bytes cannot be read and counts as free",
       {std::string(200, 'x')},
       Kind::Written,
       0},
      {"first free slot wins over a later own one",
       {std::string(""), std::string("Quake.wad")},
       Kind::Written,
       0},
      {"all 32 taken", std::vector<std::optional<std::string>>(32, other), Kind::AllSlotsTaken, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto store = slots(c.names);
    const auto outcome = RegisterTexturePack(store, kGameQuake, "C:\\Games\\Quake\\id1\\");
    EXPECT_EQ(outcome.kind, c.kind);
    EXPECT_EQ(outcome.slot, c.slot);
    EXPECT_EQ(store.openHandleCount(), 0u);
    for (int slot = 0; slot < 40; ++slot) {
      if (slot == outcome.slot && c.kind == Kind::Written) {
        EXPECT_EQ(store.values(slotPath(slot)),
                  registered("C:\\Games\\Quake\\id1\\Quake.wad", "Quake.wad"));
      } else if (slot < static_cast<int>(c.names.size())) {
        EXPECT_FALSE(store.values(slotPath(slot)).contains("path")) << slot;
      } else {
        EXPECT_FALSE(store.hasKey(slotPath(slot))) << "a key was created: " << slot;
      }
    }
  }
}

TEST(RegisterTexturePackTest, WritesTheGamesOwnName) {
  auto store = slots({std::string("Quake.wad")});
  store.setString(slotPath(0), "path", "C:\\old\\Quake.wad");
  store.setString(slotPath(0), "comment", "kept");
  const auto outcome = RegisterTexturePack(store, kGameHexen2, "D:\\H2\\data1\\");
  EXPECT_EQ(outcome.kind, Kind::Written);
  auto values = store.values(slotPath(0));
  EXPECT_EQ(values.at("name"), stringValue("Hexen2.wad"));
  EXPECT_EQ(values.at("path"), stringValue("D:\\H2\\data1\\Hexen2.wad"));
  EXPECT_EQ(values.at("comment"), stringValue("kept"));

  // A file spelt otherwise on disk is registered by that spelling, still under the game's name.
  RegisterTexturePack(store, kGameQuake, "Z:\\q\\id1\\", "quake.wad");
  values = store.values(slotPath(0));
  EXPECT_EQ(values.at("name"), stringValue("Quake.wad"));
  EXPECT_EQ(values.at("path"), stringValue("Z:\\q\\id1\\quake.wad"));
}

TEST(RegisterTexturePackTest, WritesNothingWithoutAGameOrAFolder) {
  const struct {
    GameKind game;
    std::string folder; // empty: the editor could not open the file by any name
    Kind kind;
  } cases[] = {{kGameNone, "C:\\q\\id1\\", Kind::UnknownGame}, {kGameQuake, "", Kind::NoPath}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    auto store = slots({std::string("")});
    const auto outcome = RegisterTexturePack(store, c.game, c.folder);
    EXPECT_EQ(outcome.kind, c.kind);
    EXPECT_EQ(store.values(slotPath(0)).size(), 1u);
    EXPECT_EQ(store.openHandleCount(), 0u);
  }
}

TEST(RegisterTexturePackTest, GoesOnAfterFailedWrites) {
  auto store = slots({std::string("")});
  store.failSets(platform::kRegAccessDenied);
  EXPECT_EQ(RegisterTexturePack(store, kGameQuake, "C:\\q\\id1\\").kind, Kind::Written);
  EXPECT_EQ(store.openHandleCount(), 0u);
}

TEST(CRegistryKeyTest, KeepsTheOutcomeOfItsLastCall) {
  auto store = slots({std::string("Quake.wad")});
  CRegistryKey key(store, platform::kRegLocalMachine);
  EXPECT_EQ(key.key(), platform::kRegLocalMachine);
  EXPECT_FALSE(key.Open(platform::kRegCurrentUser, slotPath(5)));
  EXPECT_EQ(key.keyPath(), slotPath(5));
  EXPECT_EQ(key.lastResult(), platform::kRegFileNotFound);

  ASSERT_TRUE(key.Open(platform::kRegCurrentUser, slotPath(0)));
  EXPECT_EQ(key.valueType(), platform::kRegNone);
  std::string text = "unchanged";
  EXPECT_FALSE(key.QueryString("missing", text));
  EXPECT_EQ(text, "unchanged");
  ASSERT_TRUE(key.QueryString("name", text));
  EXPECT_EQ(text, "Quake.wad");
  EXPECT_EQ(key.valueType(), platform::kRegString);
  EXPECT_EQ(key.valueSize(), 10u);
  ASSERT_TRUE(key.SetString("path", "abc"));
  EXPECT_EQ(key.valueSize(), 4u);
  ASSERT_TRUE(key.SetDWORD("type", 7));
  EXPECT_EQ(key.valueType(), platform::kRegDword);
  EXPECT_EQ(key.valueSize(), 4u);

  // A value stored without its NUL is read no further than its bytes.
  store.setRaw(slotPath(0), "raw", platform::kRegString, {'a', 'b'});
  ASSERT_TRUE(key.QueryString("raw", text));
  EXPECT_EQ(text, "ab");
  key.Close();
  EXPECT_EQ(key.key(), 0u);
  EXPECT_EQ(store.openHandleCount(), 0u);
}

} // namespace
} // namespace texkit2::extract
