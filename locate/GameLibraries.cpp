#include "locate/GameLibraries.h"

#include "extract/JsonDepth.h"
#include "locate/KeyValues.h"
#include "platform/File.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <utility>

#ifdef _WIN32
#include "platform/Win32RegistryStore.h"
#else
#include "platform/WineRegistryStore.h"

#include <pwd.h>
#include <unistd.h>
#endif

namespace texkit2::locate {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kRecordMaxBytes = 4u << 20; // no vdf, acf or manifest comes near this
constexpr std::size_t kMaxListing = 100'000;      // entries read from any one folder
constexpr std::size_t kMaxJsonDepth = 64;
constexpr std::uint32_t kMaxRegistryString = 32768;
constexpr std::uint32_t kMaxRegistryKeys = 10'000;
constexpr unsigned kMaxArchiveNumber = 99;

// Steam's application ids: store.steampowered.com/app/2310 (Quake), /app/9060 (HeXen II).
constexpr const char* kSteamQuake = "2310";
constexpr const char* kSteamHexen2 = "9060";

// GOG's product ids, as the source ports Ironwail and vkQuake read them from this same key
// (Sys_GetGOGQuakeDir, Sys_GetGOGQuakeEnhancedDir in their sys_win.c): Quake (the Offering)
// and Quake (the 2021 Enhanced edition). GOG sells Hexen II too (gog.com/game/hexen_ii), but
// no public source we could check names its product id, so its key is found by the game's
// name (the key's gameName value) instead.
constexpr std::array<const char*, 2> kGogQuakeIds = {"1435828198", "1739637082"};
constexpr std::array<const char*, 4> kHexen2Names = {"hexen ii", "hexen 2", "hexen ii: gold",
                                                     "hexen ii gold"};
constexpr std::array<const char*, 3> kQuakeNames = {"quake", "quake enhanced", "quake (1996)"};

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowerText(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), lower);
  return out;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && lowerText(a) == lowerText(b);
}

// On Windows a path converts between UTF-8 and UTF-16, and a name that does not convert (a
// record's bytes that are not UTF-8, a lone surrogate on disk) throws: such a name is unusable.
std::string shown(const fs::path& path) {
  try {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  } catch (const std::exception&) {
    return "(a name that is not Unicode)";
  }
}

std::optional<fs::path> fromUtf8(std::string_view text) {
  try {
    return fs::path(std::u8string(text.begin(), text.end()));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

fs::path joined(const fs::path& folder, std::string_view name) {
  const auto part = fromUtf8(name);
  return part ? folder / *part : folder / "?";
}

std::string nameOf(const fs::path& path) {
  return shown(path.filename());
}

bool isDirectory(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

struct Listing {
  std::vector<std::pair<std::string, bool>> entries; // name as on disk, is a folder
};

// One folder's entries, bounded; empty when it cannot be read.
Listing list(const fs::path& folder) {
  Listing listing;
  std::error_code ec;
  fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    if (listing.entries.size() >= kMaxListing) {
      break;
    }
    std::error_code typeEc;
    const bool isFolder = it->is_directory(typeEc);
    listing.entries.emplace_back(nameOf(it->path()), isFolder);
  }
  std::sort(listing.entries.begin(), listing.entries.end());
  return listing;
}

// The entry of `folder` named `name` in any letter case, as it is spelt on disk: the exact
// spelling first, else the first in byte order.
std::optional<fs::path> child(const fs::path& folder, std::string_view name) {
#ifndef _WIN32
  std::error_code ec;
  const fs::path exact = joined(folder, name);
  if (fs::exists(fs::symlink_status(exact, ec))) {
    return exact;
  }
#endif
  for (const auto& [entry, unused] : list(folder).entries) {
    if (sameIgnoringCase(entry, name)) {
      return joined(folder, entry);
    }
  }
  return std::nullopt;
}

// A regular file of at most `maxBytes`; nullopt with the reason otherwise.
std::optional<std::string> readRecord(const fs::path& file, std::size_t maxBytes,
                                      std::string& why) {
  std::error_code ec;
  const auto status = fs::status(file, ec);
  if (ec || !fs::exists(status)) {
    why = shown(file) + " is missing";
    return std::nullopt;
  }
  // Only regular files: opening a FIFO would wait for a writer forever.
  if (!fs::is_regular_file(status)) {
    why = shown(file) + " is not a regular file";
    return std::nullopt;
  }
  const auto size = fs::file_size(file, ec);
  if (ec || size > maxBytes) {
    why = shown(file) + " is too large to be a record (" + std::to_string(size) + " bytes)";
    return std::nullopt;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    why = shown(file) + " cannot be read";
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  // A file that grew meanwhile is read no further than the size checked.
  if (in.bad()) {
    why = shown(file) + " cannot be read";
    return std::nullopt;
  }
  return bytes;
}

std::optional<std::string> readRegistryString(platform::RegistryStore* store,
                                              platform::RegKeyHandle root, const std::string& key,
                                              const std::string& value) {
  if (store == nullptr) {
    return std::nullopt;
  }
  platform::RegKeyHandle handle = 0;
  if (store->openKey(root, key, handle) != platform::kRegSuccess) {
    return std::nullopt;
  }
  std::optional<std::string> text;
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (store->queryValue(handle, value, type, nullptr, size) == platform::kRegSuccess &&
      (type == platform::kRegString || type == 2 /* REG_EXPAND_SZ */) && size > 0 &&
      size <= kMaxRegistryString) {
    std::vector<std::uint8_t> data(size);
    if (store->queryValue(handle, value, type, data.data(), size) == platform::kRegSuccess &&
        size <= data.size()) {
      std::string read(reinterpret_cast<const char*>(data.data()), size);
      while (!read.empty() && read.back() == '\0') {
        read.pop_back();
      }
      read.resize(std::min(read.size(), read.find('\0')));
      if (!read.empty()) {
        text = std::move(read);
      }
    }
  }
  store->closeKey(handle);
  return text;
}

std::vector<std::string> registrySubKeys(platform::RegistryStore* store,
                                         platform::RegKeyHandle root, const std::string& key) {
  std::vector<std::string> names;
  platform::RegKeyHandle handle = 0;
  if (store == nullptr || store->openKey(root, key, handle) != platform::kRegSuccess) {
    return names;
  }
  std::string name;
  for (std::uint32_t i = 0;
       i < kMaxRegistryKeys && store->enumSubKey(handle, i, name) == platform::kRegSuccess; ++i) {
    names.push_back(name);
  }
  store->closeKey(handle);
  return names;
}

// Windows-1252 bytes from the ANSI registry API, as UTF-8 for a Linux path. Bytes 0x80-0x9F
// are taken as Latin-1: no path we look up needs them.
std::string ansiToUtf8(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

// How to reach a Windows path: as it is (Windows itself), or through a Wine prefix's drives.
struct Machine {
  fs::path winePrefix; // empty: this machine

  bool underWine() const { return !winePrefix.empty(); }

  // `text` is UTF-8. Under Wine, "C:\Games\Quake" or "c:/games/quake" becomes the Linux
  // folder that drive C: maps to, each component matched in any letter case.
  std::optional<fs::path> map(std::string_view text, std::string& why) const {
    if (!underWine()) {
      auto path = text.empty() ? std::nullopt : fromUtf8(text);
      if (!path) {
        why = "'" + std::string(text) + "' is not a path";
      }
      return path;
    }
    if (text.size() < 2 || text[1] != ':' || !std::isalpha(static_cast<unsigned char>(text[0]))) {
      why = "'" + std::string(text) + "' is not a path on a drive letter";
      return std::nullopt;
    }
    const fs::path link = winePrefix / "dosdevices" / (std::string(1, lower(text[0])) + ":");
    std::error_code ec;
    fs::path folder = link;
    if (fs::is_symlink(fs::symlink_status(link, ec))) {
      const fs::path target = fs::read_symlink(link, ec);
      if (!ec) {
        folder = target.is_absolute() ? target : (link.parent_path() / target).lexically_normal();
      }
    }
    if (!isDirectory(folder)) {
      why = "drive " + std::string(1, static_cast<char>(std::toupper(text[0]))) + ": of " +
            shown(winePrefix) + " is not mapped to a folder";
      return std::nullopt;
    }
    std::size_t pos = 2;
    while (pos < text.size()) {
      const std::size_t end = std::min(text.find_first_of("\\/", pos), text.size());
      const std::string_view part = text.substr(pos, end - pos);
      pos = end + 1;
      if (part.empty() || part == ".") {
        continue;
      }
      if (part == "..") {
        folder = folder.parent_path();
        continue;
      }
      const auto found = child(folder, part);
      folder = found ? *found : joined(folder, part);
    }
    return folder;
  }
};

class Finder {
 public:
  Finder(extract::GameKind wanted, GameLibrariesResult& result)
      : m_wanted(wanted), m_result(result) {}

  void note(std::string text) { m_result.notes.push_back(std::move(text)); }

  bool wants(extract::GameKind game) const {
    return m_wanted == extract::kGameNone || m_wanted == game;
  }

  void steam(const std::vector<fs::path>& roots, const Machine& machine);
  void gog(const Machine& machine, platform::RegistryStore* machineRegistry);
  void epic(const fs::path& programData, const Machine& machine);
  void packages(const fs::path& root);
  void add(extract::GameKind game, GameStore store, const Machine& machine, const fs::path& folder);

 private:
  void steamLibrary(const fs::path& library, const Machine& machine);

  extract::GameKind m_wanted;
  GameLibrariesResult& m_result;
};

// Each data folder of the installation, with its archives.
std::vector<DataFolder> dataFolders(extract::GameKind game, const fs::path& folder) {
  static constexpr std::array<const char*, 7> kQuakeFolders = {"id1", "hipnotic", "rogue", "dopa",
                                                               "mg1", "ctf",      "mg3"};
  static constexpr std::array<const char*, 3> kHexen2Folders = {"data1", "portals", "hw"};
  std::vector<std::pair<fs::path, std::string>> candidates;
  auto lookIn = [&](const fs::path& base, const std::string& prefix, const auto& names) {
    const Listing listing = list(base);
    for (const char* name : names) {
      for (const auto& [entry, isFolder] : listing.entries) {
        if (isFolder && sameIgnoringCase(entry, name)) {
          candidates.emplace_back(joined(base, entry), prefix + entry);
          break;
        }
      }
    }
  };
  if (game == extract::kGameQuake) {
    lookIn(folder, "", kQuakeFolders);
    if (const auto rerelease = child(folder, "rerelease"); rerelease && isDirectory(*rerelease)) {
      lookIn(*rerelease, nameOf(*rerelease) + "/", kQuakeFolders);
    }
    // rerelease/id1 comes right after id1, before the add-ons.
    std::stable_partition(candidates.begin(), candidates.end(), [](const auto& candidate) {
      const std::string relative = lowerText(candidate.second);
      return relative == "id1" || relative == "rerelease/id1";
    });
  } else {
    lookIn(folder, "", kHexen2Folders);
  }
  std::vector<DataFolder> found;
  for (const auto& [path, relative] : candidates) {
    DataFolder data{path, relative, {}, {}};
    std::vector<std::pair<unsigned, std::string>> archives;
    for (const auto& [entry, isFolder] : list(path).entries) {
      const std::string name = lowerText(entry);
      if (isFolder || name.size() < 8 || name.size() > 9 || !name.starts_with("pak") ||
          !name.ends_with(".pak")) {
        continue;
      }
      const std::string digits = name.substr(3, name.size() - 7);
      if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
          (digits.size() > 1 && digits[0] == '0')) {
        continue;
      }
      const auto number = static_cast<unsigned>(std::stoul(digits));
      // The same number in two letter cases (Linux): the first in byte order, as listed.
      if (number <= kMaxArchiveNumber &&
          std::none_of(archives.begin(), archives.end(),
                       [number](const auto& archive) { return archive.first == number; })) {
        archives.emplace_back(number, entry);
      }
    }
    std::sort(archives.begin(), archives.end());
    for (auto& [number, name] : archives) {
      data.numbers.push_back(number);
      data.archives.push_back(std::move(name));
    }
    if (!data.archives.empty()) {
      found.push_back(std::move(data));
    }
  }
  return found;
}

void Finder::add(extract::GameKind game, GameStore store, const Machine& machine,
                 const fs::path& folder) {
  const std::string where = std::string(gameStoreName(store)) + ": " + shown(folder);
  if (!isDirectory(folder)) {
    note(where + " is not a folder (missing, unreadable or on a drive not mounted)");
    return;
  }
  for (const auto& known : m_result.installations) {
    std::error_code ec;
    if (known.game == game && fs::equivalent(known.folder, folder, ec)) {
      note(where + " is the same folder as " + shown(known.folder) + ", already listed");
      return;
    }
  }
  GameInstallation installation{game, store, machine.winePrefix, folder, dataFolders(game, folder)};
  if (installation.dataFolders.empty()) {
    note(where + " holds no data folder with a pak file");
    return;
  }
  m_result.installations.push_back(std::move(installation));
}

void Finder::steam(const std::vector<fs::path>& roots, const Machine& machine) {
  std::vector<fs::path> libraries;
  auto addLibrary = [&](const fs::path& library, const std::string& from) {
    if (!isDirectory(library)) {
      note("Steam library " + shown(library) + " (" + from +
           ") is missing, unreadable or on a drive not mounted");
      return;
    }
    for (const auto& known : libraries) {
      std::error_code ec;
      if (fs::equivalent(known, library, ec)) {
        return; // the same folder by another name (a link, or the Steam folder itself)
      }
    }
    libraries.push_back(library);
  };
  std::vector<fs::path> seenRoots;
  for (const auto& root : roots) {
    if (!isDirectory(root)) {
      note("no Steam folder at " + shown(root));
      continue;
    }
    if (std::any_of(seenRoots.begin(), seenRoots.end(), [&](const fs::path& known) {
          std::error_code ec;
          return fs::equivalent(known, root, ec);
        })) {
      note("Steam folder " + shown(root) + " is one already read, by another name");
      continue;
    }
    seenRoots.push_back(root);
    addLibrary(root, "Steam's own");
    std::optional<fs::path> vdf;
    for (const char* folder : {"steamapps", "config"}) {
      if (const auto sub = child(root, folder)) {
        if (auto file = child(*sub, "libraryfolders.vdf")) {
          vdf = std::move(file);
          break;
        }
      }
    }
    if (!vdf) {
      note("no libraryfolders.vdf in " + shown(root));
      continue;
    }
    std::string why;
    const auto bytes = readRecord(*vdf, kRecordMaxBytes, why);
    if (!bytes) {
      note(why);
      continue;
    }
    const KeyValuesResult read = readKeyValues(*bytes);
    const KeyValue* folders = read.find("libraryfolders");
    if (!read.ok() || folders == nullptr || !folders->block) {
      note(shown(*vdf) + " is damaged" + (read.ok() ? std::string() : ": " + read.error));
      continue;
    }
    for (const auto& entry : folders->children) {
      // Libraries are numbered "0", "1", ...; other keys (contentstatsid) are not libraries.
      if (entry.key.empty() || !std::all_of(entry.key.begin(), entry.key.end(),
                                            [](char c) { return c >= '0' && c <= '9'; })) {
        continue;
      }
      // Older clients give the path as the value; newer ones in a block with "path".
      const std::string text = entry.block ? entry.valueOf("path") : entry.value;
      auto mapped = machine.map(text, why);
      if (!mapped) {
        note("Steam library " + entry.key + " of " + shown(*vdf) + ": " + why);
        continue;
      }
      addLibrary(*mapped, shown(*vdf));
    }
  }
  for (const auto& library : libraries) {
    steamLibrary(library, machine);
  }
}

void Finder::steamLibrary(const fs::path& library, const Machine& machine) {
  const auto steamapps = child(library, "steamapps");
  if (!steamapps) {
    note("Steam library " + shown(library) + " has no steamapps folder");
    return;
  }
  for (const auto& [game, app] : {std::pair{extract::kGameQuake, kSteamQuake},
                                  std::pair{extract::kGameHexen2, kSteamHexen2}}) {
    if (!wants(game)) {
      continue;
    }
    const auto manifest = child(*steamapps, std::string("appmanifest_") + app + ".acf");
    if (!manifest) {
      continue; // not installed in this library: nothing to say
    }
    std::string why;
    const auto bytes = readRecord(*manifest, kRecordMaxBytes, why);
    if (!bytes) {
      note(why);
      continue;
    }
    const KeyValuesResult read = readKeyValues(*bytes);
    const KeyValue* state = read.find("AppState");
    const std::string installdir = state != nullptr ? state->valueOf("installdir") : std::string();
    if (!read.ok() || installdir.empty()) {
      note(shown(*manifest) + " is damaged" +
           (read.ok() ? std::string(": no installdir") : ": " + read.error));
      continue;
    }
    // One folder name below steamapps/common: anything else would point outside it, or at it.
    if (installdir.find_first_of("/\\:") != std::string::npos || installdir == "." ||
        installdir == "..") {
      note(shown(*manifest) + " names '" + installdir + "', which is not a folder name");
      continue;
    }
    const auto common = child(*steamapps, "common");
    const auto folder = common ? child(*common, installdir) : std::nullopt;
    add(game, GameStore::Steam, machine,
        folder ? *folder : joined(*steamapps / "common", installdir));
  }
}

void Finder::gog(const Machine& machine, platform::RegistryStore* registry) {
  if (registry == nullptr) {
    return;
  }
  // A 64-bit Windows keeps 32-bit programs' keys under WOW6432Node; a 32-bit one does not.
  static constexpr std::array<const char*, 2> kGamesKeys = {"SOFTWARE\\WOW6432Node\\GOG.com\\Games",
                                                            "SOFTWARE\\GOG.com\\Games"};
  auto addFrom = [&](extract::GameKind game, const std::string& key) {
    const auto path = readRegistryString(registry, platform::kRegLocalMachine, key, "path");
    if (!path) {
      note("GOG key " + key + " has no path");
      return;
    }
    std::string why;
    const auto mapped = machine.map(machine.underWine() ? ansiToUtf8(*path) : *path, why);
    if (!mapped) {
      note("GOG key " + key + ": " + why);
      return;
    }
    add(game, GameStore::Gog, machine, *mapped);
  };
  for (const char* games : kGamesKeys) {
    const std::vector<std::string> ids =
        registrySubKeys(registry, platform::kRegLocalMachine, games);
    for (const auto& id : ids) {
      const std::string key = std::string(games) + "\\" + id;
      extract::GameKind game = extract::kGameNone;
      if (std::find(kGogQuakeIds.begin(), kGogQuakeIds.end(), id) != kGogQuakeIds.end()) {
        game = extract::kGameQuake;
      } else {
        const auto name = readRegistryString(registry, platform::kRegLocalMachine, key, "gameName");
        const std::string folded = name ? lowerText(*name) : std::string();
        if (std::find(kHexen2Names.begin(), kHexen2Names.end(), folded) != kHexen2Names.end()) {
          game = extract::kGameHexen2;
        }
      }
      if (game != extract::kGameNone && wants(game)) {
        addFrom(game, key);
      }
    }
    // A store that cannot list keys may still open the ones we know.
    if (ids.empty() && wants(extract::kGameQuake)) {
      for (const char* id : kGogQuakeIds) {
        const std::string key = std::string(games) + "\\" + id;
        platform::RegKeyHandle handle = 0;
        if (registry->openKey(platform::kRegLocalMachine, key, handle) == platform::kRegSuccess) {
          registry->closeKey(handle);
          addFrom(extract::kGameQuake, key);
        }
      }
    }
  }
}

void Finder::epic(const fs::path& programData, const Machine& machine) {
  fs::path folder = programData;
  for (const char* part : {"Epic", "EpicGamesLauncher", "Data", "Manifests"}) {
    const auto next = child(folder, part);
    if (!next) {
      return; // no Epic launcher here
    }
    folder = *next;
  }
  for (const auto& [entry, isFolder] : list(folder).entries) {
    if (isFolder || !lowerText(entry).ends_with(".item")) {
      continue;
    }
    const fs::path file = joined(folder, entry);
    std::string why;
    const auto bytes = readRecord(file, kEpicManifestMaxBytes, why);
    if (!bytes) {
      note(why);
      continue;
    }
    const auto manifest = readEpicManifest(*bytes, why);
    if (!manifest) {
      note(shown(file) + ": " + why);
      continue;
    }
    const std::string name = lowerText(manifest->displayName);
    extract::GameKind game = extract::kGameNone;
    if (std::find(kQuakeNames.begin(), kQuakeNames.end(), name) != kQuakeNames.end()) {
      game = extract::kGameQuake;
    } else if (std::find(kHexen2Names.begin(), kHexen2Names.end(), name) != kHexen2Names.end()) {
      game = extract::kGameHexen2;
    }
    if (game == extract::kGameNone || !wants(game)) {
      continue;
    }
    const auto mapped = machine.map(manifest->installLocation, why);
    if (!mapped) {
      note(shown(file) + ": " + why);
      continue;
    }
    add(game, GameStore::Epic, machine, *mapped);
  }
}

void Finder::packages(const fs::path& root) {
  for (const auto& [game, name] :
       {std::pair{extract::kGameQuake, "quake"}, std::pair{extract::kGameHexen2, "hexen2"}}) {
    const fs::path folder = root / name;
    std::error_code ec;
    if (wants(game) && fs::exists(fs::symlink_status(folder, ec))) {
      add(game, GameStore::Package, Machine{}, folder);
    }
  }
}

// Steam's folder as the registry records it: the user's key first, then the machine's.
std::vector<fs::path> steamRootsFromRegistry(const Machine& machine, platform::RegistryStore* user,
                                             platform::RegistryStore* machineStore,
                                             Finder& finder) {
  std::vector<std::pair<platform::RegistryStore*,
                        std::pair<platform::RegKeyHandle, std::pair<const char*, const char*>>>>
      lookups = {
          {user, {platform::kRegCurrentUser, {"Software\\Valve\\Steam", "SteamPath"}}},
          {machineStore,
           {platform::kRegLocalMachine, {"SOFTWARE\\WOW6432Node\\Valve\\Steam", "InstallPath"}}},
          {machineStore, {platform::kRegLocalMachine, {"SOFTWARE\\Valve\\Steam", "InstallPath"}}},
      };
  std::vector<fs::path> roots;
  for (const auto& [store, lookup] : lookups) {
    const auto& [root, where] = lookup;
    const auto text = readRegistryString(store, root, where.first, where.second);
    if (!text) {
      continue;
    }
    std::string why;
    const auto mapped = machine.map(machine.underWine() ? ansiToUtf8(*text) : *text, why);
    if (!mapped) {
      finder.note(std::string("Steam's ") + where.second + ": " + why);
      continue;
    }
    roots.push_back(*mapped);
  }
  return roots;
}

} // namespace

bool DataFolder::holds(unsigned number) const {
  return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
}

const char* gameStoreName(GameStore store) {
  switch (store) {
  case GameStore::Steam:
    return "Steam";
  case GameStore::Gog:
    return "GOG";
  case GameStore::Epic:
    return "Epic";
  case GameStore::Package:
    return "Package";
  }
  return "?";
}

std::optional<EpicManifest> readEpicManifest(std::string_view bytes, std::string& error) {
  if (bytes.size() > kEpicManifestMaxBytes) {
    error = "larger than " + std::to_string(kEpicManifestMaxBytes) + " bytes";
    return std::nullopt;
  }
  if (extract::JsonNestsDeeperThan(bytes, kMaxJsonDepth)) {
    error = "nested deeper than " + std::to_string(kMaxJsonDepth);
    return std::nullopt;
  }
  const nlohmann::json parsed = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr,
                                                      /*allow_exceptions=*/false);
  if (parsed.is_discarded() || !parsed.is_object()) {
    error = "not a JSON object";
    return std::nullopt;
  }
  const auto name = parsed.find("DisplayName");
  const auto location = parsed.find("InstallLocation");
  if (name == parsed.end() || !name->is_string() || location == parsed.end() ||
      !location->is_string()) {
    error = "no DisplayName or InstallLocation";
    return std::nullopt;
  }
  return EpicManifest{name->get<std::string>(), location->get<std::string>()};
}

GameLibrariesResult findGameLibraries(const GameLibrarySources& sources, extract::GameKind game) {
  GameLibrariesResult result;
  Finder finder(game, result);
  const Machine native;
  // Steam: on Linux its folders under the home; on Windows the registry's.
  std::vector<fs::path> steamRoots;
  if (!sources.home.empty()) {
    const fs::path data = sources.xdgDataHome.empty() ? sources.home / ".local" / "share"
                                                      : joined({}, sources.xdgDataHome);
    steamRoots = {sources.home / ".steam" / "steam", data / "Steam",
                  sources.home / ".var" / "app" / "com.valvesoftware.Steam" / ".local" / "share" /
                      "Steam"};
  }
  for (auto& root :
       steamRootsFromRegistry(native, sources.userRegistry, sources.machineRegistry, finder)) {
    steamRoots.push_back(std::move(root));
  }
  finder.steam(steamRoots, native);
  finder.gog(native, sources.machineRegistry);
  if (!sources.programData.empty()) {
    finder.epic(sources.programData, native);
  }
  if (!sources.packageRoot.empty()) {
    finder.packages(sources.packageRoot);
  }
#ifndef _WIN32
  for (const auto& prefix : sources.winePrefixes) {
    if (!isDirectory(prefix)) {
      finder.note("no Wine prefix at " + shown(prefix));
      continue;
    }
    const Machine wine{prefix};
    platform::WineRegistryOptions userOptions;
    userOptions.readOnly = true;
    userOptions.keys = {"Software\\Valve\\Steam"};
    platform::WineRegistryOptions machineOptions = userOptions;
    machineOptions.machine = true;
    machineOptions.keys = {"Software\\Wow6432Node\\Valve\\Steam", "Software\\Valve\\Steam",
                           "Software\\Wow6432Node\\GOG.com\\Games", "Software\\GOG.com\\Games"};
    platform::WineRegistryStore user(prefix, userOptions);
    platform::WineRegistryStore machine(prefix, machineOptions);
    finder.steam(steamRootsFromRegistry(wine, &user, &machine, finder), wine);
    finder.gog(wine, &machine);
    std::string why;
    if (const auto programData = wine.map("C:\\ProgramData", why)) {
      finder.epic(*programData, wine);
    }
  }
#endif
  return result;
}

namespace {

// A folder a mod WAD is made of: one that holds a pak*.pak or a maps folder of its own.
bool holdsModData(const fs::path& folder) {
  for (const auto& [entry, isFolder] : list(folder).entries) {
    const std::string name = lowerText(entry);
    if (isFolder ? name == "maps" : name.starts_with("pak") && name.ends_with(".pak")) {
      return true;
    }
  }
  return false;
}

bool isRealFolder(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(fs::symlink_status(path, ec));
}

} // namespace

InstallationFolders installationFolders(extract::GameKind game, const fs::path& folder) {
  InstallationFolders found;
  const auto isBase = [game](const std::string& relative) {
    const std::string lower = lowerText(relative);
    return game == extract::kGameQuake ? lower == "id1" || lower == "rerelease/id1"
                                       : lower == "data1";
  };
  const std::vector<DataFolder> known = dataFolders(game, folder);
  for (const DataFolder& data : known) {
    if (isBase(data.relative) && data.holds(0)) {
      found.base = data.path;
      break;
    }
  }
  if (found.base.empty()) {
    return found;
  }
  const auto listed = [&](const fs::path& candidate) {
    std::error_code ec;
    return fs::equivalent(candidate, found.base, ec) ||
           std::any_of(found.others.begin(), found.others.end(), [&](const fs::path& other) {
             std::error_code otherEc;
             return fs::equivalent(candidate, other, otherEc);
           });
  };
  // The known folders, with archives or with loose maps alone (dataFolders lists the first).
  const auto addKnown = [&](const fs::path& base, const auto& names) {
    const Listing listing = list(base);
    for (const char* name : names) {
      for (const auto& [entry, isFolder] : listing.entries) {
        if (isFolder && sameIgnoringCase(entry, name)) {
          const fs::path path = joined(base, entry);
          if (!isBase(entry) && isRealFolder(path) && holdsModData(path) && !listed(path)) {
            found.others.push_back(path);
          }
          break;
        }
      }
    }
  };
  static constexpr std::array<const char*, 6> kQuakeAddOns = {"hipnotic", "rogue", "dopa",
                                                              "mg1",      "ctf",   "mg3"};
  static constexpr std::array<const char*, 2> kHexen2AddOns = {"portals", "hw"};
  if (game == extract::kGameQuake) {
    addKnown(folder, kQuakeAddOns);
    if (const auto rerelease = child(folder, "rerelease"); rerelease && isDirectory(*rerelease)) {
      addKnown(*rerelease, kQuakeAddOns);
    }
  } else {
    addKnown(folder, kHexen2AddOns);
  }
  // Any other folder beside the base one: a mod.
  const fs::path beside = found.base.parent_path();
  for (const auto& [entry, isFolder] : list(beside).entries) {
    const fs::path path = joined(beside, entry);
    if (isFolder && !isBase(entry) && isRealFolder(path) && holdsModData(path) && !listed(path)) {
      found.others.push_back(path);
    }
  }
  return found;
}

std::optional<std::string> baseDataFolder(const std::vector<GameInstallation>& installations,
                                          extract::GameKind game) {
  auto isBase = [game](const DataFolder& folder) {
    const std::string relative = lowerText(folder.relative);
    return game == extract::kGameQuake ? relative == "id1" || relative == "rerelease/id1"
                                       : relative == "data1";
  };
  std::size_t begin = 0;
  while (begin < installations.size()) {
    // One store of one machine at a time: the list holds each as a run.
    std::size_t end = begin + 1;
    while (end < installations.size() && installations[end].store == installations[begin].store &&
           installations[end].winePrefix == installations[begin].winePrefix) {
      ++end;
    }
    for (const bool both : {true, false}) {
      for (std::size_t i = begin; i < end; ++i) {
        if (installations[i].game != game) {
          continue;
        }
        for (const auto& folder : installations[i].dataFolders) {
          if (isBase(folder) && folder.holds(0) && (!both || folder.holds(1))) {
            return shown(folder.path) + platform::kPathSeparator;
          }
        }
      }
    }
    begin = end;
  }
  return std::nullopt;
}

HostGameLibrarySources
hostGameLibrarySources(const std::optional<std::filesystem::path>& extraWinePrefix) {
  HostGameLibrarySources host;
  auto environment = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
  };
#ifdef _WIN32
  (void)extraWinePrefix;
  auto registry = std::make_unique<platform::Win32RegistryStore>(/*readOnly=*/true);
  host.sources.userRegistry = registry.get();
  host.sources.machineRegistry = registry.get();
  host.stores.push_back(std::move(registry));
  const std::string programData = environment("ProgramData");
  host.sources.programData =
      programData.empty() ? fs::path("C:\\ProgramData") : fs::path(programData);
#else
  std::string home = environment("HOME");
  if (home.empty()) {
    // A session started without $HOME (a service, sudo -H off) still has a home folder.
    if (const passwd* entry = ::getpwuid(::getuid());
        entry != nullptr && entry->pw_dir != nullptr) {
      home = entry->pw_dir;
    }
  }
  if (!home.empty()) {
    host.sources.home = home;
  }
  host.sources.xdgDataHome = environment("XDG_DATA_HOME");
  host.sources.packageRoot = "/usr/share/games";
  std::vector<fs::path> prefixes;
  if (extraWinePrefix) {
    prefixes.push_back(*extraWinePrefix);
  }
  if (const std::string prefix = environment("WINEPREFIX"); !prefix.empty()) {
    prefixes.push_back(prefix);
  }
  if (!home.empty()) {
    prefixes.push_back(fs::path(home) / ".wine");
  }
  for (const auto& prefix : prefixes) {
    const fs::path normal = prefix.lexically_normal();
    if (std::none_of(host.sources.winePrefixes.begin(), host.sources.winePrefixes.end(),
                     [&](const fs::path& known) {
                       std::error_code ec;
                       return known == normal || fs::equivalent(known, normal, ec);
                     })) {
      host.sources.winePrefixes.push_back(normal);
    }
  }
#endif
  return host;
}

} // namespace texkit2::locate
