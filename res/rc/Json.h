#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace texkit2::rc {

// What is wrong with a JSON text, and at which byte.
class JsonError : public std::runtime_error {
 public:
  JsonError(const std::string& what, std::size_t offset)
      : std::runtime_error(what + " at byte " + std::to_string(offset)), m_offset(offset) {}
  std::size_t offset() const { return m_offset; }

 private:
  std::size_t m_offset;
};

// A JSON value as the layouts and the string table use it: object members keep their order.
using JsonValue = nlohmann::ordered_json;

// Parses one JSON text (RFC 8259, UTF-8). Stricter than nlohmann alone: a member given twice
// would silently lose one of its values, and layouts never nest deeper than a few levels.
JsonValue parseJson(const std::string& text);

// The value read as one kind; std::invalid_argument saying what it is not (for toInt, also a
// number that is not whole or does not fit).
bool toBool(const JsonValue& value);
int toInt(const JsonValue& value);
const std::string& toString(const JsonValue& value);
const JsonValue::array_t& items(const JsonValue& value);
const JsonValue::object_t& members(const JsonValue& value);

} // namespace texkit2::rc
