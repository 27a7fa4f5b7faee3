#pragma once

#include "extract/GameKind.h"
#include "platform/File.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace texkit2::extract {

// TrenchBroom's own preferences are a few KB; anything near this is not its file.
inline constexpr std::size_t kMaxPreferencesSize = 4 * 1024 * 1024;
// Its file is one flat object; the parser recurses once per level.
inline constexpr std::size_t kMaxPreferencesDepth = 64;

// The preference that holds a game's folder in TrenchBroom ("Games/Quake/Path"); empty for a
// game TrenchBroom does not know.
std::string TrenchBroomPathKey(GameKind game);

// The game's name as TrenchBroom's own list spells it ("Quake", "Hexen 2").
std::string TrenchBroomGameName(GameKind game);

// Where TrenchBroom keeps its preferences on this system, from the environment that `getEnv`
// reads (APPDATA on Windows, HOME elsewhere); nullopt, with the reason in `whyNot`, when the
// variable is missing or empty.
std::optional<std::string>
TrenchBroomPreferencesFile(const std::function<const char*(const char*)>& getEnv,
                           std::string& whyNot);

// One edit of the document: what it became, or why it was left.
struct PreferencesEdit {
  enum class Kind {
    Updated,        // `document` holds the new text
    AlreadySet,     // the key holds the folder already
    OtherFolderSet, // the key holds `previous`, an existing folder, and force was not given
    Refused,        // the document is not one TrenchBroom wrote (`reason`)
  };
  Kind kind = Kind::Refused;
  std::string document;
  std::string previous; // what the key held before, when it held text
  std::string reason;
};

// Sets `key` to `value` in the preferences `document` (empty: no file yet), keeping every other
// key and value in its order, laid out as TrenchBroom writes its file. `sameFolder` tells whether
// the folder named before is `value`'s; `folderExists` whether it is still there.
PreferencesEdit EditTrenchBroomPreferences(
    std::string_view document, bool fileExists, const std::string& key, const std::string& value,
    bool force, const std::function<bool(const std::string&, const std::string&)>& sameFolder,
    const std::function<bool(const std::string&)>& folderExists);

// The folder `key` names in the preferences `document`; nullopt, with the reason in `whyNot`,
// when the document is not one TrenchBroom wrote or the key holds no text.
std::optional<std::string> TrenchBroomGamePathIn(std::string_view document, const std::string& key,
                                                 std::string& whyNot);

// The game path TrenchBroom has for `game` in `preferencesFile`; nullopt with the reason.
std::optional<std::string> ReadTrenchBroomGamePath(platform::FileSystem& files,
                                                   const std::string& preferencesFile,
                                                   GameKind game, std::string& whyNot);

// What setting TrenchBroom up did, in the words the CLI and the window both use.
struct TrenchBroomOutcome {
  enum class Kind {
    Written,        // the file holds the new game path
    AlreadySet,     // the file held it already and was left
    OtherFolderSet, // another existing folder is set; left without force
    Locked,         // TrenchBroom is running
    Refused,        // the file is not valid JSON, too big, a folder, ...; left
    Failed,         // the file could not be read or written
  };
  Kind kind = Kind::Failed;
  std::string file;     // Preferences.json
  std::string key;      // Games/Quake/Path
  std::string value;    // the installation folder
  std::string previous; // the folder set before, when there was one
  std::string message;

  // True when TrenchBroom's game path is the folder now.
  bool succeeded() const { return kind == Kind::Written || kind == Kind::AlreadySet; }
};

// The installation folder of `dataFolder` (its parent), in the system's own form, without a
// separator at its end.
std::string InstallationFolder(const std::string& dataFolder);

// Sets TrenchBroom's game path for `game` to `installFolder` in `preferencesFile`, as a careful
// guest in another program's file: the file is left whole whenever it is not changed, and
// replaced in one step when it is.
TrenchBroomOutcome SetTrenchBroomGamePath(platform::FileSystem& files,
                                          const std::string& preferencesFile, GameKind game,
                                          const std::string& installFolder, bool force);

// The value of a map's worldspawn "wad" key that TrenchBroom resolves against the game path:
// the data folder's name and the WAD file's ("id1/Quake.wad").
std::string TrenchBroomWadValue(const std::string& dataFolder, const std::string& wadFileName);

// The lines that give a mapper the "wad" value: against the game path, and absolute.
std::string DescribeWadValues(const std::string& wadValue, const std::string& wadPath);

} // namespace texkit2::extract
