#include "tests/support/SampleGame.h"

#include <initializer_list>
#include <stdexcept>
#include <string>

namespace texkit2::fixtures {

namespace {

// --- What goes into the maps -------------------------------------------------------------------

struct SlotPlan {
  TextureName m_name;
  std::uint32_t m_width;
  std::uint32_t m_height;
  std::uint32_t m_seed;
  bool m_empty;
};

SlotPlan tex(std::string_view name, std::uint32_t width, std::uint32_t height, std::uint32_t seed) {
  return SlotPlan{textureName(name), width, height, seed, false};
}

// A name with leftovers after its zero byte, as some compilers leave them.
SlotPlan rawTex(std::string_view sixteenBytes, std::uint32_t width, std::uint32_t height,
                std::uint32_t seed) {
  return SlotPlan{rawTextureName(sixteenBytes), width, height, seed, false};
}

SlotPlan gap() {
  return SlotPlan{TextureName{}, 0, 0, 0, true};
}

std::string entitiesFor(Game game, std::string_view message) {
  std::string text = "{\n\"classname\" \"worldspawn\"\n\"message\" \"";
  text += message;
  text += "\"\n";
  if (game == Game::Quake) {
    text += "\"wad\" \"gfx/base.wad\"\n\"worldtype\" \"1\"\n\"sounds\" \"6\"\n";
  } else {
    text += "\"wad\" \"gfx/h2.wad\"\n\"worldtype\" \"2\"\n\"sounds\" \"3\"\n\"skybox\" \"\"\n";
  }
  text += "}\n{\n\"classname\" \"info_player_start\"\n\"origin\" \"0 0 24\"\n\"angle\" \"90\"\n}\n";
  text += "{\n\"classname\" \"light\"\n\"origin\" \"0 0 96\"\n\"light\" \"300\"\n}\n";
  return text;
}

Bytes mapFile(Game game, std::string_view message, std::initializer_list<SlotPlan> plan) {
  std::vector<LumpSlot> slots;
  for (const SlotPlan& slot : plan) {
    if (slot.m_empty) {
      slots.push_back(emptySlot());
    } else {
      slots.emplace_back(makeMipTexture(slot.m_name, slot.m_width, slot.m_height, slot.m_seed));
    }
  }
  BspOptions options;
  options.modelRecordSize = game == Game::Quake ? kQuakeModelRecordSize : kHexen2ModelRecordSize;
  options.entities = entitiesFor(game, message);
  return makeBsp(makeTextureLump(slots), options);
}

// --- Everything else in the archives -----------------------------------------------------------

std::uint32_t scramble(std::uint32_t v) {
  v ^= v >> 16;
  v *= 0x45D9F3BU;
  v ^= v >> 16;
  v *= 0x45D9F3BU;
  v ^= v >> 16;
  return v;
}

Bytes junk(std::size_t length, std::uint32_t seed) {
  Bytes out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    out.push_back(static_cast<std::uint8_t>(scramble(seed + static_cast<std::uint32_t>(i)) >> 7));
  }
  return out;
}

Bytes textFile(std::string_view text) {
  Bytes out;
  putText(out, text);
  return out;
}

// 256 RGB triples: 14 ramps of 16 shades, then two rows of bright colours.
Bytes palette(Game game) {
  constexpr std::array<std::array<std::uint32_t, 3>, 16> kRampTops = {{
      {255, 255, 255},
      {143, 103, 63},
      {139, 139, 203},
      {107, 107, 15},
      {127, 0, 0},
      {191, 191, 0},
      {255, 115, 0},
      {171, 119, 79},
      {247, 163, 143},
      {187, 115, 159},
      {219, 195, 187},
      {139, 171, 123},
      {255, 243, 27},
      {0, 0, 255},
      {255, 160, 40},
      {255, 255, 160},
  }};
  Bytes out;
  for (std::size_t ramp = 0; ramp < kRampTops.size(); ++ramp) {
    for (std::uint32_t shade = 0; shade < 16; ++shade) {
      for (std::uint32_t top : kRampTops[ramp]) {
        const std::uint32_t tint = game == Game::Quake ? 0U : 8U;
        const std::uint32_t value = (top * (shade + 1U)) / 16U + tint;
        out.push_back(static_cast<std::uint8_t>(value > 255U ? 255U : value));
      }
    }
  }
  return out;
}

Bytes progsDat(std::uint32_t seed) {
  Bytes out;
  putI32(out, 6);    // version
  putI32(out, 5927); // header crc
  for (std::int32_t field = 0; field < 13; ++field) {
    putI32(out, 60 + field * 16);
  }
  putBytes(out, junk(396, seed));
  return out;
}

Bytes model(std::string_view magic, std::uint32_t seed) {
  Bytes out;
  putText(out, magic);
  putI32(out, 6);
  putBytes(out, junk(312, seed));
  return out;
}

// Starts like a map (version 29) but is a leftover backup; the tool must not open it.
Bytes backupMap() {
  Bytes out;
  putI32(out, kBspVersion);
  putBytes(out, junk(250, 0xBAC0U));
  return out;
}

Bytes placeholderExe(std::string_view program) {
  Bytes out;
  putText(out, "MZ");
  putText(out, program);
  out.push_back(0);
  return out;
}

// --- The two installations ---------------------------------------------------------------------

// Slots that repeat a name met earlier sit after the new ones in their lump, so where their
// bytes end never changes a kept texture's size.
std::vector<SampleArchive> quakeArchives() {
  const Game q = Game::Quake;
  std::vector<PakFile> pak0;
  pak0.push_back({"gfx/palette.lmp", palette(q)});
  pak0.push_back({"default.cfg", textFile("bind w +forward\nbind s +back\nbind SPACE +jump\n"
                                          "bind CTRL +attack\nvolume 0.7\nsensitivity 3\n")});
  pak0.push_back({"progs.dat", progsDat(1)});
  pak0.push_back(
      {"maps/start.bsp",
       mapFile(q, "Introduction",
               {tex("wall1", 64, 64, 1), tex("WALL1", 64, 64, 2), tex("+0slime", 64, 64, 3), gap(),
                tex("+1slime", 64, 64, 4), tex("*water1", 64, 64, 5),
                rawTex(std::string_view("city1_4\0_3\0/???K", 16), 64, 64, 6),
                tex("sky1", 128, 64, 7)})});
  pak0.push_back({"maps/readme.txt", textFile("Maps are compiled; sources are not shipped.\n")});
  pak0.push_back(
      {"maps/e1m1.bsp",
       mapFile(q, "the Slipgate Complex",
               {tex("tech01_1", 64, 64, 8), tex("+abutton", 32, 32, 9), tex("+0button", 32, 32, 10),
                tex("metal1_2", 32, 64, 11), tex("light1_2", 16, 16, 12),
                // Same name and bytes as in start.bsp.
                tex("*water1", 64, 64, 5),
                // Same name, other pixels: start.bsp's copy counts.
                tex("wall1", 64, 64, 13)})});
  pak0.push_back({"maps/old.bsp.bak", backupMap()});
  pak0.push_back({"maps/e1m2.bsp",
                  mapFile(q, "Castle of the Damned",
                          {tex("*lava1", 64, 64, 14), tex("floor01_5", 128, 128, 15),
                           tex("metal5_8longname", 64, 32, 16), gap(), tex("door02_1", 64, 128, 17),
                           // Equal to start.bsp's city1_4: only the bytes after the zero differ.
                           rawTex(std::string_view("city1_4\0zz\0\0\0\0\0\0", 16), 32, 32, 18)})});
  pak0.push_back({"maps/e1m3.bsp",
                  mapFile(q, "the Necropolis",
                          {// 15 bytes and a zero: not the same as the 16-byte metal5_8longname.
                           tex("metal5_8longnam", 32, 32, 19), tex("wizmet1_2", 64, 64, 20),
                           tex("+1slime", 64, 64, 21), gap()})});
  pak0.push_back({"progs/player.mdl", model("IDPO", 2)});

  std::vector<PakFile> pak1;
  pak1.push_back(
      {"maps/e2m1.bsp", mapFile(q, "the Installation",
                                {tex("+1button", 32, 32, 22), tex("bricka2_4", 64, 64, 23),
                                 tex("*slime", 64, 64, 24), gap(),
                                 // Also in PAK0, smaller and with other pixels: PAK0's copy counts.
                                 tex("tech01_1", 128, 128, 25)})});
  pak1.push_back({"progs/armor.mdl", model("IDPO", 3)});
  pak1.push_back(
      {"maps/dm/dm3.bsp", mapFile(q, "the Abandoned Base",
                                  {tex("ground1_6", 64, 64, 26), tex("sky4", 128, 64, 27),
                                   tex("+0light", 16, 16, 28), tex("*teleport", 64, 64, 29),
                                   tex("wall1", 64, 64, 30), tex("WALL1", 32, 32, 31)})});
  pak1.push_back({"gfx/pop.lmp", junk(256, 4)});

  return {{"PAK0.PAK", makePak(pak0)}, {"PAK1.PAK", makePak(pak1)}};
}

std::vector<SampleArchive> hexen2Archives() {
  const Game h = Game::Hexen2;
  std::vector<PakFile> pak0;
  pak0.push_back({"gfx/palette.lmp", palette(h)});
  pak0.push_back({"default.cfg", textFile("bind w +forward\nbind s +back\nbind c +crouch\n"
                                          "bind MOUSE1 +attack\nbind i invuse\n")});
  pak0.push_back({"progs.dat", progsDat(101)});
  pak0.push_back({"maps/demo1.bsp",
                  mapFile(h, "Blackmarsh",
                          {tex("rtex001", 64, 64, 101), tex("RTEX001", 64, 64, 102),
                           tex("+0torch", 32, 64, 103), tex("+1torch", 32, 64, 104), gap(), gap(),
                           tex("*rtex078", 64, 64, 105),
                           rawTex(std::string_view("vilwall4\0\x7F\x01sc\0\x80Z", 16), 64, 64, 106),
                           tex("sky_h2", 128, 64, 107)})});
  pak0.push_back({"maps/readme.txt", textFile("Hub maps load from data1.\n")});
  pak0.push_back({"maps/demo2.bsp", mapFile(h, "Barbican",
                                            {tex("rtex150", 128, 128, 108),
                                             tex("+arune", 32, 32, 109), tex("+0rune", 32, 32, 110),
                                             // Same name, other pixels: demo1.bsp's copy counts.
                                             tex("rtex001", 64, 64, 111),
                                             // Same name and bytes as in demo1.bsp.
                                             tex("*rtex078", 64, 64, 105)})});
  pak0.push_back({"maps/old.bsp.bak", backupMap()});
  pak0.push_back(
      {"maps/village1.bsp",
       mapFile(h, "The Village",
               {tex("*lava01", 64, 64, 112), tex("rtexlongname0016", 64, 32, 113),
                tex("tinytex", 16, 16, 114), gap(),
                // Equal to demo1.bsp's vilwall4 up to its zero byte.
                rawTex(std::string_view("vilwall4\0\0\0\0\0\0\0\0", 16), 64, 64, 115)})});
  pak0.push_back(
      {"maps/meso1.bsp", mapFile(h, "The Palace Gate",
                                 {tex("rtexlongname001", 32, 32, 116), tex("rtex300", 64, 128, 117),
                                  tex("+0torch", 32, 64, 118), gap()})});
  pak0.push_back({"progs/player.mdl", model("RAPO", 102)});
  pak0.push_back({"models/paladin.mdl", model("RAPO", 103)});

  std::vector<PakFile> pak1;
  pak1.push_back(
      {"maps/egypt1.bsp", mapFile(h, "Temple of Horus",
                                  {tex("+1rune", 32, 32, 119), tex("egtex02", 64, 64, 120),
                                   tex("*egwater", 64, 64, 121), gap(),
                                   // Also in PAK0, larger there and with other pixels.
                                   tex("rtex150", 64, 64, 122)})});
  pak1.push_back({"models/ball.mdl", model("RAPO", 104)});
  pak1.push_back(
      {"maps/dm/hexdm1.bsp", mapFile(h, "Arena",
                                     {tex("dmtex01", 64, 64, 123), tex("sky_dm", 128, 64, 124),
                                      tex("+0flame", 16, 16, 125), tex("*slimeh2", 64, 64, 126),
                                      tex("RTEX001", 32, 32, 127), tex("rtex001", 64, 64, 128)})});
  pak1.push_back({"gfx/menu/title.lmp", junk(320, 105)});

  return {{"PAK0.PAK", makePak(pak0)}, {"PAK1.PAK", makePak(pak1)}};
}

// --- Reading back ------------------------------------------------------------------------------

[[noreturn]] void malformed(const std::string& where, const std::string& what) {
  throw std::runtime_error(where + ": " + what);
}

Bytes slice(const Bytes& bytes, std::int64_t position, std::int64_t length,
            const std::string& where) {
  if (position < 0 || length < 0 || position + length > static_cast<std::int64_t>(bytes.size())) {
    malformed(where, "range " + std::to_string(position) + "+" + std::to_string(length) +
                         " outside " + std::to_string(bytes.size()) + " bytes");
  }
  const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(position);
  return Bytes(first, first + static_cast<std::ptrdiff_t>(length));
}

void collectFromMap(const Bytes& bsp, const std::string& archive, const std::string& map,
                    std::vector<ExpectedTexture>& kept) {
  const std::string where = archive + ":" + map;
  if (bsp.size() < kBspHeaderSize) {
    malformed(where, "shorter than a BSP header");
  }
  if (getI32(bsp, 0) != kBspVersion) {
    malformed(where, "version " + std::to_string(getI32(bsp, 0)));
  }
  const Bytes lump =
      slice(bsp, getI32(bsp, kBspTextureLumpEntry), getI32(bsp, kBspTextureLumpEntry + 4), where);
  const std::int64_t lumpLength = static_cast<std::int64_t>(lump.size());
  const std::int32_t count = getI32(lump, 0);
  if (count < 0 || 4 + 4 * static_cast<std::int64_t>(count) > lumpLength) {
    malformed(where, "texture count " + std::to_string(count));
  }
  const auto slots = static_cast<std::size_t>(count);
  std::vector<std::int32_t> offsets;
  for (std::size_t i = 0; i < slots; ++i) {
    offsets.push_back(getI32(lump, 4 + 4 * i));
  }
  for (std::size_t i = 0; i < slots; ++i) {
    if (offsets[i] == kEmptySlotOffset) {
      continue;
    }
    std::int64_t end = lumpLength;
    for (std::size_t j = i + 1; j < slots; ++j) {
      if (offsets[j] != kEmptySlotOffset) {
        end = offsets[j];
        break;
      }
    }
    const std::int64_t start = offsets[i];
    if (start < 4 + 4 * static_cast<std::int64_t>(count) ||
        end - start < static_cast<std::int64_t>(kTextureNameSize)) {
      malformed(where, "slot " + std::to_string(i) + " spans " + std::to_string(start) + ".." +
                           std::to_string(end));
    }
    Bytes data = slice(lump, start, end - start, where);
    TextureName name{};
    std::copy(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(kTextureNameSize),
              name.begin());
    bool known = false;
    for (const ExpectedTexture& texture : kept) {
      if (sameTextureName(texture.name, name)) {
        known = true;
        break;
      }
    }
    if (known) {
      continue;
    }
    ExpectedTexture texture;
    texture.name = name;
    texture.size = static_cast<std::uint32_t>(data.size());
    texture.data = std::move(data);
    texture.archive = archive;
    texture.map = map;
    texture.slot = i;
    texture.animated = isAnimatedName(name);
    kept.push_back(std::move(texture));
  }
}

} // namespace

std::string gameName(Game game) {
  return game == Game::Quake ? "quake" : "hexen2";
}

std::string dataFolderName(Game game) {
  return game == Game::Quake ? "id1" : "data1";
}

Bytes samplePalette(Game game) {
  return palette(game);
}

std::vector<SampleArchive> sampleArchives(Game game) {
  return game == Game::Quake ? quakeArchives() : hexen2Archives();
}

SampleGameInfo writeSampleGame(const std::filesystem::path& root, Game game) {
  const std::vector<SampleArchive> archives = sampleArchives(game);
  SampleGameInfo info = summarize(collectTextures(archives));
  info.gameFolder = root / gameName(game);
  info.dataFolder = info.gameFolder / dataFolderName(game);
  for (const SampleArchive& archive : archives) {
    writeFile(info.dataFolder / archive.fileName, archive.data);
  }
  if (game == Game::Quake) {
    writeFile(info.gameFolder / "quake.exe", placeholderExe("quake"));
  } else {
    writeFile(info.gameFolder / "h2.exe", placeholderExe("h2"));
  }
  return info;
}

std::vector<ExpectedTexture> expectedTextures(Game game) {
  return collectTextures(sampleArchives(game));
}

std::vector<ExpectedTexture> collectTextures(const std::vector<SampleArchive>& archives) {
  std::vector<ExpectedTexture> kept;
  for (const SampleArchive& archive : archives) {
    const Bytes& pak = archive.data;
    const std::string& where = archive.fileName;
    if (pak.size() < kPakHeaderSize || pak[0] != 'P' || pak[1] != 'A' || pak[2] != 'C' ||
        pak[3] != 'K') {
      malformed(where, "not a PACK archive");
    }
    const Bytes directory = slice(pak, getI32(pak, 4), getI32(pak, 8), where);
    if (directory.size() % kPakEntrySize != 0) {
      malformed(where, "directory length " + std::to_string(directory.size()));
    }
    for (std::size_t entry = 0; entry < directory.size(); entry += kPakEntrySize) {
      std::string name;
      for (std::size_t i = 0; i < kPakNameSize && directory[entry + i] != 0; ++i) {
        name.push_back(static_cast<char>(directory[entry + i]));
      }
      if (!isMapEntryName(name)) {
        continue;
      }
      const Bytes bsp = slice(pak, getI32(directory, entry + kPakNameSize),
                              getI32(directory, entry + kPakNameSize + 4), where + ":" + name);
      collectFromMap(bsp, archive.fileName, name, kept);
    }
  }
  return kept;
}

SampleGameInfo summarize(const std::vector<ExpectedTexture>& textures) {
  SampleGameInfo info;
  for (const ExpectedTexture& texture : textures) {
    ++info.uniqueTextures;
    if (texture.animated) {
      ++info.animatedTextures;
    } else {
      ++info.simpleTextures;
    }
  }
  info.wadLength = expectedWadLength(textures);
  return info;
}

std::uint32_t expectedWadLength(const std::vector<ExpectedTexture>& textures) {
  // WAD2 header, then the texture data, then a 32-byte directory entry per texture.
  std::uint64_t length = 12;
  for (const ExpectedTexture& texture : textures) {
    length += texture.size + 32U;
  }
  if (length > 0xFFFFFFFFU) {
    throw std::length_error("WAD length does not fit in 32 bits");
  }
  return static_cast<std::uint32_t>(length);
}

bool sameTextureName(const TextureName& a, const TextureName& b) {
  for (std::size_t i = 0; i < kTextureNameSize; ++i) {
    if (a[i] != b[i]) {
      return false;
    }
    if (a[i] == 0) {
      return true;
    }
  }
  return true;
}

bool isAnimatedName(const TextureName& name) {
  return name[0] == '+' || name[0] == '*';
}

bool isMapEntryName(std::string_view entryName) {
  // The extension is everything after the first dot, so "x.bsp.bak" is not a map.
  const std::size_t dot = entryName.find('.');
  return dot != std::string_view::npos && entryName.substr(dot + 1) == "bsp";
}

} // namespace texkit2::fixtures
