#pragma once

#include "extract/PakScan.h"

#include <cstdio>
#include <string>

namespace texkit2::cli {

// A texture name up to its first zero byte, fit for a terminal: bytes outside printable ASCII,
// and the backslash, as \xNN.
inline std::string printableName(const extract::TextureName& name) {
  std::string text;
  for (const std::uint8_t byte : name) {
    if (byte == 0) {
      break;
    }
    if (byte < 0x20 || byte >= 0x7F || byte == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      text += escaped;
    } else {
      text += static_cast<char>(byte);
    }
  }
  return text;
}

// A path or folder name fit for a terminal: control bytes as \xNN, everything else (UTF-8
// included) as it is.
inline std::string printable(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
      shown += escaped;
    } else {
      shown += c;
    }
  }
  return shown;
}

} // namespace texkit2::cli
