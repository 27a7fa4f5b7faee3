#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace texkit2::cli {

// A JSON string literal; bytes that are not printable ASCII become \u00XX so that texture
// names with arbitrary bytes survive.
inline std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

} // namespace texkit2::cli
