#include "cli/Commands.h"

#include <iostream>
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  texkit2::cli::CliContext context{texkit2::platform::hostFileSystem(), std::cout, std::cerr,
                                   isatty(2) != 0};
  return texkit2::cli::runCli(args, context);
}
