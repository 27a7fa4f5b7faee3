#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Fake game libraries: the records Steam, GOG, Epic and Wine write, and the folders they name.
namespace texkit2::fixtures {

// Writes `text` to `file`, making its folders.
void writeText(const std::filesystem::path& file, const std::string& text);

// A data folder holding empty files of these names (archives are found by name alone).
void writeDataFolder(const std::filesystem::path& folder, const std::vector<std::string>& files);

// Valve's KeyValues string: quoted, with \ and " escaped.
std::string vdfString(const std::string& text);

// steamapps/libraryfolders.vdf as current clients write it, one numbered block per library.
std::string libraryFoldersVdf(const std::vector<std::string>& libraries);
// steamapps/appmanifest_<id>.acf.
std::string appManifest(const std::string& appId, const std::string& installDir);
// An Epic launcher manifest (.item): JSON with the fields the launcher writes.
std::string epicManifest(const std::string& displayName, const std::string& installLocation);

// One key of a Wine registry file, with REG_SZ values, as Wine writes them.
std::string wineKey(const std::string& path,
                    const std::vector<std::pair<std::string, std::string>>& values);
// A Wine prefix: user.reg and system.reg holding these keys, drive_c, and dosdevices links
// (c: to ../drive_c, and each other letter to its folder).
void writeWinePrefix(const std::filesystem::path& prefix, const std::string& userKeys,
                     const std::string& machineKeys,
                     const std::vector<std::pair<char, std::filesystem::path>>& drives = {});

} // namespace texkit2::fixtures
