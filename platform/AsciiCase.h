#pragma once

#include <string>

namespace texkit2::platform {

// ASCII letter case only: the names the tool compares (archives, executables, registry keys it
// writes) are ASCII, and folding other letters would match names the system the tool was made
// for would not (the Kelvin sign as "k", say).
inline char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string lowerAscii(std::string text) {
  for (char& c : text) {
    c = lowerAscii(c);
  }
  return text;
}

inline bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) {
      return false;
    }
  }
  return true;
}

} // namespace texkit2::platform
