#pragma once

#include <cstddef>
#include <string_view>

namespace texkit2::extract {

// Whether a JSON text opens more than `limit` arrays or objects inside one another. nlohmann's
// parser keeps its own stack, but the values it builds are freed by recursion, so a file another
// program wrote is measured before it is parsed. Brackets inside strings do not count.
inline bool JsonNestsDeeperThan(std::string_view text, std::size_t limit) {
  std::size_t depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '{' || c == '[') {
      if (++depth > limit) {
        return true;
      }
    } else if ((c == '}' || c == ']') && depth > 0) {
      --depth;
    }
  }
  return false;
}

} // namespace texkit2::extract
