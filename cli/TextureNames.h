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

} // namespace texkit2::cli
