#pragma once

#include "extract/ExtractionFeedback.h"
#include "extract/Layout.h"
#include "platform/File.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace texkit2::extract {

using TextureName = std::array<std::uint8_t, layout::kTextureNameSize>;

// One entry of a PAK archive's directory.
struct PakEntry {
  std::array<std::uint8_t, layout::kPakNameSize> name{};
  std::int32_t position = 0;
  std::int32_t length = 0;
  std::int32_t mapIndex = -1; // the entry's own index when it is a map, else -1
};

// True when the text after the first '.' of `name` (up to its first zero byte or the end of the
// field) is exactly `extension`, byte for byte.
bool ExtensionEquals(std::span<const std::uint8_t> name, const char* extension);

// Equal up to and including the first zero byte, or in all 16 bytes when neither has one.
bool TextureNamesEqual(const TextureName& a, const TextureName& b);

// Animated textures (+0slime, *water) are named so by their first byte alone.
inline bool IsAnimatedTexture(const TextureName& name) {
  return name[0] == '+' || name[0] == '*';
}

// The printable part of a name (up to its first zero byte), for messages.
std::string TextureNameText(const TextureName& name);

struct TextureRecord {
  TextureName name{};      // as stored, bytes after a zero byte kept
  std::int32_t offset = 0; // in the source archive while scanning, in the WAD file once copied
  std::int32_t size = 0;
  platform::File* source = nullptr; // not owned
  std::int32_t map = -1;            // the table's `maps` index of the map it came from, or -1
};

// A map a texture came from: its archive's name and its name in that archive's directory.
struct MapSource {
  std::string archive;
  std::string map;
};

// A copy of a name the table already held, left out by the first-wins rule. Kept so that the
// copies can be reported and compared; nothing of it goes into the WAD file.
struct DroppedCopy {
  TextureRecord copy;    // offset in its source archive
  std::int32_t kept = 0; // the slot of the record that holds the name
};

// A copy whose mip-texture header does not fit its bytes, as a map compiled with external
// textures stores them (the 40-byte header alone). No editor can draw it, so it is never
// written, and a complete copy of the name met later takes its place.
struct IncompleteCopy {
  TextureRecord copy; // offset in its source archive
  std::string problem;
};

// The first copy met of a name that a WAD given to leave out already holds.
struct ExcludedCopy {
  TextureRecord copy;    // offset in its source archive
  std::int32_t list = 0; // the index of the WAD that holds the name, as given to exclude()
};

// The unique textures of one run, in the order they were found. It starts with room for 800
// and grows, so no texture is ever dropped.
class TextureTable {
 public:
  static constexpr std::int32_t kInitialCapacity = 800;

  TextureTable();

  // Stores the record unless its name is already held or excluded; true when stored. A copy of
  // a held name goes to `dropped` instead (when kept), the first copy of an excluded one to
  // `excluded`.
  bool add(const TextureRecord& record);
  // Names never to be stored from now on, held by the WAD of index `list`; a name excluded
  // twice keeps its first list.
  void exclude(const TextureName& name, std::int32_t list);
  // The slot that holds `name`, or -1.
  std::int32_t slotOf(const TextureName& name) const;
  // The `maps` index of a map about to be scanned.
  std::int32_t addMap(MapSource source);
  // Frees every record; count becomes 0.
  void clear();

  std::vector<std::unique_ptr<TextureRecord>> slots;
  std::int32_t count = 0;
  std::vector<MapSource> maps;
  std::vector<DroppedCopy> dropped;       // in the order they were met, when kept
  // A run that reports no conflicts need not hold the thousands of copies a large mod drops.
  bool keepDropped = true;
  std::vector<IncompleteCopy> incomplete; // in the order they were met
  std::vector<ExcludedCopy> excluded;     // in the order they were met

 private:
  // The name up to its first zero byte, the rest cleared: the bytes after it do not make
  // another name. Kept as 16 bytes so that looking a name up allocates nothing.
  using Key = TextureName;
  struct KeyHash {
    std::size_t operator()(const Key& key) const noexcept;
  };
  static Key key(const TextureName& name);
  std::unordered_map<Key, std::int32_t, KeyHash> m_slotOf;
  // Each excluded name's list, and whether a copy of it was met.
  std::unordered_map<Key, std::pair<std::int32_t, bool>, KeyHash> m_excluded;
};

// The directory of a PAK archive, read and checked against the archive's length.
struct PakDirectory {
  enum class Status { Read, NotPak, TruncatedHeader, OutsideArchive, Unreadable, NoMemory };
  Status status = Status::Read;
  std::string why; // for NotPak: what is wrong with its first bytes
  std::int64_t archiveLength = 0;
  std::vector<PakEntry> entries;
};

// Reads the header and directory of `archive`; `mapIndex` is set for the entries named as maps.
PakDirectory ReadPakDirectory(platform::File& archive);

// Why `directory` could not be read, in a few words ("directory lies outside the archive");
// empty when it was.
std::string DescribePakProblem(const PakDirectory& directory);

// The first entry named exactly `name` (case-sensitively, as the engine looks files up), or
// null.
const PakEntry* FindPakEntry(const PakDirectory& directory, std::string_view name);

// The entry's name up to its first zero byte.
std::string PakEntryName(const PakEntry& entry);

// Adds to `table` every texture of every map in `archive` whose name it does not hold yet.
// Only reads through `archive`; reports through `feedback`'s ShowMessage and ReportSkipped.
// False when it reported anything: the archive invalid, a map or texture skipped as damaged,
// memory exhausted.
bool ScanPak(platform::File& archive, TextureTable& table, ExtractionFeedback& feedback);

// ScanPak for a map lying loose in the data folder: the whole of `map` is one BSP file (BSP29,
// BSP2 or 2PSB), recorded in the table under its fileName() as archive and map alike.
bool ScanBsp(platform::File& map, TextureTable& table, ExtractionFeedback& feedback);

} // namespace texkit2::extract
