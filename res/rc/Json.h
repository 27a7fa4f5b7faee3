#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

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

// A JSON value as the layouts and the string table use it. Object members keep their order;
// numbers are kept as written and read back as integers or reals.
class JsonValue {
 public:
  enum class Kind { Null, Bool, Number, String, Array, Object };
  using Member = std::pair<std::string, JsonValue>;

  JsonValue() = default;
  static JsonValue boolean(bool value);
  static JsonValue number(double value);
  static JsonValue string(std::string value);
  static JsonValue array(std::vector<JsonValue> items);
  static JsonValue object(std::vector<Member> members);

  Kind kind() const { return m_kind; }
  bool isObject() const { return m_kind == Kind::Object; }

  // Each of these throws std::invalid_argument when the value is of another kind (or, for
  // toInt, not a whole number that fits).
  bool toBool() const;
  int toInt() const;
  const std::string& toString() const;
  const std::vector<JsonValue>& items() const;
  const std::vector<Member>& members() const;

  // The member of that name, or nullptr.
  const JsonValue* find(const std::string& name) const;

 private:
  Kind m_kind = Kind::Null;
  bool m_bool = false;
  double m_number = 0;
  std::string m_string;
  std::vector<JsonValue> m_items;
  std::vector<Member> m_members;
};

// Parses one JSON text (RFC 8259; strings are UTF-8, \u escapes become UTF-8 too).
JsonValue parseJson(const std::string& text);

} // namespace texkit2::rc
