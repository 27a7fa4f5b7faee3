#include "res/rc/Json.h"

#include <cmath>
#include <iterator>
#include <optional>
#include <vector>

namespace texkit2::rc {
namespace {

// The text as nlohmann's lexer reads it, counting the bytes read: its SAX events carry no
// offsets, and a member given twice is found in one of them.
class CountingReader {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  CountingReader(const char* at, const char* begin, std::size_t* read)
      : m_at(at), m_begin(begin), m_read(read) {}
  reference operator*() const { return *m_at; }
  CountingReader& operator++() {
    ++m_at;
    *m_read = static_cast<std::size_t>(m_at - m_begin);
    return *this;
  }
  CountingReader operator++(int) {
    CountingReader before = *this;
    ++*this;
    return before;
  }
  bool operator==(const CountingReader& other) const { return m_at == other.m_at; }

 private:
  const char* m_at;
  const char* m_begin;
  std::size_t* m_read;
};

// Builds the value as nlohmann's own DOM parser does, refusing what it would let through.
class Builder final : public nlohmann::json_sax<JsonValue> {
 public:
  explicit Builder(const std::size_t& read) : m_read(read) {}

  JsonValue root;
  std::optional<JsonError> error;

  bool null() override { return add(nullptr); }
  bool boolean(bool value) override { return add(value); }
  bool number_integer(number_integer_t value) override { return add(value); }
  bool number_unsigned(number_unsigned_t value) override { return add(value); }
  bool number_float(number_float_t value, const string_t&) override { return add(value); }
  bool string(string_t& value) override { return add(std::move(value)); }
  bool binary(binary_t&) override { return false; } // JSON text has none
  bool start_object(std::size_t) override { return open(JsonValue::object()); }
  bool start_array(std::size_t) override { return open(JsonValue::array()); }
  bool end_object() override { return close(); }
  bool end_array() override { return close(); }

  bool key(string_t& name) override {
    if (m_open.back()->contains(name)) {
      error.emplace("member \"" + name + "\" given twice", m_read);
      return false;
    }
    m_key = std::move(name);
    return true;
  }

  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception& problem) override {
    // nlohmann counts the byte it stopped at, from 1.
    const std::size_t offset = position == 0 ? 0 : position - 1;
    // Its message, less "[json.exception.parse_error.101] parse error at line 1, column 10: ".
    const std::string what = problem.what();
    const std::size_t said = what.find(": ");
    std::string reason = said == std::string::npos ? what : what.substr(said + 2);
    if (m_done) {
      reason = "text after the value";
    } else if (what.find("while parsing object key") != std::string::npos) {
      reason = "expected a member name";
    } else if (what.find("surrogate") != std::string::npos) {
      reason = "lone surrogate";
    }
    error.emplace(reason, offset);
    return false;
  }

 private:
  // Deep enough for any layout, shallow enough that a hostile file stays small.
  static constexpr std::size_t kMaxDepth = 64;

  bool add(JsonValue value) {
    if (m_open.empty()) {
      root = std::move(value);
      m_done = true;
      return true;
    }
    JsonValue& parent = *m_open.back();
    JsonValue& added = parent.is_object() ? (parent[m_key] = std::move(value))
                                          : parent.emplace_back(std::move(value));
    m_last = &added;
    return true;
  }

  bool open(JsonValue container) {
    if (m_open.size() >= kMaxDepth) {
      error.emplace("nested too deeply", m_read);
      return false;
    }
    add(std::move(container));
    m_done = false;
    m_open.push_back(m_open.empty() ? &root : m_last);
    return true;
  }

  bool close() {
    m_open.pop_back();
    m_done = m_open.empty();
    return true;
  }

  const std::size_t& m_read;
  std::vector<JsonValue*> m_open;
  JsonValue* m_last = nullptr;
  std::string m_key;
  bool m_done = false;
};

} // namespace

JsonValue parseJson(const std::string& text) {
  std::size_t read = 0;
  Builder builder(read);
  const char* begin = text.data();
  if (!JsonValue::sax_parse(CountingReader(begin, begin, &read),
                            CountingReader(begin + text.size(), begin, &read), &builder)) {
    throw builder.error.value_or(JsonError("not JSON", read));
  }
  return std::move(builder.root);
}

bool toBool(const JsonValue& value) {
  if (!value.is_boolean()) {
    throw std::invalid_argument("not true or false");
  }
  return value.get<bool>();
}

int toInt(const JsonValue& value) {
  const double number = value.is_number() ? value.get<double>() : 0.5;
  if (std::floor(number) != number || number < -2147483648.0 || number > 2147483647.0) {
    throw std::invalid_argument("not a whole number");
  }
  return static_cast<int>(number);
}

const std::string& toString(const JsonValue& value) {
  if (!value.is_string()) {
    throw std::invalid_argument("not a string");
  }
  return value.get_ref<const std::string&>();
}

const JsonValue::array_t& items(const JsonValue& value) {
  if (!value.is_array()) {
    throw std::invalid_argument("not an array");
  }
  return value.get_ref<const JsonValue::array_t&>();
}

const JsonValue::object_t& members(const JsonValue& value) {
  if (!value.is_object()) {
    throw std::invalid_argument("not an object");
  }
  return value.get_ref<const JsonValue::object_t&>();
}

} // namespace texkit2::rc
