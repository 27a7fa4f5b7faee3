#pragma once

#include "cli/Commands.h"
#include "extract/TrenchBroomPreferences.h"

#include <ostream>
#include <string>

namespace texkit2::cli {

// What `--trenchbroom` did, for the summary and --json.
struct TrenchBroomStep {
  extract::TrenchBroomOutcome outcome;
  std::string wadValue; // for a map's worldspawn, against the game path: id1/Quake.wad
  std::string wadPath;  // the same, absolute, which compilers read too
};

// Sets TrenchBroom's game path to the installation folder of `dataFolder` (absolute, ending in
// its separator) and says on stderr what happened.
TrenchBroomStep setUpTrenchBroom(extract::GameKind game, const std::string& dataFolder,
                                 const std::string& wadName, bool force, CliContext& context);

// The lines that tell a mapper the "wad" value, after a step that succeeded.
void printWadValues(const TrenchBroomStep& step, std::ostream& out);

std::string toJson(const TrenchBroomStep& step);

} // namespace texkit2::cli
