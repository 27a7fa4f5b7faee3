#pragma once

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// A JSON string literal of UTF-8 text (paths, messages), all in ASCII: each character beyond it
// as \uXXXX, in two halves past U+FFFF. Bytes that are not UTF-8 (a Unix file name may hold
// any) are taken as Latin-1, as texture names are.
inline std::string jsonText(std::string_view text) {
  std::string out = "\"";
  auto escape = [&out](unsigned unit) {
    char escaped[16];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", unit);
    out += escaped;
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    unsigned code = length == 1 ? lead : lead & (0x7Fu >> length);
    bool valid = lead < 0x80 || (lead >= 0xC2 && lead <= 0xF4 && i + length <= text.size());
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3Fu);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8 either.
    valid = valid && !(length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) &&
            !(length == 4 && (code < 0x10000 || code > 0x10FFFF));
    if (!valid) {
      escape(lead);
      ++i;
      continue;
    }
    i += length;
    if (code == '"' || code == '\\') {
      out += '\\';
      out += static_cast<char>(code);
    } else if (code < 0x20 || code == 0x7F || (code > 0x7F && code <= 0xFFFF)) {
      escape(code);
    } else if (code > 0xFFFF) {
      escape(0xD800 + ((code - 0x10000) >> 10));
      escape(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char>(code);
    }
  }
  return out + "\"";
}

// A path in JSON. Through the path's UTF-8 form, so a Windows (ANSI) path comes out right too.
inline std::string jsonPath(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return jsonText(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

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
