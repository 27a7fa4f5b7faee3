#pragma once

// The fonts of dialog resources where the system lacks them: the layouts name fonts of their
// time, and a system without one would take any face, as wide as it comes, while the dialog's
// controls keep their sizes.

#include "framework/win32/Win32Api.h"

#include <string>
#include <vector>

namespace texkit2::framework::win32 {

// A dialog resource (DLGTEMPLATE or DLGTEMPLATEEX) whose font is not installed, given the
// stand-in whose metrics come closest to it; any other is returned as it is.
std::vector<char> withInstalledFont(std::vector<char> layout);

// The face and point size a dialog resource names.
struct TemplateFont {
  std::wstring face;
  int points = 0;
};
TemplateFont fontOf(const std::vector<char>& layout);

// Faces to take as not installed, so that tests see what a system without them shows.
void treatFontsAsMissing(std::vector<std::wstring> faces);

} // namespace texkit2::framework::win32
