// Inputs the fuzz targets found, each named after what it breaks, kept as regression tests.
#include "platform/WineRegistryStore.h"
#include "tests/common/TempFolder.h"

#include <gtest/gtest.h>

namespace texkit2::platform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

WineRegistryStore storeIn(const testing::TempFolder& folder) {
  return WineRegistryStore(folder / "prefix", {folder / "server", folder / "tmp", {}});
}

// What a fresh store reads back for `name` under `key`; type kRegNone when it cannot.
std::pair<std::uint32_t, Bytes> readBack(const testing::TempFolder& folder, const std::string& key,
                                         const std::string& name) {
  auto store = storeIn(folder);
  RegKeyHandle handle = 0;
  std::uint32_t type = kRegNone;
  std::uint32_t size = 0;
  if (store.openKey(kRegCurrentUser, key, handle) != kRegSuccess ||
      store.queryValue(handle, name, type, nullptr, size) != kRegSuccess) {
    return {kRegNone, {}};
  }
  Bytes data(size);
  store.queryValue(handle, name, type, data.data(), size);
  store.closeKey(handle);
  return {type, data};
}

TEST(WineRegistryFuzzFindingsTest, AValueSetBesideDamagedLinesReadsBack) {
  const struct {
    const char* what;
    std::string userReg;
  } cases[] = {
      // Found by fuzz_wine_registry: the new value was written after a hex value whose
      // continuation backslash ends the file, and so read back as that value's next line.
      {"last value cut short after its continuation backslash",
       "WINE REGISTRY Version 2\n[Software\\\\Corvanne] 1\n@=hex:00,\\"},
      {"the same with a line ending",
       "WINE REGISTRY Version 2\n[Software\\\\Corvanne] 1\n\"a\"=hex:00,\\\n"},
      {"the same with CRLF line endings",
       "WINE REGISTRY Version 2\r\n[Software\\\\Corvanne] 1\r\n\"a\"=hex:01,\\\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempFolder folder;
    testing::writeText(folder / "prefix" / "user.reg", c.userReg);
    auto store = storeIn(folder);
    RegKeyHandle key = 0;
    ASSERT_EQ(store.openKey(kRegCurrentUser, "Software\\Corvanne", key), kRegSuccess);
    const Bytes name = {'Q', 'u', 'a', 'k', 'e', '.', 'w', 'a', 'd', 0};
    ASSERT_EQ(store.setValue(key, "name", kRegString, name.data(),
                             static_cast<std::uint32_t>(name.size())),
              kRegSuccess);
    EXPECT_EQ(readBack(folder, "Software\\Corvanne", "name"), std::make_pair(kRegString, name));
  }
}

} // namespace
} // namespace texkit2::platform
