#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace texkit2::locate {

// One node of Valve's text KeyValues (Steam's libraryfolders.vdf, appmanifest_*.acf): a key
// with either a string value or a block of children.
struct KeyValue {
  std::string key;
  std::string value; // empty for a block
  std::vector<KeyValue> children;
  bool block = false;

  // The first child whose key matches `name` without regard to ASCII letter case; null if none.
  const KeyValue* find(std::string_view name) const;
  // The string value of that child; empty when it is missing or a block.
  std::string valueOf(std::string_view name) const;
};

struct KeyValuesLimits {
  std::size_t maxBytes = 16u << 20; // larger input is refused unread
  std::size_t maxDepth = 64;        // blocks nested deeper end the read
  std::size_t maxNodes = 1u << 20;  // keys in all
};

struct KeyValuesResult {
  // The top-level keys read; on an error, those read before it.
  std::vector<KeyValue> roots;
  // Empty when the whole input was read; else what stopped the read and at which byte.
  std::string error;

  bool ok() const { return error.empty(); }
  // The first top-level key of that name (any letter case); null if none.
  const KeyValue* find(std::string_view name) const;
};

// Reads text KeyValues tolerantly: quoted and bare tokens, the escapes \" \\ \n \t, // comments,
// nested blocks, and [$CONDITION] tags (ignored). Bytes are kept as they come (no encoding is
// assumed). Never throws on bad input; bounded in time and memory by `limits`.
KeyValuesResult readKeyValues(std::string_view text, const KeyValuesLimits& limits = {});

} // namespace texkit2::locate
