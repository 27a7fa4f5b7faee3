#include "tests/support/GameLibraryFixtures.h"

#include <fstream>

namespace texkit2::fixtures {

namespace fs = std::filesystem;

void writeText(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << text;
}

void writeDataFolder(const fs::path& folder, const std::vector<std::string>& files) {
  fs::create_directories(folder);
  for (const auto& name : files) {
    std::ofstream(folder / name, std::ios::binary) << "PACK";
  }
}

std::string vdfString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '\\' || c == '"') {
      out += '\\';
    }
    out += c;
  }
  return out + "\"";
}

std::string libraryFoldersVdf(const std::vector<std::string>& libraries) {
  std::string out = "\"libraryfolders\"\n{\n";
  for (std::size_t i = 0; i < libraries.size(); ++i) {
    out += "\t\"" + std::to_string(i) + "\"\n\t{\n\t\t\"path\"\t\t" + vdfString(libraries[i]) +
           "\n\t\t\"label\"\t\t\"\"\n\t\t\"contentid\"\t\t\"1234567890\"\n"
           "\t\t\"apps\"\n\t\t{\n\t\t\t\"228980\"\t\t\"1000\"\n\t\t}\n\t}\n";
  }
  return out + "}\n";
}

std::string appManifest(const std::string& appId, const std::string& installDir) {
  return "\"AppState\"\n{\n\t\"appid\"\t\t\"" + appId +
         "\"\n\t\"Universe\"\t\t\"1\"\n\t\"name\"\t\t\"Game\"\n\t\"StateFlags\"\t\t\"4\"\n"
         "\t\"installdir\"\t\t" +
         vdfString(installDir) +
         "\n\t\"UserConfig\"\n\t{\n\t\t\"language\"\t\t\"english\"\n\t}\n}\n";
}

std::string epicManifest(const std::string& displayName, const std::string& installLocation) {
  auto json = [](const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
      if (c == '\\' || c == '"') {
        out += '\\';
      }
      out += c;
    }
    return out + "\"";
  };
  return "{\n\t\"FormatVersion\": 0,\n\t\"bIsIncompleteInstall\": false,\n\t\"DisplayName\": " +
         json(displayName) + ",\n\t\"InstallLocation\": " + json(installLocation) +
         ",\n\t\"AppCategories\": [\"public\", \"games\"]\n}\n";
}

std::string wineKey(const std::string& path,
                    const std::vector<std::pair<std::string, std::string>>& values) {
  auto escaped = [](const std::string& text) {
    std::string out;
    for (const char c : text) {
      if (c == '\\' || c == '"') {
        out += '\\';
      }
      out += c;
    }
    return out;
  };
  std::string out = "\n[" + escaped(path) + "] 1700000000\n#time=1da0000000000000\n";
  for (const auto& [name, value] : values) {
    out += "\"" + escaped(name) + "\"=\"" + escaped(value) + "\"\n";
  }
  return out;
}

void writeWinePrefix(const fs::path& prefix, const std::string& userKeys,
                     const std::string& machineKeys,
                     const std::vector<std::pair<char, fs::path>>& drives) {
  writeText(prefix / "user.reg", "WINE REGISTRY Version 2\n;; All keys relative to "
                                 "\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n" +
                                     userKeys);
  writeText(prefix / "system.reg",
            "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n" +
                machineKeys);
  fs::create_directories(prefix / "drive_c" / "ProgramData");
  fs::create_directories(prefix / "dosdevices");
  fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
  for (const auto& [letter, target] : drives) {
    fs::create_directory_symlink(target, prefix / "dosdevices" / (std::string(1, letter) + ":"));
  }
}

} // namespace texkit2::fixtures
