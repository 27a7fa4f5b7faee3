#pragma once

#include "cli/Commands.h"

#include <string>
#include <vector>

namespace texkit2::cli {

// texkit2-cli games [--game quake|hexen2] [--json] [--wine-prefix DIR] [--verbose]
int runGames(const std::vector<std::string>& args, CliContext& context);

} // namespace texkit2::cli
