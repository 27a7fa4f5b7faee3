#include "images/TextureFileNames.h"

#include <array>
#include <cstdio>

namespace texkit2::images {
namespace {

constexpr char kUpperMark = '^';
constexpr char kByteMark = '%';
constexpr std::string_view kKeptPunctuation = "+-_{}()[]!#$&',;=@~";
constexpr std::string_view kExtension = ".png";
constexpr std::string_view kLevelMark = ".mip";

bool kept(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         kKeptPunctuation.find(c) != std::string_view::npos;
}

bool reservedOnWindows(std::string_view encoded) {
  static constexpr std::array<std::string_view, 4> kDevices = {"con", "prn", "aux", "nul"};
  for (const std::string_view device : kDevices) {
    if (encoded == device) {
      return true;
    }
  }
  return encoded.size() == 4 && (encoded.starts_with("com") || encoded.starts_with("lpt")) &&
         encoded[3] >= '0' && encoded[3] <= '9';
}

void appendByte(std::string& out, char c) {
  char escaped[4];
  std::snprintf(escaped, sizeof escaped, "%c%02X", kByteMark, static_cast<unsigned char>(c));
  out += escaped;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1; // lower-case digits are not written, so not read either
}

} // namespace

std::string TextureFileName(std::string_view name, int level) {
  std::string encoded;
  for (const char c : name) {
    if (kept(c)) {
      encoded += c;
    } else if (c >= 'A' && c <= 'Z') {
      encoded += kUpperMark;
      encoded += c;
    } else {
      appendByte(encoded, c);
    }
  }
  // Only names of lower-case letters and digits can spell a device; those letters are kept.
  if (reservedOnWindows(encoded)) {
    std::string first;
    appendByte(first, encoded[0]);
    encoded.replace(0, 1, first);
  }
  if (level > 0) {
    encoded += kLevelMark;
    encoded += std::to_string(level);
  }
  return encoded + std::string(kExtension);
}

std::optional<TextureFileNameParts> ParseTextureFileName(std::string_view fileName) {
  if (!fileName.ends_with(kExtension)) {
    return std::nullopt;
  }
  fileName.remove_suffix(kExtension.size());
  TextureFileNameParts parts;
  // A '.' in a name is written as %2E, so the first '.' ends the name.
  const std::size_t dot = fileName.find('.');
  if (dot != std::string_view::npos) {
    const std::string_view suffix = fileName.substr(dot);
    if (suffix.size() != kLevelMark.size() + 1 || !suffix.starts_with(kLevelMark) ||
        suffix.back() < '1' || suffix.back() > '3') {
      return std::nullopt;
    }
    parts.level = suffix.back() - '0';
    fileName = fileName.substr(0, dot);
  }
  for (std::size_t i = 0; i < fileName.size(); ++i) {
    const char c = fileName[i];
    if (kept(c)) {
      parts.name += c;
    } else if (c == kUpperMark && i + 1 < fileName.size() && fileName[i + 1] >= 'A' &&
               fileName[i + 1] <= 'Z') {
      parts.name += fileName[++i];
    } else if (c == kByteMark && i + 2 < fileName.size() && hexValue(fileName[i + 1]) >= 0 &&
               hexValue(fileName[i + 2]) >= 0) {
      parts.name += static_cast<char>(hexValue(fileName[i + 1]) * 16 + hexValue(fileName[i + 2]));
      i += 2;
    } else {
      return std::nullopt;
    }
  }
  if (parts.name.empty()) {
    return std::nullopt;
  }
  return parts;
}

} // namespace texkit2::images
