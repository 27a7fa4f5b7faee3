#pragma once

#include "cli/Commands.h"

#include <string>
#include <vector>

namespace texkit2::cli {

// texkit2-cli search --game quake|hexen2 [--fixed] [--remote] [--removable] [--verbose]
int runSearch(const std::vector<std::string>& args, CliContext& context);

// texkit2-cli drives
int runDrives(const std::vector<std::string>& args, CliContext& context);

} // namespace texkit2::cli
