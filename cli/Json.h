#pragma once

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace texkit2::cli {

namespace detail {

// A string literal of UTF-8 text, in ASCII, by nlohmann's serializer. Its one difference from
// what this command has always printed: it writes \b \t \n \f \r in their short forms, where
// scripts reading the output have seen \u0008 \u0009 \u000a \u000c \u000d. Those five are
// spelt back; every other escape is nlohmann's own, byte for byte.
inline std::string asciiLiteral(const std::string& utf8) {
  const std::string dumped = nlohmann::json(utf8).dump(-1, ' ', true);
  std::string out;
  out.reserve(dumped.size());
  for (std::size_t i = 0; i < dumped.size(); ++i) {
    out += dumped[i];
    if (dumped[i] != '\\') {
      continue;
    }
    static constexpr char kShortForms[] = "btnfr";
    static constexpr char kCodes[] = "\b\t\n\f\r";
    const char escape = dumped[++i];
    const char* shortForm = std::strchr(kShortForms, escape);
    if (shortForm != nullptr) {
      char code[8];
      std::snprintf(code, sizeof code, "u%04x",
                    static_cast<unsigned>(kCodes[shortForm - kShortForms]));
      out += code;
    } else {
      out += escape; // the \" \\ and \u escapes stay as they are
    }
  }
  return out;
}

// A byte taken as Latin-1, in UTF-8.
inline void appendLatin1(std::string& out, unsigned char byte) {
  if (byte < 0x80) {
    out += static_cast<char>(byte);
  } else {
    out += static_cast<char>(0xC0 | (byte >> 6));
    out += static_cast<char>(0x80 | (byte & 0x3F));
  }
}

// The length of the well-formed UTF-8 sequence at `at` (RFC 3629: no overlong forms, no
// surrogates, nothing past U+10FFFF), or 0 when none starts there.
inline std::size_t utf8Length(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
  const unsigned lead = byte(0);
  if (lead < 0x80) {
    return 1;
  }
  std::size_t length = 2;
  unsigned low = 0x80;
  unsigned high = 0xBF; // the second byte's range
  if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : low;
    high = lead == 0xED ? 0x9F : high;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : low;
    high = lead == 0xF4 ? 0x8F : high;
  } else if (lead < 0xC2 || lead > 0xDF) {
    return 0;
  }
  if (text.size() - at < length || byte(1) < low || byte(1) > high) {
    return 0;
  }
  for (std::size_t k = 2; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) {
      return 0;
    }
  }
  return length;
}

} // namespace detail

// A JSON string literal of raw bytes (texture names), each taken as Latin-1, so that names
// with arbitrary bytes survive: caf\xE9 and caf\xC3\xA9 stay apart.
inline std::string jsonString(std::string_view text) {
  std::string utf8;
  for (const char c : text) {
    detail::appendLatin1(utf8, static_cast<unsigned char>(c));
  }
  return detail::asciiLiteral(utf8);
}

// A JSON string literal of UTF-8 text (paths, messages), all in ASCII: each character beyond it
// as \uXXXX, in two halves past U+FFFF. Bytes that are not UTF-8 (a Unix file name may hold
// any) are taken as Latin-1, as texture names are: nlohmann's serializer would throw on them,
// drop them or make each U+FFFD, and a path would no longer say which file it was.
inline std::string jsonText(std::string_view text) {
  std::string utf8;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = detail::utf8Length(text, i);
    if (length == 0) {
      detail::appendLatin1(utf8, static_cast<unsigned char>(text[i++]));
    } else {
      utf8.append(text.substr(i, length));
      i += length;
    }
  }
  return detail::asciiLiteral(utf8);
}

// A path in JSON. Through the path's UTF-8 form, so a Windows (ANSI) path comes out right too.
inline std::string jsonPath(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return jsonText(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

// The lists and objects are joined here: nlohmann's dump writes them either with no spaces or
// over several indented lines, never on one line as {"name": value, "other": [1, 2]}.
inline std::string jsonTextList(const std::vector<std::string>& texts) {
  std::string out = "[";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    out += (i == 0 ? "" : ", ") + jsonText(texts[i]);
  }
  return out + "]";
}

// [value, ...] of values already in JSON.
inline std::string jsonList(const std::vector<std::string>& values) {
  std::string out = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    out += (i == 0 ? "" : ", ") + values[i];
  }
  return out + "]";
}

// {"name": value, ...} of values already in JSON, in the order given.
inline std::string
jsonObject(std::initializer_list<std::pair<std::string_view, std::string>> fields) {
  std::string out = "{";
  for (const auto& [name, value] : fields) {
    out += (out.size() == 1 ? "" : ", ") + jsonText(name) + ": " + value;
  }
  return out + "}";
}

} // namespace texkit2::cli
