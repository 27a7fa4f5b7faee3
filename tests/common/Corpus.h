#pragma once

#include "tests/config/TestPaths.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace texkit2::testing {

// One installation of the corpus with what its extraction must give.
struct CorpusInstallation {
  std::string name;
  std::filesystem::path folder;
  std::string game; // "quake" or "hexen2"
  std::string dataFolderName;
  std::string fileName;
  std::uint32_t fileLength = 0;
  int totalEntries = 0;
  int simpleTextures = 0;
  int animatedTextures = 0;
  std::string wadSha256;
  // Copies left out by the first-wins rule whose bytes differ from the kept copy's, and how
  // many of those differ in the name's bytes after its zero byte.
  int droppedDiffering = 0;
  int droppedDifferingInTail = 0;
};

// The raw text of a field's value in a flat JSON document: enough for expected.json.
inline std::string jsonValue(const std::string& json, const std::string& key) {
  const auto at = json.find("\"" + key + "\"");
  if (at == std::string::npos) {
    return {};
  }
  auto start = json.find(':', at) + 1;
  while (json[start] == ' ') {
    ++start;
  }
  if (json[start] == '"') {
    return json.substr(start + 1, json.find('"', start + 1) - start - 1);
  }
  return json.substr(start, json.find_first_of(",}\n", start) - start);
}

inline std::vector<CorpusInstallation> corpusInstallations() {
  std::vector<CorpusInstallation> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(corpusFolder(), ec)) {
    const auto expected = entry.path() / "expected.json";
    if (!std::filesystem::exists(expected)) {
      continue;
    }
    std::stringstream text;
    text << std::ifstream(expected).rdbuf();
    const std::string json = text.str();
    CorpusInstallation c;
    c.name = entry.path().filename().string();
    c.folder = entry.path();
    c.game = jsonValue(json, "game");
    c.dataFolderName = c.game == "hexen2" ? "data1" : "id1";
    c.fileName = jsonValue(json, "fileName");
    c.fileLength = static_cast<std::uint32_t>(std::stoul(jsonValue(json, "fileLength")));
    c.totalEntries = std::stoi(jsonValue(json, "totalEntries"));
    c.simpleTextures = std::stoi(jsonValue(json, "simpleTextures"));
    c.animatedTextures = std::stoi(jsonValue(json, "animatedTextures"));
    c.wadSha256 = jsonValue(json, "wadSha256");
    c.droppedDiffering = std::stoi(jsonValue(json, "sameNameOtherBytes"));
    c.droppedDifferingInTail = std::stoi(jsonValue(json, "sameNameOtherTail"));
    found.push_back(c);
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  return found;
}

// Copies an installation where the test may write, since the run writes into the data folder.
inline std::filesystem::path copyInstallation(const CorpusInstallation& c,
                                              const std::filesystem::path& into) {
  const auto target = into / c.name;
  std::filesystem::copy(c.folder, target, std::filesystem::copy_options::recursive);
  for (const auto& file : std::filesystem::recursive_directory_iterator(target)) {
    std::filesystem::permissions(file.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
  }
  std::filesystem::permissions(target, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  return target / c.dataFolderName;
}

} // namespace texkit2::testing
