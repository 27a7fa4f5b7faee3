#include "extract/Extraction.h"

#include "extract/PakScan.h"
#include "extract/TemporaryFile.h"
#include "extract/WadWriter.h"

#include <filesystem>

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

std::optional<ExtractionSummary> RunExtraction(platform::FileSystem& files, GameKind game,
                                               const std::string& dataFolder,
                                               ExtractionFeedback& feedback,
                                               std::vector<NameConflict>* conflicts) {
  TextureTable table;
  std::int32_t simple = 0;
  std::int32_t animated = 0;

  if (!files.setCurrentDirectory(dataFolder)) {
    feedback.ShowMessageWithDetail("Invalid file path", "Extraction Error", MessageIcon::None,
                                   because(shownFolder(dataFolder), files.lastError()));
    return std::nullopt;
  }
  auto pak0 = files.openForReading("PAK0.PAK");
  if (!pak0) {
    feedback.ShowMessageWithDetail("Could not open pak0.pak file.", kFileIoCaption,
                                   MessageIcon::Warning,
                                   because(dataFolder + "PAK0.PAK", files.lastError()));
    return std::nullopt;
  }
  auto pak1 = files.openForReading("PAK1.PAK");
  // The re-release, the store editions, the shareware episode and the mission packs hold
  // PAK0.PAK alone; a PAK1.PAK that is there but cannot be read is still an error.
  if (!pak1 && files.exists("PAK1.PAK")) {
    const std::string reason = files.lastError();
    pak0->close();
    feedback.ShowMessageWithDetail("Could not open pak1.pak file.", kFileIoCaption,
                                   MessageIcon::Warning, because(dataFolder + "PAK1.PAK", reason));
    return std::nullopt;
  }
  const GameInfo* info = gameInfo(game);
  if (info == nullptr) {
    pak0->close();
    closeIfOpen(pak1);
    return std::nullopt;
  }
  // Written beside the file it replaces, which a symbolic link may put in another folder.
  const auto target = files.replacementTarget(info->wadFileName);
  if (!target) {
    feedback.ShowMessageWithDetail("Could not create wad file.", kFileIoCaption,
                                   MessageIcon::Warning,
                                   because(dataFolder + info->wadFileName, files.lastError()));
    pak0->close();
    closeIfOpen(pak1);
    return std::nullopt;
  }
  TemporaryFile wad(files, TemporaryWadName(*target));
  if (!wad.create()) {
    feedback.ShowMessageWithDetail("Could not create wad file.", kFileIoCaption,
                                   MessageIcon::Warning,
                                   because(inFolder(dataFolder, wad.name()), files.lastError()));
    pak0->close();
    closeIfOpen(pak1);
    return std::nullopt;
  }

  feedback.StartBusyAnimation();
  const bool pak0Sound = ScanPak(*pak0, table, feedback);
  const bool pak1Sound = !pak1 || ScanPak(*pak1, table, feedback);
  // Damaged archives that gave nothing at all must not cost the user a good WAD file; sound
  // archives without maps still give an empty one.
  if (table.count == 0 && !(pak0Sound && pak1Sound)) {
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

  ExtractionSummary summary;
  summary.totalEntries = table.count;
  TallyAndFree(table, simple, animated);
  summary.fileLength = static_cast<std::uint32_t>(wad.file->length());
  summary.simpleTextures = simple;
  summary.animatedTextures = animated;

  pak0->close();
  closeIfOpen(pak1);
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
  summary.fileName = files.existingName(info->wadFileName);
  return summary;
}

} // namespace texkit2::extract
