// Writes an installation the size of the registered game or larger for the extraction
// benchmark, and the plan of the I/O floor: the reads any implementation must make and the
// textures it must copy, worked out in advance.
//
//   texkit2-bench-game OUTDIR
//
// OUTDIR/quake/id1/PAK0.PAK and PAK1.PAK (220 maps, 1,600 texture names of which 40 are in
// most maps and the rest in two or three, filler sounds: about 60 MB), OUTDIR/quake/quake.exe,
// and OUTDIR/floor.plan for texkit2-io-floor. Names are lower-case maps/*.bsp, as the peer tool
// reads only those. Every run writes the same bytes.

#include "tests/support/Builders.h"

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

constexpr int kTextureNames = 1600;
constexpr int kCommonNames = 40;
constexpr int kMaps = 220;
constexpr int kMapsInPak0 = 80;
constexpr int kCommonPerMap = 4;
constexpr int kOthersPerMap = 17;

std::string nameOf(int i) {
  const std::string number = std::to_string(1000 + i);
  if (i % 50 == 7) {
    return "*bw" + number; // animated liquids
  }
  if (i % 37 == 5) {
    return "+0bt" + number;
  }
  return (i < kCommonNames ? "base" : "bt") + number;
}

void sizeOf(int i, std::uint32_t& width, std::uint32_t& height) {
  if (i % 20 == 3) {
    width = 256;
    height = 128;
  } else if (i % 4 == 1) {
    width = height = 128;
  } else {
    width = height = 64;
  }
}

Bytes mapFile(int map) {
  std::vector<int> names;
  for (int k = 0; k < kCommonPerMap; ++k) {
    names.push_back((map * 7 + k * 11) % kCommonNames);
  }
  // Spread over the other names so that each of them is in two or three maps.
  for (int k = 0; k < kOthersPerMap; ++k) {
    const long slot = static_cast<long>(map) * kOthersPerMap + k;
    names.push_back(kCommonNames +
                    static_cast<int>((slot * 7919) % (kTextureNames - kCommonNames)));
  }
  std::vector<LumpSlot> slots;
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (map % 10 == 0 && k == 2) {
      slots.push_back(emptySlot());
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    sizeOf(names[k], width, height);
    slots.emplace_back(makeMipTexture(textureName(nameOf(names[k])), width, height,
                                      static_cast<std::uint32_t>(names[k])));
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

std::vector<PakFile> archiveFiles(int firstMap, int endMap, int fillers, std::uint32_t seed) {
  std::vector<PakFile> files;
  files.push_back({"progs.dat", filler(400 * 1024, seed)});
  for (int map = firstMap; map < endMap; ++map) {
    std::string number = std::to_string(map);
    number.insert(0, 3 - number.size(), '0');
    files.push_back({"maps/b" + number + ".bsp", mapFile(map)});
  }
  for (int i = 0; i < fillers; ++i) {
    files.push_back({"sound/ambience/wind" + std::to_string(i) + ".wav",
                     filler(1024 * 1024, seed + static_cast<std::uint32_t>(i) + 1)});
  }
  return files;
}

bool isMap(const Bytes& pak, std::size_t entry) {
  std::string name;
  for (std::size_t i = 0; i < kPakNameSize && pak[entry + i] != 0; ++i) {
    name.push_back(static_cast<char>(pak[entry + i]));
  }
  const auto dot = name.find('.');
  return dot != std::string::npos && name.substr(dot + 1) == "bsp";
}

// The reads and copies of the extraction, from archives this program built: no checks needed.
void writePlan(const std::vector<Bytes>& paks, std::ostream& plan) {
  std::set<std::string> seen;
  std::vector<std::string> copies;
  for (std::size_t a = 0; a < paks.size(); ++a) {
    const Bytes& pak = paks[a];
    const auto read = [&](std::size_t pos, std::size_t length) {
      plan << "read " << a << ' ' << pos << ' ' << length << '\n';
    };
    read(0, kPakHeaderSize);
    const auto directory = static_cast<std::size_t>(getI32(pak, 4));
    const auto directoryLength = static_cast<std::size_t>(getI32(pak, 8));
    read(directory, directoryLength);
    for (std::size_t entry = directory; entry < directory + directoryLength;
         entry += kPakEntrySize) {
      if (!isMap(pak, entry)) {
        continue;
      }
      const auto map = static_cast<std::size_t>(getI32(pak, entry + kPakNameSize));
      read(map + kBspTextureLumpEntry, 8);
      const std::size_t lump = map + static_cast<std::size_t>(getI32(pak, map + 20));
      const auto lumpLength = static_cast<std::size_t>(getI32(pak, map + 24));
      const auto count = static_cast<std::size_t>(getI32(pak, lump));
      read(lump, 4);
      read(lump + 4, 4 * count);
      std::vector<std::size_t> offsets;
      for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t offset = getI32(pak, lump + 4 + 4 * i);
        if (offset != kEmptySlotOffset) {
          offsets.push_back(static_cast<std::size_t>(offset));
        }
      }
      for (std::size_t i = 0; i < offsets.size(); ++i) {
        const std::size_t end = i + 1 < offsets.size() ? offsets[i + 1] : lumpLength;
        const std::size_t at = lump + offsets[i];
        read(at, kTextureNameSize);
        std::string name;
        for (std::size_t k = 0; k < kTextureNameSize && pak[at + k] != 0; ++k) {
          name.push_back(static_cast<char>(pak[at + k]));
        }
        if (seen.insert(name).second) {
          copies.push_back("copy " + std::to_string(a) + ' ' + std::to_string(at) + ' ' +
                           std::to_string(end - offsets[i]));
        }
      }
    }
  }
  for (const auto& copy : copies) {
    plan << copy << '\n';
  }
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Usage: texkit2-bench-game OUTDIR\n";
    return 2;
  }
  const fs::path out = argv[1];
  try {
    const fs::path data = out / "quake" / "id1";
    const std::vector<Bytes> paks = {makePak(archiveFiles(0, kMapsInPak0, 4, 1)),
                                     makePak(archiveFiles(kMapsInPak0, kMaps, 4, 100))};
    writeFile(data / "PAK0.PAK", paks[0]);
    writeFile(data / "PAK1.PAK", paks[1]);
    writeFile(out / "quake" / "quake.exe", filler(64 * 1024, 7));
    std::ofstream plan(out / "floor.plan");
    plan << "archive 0 " << (data / "PAK0.PAK").string() << '\n'
         << "archive 1 " << (data / "PAK1.PAK").string() << '\n';
    writePlan(paks, plan);
    if (!plan.flush()) {
      throw std::runtime_error("cannot write the plan");
    }
    std::cout << "data folder: " << fs::absolute(data).string() << "\n"
              << "archives:    " << (paks[0].size() + paks[1].size()) / (1024 * 1024)
              << " MB in PAK0.PAK and PAK1.PAK, " << kMaps << " maps, " << kTextureNames
              << " texture names\n";
  } catch (const std::exception& error) {
    std::cerr << "texkit2-bench-game: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
