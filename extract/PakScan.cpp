#include "extract/PakScan.h"

#include "extract/WadReader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace texkit2::extract {
namespace {

using layout::readI32;

constexpr const char* kInvalidPak = "Invalid Pak file.";
constexpr const char* kInvalidPakCaption = "File IO Error";
constexpr const char* kNoMemory = "Could not allocate memory!";
constexpr const char* kNoMemoryCaption = "Allocation failure";

bool readAt(platform::File& file, std::int64_t position, std::span<std::uint8_t> into) {
  return file.seek(position) && file.readExact(into.data(), into.size());
}

// The version of a map of another engine ("30", "\"IBSP\" 38"), empty for the versions the
// games and their source ports write, whose texture lumps all lie at lump 2.
std::string foreignBspVersion(std::span<const std::uint8_t> header) {
  const std::int32_t version = readI32(header, 0);
  const bool letters = std::all_of(header.begin(), header.begin() + 4, [](std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  });
  if (!letters) {
    return version == layout::kBspVersion ? std::string() : std::to_string(version);
  }
  const std::string ident(header.begin(), header.begin() + 4);
  if (ident == "BSP2" || ident == "2PSB") {
    return {};
  }
  // Quake II's and later ids are followed by a number of their own.
  return "\"" + ident + "\" " + std::to_string(readI32(header, 4));
}

// Everything known about one map while its texture lump is read.
struct MapScan {
  platform::File& archive;
  TextureTable& table;
  ExtractionFeedback& feedback;
  std::string where; // "PAK0.PAK: maps/e1m1.bsp"
  std::int32_t mapSource = -1;
  bool damaged = false;

  void skipMap(const std::string& why) {
    damaged = true;
    feedback.ReportSkipped(where + ": " + why + "; map skipped");
  }
  void skipTexture(std::size_t slot, const std::string& why) {
    damaged = true;
    feedback.ReportSkipped(where + ": texture slot " + std::to_string(slot) + " " + why +
                           "; texture skipped");
  }
};

// Returns false when memory ran out (already reported).
bool scanMap(MapScan& scan, const PakEntry& entry, std::int64_t archiveLength) {
  const std::int64_t mapStart = entry.position;
  const std::int64_t mapLength = entry.length;
  if (mapStart < 0 || mapLength < 0 || mapStart + mapLength > archiveLength) {
    scan.skipMap("lies outside the archive");
    return true;
  }
  if (mapLength < static_cast<std::int64_t>(layout::kBspMinimumSize)) {
    scan.skipMap("is too short for a map header");
    return true;
  }
  // The version and the lump table up to the texture lump's entry, in one read.
  std::array<std::uint8_t, layout::kBspMinimumSize> header{};
  if (!readAt(scan.archive, mapStart, header)) {
    scan.skipMap("header cannot be read");
    return true;
  }
  if (const std::string version = foreignBspVersion(header); !version.empty()) {
    scan.feedback.ReportWarning(scan.where + ": BSP version " + version +
                                " is none of Quake's and Hexen II's (29, BSP2, 2PSB); its "
                                "textures are read as theirs");
  }
  const std::int64_t lumpOffset = readI32(header, layout::kBspTextureLumpEntry);
  const std::int64_t lumpLength = readI32(header, layout::kBspTextureLumpEntry + 4);
  if (lumpOffset < 0 || lumpLength < 0 || lumpOffset + lumpLength > mapLength) {
    scan.skipMap("texture lump lies outside the map");
    return true;
  }
  if (lumpLength == 0) {
    return true; // a map without textures
  }
  const std::int64_t lumpStart = mapStart + lumpOffset;
  std::array<std::uint8_t, 4> countBytes{};
  if (lumpLength < 4 || !readAt(scan.archive, lumpStart, countBytes)) {
    scan.skipMap("texture lump is too short for its count");
    return true;
  }
  const std::int64_t count = readI32(countBytes, 0);
  if (count < 0 || 4 + 4 * count > lumpLength) {
    scan.skipMap("texture count " + std::to_string(count) + " does not fit the texture lump");
    return true;
  }

  std::vector<std::uint8_t> offsetBytes;
  std::vector<std::int64_t> offsets;
  try {
    offsetBytes.resize(static_cast<std::size_t>(4 * count));
    offsets.reserve(static_cast<std::size_t>(count));
  } catch (const std::bad_alloc&) {
    scan.feedback.ShowMessage(kNoMemory, kNoMemoryCaption, MessageIcon::Error);
    return false;
  }
  if (count > 0 && !scan.archive.readExact(offsetBytes.data(), offsetBytes.size())) {
    scan.skipMap("texture offsets cannot be read");
    return true;
  }
  // Empty slots are marked -1; they are dropped before sizes are measured.
  std::vector<std::size_t> slotOf;
  slotOf.reserve(offsets.capacity());
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    const std::int64_t offset = readI32(offsetBytes, 4 * i);
    if (offset != -1) {
      offsets.push_back(offset);
      slotOf.push_back(i);
    }
  }

  for (std::size_t i = 0; i < offsets.size(); ++i) {
    const std::int64_t offset = offsets[i];
    // A texture runs to the next kept texture, or to the end of the lump.
    const std::int64_t end = i + 1 < offsets.size() ? offsets[i + 1] : lumpLength;
    const std::int64_t size = end - offset;
    if (offset < 0 || offset >= lumpLength || size <= 0 || offset + size > lumpLength) {
      scan.skipTexture(slotOf[i], "at offset " + std::to_string(offset) + " with size " +
                                      std::to_string(size) + " does not fit the texture lump");
      continue;
    }
    if (size < static_cast<std::int64_t>(layout::kTextureNameSize)) {
      scan.skipTexture(slotOf[i], "is too short to hold its name");
      continue;
    }
    // On the stack: most copies of a large mod are dropped, and only a stored one is allocated.
    TextureRecord record;
    // Lump inside map inside archive, so these fit in 32 bits.
    record.offset = static_cast<std::int32_t>(lumpStart + offset);
    record.size = static_cast<std::int32_t>(size);
    record.source = &scan.archive;
    record.map = scan.mapSource;
    // The name and the rest of the mip header, to tell a texture an editor can draw.
    std::array<std::uint8_t, layout::kMipHeaderSize> start{};
    const auto startBytes = std::span<std::uint8_t>(start).first(
        static_cast<std::size_t>(std::min<std::int64_t>(size, layout::kMipHeaderSize)));
    if (!readAt(scan.archive, record.offset, startBytes)) {
      scan.skipTexture(slotOf[i], "name cannot be read");
      continue;
    }
    std::copy_n(start.begin(), record.name.size(), record.name.begin());
    try {
      if (std::string problem = CheckMipTexture(startBytes, size); !problem.empty()) {
        scan.damaged = true;
        scan.feedback.ReportSkipped(scan.where + ": texture " + TextureNameText(record.name) +
                                    " is incomplete (" + problem + "); left out");
        scan.table.incomplete.push_back({record, std::move(problem)});
        continue;
      }
      scan.table.add(record);
    } catch (const std::bad_alloc&) {
      scan.feedback.ShowMessage(kNoMemory, kNoMemoryCaption, MessageIcon::Error);
      return false;
    }
  }
  return true;
}

} // namespace

bool ExtensionEquals(std::span<const std::uint8_t> name, const char* extension) {
  const auto end = std::find(name.begin(), name.end(), std::uint8_t{0});
  const auto dot = std::find(name.begin(), end, std::uint8_t{'.'});
  if (dot == end) {
    return false;
  }
  auto it = dot + 1;
  const char* wanted = extension;
  for (; *wanted != '\0'; ++wanted, ++it) {
    if (it == end || *it != static_cast<std::uint8_t>(*wanted)) {
      return false;
    }
  }
  return it == end;
}

bool TextureNamesEqual(const TextureName& a, const TextureName& b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) {
      return false;
    }
    if (a[i] == 0) {
      return true;
    }
  }
  return true;
}

std::string TextureNameText(const TextureName& name) {
  const auto end = std::find(name.begin(), name.end(), std::uint8_t{0});
  return std::string(name.begin(), end);
}

TextureTable::TextureTable() {
  slots.reserve(kInitialCapacity);
  m_slotOf.reserve(kInitialCapacity);
}

TextureTable::Key TextureTable::key(const TextureName& name) {
  Key key{};
  const auto end = std::find(name.begin(), name.end(), std::uint8_t{0});
  std::copy(name.begin(), end, key.begin());
  return key;
}

std::size_t TextureTable::KeyHash::operator()(const Key& key) const noexcept {
  // The two halves, each mixed as splitmix64 does: a few instructions, yet every byte counts.
  // In the host's byte order: a hash within one run, never stored.
  const auto half = [&](std::size_t from) {
    std::uint64_t value = 0;
    std::memcpy(&value, key.data() + from, sizeof value);
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ull;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebull;
    return value ^ (value >> 31);
  };
  return static_cast<std::size_t>(half(0) ^ (half(8) * 0x9e3779b97f4a7c15ull));
}

bool TextureTable::add(const TextureRecord& record) {
  const Key name = key(record.name);
  if (!m_excluded.empty()) {
    if (const auto excludedName = m_excluded.find(name); excludedName != m_excluded.end()) {
      auto& [list, met] = excludedName->second;
      if (!met) {
        excluded.push_back({record, list});
        met = true;
      }
      return false;
    }
  }
  if (const auto held = m_slotOf.find(name); held != m_slotOf.end()) {
    if (keepDropped) {
      dropped.push_back({record, held->second});
    }
    return false;
  }
  const auto slot = static_cast<std::int32_t>(slots.size());
  slots.push_back(std::make_unique<TextureRecord>(record));
  try {
    m_slotOf.emplace(name, slot);
  } catch (...) {
    slots.pop_back();
    throw;
  }
  count = static_cast<std::int32_t>(slots.size());
  return true;
}

void TextureTable::exclude(const TextureName& name, std::int32_t list) {
  m_excluded.try_emplace(key(name), list, false);
}

std::int32_t TextureTable::slotOf(const TextureName& name) const {
  const auto held = m_slotOf.find(key(name));
  return held == m_slotOf.end() ? -1 : held->second;
}

std::int32_t TextureTable::addMap(MapSource source) {
  maps.push_back(std::move(source));
  return static_cast<std::int32_t>(maps.size() - 1);
}

void TextureTable::clear() {
  slots.clear();
  m_slotOf.clear();
  maps.clear();
  dropped.clear();
  incomplete.clear();
  excluded.clear();
  count = 0;
}

PakDirectory ReadPakDirectory(platform::File& archive) {
  using Status = PakDirectory::Status;
  PakDirectory directory;
  std::array<std::uint8_t, layout::kPakHeaderSize> header{};
  const std::int64_t got = archive.seek(0) ? archive.read(header.data(), header.size()) : -1;
  if (got < 4 || !std::equal(layout::kPakMagic.begin(), layout::kPakMagic.end(), header.begin())) {
    directory.status = Status::NotPak;
    directory.why = "does not begin with \"PACK\"";
    if (got < 0) {
      directory.why = "cannot be read: " + archive.lastError();
    } else if (got == 0) {
      directory.why = "is empty";
    } else if (got < 4) {
      directory.why = "is only " + std::to_string(got) + " bytes long";
    }
    return directory;
  }
  if (got < static_cast<std::int64_t>(header.size())) {
    directory.status = Status::TruncatedHeader;
    return directory;
  }
  directory.archiveLength = archive.length();
  const std::int64_t directoryOffset = readI32(header, 4);
  const std::int64_t directoryLength = readI32(header, 8);
  const std::int64_t entryCount =
      directoryLength / static_cast<std::int64_t>(layout::kPakEntrySize);
  const std::int64_t directoryBytes = entryCount * static_cast<std::int64_t>(layout::kPakEntrySize);
  if (directoryOffset < 0 || directoryLength < 0 ||
      directoryOffset + directoryBytes > directory.archiveLength) {
    directory.status = Status::OutsideArchive;
    return directory;
  }

  std::vector<std::uint8_t> bytes;
  try {
    directory.entries.resize(static_cast<std::size_t>(entryCount));
    bytes.resize(static_cast<std::size_t>(directoryBytes));
  } catch (const std::bad_alloc&) {
    directory.entries.clear();
    directory.status = Status::NoMemory;
    return directory;
  }
  if (entryCount > 0 && !readAt(archive, directoryOffset, bytes)) {
    directory.entries.clear();
    directory.status = Status::Unreadable;
    return directory;
  }
  for (std::size_t i = 0; i < directory.entries.size(); ++i) {
    const auto entryBytes = std::span<const std::uint8_t>(bytes).subspan(i * layout::kPakEntrySize,
                                                                         layout::kPakEntrySize);
    PakEntry& entry = directory.entries[i];
    std::copy_n(entryBytes.begin(), layout::kPakNameSize, entry.name.begin());
    entry.position = readI32(entryBytes, layout::kPakNameSize);
    entry.length = readI32(entryBytes, layout::kPakNameSize + 4);
    entry.mapIndex = ExtensionEquals(entry.name, "bsp") ? static_cast<std::int32_t>(i) : -1;
  }
  return directory;
}

std::string DescribePakProblem(const PakDirectory& directory) {
  switch (directory.status) {
  case PakDirectory::Status::Read:
    return {};
  case PakDirectory::Status::NotPak:
    return directory.why;
  case PakDirectory::Status::TruncatedHeader:
    return "header is truncated";
  case PakDirectory::Status::OutsideArchive:
    return "directory lies outside the archive";
  case PakDirectory::Status::Unreadable:
    return "directory cannot be read";
  case PakDirectory::Status::NoMemory:
    return "no memory for the directory";
  }
  return {};
}

const PakEntry* FindPakEntry(const PakDirectory& directory, std::string_view name) {
  for (const PakEntry& entry : directory.entries) {
    if (PakEntryName(entry) == name) {
      return &entry;
    }
  }
  return nullptr;
}

std::string PakEntryName(const PakEntry& entry) {
  const auto end = std::find(entry.name.begin(), entry.name.end(), std::uint8_t{0});
  return std::string(entry.name.begin(), end);
}

bool ScanPak(platform::File& archive, TextureTable& table, ExtractionFeedback& feedback) {
  using Status = PakDirectory::Status;
  const PakDirectory directory = ReadPakDirectory(archive);
  const std::string archiveName = archive.fileName();
  switch (directory.status) {
  case Status::Read:
    break;
  case Status::NotPak:
    feedback.ShowMessageWithDetail(kInvalidPak, kInvalidPakCaption, MessageIcon::Warning,
                                   archiveName + " " + directory.why);
    return false;
  case Status::NoMemory:
    feedback.ShowMessage(kNoMemory, kNoMemoryCaption, MessageIcon::Error);
    return false;
  case Status::TruncatedHeader:
  case Status::OutsideArchive:
  case Status::Unreadable:
    feedback.ReportSkipped(archiveName + ": " + DescribePakProblem(directory) +
                           "; archive skipped");
    return false;
  }

  bool sound = true;
  const auto& entries = directory.entries;
  const auto maps = static_cast<std::int32_t>(std::count_if(
      entries.begin(), entries.end(), [](const PakEntry& entry) { return entry.mapIndex != -1; }));
  std::int32_t scanned = 0;
  feedback.ReportScanProgress(archiveName, scanned, maps);
  for (const PakEntry& entry : entries) {
    if (entry.mapIndex == -1) {
      continue;
    }
    MapScan scan{archive, table, feedback, archiveName + ": " + PakEntryName(entry)};
    try {
      scan.mapSource = table.addMap({archiveName, PakEntryName(entry)});
    } catch (const std::bad_alloc&) {
      feedback.ShowMessage(kNoMemory, kNoMemoryCaption, MessageIcon::Error);
      return false;
    }
    if (!scanMap(scan, entry, directory.archiveLength)) {
      return false;
    }
    sound = sound && !scan.damaged;
    feedback.ReportScanProgress(archiveName, ++scanned, maps);
  }
  return sound;
}

bool ScanBsp(platform::File& map, TextureTable& table, ExtractionFeedback& feedback) {
  const std::string name = map.fileName();
  MapScan scan{map, table, feedback, name};
  const std::int64_t length = map.length();
  // Record offsets are 32-bit, as in the archives.
  if (length < 0 || length > std::numeric_limits<std::int32_t>::max()) {
    scan.skipMap(length < 0 ? "length cannot be read" : "is larger than 2 GB");
    return false;
  }
  PakEntry whole;
  whole.position = 0;
  whole.length = static_cast<std::int32_t>(length);
  try {
    scan.mapSource = table.addMap({name, name});
  } catch (const std::bad_alloc&) {
    feedback.ShowMessage(kNoMemory, kNoMemoryCaption, MessageIcon::Error);
    return false;
  }
  return scanMap(scan, whole, length) && !scan.damaged;
}

} // namespace texkit2::extract
