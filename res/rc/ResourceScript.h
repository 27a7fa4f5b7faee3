#pragma once

#include "res/rc/Layout.h"

#include <string>
#include <vector>

namespace texkit2::rc {

// A picture or clip that the art tool draws, as the resource script names it.
struct ArtworkResource {
  int id;
  const char* type; // ICON, BITMAP or AVI
  const char* file; // in the artwork folder
};

// Icons 128, 135, 136, 137, 139, bitmap 134, clips 129 and 132.
const std::vector<ArtworkResource>& artworkResources();

struct ScriptInputs {
  std::vector<DialogLayout> dialogs;
  StringTable strings;
  std::string artworkFolder;  // holds every file of artworkResources()
  std::string versionInclude; // the version resource's script, #included; empty for none
};

// One control statement of a DIALOGEX template, e.g.
//   CONTROL "E&xit", 1004, "Button", BS_PUSHBUTTON | WS_TABSTOP, 170, 85, 40, 15
std::string controlStatement(const ControlLayout& control);
// A DIALOGEX template with its styles, caption, font and controls.
std::string dialogScript(const DialogLayout& dialog);
std::string stringTableScript(const StringTable& strings);
// The whole script: headers, dialogs, strings, artwork and the version resource.
std::string resourceScript(const ScriptInputs& inputs);

// `text` as a quoted resource-script string.
std::string quoted(const std::string& text);

} // namespace texkit2::rc
