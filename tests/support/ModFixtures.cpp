#include "tests/support/ModFixtures.h"

#include <tuple>

namespace texkit2::fixtures {
namespace {

// The ident as the header's first four bytes, read as the version number would be.
constexpr std::int32_t ident(char a, char b, char c, char d) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
                                   static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
                                   static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
                                   static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24);
}

Bytes lumpOf(const NamedTextures& textures) {
  std::vector<LumpSlot> slots;
  for (const auto& [name, seed] : textures) {
    slots.emplace_back(makeMipTexture(textureName(name), 16, 16, seed));
  }
  return makeTextureLump(slots);
}

} // namespace

std::string mapFormatName(MapFormat format) {
  switch (format) {
  case MapFormat::QuakeBsp29:
    return "BSP29 (Quake)";
  case MapFormat::Hexen2Bsp29:
    return "BSP29 (Hexen II)";
  case MapFormat::Bsp2:
    return "BSP2";
  case MapFormat::Bsp2Psb:
    return "2PSB";
  }
  return "?";
}

Bytes makeMap(MapFormat format, const NamedTextures& textures) {
  BspOptions options;
  switch (format) {
  case MapFormat::QuakeBsp29:
    break;
  case MapFormat::Hexen2Bsp29:
    options.modelRecordSize = kHexen2ModelRecordSize;
    break;
  case MapFormat::Bsp2:
    options.version = ident('B', 'S', 'P', '2');
    break;
  case MapFormat::Bsp2Psb:
    options.version = ident('2', 'P', 'S', 'B');
    break;
  }
  return makeBsp(lumpOf(textures), options);
}

void writeAddOnFolder(const std::filesystem::path& folder, const NamedTextures& textures) {
  const std::string name = folder.filename().string();
  writeFile(folder / "pak0.pak",
            makePak({{"maps/" + name + ".bsp", makeMap(MapFormat::QuakeBsp29, textures)}}));
}

void writePortalsFolder(const std::filesystem::path& folder, const NamedTextures& textures) {
  writeFile(folder / "pak3.pak",
            makePak({{"maps/tibet1.bsp", makeMap(MapFormat::Hexen2Bsp29, textures)}}));
}

ModFolder writeModFolder(const std::filesystem::path& folder) {
  ModFolder mod;
  std::uint32_t seed = 100;
  const auto source = [&](const std::string& name, const std::string& own) {
    mod.sources.push_back(name);
    mod.textures.emplace_back(own, name);
    if (mod.textures.size() == 1) {
      mod.textures.emplace_back("shared", name);
    }
    seed += 2;
    return NamedTextures{{own, seed}, {"shared", seed + 1}};
  };
  const auto pak = [&](const std::string& name, const std::string& own, MapFormat format) {
    return makePak({{"maps/" + own + ".bsp", makeMap(format, source(name, own))}});
  };
  writeFile(folder / "pak0.pak", pak("pak0.pak", "mod_pak0", MapFormat::QuakeBsp29));
  writeFile(folder / "pak2.pak", pak("pak2.pak", "mod_pak2", MapFormat::Bsp2));
  // Byte order of the paths: "maps/A..." before "maps/a...", "maps/e1/..." before "maps/e1m1".
  for (const auto& [path, own, format] :
       std::vector<std::tuple<std::string, std::string, MapFormat>>{
           {"maps/B.bsp", "mod_b", MapFormat::QuakeBsp29},
           {"maps/a.bsp", "mod_a", MapFormat::Bsp2Psb},
           {"maps/e1/d.bsp", "mod_d", MapFormat::QuakeBsp29},
           {"maps/e1/deep/er/c.bsp", "mod_c", MapFormat::Bsp2},
           {"maps/e1m1.bsp", "mod_e", MapFormat::QuakeBsp29}}) {
    writeFile(folder / path, makeMap(format, source(path, own)));
  }
  // Files beside them that are no maps.
  writeFile(folder / "maps/readme.txt", Bytes{'h', 'i'});
  writeFile(folder / "pak01.pak", makePak({}));
  return mod;
}

} // namespace texkit2::fixtures
