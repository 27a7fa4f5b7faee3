#include "extract/TrenchBroomPreferences.h"

#include "extract/JsonDepth.h"
#include "extract/TemporaryFile.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>
#include <vector>

namespace texkit2::extract {
namespace {

using Json = nlohmann::ordered_json;

bool blank(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// nlohmann's message without its "[json.exception.parse_error.101] " prefix.
std::string parseReason(const std::string& what) {
  const auto end = what.find("] ");
  return end == std::string::npos ? what : what.substr(end + 2);
}

PreferencesEdit refused(std::string reason) {
  PreferencesEdit edit;
  edit.kind = PreferencesEdit::Kind::Refused;
  edit.reason = std::move(reason);
  return edit;
}

std::string withoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '/' || path.back() == platform::kPathSeparator)) {
    path.pop_back();
  }
  return path;
}

bool sameFolderOnDisk(const std::string& a, const std::string& b) {
  if (withoutTrailingSeparators(a) == withoutTrailingSeparators(b)) {
    return true;
  }
  std::error_code ec;
  return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, ec) && !ec;
}

bool folderExistsOnDisk(const std::string& folder) {
  std::error_code ec;
  return !folder.empty() && std::filesystem::is_directory(folder, ec);
}

// The whole file, or nullopt with the reason; a file past the limit is not read at all.
std::optional<std::string> readBounded(platform::File& file, std::string& whyNot) {
  const std::int64_t length = file.length();
  if (length > static_cast<std::int64_t>(kMaxPreferencesSize)) {
    whyNot = "is larger than " + std::to_string(kMaxPreferencesSize / (1024 * 1024)) +
             " MB, far more than TrenchBroom writes";
    return std::nullopt;
  }
  std::string text;
  std::vector<char> buffer(64 * 1024);
  for (;;) {
    const std::int64_t got = file.read(buffer.data(), buffer.size());
    if (got < 0) {
      whyNot =
          file.lastError().empty() ? "could not be read" : "could not be read: " + file.lastError();
      return std::nullopt;
    }
    if (got == 0) {
      return text;
    }
    text.append(buffer.data(), static_cast<std::size_t>(got));
    if (text.size() > kMaxPreferencesSize) {
      whyNot = "is larger than " + std::to_string(kMaxPreferencesSize / (1024 * 1024)) +
               " MB, far more than TrenchBroom writes";
      return std::nullopt;
    }
  }
}

std::string reasonOr(const std::string& reason, const std::string& fallback) {
  return reason.empty() ? fallback : reason;
}

} // namespace

std::string TrenchBroomPathKey(GameKind game) {
  const std::string name = TrenchBroomGameName(game);
  return name.empty() ? std::string() : "Games/" + name + "/Path";
}

std::string TrenchBroomGameName(GameKind game) {
  switch (game) {
  case kGameQuake:
    return "Quake";
  case kGameHexen2:
    return "Hexen 2";
  default:
    return {};
  }
}

std::optional<std::string>
TrenchBroomPreferencesFile(const std::function<const char*(const char*)>& getEnv,
                           std::string& whyNot) {
#if defined(_WIN32)
  const char* variable = "APPDATA";
  const char* rest = "\\TrenchBroom\\Preferences.json";
#elif defined(__APPLE__)
  const char* variable = "HOME";
  const char* rest = "/Library/Application Support/TrenchBroom/Preferences.json";
#else
  const char* variable = "HOME";
  const char* rest = "/.TrenchBroom/Preferences.json";
#endif
  const char* value = getEnv(variable);
  if (value == nullptr || *value == '\0') {
    whyNot = std::string(variable) + " is not set, so TrenchBroom's preferences cannot be found";
    return std::nullopt;
  }
  return withoutTrailingSeparators(value) + rest;
}

namespace {

// The document as TrenchBroom's object, or nullopt with the reason it is not one.
std::optional<Json> parsePreferences(std::string_view document, std::string& whyNot) {
  if (document.size() > kMaxPreferencesSize) {
    whyNot = "is larger than " + std::to_string(kMaxPreferencesSize / (1024 * 1024)) +
             " MB, far more than TrenchBroom writes";
    return std::nullopt;
  }
  if (blank(document)) {
    whyNot = "is empty, not JSON";
    return std::nullopt;
  }
  // Deeper than TrenchBroom ever writes.
  if (JsonNestsDeeperThan(document, kMaxPreferencesDepth)) {
    whyNot = "nests deeper than " + std::to_string(kMaxPreferencesDepth) +
             " levels, which TrenchBroom never writes";
    return std::nullopt;
  }
  Json preferences;
  try {
    preferences = Json::parse(document.begin(), document.end());
  } catch (const Json::exception& error) {
    whyNot = "is not valid JSON: " + parseReason(error.what());
    return std::nullopt;
  }
  if (!preferences.is_object()) {
    whyNot = std::string("holds a JSON ") + preferences.type_name() +
             ", not the object TrenchBroom writes";
    return std::nullopt;
  }
  return preferences;
}

} // namespace

std::optional<std::string> TrenchBroomGamePathIn(std::string_view document, const std::string& key,
                                                 std::string& whyNot) {
  const auto preferences = parsePreferences(document, whyNot);
  if (!preferences) {
    return std::nullopt;
  }
  const auto it = preferences->find(key);
  if (it == preferences->end() || !it->is_string() || it->get<std::string>().empty()) {
    whyNot = "holds no " + key;
    return std::nullopt;
  }
  return it->get<std::string>();
}

std::optional<std::string> ReadTrenchBroomGamePath(platform::FileSystem& files,
                                                   const std::string& preferencesFile,
                                                   GameKind game, std::string& whyNot) {
  auto file = files.openForReading(preferencesFile);
  if (!file) {
    whyNot = preferencesFile + ": " + reasonOr(files.lastError(), "cannot be opened");
    return std::nullopt;
  }
  std::string reason;
  const auto text = readBounded(*file, reason);
  file->close();
  const auto path =
      text ? TrenchBroomGamePathIn(*text, TrenchBroomPathKey(game), reason) : std::nullopt;
  if (!path) {
    whyNot = preferencesFile + " " + reason;
  }
  return path;
}

PreferencesEdit EditTrenchBroomPreferences(
    std::string_view document, bool fileExists, const std::string& key, const std::string& value,
    bool force, const std::function<bool(const std::string&, const std::string&)>& sameFolder,
    const std::function<bool(const std::string&)>& folderExists) {
  Json preferences = Json::object();
  if (fileExists) {
    std::string whyNot;
    auto parsed = parsePreferences(document, whyNot);
    if (!parsed) {
      return refused(whyNot);
    }
    preferences = std::move(*parsed);
  }
  PreferencesEdit edit;
  const auto it = preferences.find(key);
  if (it != preferences.end() && it->is_string()) {
    edit.previous = it->get<std::string>();
    if (sameFolder(edit.previous, value)) {
      edit.kind = PreferencesEdit::Kind::AlreadySet;
      return edit;
    }
    if (!force && folderExists(edit.previous)) {
      edit.kind = PreferencesEdit::Kind::OtherFolderSet;
      return edit;
    }
  }
  // A number or null there is no folder to TrenchBroom either: it reads strings alone.
  preferences[key] = value;
  try {
    // TrenchBroom writes with Qt's indented layout: four spaces, a newline at the end.
    edit.document = preferences.dump(4) + "\n";
  } catch (const Json::exception&) {
    return refused("cannot hold the folder's name, which is not valid UTF-8");
  }
  edit.kind = PreferencesEdit::Kind::Updated;
  return edit;
}

std::string InstallationFolder(const std::string& dataFolder) {
  const std::filesystem::path folder(withoutTrailingSeparators(dataFolder));
  return folder.parent_path().string();
}

std::string TrenchBroomWadValue(const std::string& dataFolder, const std::string& wadFileName) {
  const std::filesystem::path folder(withoutTrailingSeparators(dataFolder));
  return folder.filename().string() + "/" + wadFileName;
}

TrenchBroomOutcome SetTrenchBroomGamePath(platform::FileSystem& files,
                                          const std::string& preferencesFile, GameKind game,
                                          const std::string& installFolder, bool force) {
  TrenchBroomOutcome outcome;
  outcome.file = preferencesFile;
  outcome.key = TrenchBroomPathKey(game);
  outcome.value = installFolder;
  const std::string what = "TrenchBroom's " + TrenchBroomGameName(game) + " game path";
  const auto finish = [&](TrenchBroomOutcome::Kind kind, std::string message) {
    outcome.kind = kind;
    outcome.message = std::move(message);
    return outcome;
  };
  if (outcome.key.empty()) {
    return finish(TrenchBroomOutcome::Kind::Failed, "TrenchBroom knows no such game");
  }
  const std::string lockFile = preferencesFile + ".lck";
  if (files.exists(lockFile)) {
    return finish(TrenchBroomOutcome::Kind::Locked, "TrenchBroom is running (" + lockFile +
                                                        " exists): close TrenchBroom first; " +
                                                        preferencesFile + " was left as it is");
  }
  std::error_code ec;
  if (std::filesystem::is_directory(preferencesFile, ec)) {
    return finish(TrenchBroomOutcome::Kind::Refused,
                  preferencesFile + " is a folder, not a file: left as it is");
  }
  // Written beside the file it replaces, which a symbolic link may put in another folder.
  const auto target = files.replacementTarget(preferencesFile);
  if (!target) {
    return finish(TrenchBroomOutcome::Kind::Failed, "could not write " + preferencesFile + ": " +
                                                        reasonOr(files.lastError(), "not allowed") +
                                                        "; it was left as it is");
  }
  std::string document;
  const bool fileExists = files.exists(*target);
  if (fileExists) {
    auto file = files.openForReading(*target);
    if (!file) {
      return finish(TrenchBroomOutcome::Kind::Failed,
                    "could not read " + preferencesFile + ": " +
                        reasonOr(files.lastError(), "not allowed"));
    }
    std::string whyNot;
    const auto text = readBounded(*file, whyNot);
    file->close();
    if (!text) {
      return finish(TrenchBroomOutcome::Kind::Refused,
                    preferencesFile + " " + whyNot + ": left as it is");
    }
    document = *text;
  } else {
    const auto folder = std::filesystem::path(*target).parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
      std::filesystem::create_directories(folder, ec);
      if (ec) {
        return finish(TrenchBroomOutcome::Kind::Failed,
                      "could not create the folder " + folder.string() + ": " + ec.message());
      }
    }
  }
  const auto edit = EditTrenchBroomPreferences(document, fileExists, outcome.key, installFolder,
                                               force, sameFolderOnDisk, folderExistsOnDisk);
  outcome.previous = edit.previous;
  switch (edit.kind) {
  case PreferencesEdit::Kind::Refused:
    return finish(TrenchBroomOutcome::Kind::Refused,
                  preferencesFile + " " + edit.reason + ": left as it is");
  case PreferencesEdit::Kind::AlreadySet:
    return finish(TrenchBroomOutcome::Kind::AlreadySet, what + " is already " + installFolder +
                                                            ": left as it is (" + preferencesFile +
                                                            ")");
  case PreferencesEdit::Kind::OtherFolderSet:
    return finish(TrenchBroomOutcome::Kind::OtherFolderSet,
                  what + " is " + edit.previous + ", not " + installFolder + ": left as it is (" +
                      preferencesFile + ")");
  case PreferencesEdit::Kind::Updated:
    break;
  }
  TemporaryFile temporary(files, *target + ".part");
  if (!temporary.create()) {
    return finish(TrenchBroomOutcome::Kind::Failed, "could not write " + temporary.name() + ": " +
                                                        reasonOr(files.lastError(), "not allowed") +
                                                        "; " + preferencesFile +
                                                        " was left as it is");
  }
  const bool written = temporary.file->write(edit.document.data(), edit.document.size());
  const std::string writeError = temporary.file->lastError();
  const bool closed = temporary.file->close();
  const std::string closeError = temporary.file->lastError();
  temporary.file.reset();
  if (!written || !closed) {
    return finish(TrenchBroomOutcome::Kind::Failed,
                  "could not write " + temporary.name() + ": " +
                      reasonOr(written ? closeError : writeError, "write failed") + "; " +
                      preferencesFile + " was left as it is");
  }
  if (!files.replaceFile(temporary.name(), *target)) {
    return finish(TrenchBroomOutcome::Kind::Failed, "could not replace " + *target + ": " +
                                                        reasonOr(files.lastError(), "not allowed") +
                                                        "; it was left as it is");
  }
  temporary.keep();
  std::string message = what + " set to " + installFolder;
  if (!edit.previous.empty()) {
    message += ", replacing " + edit.previous;
  }
  return finish(TrenchBroomOutcome::Kind::Written, message + " (" + preferencesFile + ")");
}

std::string DescribeWadValues(const std::string& wadValue, const std::string& wadPath) {
  return "Map wad key for TrenchBroom : " + wadValue +
         "\nMap wad key, absolute (TrenchBroom and qbsp) : " + wadPath + "\n";
}

} // namespace texkit2::extract
