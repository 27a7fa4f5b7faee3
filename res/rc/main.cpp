// texkit2-make-rc --output FILE.rc --strings strings.json --artwork DIR [--version FILE.rci]
//                 LAYOUT.json...
// Writes the resource script of the Win32 desktop application: a DIALOGEX template per dialog
// layout, the string table, the drawn icons, bitmap and clips, and the version resource.
#include "res/rc/ResourceScript.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot read " + path);
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

} // namespace

int main(int argc, char** argv) {
  std::string output;
  std::string strings;
  texkit2::rc::ScriptInputs inputs;
  std::vector<std::string> layouts;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--output" && hasValue) {
      output = argv[++i];
    } else if (arg == "--strings" && hasValue) {
      strings = argv[++i];
    } else if (arg == "--artwork" && hasValue) {
      inputs.artworkFolder = argv[++i];
    } else if (arg == "--version" && hasValue) {
      inputs.versionInclude = argv[++i];
    } else if (!arg.starts_with("-")) {
      layouts.push_back(arg);
    } else {
      output.clear();
      break;
    }
  }
  if (output.empty() || strings.empty() || inputs.artworkFolder.empty() || layouts.empty()) {
    std::cerr << "usage: texkit2-make-rc --output FILE.rc --strings strings.json --artwork DIR "
                 "[--version FILE.rci] LAYOUT.json...\n";
    return kExitUsage;
  }
  std::string current;
  try {
    for (const std::string& path : layouts) {
      current = path;
      inputs.dialogs.push_back(texkit2::rc::parseDialogLayout(readFile(path)));
    }
    current = strings;
    inputs.strings = texkit2::rc::parseStringTable(readFile(strings));
    current.clear();
    // Templates in id order, whatever order the shell listed the files in.
    std::sort(inputs.dialogs.begin(), inputs.dialogs.end(),
              [](const auto& a, const auto& b) { return a.id < b.id; });
    for (std::size_t i = 1; i < inputs.dialogs.size(); ++i) {
      if (inputs.dialogs[i].id == inputs.dialogs[i - 1].id) {
        throw std::runtime_error("two layouts are dialog " + std::to_string(inputs.dialogs[i].id));
      }
    }
    const std::string script = texkit2::rc::resourceScript(inputs);
    // Written whole or not at all, so that a failed run leaves no half script for the next build.
    const std::string partial = output + ".part";
    {
      std::ofstream out(partial, std::ios::binary | std::ios::trunc);
      out << script;
      if (!out.flush()) {
        throw std::runtime_error("cannot write " + partial);
      }
    }
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
      throw std::runtime_error("cannot write " + output);
    }
  } catch (const std::exception& error) {
    std::cerr << "texkit2-make-rc: " << (current.empty() ? "" : current + ": ") << error.what()
              << "\n";
    return kExitFailed;
  }
  return 0;
}
