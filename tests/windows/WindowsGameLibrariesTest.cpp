// The game libraries on Windows itself: Steam's and GOG's keys read from the Win32 registry
// (HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE), Epic's manifests under %ProgramData%, Windows
// paths taken as they are. Keys are made for the test and removed after it; a machine that
// already has them (a real Steam or GOG) is left alone and the case skipped.
#include "locate/GameLibraries.h"
#include "tests/common/TempFolder.h"
#include "tests/support/GameLibraryFixtures.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace texkit2::locate {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

constexpr const char* kSteamKey = "Software\\Valve\\Steam";
constexpr const char* kGogKey = "SOFTWARE\\WOW6432Node\\GOG.com\\Games\\1435828198";

bool keyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

bool setString(HKEY root, const char* path, const char* name, const std::string& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const LSTATUS status =
      RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}

// Removes the keys this test made, whatever happens to it.
struct MadeKeys {
  std::vector<std::pair<HKEY, std::string>> keys;
  ~MadeKeys() {
    for (const auto& [root, path] : keys) {
      RegDeleteTreeA(root, path.c_str());
      RegDeleteKeyA(root, path.c_str());
    }
  }
};

// A path as Windows compares it: either slash, any letter case.
std::string normal(const fs::path& path) {
  std::string text = path.string();
  for (char& c : text) {
    c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

bool sameFolder(const fs::path& a, const fs::path& b) {
  return normal(a) == normal(b);
}

TEST(WindowsGameLibrariesTest, ReadsTheRegistryAndProgramDataInStoreOrder) {
  if (keyExists(HKEY_CURRENT_USER, kSteamKey) || keyExists(HKEY_LOCAL_MACHINE, kGogKey)) {
    GTEST_SKIP() << "this machine has Steam's or GOG's keys of its own";
  }
  TempFolder temp;
  const fs::path steam = temp / "Steam";
  fixtures::writeText(steam / "steamapps/libraryfolders.vdf",
                      fixtures::libraryFoldersVdf({steam.string()}));
  fixtures::writeText(steam / "steamapps/appmanifest_2310.acf",
                      fixtures::appManifest("2310", "Quake"));
  fixtures::writeDataFolder(steam / "steamapps/common/Quake/id1", {"PAK0.PAK", "PAK1.PAK"});
  fixtures::writeDataFolder(steam / "steamapps/common/Quake/rerelease/id1", {"pak0.pak"});
  fixtures::writeDataFolder(temp / "GOG Games/Quake/id1", {"PAK0.PAK", "PAK1.PAK"});
  fixtures::writeText(temp / "ProgramData/Epic/EpicGamesLauncher/Data/Manifests/Q.item",
                      fixtures::epicManifest("Quake", (temp / "Epic Games/Quake").string()));
  fixtures::writeDataFolder(temp / "Epic Games/Quake/id1", {"pak0.pak"});

  MadeKeys made;
  // SteamPath as Steam writes it: forward slashes, in lower case.
  std::string steamPath = steam.generic_string();
  for (char& c : steamPath) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  ASSERT_TRUE(setString(HKEY_CURRENT_USER, kSteamKey, "SteamPath", steamPath));
  made.keys.emplace_back(HKEY_CURRENT_USER, kSteamKey);
  const bool gog =
      setString(HKEY_LOCAL_MACHINE, kGogKey, "path", (temp / "GOG Games/Quake").string());
  if (gog) {
    made.keys.emplace_back(HKEY_LOCAL_MACHINE, kGogKey);
  }
  const std::string programData = "ProgramData=" + (temp / "ProgramData").string();
  const char* previous = std::getenv("ProgramData");
  const std::string restore = std::string("ProgramData=") + (previous != nullptr ? previous : "");
  _putenv(programData.c_str());
  const HostGameLibrarySources host = hostGameLibrarySources();
  _putenv(restore.c_str());
  const GameLibrariesResult result = findGameLibraries(host.sources, extract::kGameQuake);

  // Only what lies in the test's folder: the machine may hold installations of its own.
  std::vector<const GameInstallation*> ours;
  for (const auto& installation : result.installations) {
    if (normal(installation.folder).starts_with(normal(temp.path()))) {
      ours.push_back(&installation);
    }
  }
  ASSERT_EQ(ours.size(), gog ? 3u : 2u);
  std::size_t i = 0;
  EXPECT_EQ(ours[i]->store, GameStore::Steam);
  EXPECT_TRUE(sameFolder(ours[i]->folder, steam / "steamapps/common/Quake"));
  ASSERT_EQ(ours[i]->dataFolders.size(), 2u);
  EXPECT_EQ(ours[i]->dataFolders[0].archives, (std::vector<std::string>{"PAK0.PAK", "PAK1.PAK"}));
  EXPECT_EQ(ours[i]->dataFolders[1].relative, "rerelease/id1");
  if (gog) {
    ++i;
    EXPECT_EQ(ours[i]->store, GameStore::Gog);
    EXPECT_TRUE(sameFolder(ours[i]->folder, temp / "GOG Games/Quake"));
  }
  ++i;
  EXPECT_EQ(ours[i]->store, GameStore::Epic);
  EXPECT_TRUE(sameFolder(ours[i]->folder, temp / "Epic Games/Quake"));
  for (const auto* installation : ours) {
    EXPECT_TRUE(installation->winePrefix.empty());
  }
  const auto base = baseDataFolder(result.installations, extract::kGameQuake);
  ASSERT_TRUE(base.has_value());
  EXPECT_EQ(base->back(), '\\');
}

} // namespace
} // namespace texkit2::locate
