#include "cli/SearchCommands.h"

#include "cli/CommandLine.h"
#include "cli/TextureNames.h"
#include "extract/GameKind.h"
#include "locate/DriveSearch.h"
#include "locate/GameLibraries.h"
#include "locate/LibrarySearch.h"

#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

namespace texkit2::cli {
namespace {

constexpr const char* kSearchHelp =
    R"(Usage: texkit2-cli search --game quake|hexen2 [--libraries] [--fixed] [--remote]
                          [--removable] [--verbose]

With --libraries, first looks where Steam, GOG, Epic and installed packages keep the game (as
'texkit2-cli games' lists them) and takes the base data folder found there: a folder with
PAK0.PAK and PAK1.PAK before one with PAK0.PAK alone, Steam before GOG, Epic, packages and Wine
prefixes. When they record none, walks the chosen kinds of drive in the order 'texkit2-cli drives' lists them, each folder tree
depth-first, up to the first file named quake.exe (quake) or h2.exe (hexen2) in any letter
case, and checks that the data folder beside it (id1 or data1) holds PAK0.PAK, and PAK1.PAK
when it has one.
Only the first copy of the executable counts. A walk stays on its drive's file system, never
follows a symbolic link to a folder (on Windows, never enters a junction or other reparse
point) and never enters a folder that is already on its path, so no loop can hold it.
CD-ROM drives and RAM disks are never searched.

Options:
  --game GAME   quake or hexen2 (required)
  --libraries   look in the game libraries first
  --fixed       search hard drives
  --remote      search network drives
  --removable   search removable drives (USB sticks, memory cards)
  --verbose     print each folder entered, on stderr
  --help        show this text
At least --libraries or one kind of drive is required.

Prints the data folder on stdout and exits 0, or says "File not found" on stderr and exits 1.
Exit status 2 on a usage error.
)";

constexpr const char* kDrivesHelp =
    R"(Usage: texkit2-cli drives

Lists the drive roots in search order with their types (fixed, removable, remote, cdrom,
ramdisk, no-root, unknown) and, for removable and CD-ROM drives, the serial number of the
medium ("none" when none can be read). On Linux each mounted file system a user can browse is a
drive.
)";

// What the data folder beside an executable lacks: "there is no id1 folder beside it",
// "/q/id1/ holds no PAK0.PAK".
std::string missingFromDataFolder(platform::FileSystem& files, const extract::GameInfo& game,
                                  const std::string& executableFolder) {
  const std::string dataFolder = executableFolder +
                                 files.existingName(executableFolder + game.dataFolderName) +
                                 platform::kPathSeparator;
  if (!files.setCurrentDirectory(dataFolder)) {
    return std::string("there is no ") + game.dataFolderName + " folder beside it (" +
           files.lastError() + ")";
  }
  // PAK1.PAK may be missing (a folder of one archive), not unreadable.
  for (const char* archive : {"PAK0.PAK", "PAK1.PAK"}) {
    if (files.openForReading(archive) != nullptr) {
      continue;
    }
    const std::string reason = files.lastError();
    if (files.exists(archive)) {
      return printable(dataFolder) + " cannot give its " + archive + " (" + reason + ")";
    }
    if (archive == std::string_view("PAK0.PAK")) {
      return printable(dataFolder) + " holds no PAK0.PAK";
    }
  }
  return printable(dataFolder) + " holds no readable archive";
}

} // namespace

int runSearch(const std::vector<std::string>& args, CliContext& context) {
  std::optional<std::string> game;
  bool fixed = false;
  bool remote = false;
  bool removable = false;
  bool libraries = false;
  bool verbose = false;
  CommandLine line("texkit2-cli search: ");
  line.value("--game", game, "a value: quake or hexen2")
      .flag("--libraries", libraries)
      .flag("--fixed", fixed)
      .flag("--remote", remote)
      .flag("--removable", removable)
      .flag("--verbose", verbose);
  if (const auto exit = line.parse(args, context, kSearchHelp)) {
    return *exit;
  }
  locate::DriveSearchOptions options;
  options.fixed = fixed ? 1 : 0;
  options.remote = remote ? 1 : 0;
  options.removable = removable ? 1 : 0;
  const auto chosen = gameNamed(game, "search", context);
  if (!chosen) {
    return kExitUsage;
  }
  const extract::GameKind kind = *chosen;
  const bool drivesChosen = options.fixed != 0 || options.remote != 0 || options.removable != 0;
  if (!drivesChosen && !libraries) {
    context.err << "texkit2-cli search: choose where to search: --libraries, --fixed, --remote, "
                   "--removable\n";
    return kExitUsage;
  }
  std::string dataFolder;
  if (libraries) {
    const locate::HostGameLibrarySources host = context.gameLibrarySources(std::nullopt);
    if (locate::SearchGameLibraries(locate::libraryLookup(host.sources), context.files, kind,
                                    dataFolder)) {
      context.out << dataFolder << '\n';
      return kExitSuccess;
    }
    if (verbose) {
      context.err << "The game libraries record no " << extract::gameInfo(kind)->title
                  << " data folder with its archives\n";
    }
    if (!drivesChosen) {
      context.err << "File not found\n";
      return kExitFailure;
    }
  }
  platform::Drives& drives = *context.drives;

  if (verbose) {
    for (const auto& root : drives.drives()) {
      if (locate::admitsDrive(options, root.type)) {
        context.err << "Searching " << printable(root.path) << " ("
                    << platform::driveTypeName(root.type) << ")\n";
      }
    }
  }
  locate::FolderObserver observer;
  if (verbose) {
    observer = [&context](const std::string& folder) { context.err << printable(folder) << '\n'; };
  }
  std::string executableFolder;
  const extract::GameInfo& info = *extract::gameInfo(kind);
  const bool found = locate::SearchDrives(drives, context.files, options, info.executable, kind,
                                          dataFolder, observer, &executableFolder);
  if (found) {
    context.out << dataFolder << '\n';
    return kExitSuccess;
  }
  // The search ends at the first executable; say what stopped it there.
  if (!executableFolder.empty()) {
    context.err << "texkit2-cli search: found " << printable(executableFolder + info.executable)
                << ", but " << missingFromDataFolder(context.files, info, executableFolder) << '\n';
  }
  context.err << "File not found\n";
  return kExitFailure;
}

int runDrives(const std::vector<std::string>& args, CliContext& context) {
  CommandLine commandLine("texkit2-cli drives: ");
  if (const auto exit =
          commandLine.unknownOptionsAreArguments().parse(args, context, kDrivesHelp)) {
    return *exit;
  }
  platform::Drives& drives = *context.drives;
  char line[64];
  std::snprintf(line, sizeof line, "%-9s  %-8s  %s\n", "TYPE", "SERIAL", "ROOT");
  context.out << line;
  for (const auto& root : drives.drives()) {
    std::string serial = "-";
    // Only media that come and go; asking a network share could wait on its server.
    if (root.type == platform::DriveType::Removable || root.type == platform::DriveType::CdRom) {
      if (const auto value = drives.volumeSerial(root.path)) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(*value));
        serial = hex;
      } else {
        serial = "none";
      }
    }
    std::snprintf(line, sizeof line, "%-9s  %-8s  ", platform::driveTypeName(root.type),
                  serial.c_str());
    context.out << line << printable(root.path) << '\n';
  }
  return kExitSuccess;
}

} // namespace texkit2::cli
