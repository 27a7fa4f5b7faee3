#include "cli/Commands.h"

#include "Version.h"
#include "cli/CommandLine.h"
#include "cli/ConflictReport.h"
#include "cli/GamesCommands.h"
#include "cli/ImageCommands.h"
#include "cli/Json.h"
#include "cli/NewMapCommand.h"
#include "cli/RemoveOnInterrupt.h"
#include "cli/SearchCommands.h"
#include "cli/TerminalFeedback.h"
#include "cli/TextureNames.h"
#include "cli/TrenchBroomSetup.h"
#include "extract/Extraction.h"
#include "extract/TexturePack.h"
#include "extract/WadReader.h"
#include "platform/AsciiCase.h"
#include "platform/HostRegistry.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <sstream>

namespace texkit2::cli {
namespace {

constexpr const char* kVersion = TEXKIT2_VERSION;

constexpr const char* kMainHelp =
    R"(Usage: texkit2-cli COMMAND [OPTIONS]

Builds one WAD2 texture file out of the maps of an installed Quake or Hexen II.

Commands:
  extract   write Quake.wad or Hexen2.wad from the data folder's PAK0.PAK and PAK1.PAK (or
            PAK0.PAK alone), and register it as a texture pack in the level editor's settings
  extract-all
            extract the base game's WAD, then one WAD per mission pack, add-on or mod folder
            holding only the textures the base WAD lacks
  register  register a data folder's WAD file as a texture pack, without extracting
  info      list the entries of a WAD2 file
  export    write the textures of a WAD2 file as PNG pictures, in the game's colours
  sheet     draw the textures of a WAD2 file on one contact sheet (PNG, JPEG, BMP or TGA)
  newmap    write a starter map for TrenchBroom: a closed room in the WAD's textures
  search    find the game's data folder by walking the drives
  games     list the installations that Steam, GOG, Epic and packages recorded
  drives    list the drive roots and their types

Run 'texkit2-cli COMMAND --help' for a command's options.
Options:
  --help     show this text
  --version  show the version
)";

constexpr const char* kExtractHelp =
    R"(Usage: texkit2-cli extract --game quake|hexen2 [--json] [--conflicts] [--no-register]
                           [--trenchbroom [--force]] [--wine-prefix DIR] [--all-archives]
                           [--exclude-wad FILE]... [--output FILE] DATAFOLDER

Reads every map (.bsp) in DATAFOLDER/PAK0.PAK and DATAFOLDER/PAK1.PAK (PAK0.PAK alone where the
folder holds one archive, as the re-release, the store editions and the mission packs do), keeps
the first copy of each texture name, and writes them all into DATAFOLDER/Quake.wad (quake) or
DATAFOLDER/Hexen2.wad (hexen2), replacing an earlier file of that name only when the run
succeeds. DATAFOLDER is the game's id1 (Quake) or data1 (Hexen II) folder.

Then the file is registered as a texture pack in the level editor's settings: the first of its
slots txpack0 to txpack31 that is free or holds Quake.wad or Hexen2.wad. No slot is created; on
Linux the settings are those of the Wine prefix the editor runs in.

With --trenchbroom, TrenchBroom is set up too, as register --trenchbroom does.

With --all-archives, every pak<N>.pak of DATAFOLDER is read (N from 0 to 99, in any letter case,
in number order), then every .bsp under DATAFOLDER/maps and its subfolders, in byte order of their
paths: a mission pack, an add-on or a mod of loose maps. The summary says what each gave.

Options:
  --game GAME        quake or hexen2 (required)
  --json             print the summary as JSON; it also lists the texture names met more than
                     once (see --conflicts), as "conflicts"
  --conflicts        after the summary, list every texture name met more than once: where
                     the copy kept came from (archive and map), where each copy dropped was,
                     and whether its bytes differ from the kept one's (size, dimensions,
                     pixels, the name's bytes after its zero byte, other bytes). The first
                     copy met is still the one written; the WAD file is the same either way.
  --no-register      do not touch the level editor's settings
  --trenchbroom      also set TrenchBroom's game path for the game (see register --help)
  --force            with --trenchbroom: replace a game path set to another folder
  --wine-prefix DIR  the editor's Wine prefix (default $WINEPREFIX, else ~/.wine)
  --all-archives     read every pak<N>.pak and every loose map under maps/, not PAK0.PAK and
                     PAK1.PAK alone
  --exclude-wad FILE leave out every texture whose name the WAD2 file FILE holds (may be given
                     more than once); a relative FILE is taken from the current folder, or from
                     DATAFOLDER when there is none such there (../id1/Quake.wad). A FILE that
                     is missing or no sound WAD2 file stops the run before anything is written
  --output FILE      write the WAD file to FILE instead of DATAFOLDER, and register that file
  --help             show this text

Status, progress, messages and warnings about damaged maps go to stderr; the summary to stdout.
Exit status: 0 on success, 1 when the extraction failed or TrenchBroom's file could not be
written, 2 on a usage error.
)";

constexpr const char* kExtractAllHelp =
    R"(Usage: texkit2-cli extract-all --game quake|hexen2 [--json] [--no-register]
                               [--wine-prefix DIR] INSTALLFOLDER

Writes the base game's WAD file (id1/Quake.wad, or data1/Hexen2.wad) exactly as extract does.
Then, for every other data folder of the installation in INSTALLFOLDER (the mission packs and
add-ons hipnotic, rogue, dopa, mg1, ctf and mg3, at the top or under rerelease/; Hexen II's
portals and hw; any other folder beside id1 or data1 that holds a pak*.pak or a maps folder),
writes FOLDER/FOLDER.wad: that folder's textures that the base WAD lacks, from every archive
and loose map of the folder, as extract reads them when told to read all archives and to leave
out the names of the base WAD.

Only the base WAD is registered as a texture pack, as extract registers it.

Options:
  --game GAME        quake or hexen2 (required)
  --json             print a JSON array: one summary per WAD file, as extract --json prints it
  --no-register      do not touch the level editor's settings
  --wine-prefix DIR  the editor's Wine prefix (default $WINEPREFIX, else ~/.wine)
  --help             show this text

A summary per WAD file goes to stdout, one after the other. Exit status: 0 when every WAD file
was written, 1 when the base WAD or any other failed (the others are still written after a
folder fails; none after the base fails), 2 on a usage error.
)";

constexpr const char* kRegisterHelp =
    R"(Usage: texkit2-cli register --game quake|hexen2 [--trenchbroom [--force]] [--json]
                            [--wine-prefix DIR] DATAFOLDER

Registers DATAFOLDER/Quake.wad (quake) or DATAFOLDER/Hexen2.wad (hexen2) as a texture pack in the
level editor's settings, as extract does after writing the file, and says which slot was written
or why none was.

With --trenchbroom, also sets TrenchBroom's game path for the game ("Games/Quake/Path" or
"Games/Hexen 2/Path" in its Preferences.json) to the folder that holds DATAFOLDER, keeping every
other preference as it is, and prints the "wad" value for a map's worldspawn: the WAD file's path
against that folder (id1/Quake.wad), which TrenchBroom reads, and its absolute path, which map
compilers read too. TrenchBroom must be closed. A game path set to another folder that still
exists is left, unless --force. Where the level editor's settings are missing, TrenchBroom is
still set up.

Options:
  --game GAME        quake or hexen2 (required)
  --trenchbroom      also set TrenchBroom's game path
  --force            with --trenchbroom: replace a game path set to another folder
  --json             print the outcome as JSON
  --wine-prefix DIR  the editor's Wine prefix (default $WINEPREFIX, else ~/.wine)
  --help             show this text

Exit status: 0 when a slot was written, 1 when none was, 2 on a usage error. With --trenchbroom:
0 when TrenchBroom's game path is set and no slot the editor has failed, 1 when TrenchBroom's
file could not be written.
)";

constexpr const char* kInfoHelp =
    R"(Usage: texkit2-cli info [--json] WADFILE

Lists the entries of a WAD2 file (name, size, width x height, animated or simple) and totals.
Exit status: 0 for a well-formed file, 1 when it is missing or malformed, 2 on a usage error.
)";

struct Arguments {
  std::vector<std::string> positional;
  // --all-archives, --exclude-wad, --output: what the run reads, leaves out and writes.
  extract::ExtractionOptions mods;
  std::optional<std::string> game;
  std::optional<std::string> winePrefix;
  bool json = false;
  bool noRegister = false;
  bool conflicts = false;
  bool trenchBroom = false;
  bool force = false;
};

// The options of the commands that take --game and a DATAFOLDER.
CommandLine dataFolderCommandLine(Arguments& parsed) {
  CommandLine line("texkit2-cli: ");
  line.value("--game", parsed.game, "a value: quake or hexen2")
      .value("--wine-prefix", parsed.winePrefix, "a folder", true)
      .flag("--json", parsed.json)
      .flag("--trenchbroom", parsed.trenchBroom)
      .flag("--force", parsed.force)
      .arguments(parsed.positional);
  return line;
}

// --all-archives, --exclude-wad FILE (as often as given) and --output FILE: what extract reads,
// leaves out and writes. `outputs` holds every --output given, as one may be given only once.
void addModOptions(CommandLine& line, Arguments& parsed, std::vector<std::string>& outputs) {
  line.flag("--all-archives", parsed.mods.allArchives)
      .values("--exclude-wad", parsed.mods.excludeWads, "a file", true)
      .values("--output", outputs, "a file", true);
}

// Takes the one --output given; false after saying it was given more than once.
bool takeOutput(const std::vector<std::string>& outputs, Arguments& parsed, CliContext& context) {
  if (outputs.size() > 1) {
    context.err << "texkit2-cli: --output may be given once\n";
    return false;
  }
  if (!outputs.empty()) {
    parsed.mods.output = outputs.front();
  }
  return true;
}

std::string withTrailingSeparator(std::string folder) {
  if (folder.empty() || (folder.back() != '/' && folder.back() != platform::kPathSeparator)) {
    folder += platform::kPathSeparator;
  }
  return folder;
}

// What the registration did, as stderr says it and the JSON summary carries it.
struct Registration {
  bool registered = false;
  int slot = -1; // the slot written
  std::string message;
  std::string location; // where the registry lives
  // The editor has no settings here at all: no failure for a run that sets up TrenchBroom.
  bool editorAbsent = false;
};

std::string toJson(const Registration& registration) {
  return jsonObject(
      {{"registered", registration.registered ? "true" : "false"},
       {"slot", registration.registered ? std::to_string(registration.slot) : "null"},
       {"message", jsonText(registration.message)},
       {"location", registration.location.empty() ? "null" : jsonText(registration.location)}});
}

void printSummary(const extract::ExtractionSummary& summary, const std::string& wadPath,
                  std::ostream& out) {
  out << "File Name : " << summary.fileName << '\n'
      << "File Size : " << summary.fileLength / 1024 << " KB (" << summary.fileLength << " bytes)\n"
      << "Total Entries in Wad : " << summary.totalEntries << '\n'
      << "Number of simple textures : " << summary.simpleTextures << '\n'
      << "Number of animated textures : " << summary.animatedTextures << '\n'
      << "Written to : " << wadPath << '\n';
}

// A --exclude-wad file as the user will know it: absolute, or as given from the data folder.
std::string excludedWadShown(const std::string& wad, const std::string& dataFolder) {
  return std::filesystem::path(wad).is_absolute() ? wad : dataFolder + wad;
}

// What --all-archives read and --exclude-wad left out, after the summary's lines.
void printModsSummary(const extract::ExtractionSummary& summary,
                      const extract::ExtractionOptions& options, const std::string& dataFolder,
                      std::ostream& out) {
  std::int32_t looseMaps = 0;
  std::int32_t looseTextures = 0;
  for (const auto& source : summary.sources) {
    if (source.looseMap) {
      ++looseMaps;
      looseTextures += source.textures;
    } else {
      out << "Textures from " << source.name << " : " << source.textures << '\n';
    }
  }
  if (options.allArchives) {
    out << "Textures from " << looseMaps << " loose maps : " << looseTextures << '\n';
  }
  for (std::size_t i = 0; i < options.excludeWads.size(); ++i) {
    out << "Left out, already in " << excludedWadShown(options.excludeWads[i], dataFolder) << " : "
        << summary.leftOutPerWad[i] << '\n';
  }
}

void printJsonSummary(const extract::ExtractionSummary& summary, const std::string& wadPath,
                      const std::vector<std::string>& warnings, const TerminalFeedback& feedback,
                      const std::optional<Registration>& registration,
                      const std::optional<TrenchBroomStep>& trenchBroom,
                      const std::vector<extract::NameConflict>& conflicts,
                      const std::string& modsKeys, std::ostream& out) {
  std::vector<std::string> allWarnings = warnings;
  allWarnings.insert(allWarnings.end(), feedback.warnings().begin(), feedback.warnings().end());
  allWarnings.insert(allWarnings.end(), feedback.messages().begin(), feedback.messages().end());
  std::string json = jsonObject({{"fileName", jsonText(summary.fileName)},
                                 {"fileLength", std::to_string(summary.fileLength)},
                                 {"totalEntries", std::to_string(summary.totalEntries)},
                                 {"simpleTextures", std::to_string(summary.simpleTextures)},
                                 {"animatedTextures", std::to_string(summary.animatedTextures)},
                                 {"path", jsonPath(wadPath)},
                                 {"warnings", jsonTextList(allWarnings)},
                                 {"skipped", jsonTextList(feedback.skipped())},
                                 {"registration", registration ? toJson(*registration) : "null"},
                                 {"conflicts", conflictsJson(conflicts)},
                                 {"incomplete", incompleteJson(conflicts)}});
  if (!modsKeys.empty()) {
    json.pop_back();
    json += modsKeys + "}";
  }
  // Last, and only when asked for, so that the summary of other runs stays as it was.
  if (trenchBroom) {
    json.pop_back();
    json += ", \"trenchbroom\": " + toJson(*trenchBroom) + "}";
  }
  out << json << '\n';
}

// Registers the WAD file `wadName` and says what happened on stderr.
Registration registerPack(extract::GameKind game, const std::string& dataFolder,
                          const std::string& wadName, const Arguments& arguments,
                          CliContext& context) {
  std::optional<std::filesystem::path> prefix;
  if (arguments.winePrefix) {
    prefix = *arguments.winePrefix;
  }
  const platform::HostRegistry registry = context.openRegistry(prefix);
  Registration registration;
  registration.location = registry.location;
  if (!registry.unavailableReason.empty()) {
    registration.editorAbsent = true;
    registration.message = "not registered: " + registry.unavailableReason;
    context.err << "texkit2-cli: " << registration.message << '\n';
    return registration;
  }
  std::string whyNot;
  const auto outcome = extract::RegisterTexturePack(
      *registry.store, game, registry.editorFolder(dataFolder, whyNot), wadName);
  registration.registered = outcome.registered();
  registration.editorAbsent = outcome.kind == extract::RegistrationOutcome::Kind::NoSettings;
  registration.slot = outcome.slot;
  registration.message = outcome.kind == extract::RegistrationOutcome::Kind::NoPath
                             ? "not registered: " + whyNot
                             : extract::DescribeRegistration(outcome);
  context.err << "texkit2-cli: " << registration.message << " (" << registry.location << ")\n";
  return registration;
}

std::optional<extract::GameKind> gameOf(const Arguments& parsed, const char* command,
                                        CliContext& context) {
  const auto game = gameNamed(parsed.game, command, context);
  if (!game) {
    return std::nullopt;
  }
  if (parsed.positional.size() != 1) {
    context.err << "texkit2-cli " << command << ": give exactly one DATAFOLDER (see --help)\n";
    return std::nullopt;
  }
  if (parsed.positional[0].empty()) {
    context.err << "texkit2-cli " << command << ": DATAFOLDER is empty\n";
    return std::nullopt;
  }
  return game;
}

// Absolute, without "." steps (`extract .` would print .../id1/./Quake.wad and register that).
// ".." stays: it is resolved by the file system, through links, not by the text.
std::string absoluteFolder(const std::string& folder) {
  std::error_code ec;
  const auto absolute = std::filesystem::absolute(folder, ec);
  if (ec) {
    return withTrailingSeparator(folder);
  }
  std::filesystem::path clean;
  for (const auto& step : absolute) {
    if (step != "." && !step.empty()) {
      clean /= step;
    }
  }
  return withTrailingSeparator(clean.string());
}

// --force replaces TrenchBroom's game path alone.
bool forceWithoutTrenchBroom(const Arguments& parsed, const char* command, CliContext& context) {
  if (parsed.force && !parsed.trenchBroom) {
    context.err << "texkit2-cli " << command << ": --force goes with --trenchbroom\n";
    return true;
  }
  return false;
}

int runRegister(const std::vector<std::string>& args, CliContext& context) {
  Arguments parsed;
  if (const auto exit = dataFolderCommandLine(parsed).parse(args, context, kRegisterHelp)) {
    return *exit;
  }
  const auto game = gameOf(parsed, "register", context);
  if (!game || forceWithoutTrenchBroom(parsed, "register", context)) {
    return kExitUsage;
  }
  const std::string dataFolder = context.files.existingPath(absoluteFolder(parsed.positional[0]));
  // An earlier quake.wad is the file, in the letter case it has.
  const std::string wadName =
      context.files.existingName(dataFolder + extract::gameInfo(*game)->wadFileName);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(dataFolder + wadName, ec)) {
    context.err << "texkit2-cli register: warning: " << dataFolder << wadName
                << " does not exist (yet)\n";
  }
  const Registration registration = registerPack(*game, dataFolder, wadName, parsed, context);
  std::optional<TrenchBroomStep> trenchBroom;
  if (parsed.trenchBroom) {
    trenchBroom = setUpTrenchBroom(*game, dataFolder, wadName, parsed.force, context);
  }
  if (parsed.json) {
    context.out << jsonObject({{"registration", toJson(registration)},
                               {"trenchbroom", trenchBroom ? toJson(*trenchBroom) : "null"}})
                << '\n';
  } else if (trenchBroom) {
    printWadValues(*trenchBroom, context.out);
  }
  if (!trenchBroom) {
    return registration.registered ? kExitSuccess : kExitFailure;
  }
  const bool editorFine = registration.registered || registration.editorAbsent;
  return trenchBroom->outcome.succeeded() && editorFine ? kExitSuccess : kExitFailure;
}

// The file --output names, absolute from the folder the command was started in; empty without.
std::string absoluteOutput(const std::string& output, CliContext& context) {
  if (output.empty()) {
    return {};
  }
  const std::filesystem::path path(output);
  const std::string folder = path.has_parent_path() ? path.parent_path().string() : ".";
  return context.files.existingPath(absoluteFolder(folder)) + path.filename().string();
}

// A relative --exclude-wad is the file in the current folder; where there is none, it is left
// for the run to take from the data folder (`--exclude-wad ../id1/Quake.wad hipnotic/`).
std::vector<std::string> resolvedExclusions(const std::vector<std::string>& wads) {
  std::vector<std::string> resolved;
  for (const std::string& wad : wads) {
    std::error_code ec;
    const bool here =
        std::filesystem::path(wad).is_relative() && std::filesystem::is_regular_file(wad, ec);
    resolved.push_back(here ? std::filesystem::absolute(wad, ec).string() : wad);
  }
  return resolved;
}

// The keys that --all-archives and --exclude-wad add to the JSON summary, each after a comma.
std::string modsJson(const extract::ExtractionSummary& summary,
                     const extract::ExtractionOptions& options, const std::string& dataFolder) {
  std::string json;
  if (options.allArchives) {
    std::vector<std::string> sources;
    for (const auto& source : summary.sources) {
      sources.push_back(jsonObject({{"file", jsonText(source.name)},
                                    {"looseMap", source.looseMap ? "true" : "false"},
                                    {"textures", std::to_string(source.textures)}}));
    }
    std::vector<std::string> kept;
    for (const auto& texture : summary.kept) {
      kept.push_back(jsonObject({{"name", jsonString(texture.name)},
                                 {"archive", jsonText(texture.place.archive)},
                                 {"map", jsonText(texture.place.map)}}));
    }
    json += ", \"sources\": " + jsonList(sources) + ", \"textures\": " + jsonList(kept);
  }
  if (!options.excludeWads.empty()) {
    std::vector<std::string> wads;
    for (std::size_t i = 0; i < options.excludeWads.size(); ++i) {
      std::vector<std::string> names;
      for (const auto& texture : summary.leftOut) {
        if (texture.wad == static_cast<std::int32_t>(i)) {
          names.push_back(jsonString(texture.name));
        }
      }
      wads.push_back(
          jsonObject({{"wad", jsonPath(excludedWadShown(options.excludeWads[i], dataFolder))},
                      {"count", std::to_string(summary.leftOutPerWad[i])},
                      {"names", jsonList(names)}}));
    }
    json += ", \"excluded\": " + jsonList(wads);
  }
  return json;
}

// One extraction of `dataFolder`, its summary written to `out`; the exit code.
int extractDataFolder(extract::GameKind game, const std::string& dataFolder,
                      const Arguments& parsed, CliContext& context, std::ostream& out) {
  std::vector<std::string> warnings; // the command's own, for the JSON summary
  const extract::GameInfo* other =
      extract::gameInfo(game == extract::kGameQuake ? extract::kGameHexen2 : extract::kGameQuake);
  const auto folder = std::filesystem::path(dataFolder).parent_path();
  if (platform::equalsIgnoringCase(folder.filename().string(), other->dataFolderName)) {
    warnings.push_back(folder.string() + " is named like " + other->title +
                       "'s data folder, but --game " + platform::lowerAscii(*parsed.game) +
                       " was given");
    context.err << "texkit2-cli extract: warning: " << warnings.back() << '\n';
  }
  extract::ExtractionOptions options = parsed.mods;
  options.output = absoluteOutput(options.output, context);
  options.excludeWads = resolvedExclusions(options.excludeWads);
  options.listKept = parsed.json;
  TerminalFeedback feedback(context.err, context.errIsTerminal);
  const std::string startDirectory = context.files.currentDirectory();
  RemoveOnInterrupt files(context.files);
  // Comparing the dropped copies reads them too, so only when they are to be reported.
  std::vector<extract::NameConflict> conflicts;
  const bool reportConflicts = parsed.json || parsed.conflicts;
  const auto summary = extract::RunExtraction(files, game, dataFolder, feedback,
                                              reportConflicts ? &conflicts : nullptr, options);
  feedback.endLine();
  // The run leaves the data folder current; a relative --wine-prefix or $WINEPREFIX means the
  // folder the command was started in.
  context.files.setCurrentDirectory(startDirectory);
  if (!summary) {
    context.err << "texkit2-cli extract: extraction failed\n";
    // The game's folder is an easy mistake for its data folder.
    const extract::GameInfo* info = extract::gameInfo(game);
    std::error_code ec;
    if (info != nullptr && !options.allArchives &&
        std::filesystem::is_directory(dataFolder + info->dataFolderName, ec)) {
      context.err << "texkit2-cli extract: did you mean " << dataFolder << info->dataFolderName
                  << "?\n";
      warnings.push_back("did you mean " + dataFolder + info->dataFolderName + "?");
    }
    if (parsed.json) {
      // The message that ended the run is the error; those before it were warnings.
      const auto& shown = feedback.messages();
      std::vector<std::string> earlier = warnings;
      earlier.insert(earlier.end(), feedback.warnings().begin(), feedback.warnings().end());
      if (!shown.empty()) {
        earlier.insert(earlier.end(), shown.begin(), shown.end() - 1);
      }
      out << jsonObject({{"error", jsonText(shown.empty() ? "extraction failed" : shown.back())},
                         {"warnings", jsonTextList(earlier)},
                         {"skipped", jsonTextList(feedback.skipped())}})
          << '\n';
    }
    return kExitFailure;
  }
  // The folder of the file written: the data folder's, or the one --output named.
  const std::string wadFolder =
      options.output.empty()
          ? dataFolder
          : options.output.substr(
                0, options.output.size() -
                       std::filesystem::path(options.output).filename().string().size());
  std::optional<Registration> registration;
  if (!parsed.noRegister) {
    registration = registerPack(game, wadFolder, summary->fileName, parsed, context);
  }
  std::optional<TrenchBroomStep> trenchBroom;
  if (parsed.trenchBroom) {
    trenchBroom = setUpTrenchBroom(game, dataFolder, summary->fileName, parsed.force, context);
  }
  feedback.SetStatusText("Extraction complete!");
  const std::string wadPath = wadFolder + summary->fileName;
  if (parsed.json) {
    printJsonSummary(*summary, wadPath, warnings, feedback, registration, trenchBroom, conflicts,
                     modsJson(*summary, options, dataFolder), out);
  } else {
    printSummary(*summary, wadPath, out);
    printModsSummary(*summary, options, dataFolder, out);
    if (trenchBroom) {
      printWadValues(*trenchBroom, out);
    }
    if (parsed.conflicts) {
      out << '\n';
      printConflicts(conflicts, out);
    }
  }
  return !trenchBroom || trenchBroom->outcome.succeeded() ? kExitSuccess : kExitFailure;
}

int runExtract(const std::vector<std::string>& args, CliContext& context) {
  Arguments parsed;
  std::vector<std::string> outputs;
  CommandLine line = dataFolderCommandLine(parsed);
  line.flag("--no-register", parsed.noRegister).flag("--conflicts", parsed.conflicts);
  addModOptions(line, parsed, outputs);
  if (const auto exit = line.parse(args, context, kExtractHelp)) {
    return *exit;
  }
  if (!takeOutput(outputs, parsed, context)) {
    return kExitUsage;
  }
  const auto game = gameOf(parsed, "extract", context);
  if (!game || forceWithoutTrenchBroom(parsed, "extract", context)) {
    return kExitUsage;
  }
  if (parsed.trenchBroom && !parsed.mods.output.empty()) {
    // TrenchBroom is pointed at the game's folder, which holds the data folder's WAD file.
    context.err << "texkit2-cli extract: --trenchbroom sets up the data folder's WAD file; it "
                   "does not go with --output\n";
    return kExitUsage;
  }
  // Spelt as on disk: the WAD file's path is shown and registered as it is.
  const std::string dataFolder = context.files.existingPath(absoluteFolder(parsed.positional[0]));
  return extractDataFolder(*game, dataFolder, parsed, context, context.out);
}

int runExtractAll(const std::vector<std::string>& args, CliContext& context) {
  Arguments parsed;
  CommandLine line("texkit2-cli: ");
  line.value("--game", parsed.game, "a value: quake or hexen2")
      .value("--wine-prefix", parsed.winePrefix, "a folder", true)
      .flag("--json", parsed.json)
      .flag("--no-register", parsed.noRegister)
      .arguments(parsed.positional);
  if (const auto exit = line.parse(args, context, kExtractAllHelp)) {
    return *exit;
  }
  const auto game = gameNamed(parsed.game, "extract-all", context);
  if (!game) {
    return kExitUsage;
  }
  if (parsed.positional.size() != 1 || parsed.positional[0].empty()) {
    context.err << "texkit2-cli extract-all: give exactly one INSTALLFOLDER (see --help)\n";
    return kExitUsage;
  }
  const std::string installFolder =
      context.files.existingPath(absoluteFolder(parsed.positional[0]));
  const locate::InstallationFolders folders =
      locate::installationFolders(*game, std::filesystem::path(installFolder));
  if (folders.base.empty()) {
    context.err << "texkit2-cli extract-all: " << installFolder << " holds no "
                << extract::gameInfo(*game)->dataFolderName << " folder with a pak0.pak\n";
    if (parsed.json) {
      context.out << "[" << jsonObject({{"error", jsonText("no base data folder")}}) << "]\n";
    }
    return kExitFailure;
  }
  const auto folderText = [](const std::filesystem::path& path) {
    return withTrailingSeparator(path.string());
  };
  std::vector<std::string> summaries;
  const auto runOne = [&](const std::string& dataFolder, const Arguments& arguments) {
    std::ostringstream summary;
    const int code = extractDataFolder(*game, dataFolder, arguments, context,
                                       parsed.json ? summary : context.out);
    if (parsed.json) {
      std::string json = summary.str();
      while (!json.empty() && json.back() == '\n') {
        json.pop_back();
      }
      summaries.push_back(json);
    }
    return code;
  };

  const std::string baseFolder = folderText(folders.base);
  int code = runOne(baseFolder, parsed);
  // Without the base WAD there is nothing to leave out of the others.
  if (code == kExitSuccess) {
    const std::string baseWad =
        baseFolder + context.files.existingName(baseFolder + extract::gameInfo(*game)->wadFileName);
    for (const std::filesystem::path& folder : folders.others) {
      const std::string name = folder.filename().string();
      Arguments arguments = parsed;
      arguments.noRegister = true; // the base WAD alone is a texture pack
      arguments.mods.allArchives = true;
      arguments.mods.excludeWads = {baseWad};
      arguments.mods.output = (folder / (name + ".wad")).string();
      if (!parsed.json) {
        context.out << '\n';
      }
      if (runOne(folderText(folder), arguments) != kExitSuccess) {
        code = kExitFailure;
      }
    }
  }
  if (parsed.json) {
    context.out << "[";
    for (std::size_t i = 0; i < summaries.size(); ++i) {
      context.out << (i == 0 ? "" : ", ") << summaries[i];
    }
    context.out << "]\n";
  }
  return code;
}

int runInfo(const std::vector<std::string>& args, CliContext& context) {
  Arguments parsed;
  CommandLine commandLine("texkit2-cli: ");
  commandLine.flag("--json", parsed.json).arguments(parsed.positional);
  if (const auto exit = commandLine.parse(args, context, kInfoHelp)) {
    return *exit;
  }
  if (parsed.positional.size() != 1) {
    context.err << "texkit2-cli info: give exactly one WADFILE (see --help)\n";
    return kExitUsage;
  }
  const std::string& path = parsed.positional[0];
  if (path.empty()) {
    context.err << "texkit2-cli info: WADFILE is empty\n";
    return kExitUsage;
  }
  // stdout stays JSON with --json, a failure included.
  const auto fail = [&](const std::string& error) {
    context.err << "texkit2-cli info: " << error << '\n';
    if (parsed.json) {
      context.out << jsonObject({{"error", jsonText(error)}}) << '\n';
    }
    return kExitFailure;
  };
  auto file = context.files.openForReading(path);
  if (!file) {
    return fail("cannot open " + path + ": " + context.files.lastError());
  }
  extract::WadContents wad;
  try {
    wad = extract::ReadWad(*file);
  } catch (const extract::WadFormatError& error) {
    return fail(path + " is not a valid WAD2 file: " + error.what());
  }

  int simple = 0;
  int animated = 0;
  int other = 0;   // palettes, pictures: not textures
  int flagged = 0; // textures whose mip header does not fit them
  std::int64_t dataBytes = 0;
  for (const auto& entry : wad.entries) {
    if (!entry.isMipTexture()) {
      ++other;
      continue;
    }
    (entry.animated() ? animated : simple) += 1;
    flagged += entry.problem.empty() ? 0 : 1;
    dataBytes += entry.storedSize;
  }
  auto dimensions = [](const extract::WadEntry& entry) {
    return entry.mip ? std::to_string(entry.mip->width) + " x " + std::to_string(entry.mip->height)
                     : std::string("-");
  };
  auto kind = [](const extract::WadEntry& entry) {
    if (!entry.isMipTexture()) {
      char type[16];
      std::snprintf(type, sizeof type, "type 0x%02x", entry.type);
      return std::string(type);
    }
    return std::string(entry.animated() ? "animated" : "simple");
  };
  if (parsed.json) {
    context.out << "{\"file\": " << jsonPath(path) << ", \"fileLength\": " << wad.fileLength
                << ", \"directoryOffset\": " << wad.directoryOffset << ", \"entries\": [";
    for (std::size_t i = 0; i < wad.entries.size(); ++i) {
      const auto& entry = wad.entries[i];
      context.out << (i == 0 ? "" : ", ")
                  << "{\"name\": " << jsonString(extract::TextureNameText(entry.name))
                  << ", \"position\": " << entry.position << ", \"size\": " << entry.storedSize
                  << ", \"type\": " << static_cast<int>(entry.type);
      if (entry.mip) {
        context.out << ", \"width\": " << entry.mip->width << ", \"height\": " << entry.mip->height;
      }
      if (!entry.problem.empty()) {
        context.out << ", \"problem\": " << jsonString(entry.problem);
      }
      context.out << ", \"animated\": " << (entry.animated() ? "true" : "false") << "}";
    }
    context.out << "], \"totalEntries\": " << wad.entries.size()
                << ", \"simpleTextures\": " << simple << ", \"animatedTextures\": " << animated
                << ", \"otherEntries\": " << other << ", \"flaggedTextures\": " << flagged << "}\n";
    return kExitSuccess;
  }
  char line[160];
  std::snprintf(line, sizeof line, "%5s  %-20s %9s  %-11s %s\n", "#", "name", "size", "dimensions",
                "kind");
  context.out << line;
  for (std::size_t i = 0; i < wad.entries.size(); ++i) {
    const auto& entry = wad.entries[i];
    std::snprintf(line, sizeof line, "%5zu  %-20s %9d  %-11s %s", i,
                  printableName(entry.name).c_str(), entry.storedSize, dimensions(entry).c_str(),
                  kind(entry).c_str());
    context.out << line;
    if (!entry.problem.empty()) {
      context.out << "  mip header does not fit: " << entry.problem;
    }
    context.out << '\n';
  }
  context.out << "Total: " << wad.entries.size() << " entries (" << simple << " simple, "
              << animated << " animated";
  if (other > 0) {
    context.out << ", " << other << " of another type";
  }
  context.out << "), " << dataBytes << " bytes of textures, file " << wad.fileLength << " bytes\n";
  if (flagged > 0) {
    context.out << flagged << " of the textures have a mip header that does not fit them\n";
  }
  return kExitSuccess;
}

} // namespace

std::optional<extract::GameKind> gameNamed(const std::optional<std::string>& name,
                                           const char* command, CliContext& context) {
  if (!name) {
    context.err << "texkit2-cli " << command << ": --game quake or --game hexen2 is required\n";
    return std::nullopt;
  }
  const std::string folded = platform::lowerAscii(*name);
  if (folded == "quake") {
    return extract::kGameQuake;
  }
  if (folded == "hexen2") {
    return extract::kGameHexen2;
  }
  context.err << "texkit2-cli " << command << ": unknown game '" << *name
              << "' (quake or hexen2)\n";
  return std::nullopt;
}

namespace {

struct Command {
  std::string_view name;
  int (*run)(const std::vector<std::string>& args, CliContext& context);
};

// In the order the main help lists them.
constexpr Command kCommands[] = {
    {"extract", runExtract}, {"extract-all", runExtractAll}, {"register", runRegister},
    {"info", runInfo},       {"export", runExport},          {"sheet", runSheet},
    {"newmap", runNewMap},   {"search", runSearch},          {"games", runGames},
    {"drives", runDrives},
};

int runCommand(const std::vector<std::string>& args, CliContext& context) {
  if (args.empty()) {
    context.err << kMainHelp;
    return kExitUsage;
  }
  const std::string& command = args[0];
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "--help" || command == "-h" || command == "help") {
    context.out << kMainHelp;
    return kExitSuccess;
  }
  if (command == "--version") {
    context.out << "texkit2-cli " << kVersion << '\n';
    return kExitSuccess;
  }
  for (const auto& [name, run] : kCommands) {
    if (command == name) {
      return run(rest, context);
    }
  }
  context.err << "texkit2-cli: unknown command '" << command << "' (see --help)\n";
  return kExitUsage;
}

} // namespace

int runCli(const std::vector<std::string>& args, CliContext& context) {
  const int code = runCommand(args, context);
  // Output that never arrived (a full disk, a closed pipe) is no success.
  errno = 0;
  context.out.flush();
  if (!context.out) {
    const int error = errno;
    context.err << "texkit2-cli: could not write to standard output"
                << (error != 0 ? std::string(": ") + std::strerror(error) : std::string()) << '\n';
    return code == kExitSuccess ? kExitFailure : code;
  }
  return code;
}

} // namespace texkit2::cli
