// Writes the seed corpora of the fuzz targets, one folder each, from the sample game and small
// registry files: OUTDIR/pak_scan, OUTDIR/extraction, OUTDIR/wad_info, OUTDIR/wine_registry,
// and the game libraries' records and TrenchBroom's preferences: OUTDIR/key_values,
// OUTDIR/epic_manifest, OUTDIR/trenchbroom_preferences.
#include "extract/Extraction.h"
#include "tests/common/MemoryFile.h"
#include "tests/common/RecordingFeedback.h"
#include "tests/support/GameLibraryFixtures.h"
#include "tests/support/SampleGame.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

using namespace texkit2;
using fixtures::Bytes;
namespace fs = std::filesystem;

namespace {

Bytes splitInput(const Bytes& pak0, const Bytes& pak1) {
  Bytes out;
  fixtures::putU32(out, static_cast<std::uint32_t>(pak0.size()));
  fixtures::putBytes(out, pak0);
  fixtures::putBytes(out, pak1);
  return out;
}

Bytes wadOf(const Bytes& pak0, const Bytes& pak1) {
  testing::MemoryFileSystem files;
  files.add("PAK0.PAK", pak0);
  files.add("PAK1.PAK", pak1);
  testing::RecordingFeedback feedback;
  if (!extract::RunExtraction(files, extract::kGameQuake, "/seed/id1/", feedback)) {
    throw std::runtime_error("the sample game does not extract");
  }
  return *files.find("Quake.wad");
}

Bytes text(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

const std::string kUserReg = R"(WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\Corvanne\\Stratel\\Settings] 1796752147
#time=1dd873c6c3203de
@=""
"GamePath"="C:\\Games\\Quake"
"Title"="Caf\xe9 \"Q\""
"PackCount"=dword:00000002
"Blob"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\
  16,17,18,19,1a,1b,1c
"Expand"=str(2):"%USERPROFILE%\\x"
"Multi"=str(7):"a\0b\0"

[Software\\Corvanne\\Stratel\\Settings\\txpack0] 1796752147
#time=1dd873c6c3203de
"name"="Other.wad"
"path"="C:\\Other.wad"
"type"=dword:00000001

[Software\\Corvanne\\Stratel\\Settings\\txpack1] 1796752147
#time=1dd873c6c3203de

[Software\\Wine\\Link] 1796752147
#link
@=hex(6):5c,00
)";

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Usage: texkit2-fuzz-seeds OUTDIR\n";
    return 2;
  }
  const fs::path out = argv[1];
  try {
    std::vector<Bytes> paks;
    std::vector<Bytes> pairs;
    std::vector<Bytes> wads;
    for (const auto game : {fixtures::Game::Quake, fixtures::Game::Hexen2}) {
      const auto archives = fixtures::sampleArchives(game);
      paks.push_back(archives.at(0).data);
      paks.push_back(archives.at(1).data);
      pairs.push_back(splitInput(archives.at(0).data, archives.at(1).data));
      wads.push_back(wadOf(archives.at(0).data, archives.at(1).data));
    }
    // A tiny sound archive, so mutations reach the texture lump cheaply.
    const Bytes tiny = fixtures::makePak(
        {{"maps/a.bsp",
          fixtures::makeBsp(fixtures::makeTextureLump(
              {fixtures::makeMipTexture(fixtures::textureName("wall"), 16, 16, 1),
               fixtures::emptySlot(),
               fixtures::makeMipTexture(fixtures::textureName("+0water"), 16, 16, 2)}))}});
    paks.push_back(tiny);
    paks.push_back(fixtures::makePak({}));
    pairs.push_back(splitInput(tiny, tiny));
    wads.push_back(wadOf(tiny, fixtures::makePak({})));

    std::string crlf;
    for (const char c : kUserReg) {
      crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const std::vector<Bytes> registries = {
        text(kUserReg), text(crlf), text(kUserReg.substr(0, kUserReg.size() - 1)),
        text("WINE REGISTRY Version 2\n\n[Software\\\\Corvanne\\\\Stratel\\\\Settings\\\\txpack0] "
             "1\n")};

    const auto writeAll = [&](const std::string& folder, const std::vector<Bytes>& seeds) {
      for (std::size_t i = 0; i < seeds.size(); ++i) {
        fixtures::writeFile(out / folder / ("seed" + std::to_string(i)), seeds[i]);
      }
    };
    writeAll("pak_scan", paks);
    writeAll("extraction", pairs);
    writeAll("wad_info", wads);
    writeAll("wine_registry", registries);
    writeAll("key_values",
             {text(fixtures::libraryFoldersVdf({"/home/me/.local/share/Steam", "D:\\Games"})),
              text(fixtures::appManifest("2310", "Quake")),
              text("// old\n\"LibraryFolders\" { \"1\" \"D:\\\\Lib\" [$WIN32] }\n")});
    writeAll("epic_manifest",
             {text(fixtures::epicManifest("Quake", "C:\\Program Files\\Epic Games\\Quake")),
              text("{\"DisplayName\": \"Q\", \"InstallLocation\": \"\", \"x\": [1, {}]}")});
    writeAll("trenchbroom_preferences",
             {text("{\n    \"Games/Quake/Path\": \"/games/old\",\n    \"Renderer/Brightness\": "
                   "1.399999976158142,\n    \"Views/Map view layout\": [\n        2\n    ]\n}\n"),
              text("{\"Games/Quake/Path\": null, \"a\": {\"b\": [true, false, \"\\u00e9\"]}}\x03"),
              text("{}"), text("[]")});
  } catch (const std::exception& error) {
    std::cerr << "texkit2-fuzz-seeds: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
