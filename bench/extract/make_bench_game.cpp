// Writes the inputs of the extraction benchmark, each with the plan of its I/O floor: the reads
// any implementation must make and the textures it must copy, worked out in advance.
//
//   texkit2-bench-game OUTDIR         an installation the size of the registered game
//   texkit2-bench-game --mod OUTDIR   a mod of 1,000 maps beside it
//
// The installation: OUTDIR/quake/id1/PAK0.PAK and PAK1.PAK (220 maps, 1,600 texture names of
// which 40 are in most maps and the rest in two or three, filler sounds: about 60 MB),
// OUTDIR/quake/quake.exe, and OUTDIR/floor.plan. Names are lower-case maps/*.bsp, as the peer
// tool reads only those.
// The mod: OUTDIR/quake/benchmod/pak0.pak to pak9.pak (50 maps each) and 500 loose maps under
// its maps/, up to five folders deep (2,400 texture names of its own and a few of the base
// game's: about 110 MB), and OUTDIR/mod.plan, read in the order of `extract --all-archives`.
// Every run writes the same bytes.
//
// A plan is what texkit2-io-floor reads in one call and follows without parsing: "TKFP", the
// record count and the length of the path table (uint32 each), then 16-byte records {operation,
// a, b, c} of little-endian uint32, then the paths. Operations: 1 open path (a = where in the
// path table, b = its length) as the next slot; 2 list the folder at a path; 3 read b..b+c of
// slot a; 4 copy b..b+c of slot a into the WAD.

#include "tests/support/Builders.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace texkit2::fixtures;
namespace fs = std::filesystem;

// The texture names a set of maps draws on: a few in most maps, each of the others in two or
// three.
struct NameSet {
  int names;
  int common;
  int commonPerMap;
  int othersPerMap;
  const char* commonPrefix;
  const char* prefix;
  std::uint32_t seedBase;
  int largeEvery; // one texture in this many is 128x128
};

constexpr NameSet kBaseNames{1600, 40, 4, 17, "base", "bt", 0, 4};
constexpr NameSet kModNames{2400, 40, 3, 8, "mc", "mt", 10000, 8};
constexpr int kMaps = 220;
constexpr int kMapsInPak0 = 80;
constexpr int kModArchives = 10;
constexpr int kModMapsPerArchive = 50;
constexpr int kModLooseMaps = 500;
// Base-game textures a mod map uses as well, for --exclude-wad to leave out.
constexpr int kBaseNamesPerModMap = 1;

std::string nameOf(const NameSet& set, int i) {
  const std::string number = std::to_string(1000 + i);
  if (i % 50 == 7) {
    std::string liquid = "*"; // animated liquids
    liquid.push_back(set.prefix[0]);
    return liquid.append("w").append(number);
  }
  if (i % 37 == 5) {
    return std::string("+0") + set.prefix + number;
  }
  return (i < set.common ? set.commonPrefix : set.prefix) + number;
}

void sizeOf(const NameSet& set, int i, std::uint32_t& width, std::uint32_t& height) {
  if (i % 20 == 3 && set.largeEvery == 4) {
    width = 256;
    height = 128;
  } else if (i % set.largeEvery == 1) {
    width = height = 128;
  } else {
    width = height = 64;
  }
}

Bytes texture(const NameSet& set, int i) {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  sizeOf(set, i, width, height);
  return makeMipTexture(textureName(nameOf(set, i)), width, height,
                        set.seedBase + static_cast<std::uint32_t>(i));
}

Bytes mapFile(const NameSet& set, int map, int baseNames) {
  std::vector<LumpSlot> slots;
  int k = 0;
  const auto add = [&](Bytes bytes) {
    if (map % 10 == 0 && k == 2) {
      slots.push_back(emptySlot());
    }
    slots.emplace_back(std::move(bytes));
    ++k;
  };
  for (int c = 0; c < set.commonPerMap; ++c) {
    add(texture(set, (map * 7 + c * 11) % set.common));
  }
  // Spread over the other names so that each of them is in two or three maps.
  for (int o = 0; o < set.othersPerMap; ++o) {
    const long slot = static_cast<long>(map) * set.othersPerMap + o;
    add(texture(set, set.common + static_cast<int>((slot * 7919) % (set.names - set.common))));
  }
  for (int b = 0; b < baseNames; ++b) {
    add(texture(kBaseNames,
                kBaseNames.common + (map * 13 + b * 101) % (kBaseNames.names - kBaseNames.common)));
  }
  BspOptions options;
  options.entities =
      "{\n\"classname\" \"worldspawn\"\n\"message\" \"bench " + std::to_string(map) + "\"\n}\n";
  return makeBsp(makeTextureLump(slots), options);
}

Bytes filler(std::size_t size, std::uint32_t seed) {
  Bytes out(size);
  std::uint32_t state = seed * 2654435761u + 1;
  for (auto& byte : out) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return out;
}

std::string mapName(int map) {
  std::string number = std::to_string(map);
  number.insert(0, 3 - std::min<std::size_t>(number.size(), 3), '0');
  return "b" + number + ".bsp";
}

std::vector<PakFile> archiveFiles(const NameSet& set, int firstMap, int endMap, int fillers,
                                  std::size_t fillerSize, std::uint32_t seed, int baseNames) {
  std::vector<PakFile> files;
  files.push_back({"progs.dat", filler(400 * 1024, seed)});
  for (int map = firstMap; map < endMap; ++map) {
    files.push_back({"maps/" + mapName(map), mapFile(set, map, baseNames)});
  }
  for (int i = 0; i < fillers; ++i) {
    files.push_back({"sound/ambience/wind" + std::to_string(i) + ".wav",
                     filler(fillerSize, seed + static_cast<std::uint32_t>(i) + 1)});
  }
  return files;
}

class Plan {
 public:
  std::uint32_t open(const fs::path& path) {
    add(1, path);
    return m_slots++;
  }
  void list(const fs::path& path) { add(2, path); }

  // The reads of the scan of the map at `start` of `file` (slot `slot`), as the tool makes
  // them: the header up to the texture lump's entry, the texture count, the offsets, and the
  // first 40 bytes (name, size, mip offsets) of each texture. A texture's copy is planned the
  // first time its name is met.
  void scanMap(std::uint32_t slot, const Bytes& file, std::size_t start) {
    read(slot, start, kBspTextureLumpEntry + 8);
    const std::size_t lump = start + static_cast<std::size_t>(getI32(file, start + 20));
    const auto lumpLength = static_cast<std::size_t>(getI32(file, start + 24));
    const auto count = static_cast<std::size_t>(getI32(file, lump));
    read(slot, lump, 4);
    if (count > 0) {
      read(slot, lump + 4, 4 * count);
    }
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < count; ++i) {
      const std::int32_t offset = getI32(file, lump + 4 + 4 * i);
      if (offset != kEmptySlotOffset) {
        offsets.push_back(static_cast<std::size_t>(offset));
      }
    }
    for (std::size_t i = 0; i < offsets.size(); ++i) {
      const std::size_t end = i + 1 < offsets.size() ? offsets[i + 1] : lumpLength;
      const std::size_t at = lump + offsets[i];
      read(slot, at, std::min(kMipHeaderSize, end - offsets[i]));
      std::string name;
      for (std::size_t k = 0; k < kTextureNameSize && file[at + k] != 0; ++k) {
        name.push_back(static_cast<char>(file[at + k]));
      }
      if (m_seen.insert(name).second) {
        m_copies.push_back({4, slot, u32(at), u32(end - offsets[i])});
      }
    }
  }

  void scanPak(std::uint32_t slot, const Bytes& pak) {
    read(slot, 0, kPakHeaderSize);
    const auto directory = static_cast<std::size_t>(getI32(pak, 4));
    const auto directoryLength = static_cast<std::size_t>(getI32(pak, 8));
    read(slot, directory, directoryLength);
    for (std::size_t entry = directory; entry < directory + directoryLength;
         entry += kPakEntrySize) {
      std::string name;
      for (std::size_t i = 0; i < kPakNameSize && pak[entry + i] != 0; ++i) {
        name.push_back(static_cast<char>(pak[entry + i]));
      }
      const auto dot = name.find('.');
      if (dot != std::string::npos && name.substr(dot + 1) == "bsp") {
        scanMap(slot, pak, static_cast<std::size_t>(getI32(pak, entry + kPakNameSize)));
      }
    }
  }

  void save(const fs::path& path) const {
    Bytes out{'T', 'K', 'F', 'P'};
    putU32(out, u32(m_records.size() + m_copies.size()));
    putU32(out, u32(m_paths.size()));
    for (const auto* records : {&m_records, &m_copies}) {
      for (const Record& record : *records) {
        putU32(out, record.operation);
        putU32(out, record.a);
        putU32(out, record.b);
        putU32(out, record.c);
      }
    }
    out.insert(out.end(), m_paths.begin(), m_paths.end());
    writeFile(path, out);
  }

 private:
  struct Record {
    std::uint32_t operation, a, b, c;
  };

  static std::uint32_t u32(std::size_t value) { return static_cast<std::uint32_t>(value); }

  void read(std::uint32_t slot, std::size_t position, std::size_t length) {
    m_records.push_back({3, slot, u32(position), u32(length)});
  }
  void add(std::uint32_t operation, const fs::path& path) {
    const std::string text = fs::absolute(path).string();
    m_records.push_back({operation, u32(m_paths.size()), u32(text.size()), 0});
    m_paths.insert(m_paths.end(), text.begin(), text.end());
  }

  std::vector<Record> m_records;
  std::vector<Record> m_copies;
  std::string m_paths;
  std::set<std::string> m_seen;
  std::uint32_t m_slots = 0;
};

void writeBaseGame(const fs::path& out) {
  const fs::path data = out / "quake" / "id1";
  const std::vector<Bytes> paks = {
      makePak(archiveFiles(kBaseNames, 0, kMapsInPak0, 4, 1024 * 1024, 1, 0)),
      makePak(archiveFiles(kBaseNames, kMapsInPak0, kMaps, 4, 1024 * 1024, 100, 0))};
  writeFile(data / "PAK0.PAK", paks[0]);
  writeFile(data / "PAK1.PAK", paks[1]);
  writeFile(out / "quake" / "quake.exe", filler(64 * 1024, 7));
  Plan plan;
  for (std::size_t a = 0; a < paks.size(); ++a) {
    plan.scanPak(plan.open(data / (a == 0 ? "PAK0.PAK" : "PAK1.PAK")), paks[a]);
  }
  plan.save(out / "floor.plan");
  std::cout << "data folder: " << fs::absolute(data).string() << "\n"
            << "archives:    " << (paks[0].size() + paks[1].size()) / (1024 * 1024)
            << " MB in PAK0.PAK and PAK1.PAK, " << kMaps << " maps, " << kBaseNames.names
            << " texture names\n";
}

// Loose maps as mods keep them: ten episodes of fifty, ten in the episode's folder and ten in
// each of four sub-folders, the last of them two folders further down.
std::string loosePath(int i) {
  std::string folder = "maps/e";
  folder.append(std::to_string(i / 50)).append("/");
  if (const int within = i % 50; within >= 10) {
    const int sub = (within - 10) / 10;
    folder.append("s").append(std::to_string(sub)).append(sub == 3 ? "/x/y/" : "/");
  }
  return folder.append(mapName(i));
}

void writeMod(const fs::path& out) {
  const fs::path data = out / "quake" / "benchmod";
  Plan plan;
  // The tool lists the data folder for its archives; the walk lists each folder of maps/.
  plan.list(data);
  std::size_t bytes = 0;
  int map = 0;
  for (int a = 0; a < kModArchives; ++a, map += kModMapsPerArchive) {
    const Bytes pak =
        makePak(archiveFiles(kModNames, map, map + kModMapsPerArchive, 1, 256 * 1024,
                             static_cast<std::uint32_t>(1000 + a), kBaseNamesPerModMap));
    const fs::path path = data / ("pak" + std::to_string(a) + ".pak");
    writeFile(path, pak);
    plan.scanPak(plan.open(path), pak);
    bytes += pak.size();
  }
  std::vector<std::pair<std::string, Bytes>> loose;
  std::set<std::string> folders;
  for (int i = 0; i < kModLooseMaps; ++i) {
    loose.emplace_back(loosePath(i), mapFile(kModNames, map + i, kBaseNamesPerModMap));
    writeFile(data / loose.back().first, loose.back().second);
    bytes += loose.back().second.size();
    for (fs::path folder = fs::path(loose.back().first).parent_path(); !folder.empty();
         folder = folder.parent_path()) {
      folders.insert(folder.string());
    }
  }
  for (const std::string& folder : folders) {
    plan.list(data / folder);
  }
  std::sort(loose.begin(), loose.end());
  for (const auto& [path, bsp] : loose) {
    plan.scanMap(plan.open(data / path), bsp, 0);
  }
  plan.save(out / "mod.plan");
  std::cout << "mod folder:  " << fs::absolute(data).string() << "\n"
            << "maps:        " << bytes / (1024 * 1024) << " MB in " << kModArchives
            << " archives (" << kModArchives * kModMapsPerArchive << " maps) and " << kModLooseMaps
            << " loose maps in " << folders.size() << " folders\n";
}

} // namespace

int main(int argc, char** argv) {
  const bool mod = argc == 3 && std::string(argv[1]) == "--mod";
  if (argc != 2 && !mod) {
    std::cerr << "Usage: texkit2-bench-game [--mod] OUTDIR\n";
    return 2;
  }
  try {
    if (mod) {
      writeMod(argv[2]);
    } else {
      writeBaseGame(argv[1]);
    }
  } catch (const std::exception& error) {
    std::cerr << "texkit2-bench-game: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
