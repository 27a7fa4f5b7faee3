#pragma once

#include <optional>
#include <string>

namespace texkit2::framework {

// An entry of the program's string table, or nullopt when it has none.
std::optional<std::string> LoadString(int id);

} // namespace texkit2::framework
