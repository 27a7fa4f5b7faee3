#pragma once

#include "cli/Commands.h"

#include <string>
#include <vector>

namespace texkit2::cli {

// texkit2-cli newmap --game quake|hexen2 [--wad WADFILE] [--force] FILE.map
int runNewMap(const std::vector<std::string>& args, CliContext& context);

} // namespace texkit2::cli
