#pragma once

#include "extract/Conflicts.h"

#include <ostream>
#include <string>
#include <vector>

namespace texkit2::cli {

// extract --conflicts: every name met more than once, the copy kept and each copy dropped, with
// where it was and how its bytes differ.
void printConflicts(const std::vector<extract::NameConflict>& conflicts, std::ostream& out);

// The same as a JSON array, for extract --json.
std::string conflictsJson(const std::vector<extract::NameConflict>& conflicts);

// The incomplete copies left out, each with the copy written instead (null when none was), as
// a JSON array for extract --json.
std::string incompleteJson(const std::vector<extract::NameConflict>& conflicts);

} // namespace texkit2::cli
