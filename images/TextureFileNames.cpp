#include "images/TextureFileNames.h"

#include "platform/AsciiCase.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace texkit2::images {
namespace {

constexpr std::string_view kExtension = ".png";
constexpr std::string_view kLevelMark = ".mip";
// Windows refuses these in a file name; '/' and the zero byte are refused everywhere.
constexpr std::string_view kRefused = "/\\:?\"<>|";

bool refused(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte >= 0x7F || kRefused.find(c) != std::string_view::npos;
}

// Windows opens the device for such a name whatever follows its first '.', and ignores the
// spaces before that '.'.
bool deviceName(std::string_view stem) {
  while (!stem.empty() && stem.back() == ' ') {
    stem.remove_suffix(1);
  }
  const std::string folded = platform::lowerAscii(std::string(stem));
  static constexpr std::array<std::string_view, 4> kDevices = {"con", "prn", "aux", "nul"};
  for (const std::string_view device : kDevices) {
    if (folded == device) {
      return true;
    }
  }
  return folded.size() == 4 && (folded.starts_with("com") || folded.starts_with("lpt")) &&
         folded[3] >= '1' && folded[3] <= '9';
}

} // namespace

std::string PortableTextureName(std::string_view name) {
  std::string portable;
  for (const char c : name) {
    if (c == '*') {
      portable += '#';
    } else if (refused(c)) {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
      portable += escaped;
    } else {
      portable += c;
    }
  }
  const std::size_t dot = std::min(portable.find('.'), portable.size());
  if (deviceName(std::string_view(portable).substr(0, dot))) {
    portable.insert(dot, 1, '_');
  }
  return portable;
}

std::string TextureFileName(std::string_view stem, int level) {
  std::string file(stem);
  if (level > 0) {
    file += kLevelMark;
    file += std::to_string(level);
  }
  return file + std::string(kExtension);
}

bool TextureFileNamer::taken(const std::string& stem) const {
  for (int level = 0; level < m_levels; ++level) {
    if (m_files.contains(platform::lowerAscii(TextureFileName(stem, level)))) {
      return true;
    }
  }
  return false;
}

std::string TextureFileNamer::stem(std::string_view name) {
  const std::string portable = PortableTextureName(name);
  std::string stem = portable;
  for (int number = 2; taken(stem); ++number) {
    stem = portable + '~' + std::to_string(number);
  }
  for (int level = 0; level < m_levels; ++level) {
    m_files.insert(platform::lowerAscii(TextureFileName(stem, level)));
  }
  return stem;
}

} // namespace texkit2::images
