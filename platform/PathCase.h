#pragma once

#include "platform/AsciiCase.h"

#include <string>

namespace texkit2::platform {

// Finds the file or folder that `path` names on a case-sensitive file system the way a
// case-insensitive one would: each component that does not exist as spelt is matched against
// its folder's entries without regard to ASCII letter case, the first in byte order winning.
// Components with no match are kept as given, so the result can also name a file to create.
std::string resolveCaseInsensitive(const std::string& path);

} // namespace texkit2::platform
