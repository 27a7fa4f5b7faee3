#include "extract/Extraction.h"

#include "extract/FolderSources.h"
#include "extract/PakScan.h"
#include "extract/TemporaryFile.h"
#include "extract/WadReader.h"
#include "extract/WadWriter.h"

#include <filesystem>
#include <new>
#include <string_view>
#include <unordered_map>

namespace texkit2::extract {
namespace {

// "path: reason", for the detail of a message.
std::string because(const std::string& path, const std::string& reason) {
  return reason.empty() ? path : path + ": " + reason;
}

// `path` as the data folder, the current directory, sees it, for messages.
std::string inFolder(const std::string& dataFolder, const std::string& path) {
  return std::filesystem::path(path).is_absolute() ? path : dataFolder + path;
}

// The folder as the user would name it, without the separator the run expects at its end.
std::string shownFolder(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == platform::kPathSeparator)) {
    folder.pop_back();
  }
  return folder;
}

void closeIfOpen(const std::unique_ptr<platform::File>& file) {
  if (file) {
    file->close();
  }
}

} // namespace

std::string TemporaryWadName(const std::string& wadFileName) {
  return wadFileName + ".part";
}

namespace {

// Reads the names of every WAD to leave out into `table`; false after reporting one that cannot
// be read, before anything is written.
bool loadExclusions(platform::FileSystem& files, const std::string& dataFolder,
                    const std::vector<std::string>& wads, TextureTable& table,
                    ExtractionFeedback& feedback) {
  for (std::size_t i = 0; i < wads.size(); ++i) {
    const std::string shown = inFolder(dataFolder, wads[i]);
    auto file = files.openForReading(wads[i]);
    if (!file) {
      feedback.ShowMessageWithDetail(kExcludeWadUnreadable, kFileIoCaption, MessageIcon::Warning,
                                     because(shown, files.lastError()));
      return false;
    }
    try {
      const WadContents wad = ReadWad(*file);
      for (const WadEntry& entry : wad.entries) {
        table.exclude(entry.name, static_cast<std::int32_t>(i));
      }
    } catch (const WadFormatError& error) {
      feedback.ShowMessageWithDetail(kExcludeWadUnreadable, kFileIoCaption, MessageIcon::Warning,
                                     shown + ": not a valid WAD2 file: " + error.what());
      return false;
    } catch (const std::bad_alloc&) {
      feedback.ShowMessage("Could not allocate memory!", "Allocation failure", MessageIcon::Error);
      return false;
    }
  }
  return true;
}

// Scans every archive and loose map of the data folder; false when any was skipped or damaged.
bool scanFolder(const FolderSources& folder, ReopeningFiles& pool, TextureTable& table,
                ExtractionFeedback& feedback, std::vector<SourceTally>& sources) {
  bool sound = folder.skipped.empty();
  for (const std::string& skipped : folder.skipped) {
    feedback.ReportSkipped(skipped);
  }
  const auto scan = [&](const std::string& name, bool looseMap) {
    std::string why;
    ReopeningFile* file = pool.add(name, why);
    if (file == nullptr) {
      feedback.ReportSkipped(name + ": cannot be opened" + (why.empty() ? "" : " (" + why + ")") +
                             (looseMap ? "; map skipped" : "; archive skipped"));
      return false;
    }
    sources.push_back({name, looseMap, 0});
    return looseMap ? ScanBsp(*file, table, feedback) : ScanPak(*file, table, feedback);
  };
  for (const std::string& archive : folder.archives) {
    sound = scan(archive, false) && sound;
  }
  const auto maps = static_cast<std::int32_t>(folder.looseMaps.size());
  std::int32_t scanned = 0;
  feedback.ReportScanProgress("maps/", scanned, maps);
  for (const std::string& map : folder.looseMaps) {
    sound = scan(map, true) && sound;
    feedback.ReportScanProgress("maps/", ++scanned, maps);
  }
  return sound;
}

// What the summary tells of the options, gathered while the records still say where each
// texture came from.
void tallyOptions(const TextureTable& table, const ExtractionOptions& options,
                  ExtractionSummary& summary) {
  static const MapSource kNowhere;
  const auto placeOf = [&](const TextureRecord& record) -> const MapSource& {
    return record.map >= 0 && static_cast<std::size_t>(record.map) < table.maps.size()
               ? table.maps[static_cast<std::size_t>(record.map)]
               : kNowhere;
  };
  if (options.allArchives) {
    std::unordered_map<std::string_view, std::size_t> sourceOf;
    for (std::size_t i = 0; i < summary.sources.size(); ++i) {
      sourceOf.emplace(summary.sources[i].name, i);
    }
    if (options.listKept) {
      summary.kept.reserve(table.slots.size());
    }
    for (const auto& record : table.slots) {
      const MapSource& place = placeOf(*record);
      if (const auto source = sourceOf.find(place.archive); source != sourceOf.end()) {
        ++summary.sources[source->second].textures;
      }
      if (options.listKept) {
        summary.kept.push_back({TextureNameText(record->name), place});
      }
    }
  }
  summary.leftOutPerWad.assign(options.excludeWads.size(), 0);
  for (const ExcludedCopy& excluded : table.excluded) {
    ++summary.leftOutPerWad[static_cast<std::size_t>(excluded.list)];
    summary.leftOut.push_back(
        {TextureNameText(excluded.copy.name), excluded.list, placeOf(excluded.copy)});
  }
}

} // namespace

std::optional<ExtractionSummary> RunExtraction(platform::FileSystem& files, GameKind game,
                                               const std::string& dataFolder,
                                               ExtractionFeedback& feedback,
                                               std::vector<NameConflict>* conflicts,
                                               const ExtractionOptions& options) {
  TextureTable table;
  table.keepDropped = conflicts != nullptr;
  std::int32_t simple = 0;
  std::int32_t animated = 0;
  ExtractionSummary summary;

  if (!files.setCurrentDirectory(dataFolder)) {
    feedback.ShowMessageWithDetail("Invalid file path", "Extraction Error", MessageIcon::None,
                                   because(shownFolder(dataFolder), files.lastError()));
    return std::nullopt;
  }
  if (!loadExclusions(files, dataFolder, options.excludeWads, table, feedback)) {
    return std::nullopt;
  }
  std::unique_ptr<platform::File> pak0;
  std::unique_ptr<platform::File> pak1;
  FolderSources folder;
  // Every archive and map of the folder is reopened as it is read, so that thousands of them
  // hold a few handles at a time.
  ReopeningFiles pool(files);
  if (options.allArchives) {
    folder = ListFolderSources(dataFolder);
    if (folder.archives.empty() && folder.looseMaps.empty()) {
      for (const std::string& skipped : folder.skipped) {
        feedback.ReportSkipped(skipped);
      }
      feedback.ShowMessageWithDetail(kNothingToRead, kFileIoCaption, MessageIcon::Warning,
                                     shownFolder(dataFolder));
      return std::nullopt;
    }
  } else {
    pak0 = files.openForReading("PAK0.PAK");
    if (!pak0) {
      feedback.ShowMessageWithDetail("Could not open pak0.pak file.", kFileIoCaption,
                                     MessageIcon::Warning,
                                     because(dataFolder + "PAK0.PAK", files.lastError()));
      return std::nullopt;
    }
    pak1 = files.openForReading("PAK1.PAK");
    // The re-release, the store editions, the shareware episode and the mission packs hold
    // PAK0.PAK alone; a PAK1.PAK that is there but cannot be read is still an error.
    if (!pak1 && files.exists("PAK1.PAK")) {
      const std::string reason = files.lastError();
      pak0->close();
      feedback.ShowMessageWithDetail("Could not open pak1.pak file.", kFileIoCaption,
                                     MessageIcon::Warning,
                                     because(dataFolder + "PAK1.PAK", reason));
      return std::nullopt;
    }
  }
  const auto closeSources = [&] {
    closeIfOpen(pak0);
    closeIfOpen(pak1);
    pool.closeAll();
  };
  const GameInfo* info = gameInfo(game);
  if (info == nullptr) {
    closeSources();
    return std::nullopt;
  }
  const std::string wadFileName = options.output.empty() ? info->wadFileName : options.output;
  // Written beside the file it replaces, which a symbolic link may put in another folder.
  const auto target = files.replacementTarget(wadFileName);
  if (!target) {
    feedback.ShowMessageWithDetail("Could not create wad file.", kFileIoCaption,
                                   MessageIcon::Warning,
                                   because(inFolder(dataFolder, wadFileName), files.lastError()));
    closeSources();
    return std::nullopt;
  }
  TemporaryFile wad(files, TemporaryWadName(*target));
  if (!wad.create()) {
    feedback.ShowMessageWithDetail("Could not create wad file.", kFileIoCaption,
                                   MessageIcon::Warning,
                                   because(inFolder(dataFolder, wad.name()), files.lastError()));
    closeSources();
    return std::nullopt;
  }

  feedback.StartBusyAnimation();
  bool sound = true;
  if (options.allArchives) {
    sound = scanFolder(folder, pool, table, feedback, summary.sources);
  } else {
    const bool pak0Sound = ScanPak(*pak0, table, feedback);
    const bool pak1Sound = !pak1 || ScanPak(*pak1, table, feedback);
    sound = pak0Sound && pak1Sound;
  }
  // Damaged archives that gave nothing at all must not cost the user a good WAD file; sound
  // archives without maps still give an empty one.
  if (table.count == 0 && !sound) {
    feedback.ShowMessage(kNoTextureFound, "Extraction Error", MessageIcon::Warning);
    return std::nullopt;
  }
  // While the records still point into the archives.
  if (conflicts != nullptr) {
    *conflicts = CompareDroppedCopies(table);
  }

  const std::int32_t directoryOffset = WriteWadData(*wad.file, table, feedback);
  if (directoryOffset == -1) {
    return std::nullopt;
  }
  if (!WriteWadDirectory(*wad.file, table, directoryOffset, feedback)) {
    return std::nullopt;
  }

  summary.totalEntries = table.count;
  tallyOptions(table, options, summary);
  TallyAndFree(table, simple, animated);
  summary.fileLength = static_cast<std::uint32_t>(wad.file->length());
  summary.simpleTextures = simple;
  summary.animatedTextures = animated;

  closeSources();
  if (!wad.file->close()) {
    feedback.ShowMessageWithDetail(
        kWadWriteFailed, kFileIoCaption, MessageIcon::Warning,
        because(inFolder(dataFolder, wad.name()), wad.file->lastError()));
    return std::nullopt;
  }
  wad.file.reset();
  if (!files.replaceFile(wad.name(), *target)) {
    feedback.ShowMessageWithDetail(
        kWadWriteFailed, kFileIoCaption, MessageIcon::Warning,
        because("replacing " + inFolder(dataFolder, *target), files.lastError()));
    return std::nullopt;
  }
  wad.keep();
  // An existing quake.wad took the data; say so, not Quake.wad.
  summary.fileName = files.existingName(wadFileName);
  return summary;
}

} // namespace texkit2::extract
