#include "extract/Palette.h"

#include "extract/PakScan.h"

#include <filesystem>

namespace texkit2::extract {
namespace {

// The palette file's bytes; `error` says why they are not a palette.
std::optional<Palette> paletteFrom(platform::File& file, std::int64_t position, std::int64_t length,
                                   const std::string& what, std::string& error) {
  if (length != static_cast<std::int64_t>(kPaletteSize)) {
    error = what + " is " + std::to_string(length) + " bytes, not the " +
            std::to_string(kPaletteSize) + " of a palette (256 RGB triples)";
    return std::nullopt;
  }
  Palette palette{};
  if (!file.seek(position) || !file.readExact(palette.data(), palette.size())) {
    const std::string reason = file.lastError();
    error = what + " cannot be read" + (reason.empty() ? "" : ": " + reason);
    return std::nullopt;
  }
  return palette;
}

std::string cannotOpen(const std::string& path, const platform::FileSystem& files) {
  const std::string reason = files.lastError();
  return path + ": cannot be opened" + (reason.empty() ? "" : " (" + reason + ")");
}

std::string withSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '/' && folder.back() != platform::kPathSeparator) {
    folder += platform::kPathSeparator;
  }
  return folder;
}

} // namespace

PaletteLookup FindGamePalette(platform::FileSystem& files, const std::string& folder) {
  const std::string base = withSeparator(folder);
  PaletteLookup lookup;
  std::vector<std::unique_ptr<platform::File>> archives;
  std::vector<std::string> paths;
  for (int n = 0;; ++n) {
    const std::string path = base + "PAK" + std::to_string(n) + ".PAK";
    auto archive = files.openForReading(path);
    if (!archive) {
      if (n == 0) {
        lookup.looked.push_back(cannotOpen(path, files));
      }
      break;
    }
    archives.push_back(std::move(archive));
    paths.push_back(path);
  }
  // A later archive overrides an earlier one.
  for (std::size_t i = archives.size(); i-- > 0;) {
    const PakDirectory directory = ReadPakDirectory(*archives[i]);
    if (directory.status != PakDirectory::Status::Read) {
      lookup.looked.push_back(paths[i] + ": not a usable archive (" +
                              DescribePakProblem(directory) + ")");
      continue;
    }
    const PakEntry* entry = FindPakEntry(directory, kPaletteEntryName);
    if (entry == nullptr) {
      lookup.looked.push_back(paths[i] + ": no " + std::string(kPaletteEntryName));
      continue;
    }
    const std::string what = paths[i] + " (" + kPaletteEntryName + ")";
    lookup.looked.push_back(what);
    if (entry->position < 0 || entry->length < 0 ||
        static_cast<std::int64_t>(entry->position) + entry->length > directory.archiveLength) {
      lookup.error = what + " lies outside the archive";
      return lookup;
    }
    lookup.palette = paletteFrom(*archives[i], entry->position, entry->length, what, lookup.error);
    lookup.source = what;
    return lookup;
  }
  const std::string loose = base + "gfx" + platform::kPathSeparator + "palette.lmp";
  auto file = files.openForReading(loose);
  if (!file) {
    lookup.looked.push_back(cannotOpen(loose, files));
    return lookup;
  }
  lookup.looked.push_back(loose);
  lookup.palette = paletteFrom(*file, 0, file->length(), loose, lookup.error);
  lookup.source = loose;
  return lookup;
}

PaletteLookup FindPaletteBesideWad(platform::FileSystem& files, const std::string& wadPath) {
  std::error_code ec;
  auto folder = std::filesystem::absolute(wadPath, ec).parent_path();
  if (ec) {
    folder = std::filesystem::path(wadPath).parent_path();
  }
  return FindGamePalette(files, folder.string());
}

PaletteLookup LoadPaletteFile(platform::FileSystem& files, const std::string& path) {
  PaletteLookup lookup;
  lookup.looked.push_back(path);
  auto file = files.openForReading(path);
  if (!file) {
    const std::string reason = files.lastError();
    lookup.error = path + " cannot be opened" + (reason.empty() ? "" : ": " + reason);
    return lookup;
  }
  lookup.palette = paletteFrom(*file, 0, file->length(), path, lookup.error);
  lookup.source = path;
  return lookup;
}

} // namespace texkit2::extract
