#pragma once

#include "cli/Commands.h"

#include <string>
#include <vector>

namespace texkit2::cli {

// texkit2-cli export --png DIR [--palette FILE] [--mips] [--json] WADFILE
int runExport(const std::vector<std::string>& args, CliContext& context);

// texkit2-cli sheet -o FILE [--palette FILE] [--columns N] WADFILE
int runSheet(const std::vector<std::string>& args, CliContext& context);

} // namespace texkit2::cli
