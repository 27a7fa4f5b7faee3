#include "res/rc/Json.h"

#include <cmath>
#include <cstdlib>

namespace texkit2::rc {

JsonValue JsonValue::boolean(bool value) {
  JsonValue v;
  v.m_kind = Kind::Bool;
  v.m_bool = value;
  return v;
}

JsonValue JsonValue::number(double value) {
  JsonValue v;
  v.m_kind = Kind::Number;
  v.m_number = value;
  return v;
}

JsonValue JsonValue::string(std::string value) {
  JsonValue v;
  v.m_kind = Kind::String;
  v.m_string = std::move(value);
  return v;
}

JsonValue JsonValue::array(std::vector<JsonValue> items) {
  JsonValue v;
  v.m_kind = Kind::Array;
  v.m_items = std::move(items);
  return v;
}

JsonValue JsonValue::object(std::vector<Member> members) {
  JsonValue v;
  v.m_kind = Kind::Object;
  v.m_members = std::move(members);
  return v;
}

bool JsonValue::toBool() const {
  if (m_kind != Kind::Bool) {
    throw std::invalid_argument("not true or false");
  }
  return m_bool;
}

int JsonValue::toInt() const {
  if (m_kind != Kind::Number || std::floor(m_number) != m_number || m_number < -2147483648.0 ||
      m_number > 2147483647.0) {
    throw std::invalid_argument("not a whole number");
  }
  return static_cast<int>(m_number);
}

const std::string& JsonValue::toString() const {
  if (m_kind != Kind::String) {
    throw std::invalid_argument("not a string");
  }
  return m_string;
}

const std::vector<JsonValue>& JsonValue::items() const {
  if (m_kind != Kind::Array) {
    throw std::invalid_argument("not an array");
  }
  return m_items;
}

const std::vector<JsonValue::Member>& JsonValue::members() const {
  if (m_kind != Kind::Object) {
    throw std::invalid_argument("not an object");
  }
  return m_members;
}

const JsonValue* JsonValue::find(const std::string& name) const {
  for (const Member& member : members()) {
    if (member.first == name) {
      return &member.second;
    }
  }
  return nullptr;
}

namespace {

class Parser {
 public:
  explicit Parser(const std::string& text) : m_text(text) {}

  JsonValue document() {
    JsonValue value = this->value(0);
    skipSpace();
    if (m_at != m_text.size()) {
      fail("text after the value");
    }
    return value;
  }

 private:
  // Deep enough for any layout, shallow enough that a hostile file cannot exhaust the stack.
  static constexpr int kMaxDepth = 64;

  [[noreturn]] void fail(const std::string& what) const { throw JsonError(what, m_at); }

  void skipSpace() {
    while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t' ||
                                    m_text[m_at] == '\n' || m_text[m_at] == '\r')) {
      ++m_at;
    }
  }

  bool consume(char c) {
    skipSpace();
    if (m_at < m_text.size() && m_text[m_at] == c) {
      ++m_at;
      return true;
    }
    return false;
  }

  void expect(char c) {
    if (!consume(c)) {
      fail(std::string("expected '") + c + "'");
    }
  }

  bool literal(const char* word) {
    const std::string w(word);
    if (m_text.compare(m_at, w.size(), w) == 0) {
      m_at += w.size();
      return true;
    }
    return false;
  }

  JsonValue value(int depth) {
    if (depth > kMaxDepth) {
      fail("nested too deeply");
    }
    skipSpace();
    if (m_at >= m_text.size()) {
      fail("expected a value");
    }
    const char c = m_text[m_at];
    if (c == '{') {
      return object(depth);
    }
    if (c == '[') {
      return array(depth);
    }
    if (c == '"') {
      return JsonValue::string(string());
    }
    if (literal("true")) {
      return JsonValue::boolean(true);
    }
    if (literal("false")) {
      return JsonValue::boolean(false);
    }
    if (literal("null")) {
      return {};
    }
    return number();
  }

  JsonValue object(int depth) {
    expect('{');
    std::vector<JsonValue::Member> members;
    if (consume('}')) {
      return JsonValue::object(std::move(members));
    }
    do {
      skipSpace();
      if (m_at >= m_text.size() || m_text[m_at] != '"') {
        fail("expected a member name");
      }
      std::string name = string();
      for (const auto& member : members) {
        if (member.first == name) {
          fail("member \"" + name + "\" given twice");
        }
      }
      expect(':');
      members.emplace_back(std::move(name), value(depth + 1));
    } while (consume(','));
    expect('}');
    return JsonValue::object(std::move(members));
  }

  JsonValue array(int depth) {
    expect('[');
    std::vector<JsonValue> items;
    if (consume(']')) {
      return JsonValue::array(std::move(items));
    }
    do {
      items.push_back(value(depth + 1));
    } while (consume(','));
    expect(']');
    return JsonValue::array(std::move(items));
  }

  JsonValue number() {
    const std::size_t start = m_at;
    auto digits = [this] {
      const std::size_t first = m_at;
      while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9') {
        ++m_at;
      }
      return m_at > first;
    };
    if (m_at < m_text.size() && m_text[m_at] == '-') {
      ++m_at;
    }
    if (!digits()) {
      m_at = start;
      fail("expected a value");
    }
    if (m_at < m_text.size() && m_text[m_at] == '.') {
      ++m_at;
      if (!digits()) {
        fail("expected digits after '.'");
      }
    }
    if (m_at < m_text.size() && (m_text[m_at] == 'e' || m_text[m_at] == 'E')) {
      ++m_at;
      if (m_at < m_text.size() && (m_text[m_at] == '+' || m_text[m_at] == '-')) {
        ++m_at;
      }
      if (!digits()) {
        fail("expected an exponent");
      }
    }
    return JsonValue::number(std::strtod(m_text.substr(start, m_at - start).c_str(), nullptr));
  }

  unsigned hex4() {
    if (m_text.size() - m_at < 4) {
      fail("short \\u escape");
    }
    unsigned value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = m_text[m_at++];
      value <<= 4;
      if (c >= '0' && c <= '9') {
        value |= static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        value |= static_cast<unsigned>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        value |= static_cast<unsigned>(c - 'A' + 10);
      } else {
        fail("bad \\u escape");
      }
    }
    return value;
  }

  static void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string string() {
    ++m_at; // the opening quote
    std::string out;
    while (true) {
      if (m_at >= m_text.size()) {
        fail("unterminated string");
      }
      const char c = m_text[m_at++];
      if (c == '"') {
        return out;
      }
      if (static_cast<unsigned char>(c) < 0x20) {
        --m_at;
        fail("control character in a string");
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (m_at >= m_text.size()) {
        fail("unterminated string");
      }
      const char e = m_text[m_at++];
      switch (e) {
      case '"':
      case '\\':
      case '/':
        out += e;
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'u': {
        unsigned code = hex4();
        if (code >= 0xD800 && code < 0xDC00) {
          if (!literal("\\u")) {
            fail("lone surrogate");
          }
          const unsigned low = hex4();
          if (low < 0xDC00 || low >= 0xE000) {
            fail("lone surrogate");
          }
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code < 0xE000) {
          fail("lone surrogate");
        }
        appendUtf8(out, code);
        break;
      }
      default:
        --m_at;
        fail("bad escape");
      }
    }
  }

  const std::string& m_text;
  std::size_t m_at = 0;
};

} // namespace

JsonValue parseJson(const std::string& text) {
  return Parser(text).document();
}

} // namespace texkit2::rc
