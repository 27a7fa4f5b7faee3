#include "locate/KeyValues.h"

#include <optional>
#include <utility>

namespace texkit2::locate {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    x = (x >= 'A' && x <= 'Z') ? static_cast<char>(x - 'A' + 'a') : x;
    y = (y >= 'A' && y <= 'Z') ? static_cast<char>(y - 'A' + 'a') : y;
    if (x != y) {
      return false;
    }
  }
  return true;
}

const KeyValue* findIn(const std::vector<KeyValue>& nodes, std::string_view name) {
  for (const auto& node : nodes) {
    if (equalsIgnoringCase(node.key, name)) {
      return &node;
    }
  }
  return nullptr;
}

enum class TokenKind { End, Open, Close, String, Error };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;
};

class Lexer {
 public:
  explicit Lexer(std::string_view text) : m_text(text) {
    // Some editors save with a UTF-8 byte order mark.
    if (m_text.starts_with("\xEF\xBB\xBF")) {
      m_pos = 3;
    }
  }

  std::size_t position() const { return m_pos; }
  const std::string& error() const { return m_error; }

  Token next() {
    for (;;) {
      skipSpaceAndComments();
      if (m_pos >= m_text.size()) {
        return {TokenKind::End, {}};
      }
      const char c = m_text[m_pos];
      if (c == '[') {
        // A platform condition such as [$WIN32]: read past it and ignore it.
        const std::size_t close = m_text.find(']', m_pos);
        if (close == std::string_view::npos) {
          return fail("unterminated condition");
        }
        m_pos = close + 1;
        continue;
      }
      if (c == '{') {
        ++m_pos;
        return {TokenKind::Open, {}};
      }
      if (c == '}') {
        ++m_pos;
        return {TokenKind::Close, {}};
      }
      if (c == '"') {
        return quoted();
      }
      return bare();
    }
  }

 private:
  static bool isSpace(char c) {
    // Control bytes count as space, so binary noise reads as separators, not as tokens glued on.
    return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F;
  }

  void skipSpaceAndComments() {
    while (m_pos < m_text.size()) {
      if (isSpace(m_text[m_pos])) {
        ++m_pos;
      } else if (m_text.compare(m_pos, 2, "//") == 0) {
        const std::size_t newline = m_text.find('\n', m_pos);
        m_pos = newline == std::string_view::npos ? m_text.size() : newline + 1;
      } else {
        return;
      }
    }
  }

  Token quoted() {
    const std::size_t start = m_pos;
    ++m_pos;
    Token token{TokenKind::String, {}};
    while (m_pos < m_text.size()) {
      const char c = m_text[m_pos++];
      if (c == '"') {
        return token;
      }
      if (c == '\\' && m_pos < m_text.size()) {
        const char escaped = m_text[m_pos++];
        switch (escaped) {
        case 'n':
          token.text += '\n';
          break;
        case 't':
          token.text += '\t';
          break;
        case '\\':
        case '"':
          token.text += escaped;
          break;
        default: // not an escape Valve knows: keep both characters
          token.text += '\\';
          token.text += escaped;
          break;
        }
        continue;
      }
      token.text += c;
    }
    m_pos = start;
    return fail("unterminated string");
  }

  Token bare() {
    Token token{TokenKind::String, {}};
    while (m_pos < m_text.size()) {
      const char c = m_text[m_pos];
      if (isSpace(c) || c == '"' || c == '{' || c == '}') {
        break;
      }
      token.text += c;
      ++m_pos;
    }
    return token;
  }

  Token fail(const char* what) {
    m_error = what;
    return {TokenKind::Error, {}};
  }

  std::string_view m_text;
  std::size_t m_pos = 0;
  std::string m_error;
};

} // namespace

const KeyValue* KeyValue::find(std::string_view name) const {
  return findIn(children, name);
}

std::string KeyValue::valueOf(std::string_view name) const {
  const KeyValue* child = find(name);
  return child != nullptr && !child->block ? child->value : std::string();
}

const KeyValue* KeyValuesResult::find(std::string_view name) const {
  return findIn(roots, name);
}

KeyValuesResult readKeyValues(std::string_view text, const KeyValuesLimits& limits) {
  KeyValuesResult result;
  if (text.size() > limits.maxBytes) {
    result.error = "file of " + std::to_string(text.size()) + " bytes is larger than " +
                   std::to_string(limits.maxBytes);
    return result;
  }
  // The blocks still open, outermost first; a heap stack, so depth never reaches the C++ stack.
  std::vector<KeyValue> open(1);
  open[0].block = true;
  std::size_t nodes = 0;
  std::optional<std::string> pendingKey;
  Lexer lexer(text);
  auto fail = [&](const std::string& what) {
    result.error = what + " at byte " + std::to_string(lexer.position());
  };
  for (;;) {
    Token token = lexer.next();
    if (token.kind == TokenKind::Error) {
      fail(lexer.error());
      break;
    }
    if (token.kind == TokenKind::End) {
      if (pendingKey) {
        fail("key without a value");
      } else if (open.size() > 1) {
        fail("unterminated block");
      }
      break;
    }
    if (!pendingKey) {
      if (token.kind == TokenKind::String) {
        pendingKey = std::move(token.text);
        continue;
      }
      if (token.kind == TokenKind::Close && open.size() > 1) {
        KeyValue done = std::move(open.back());
        open.pop_back();
        open.back().children.push_back(std::move(done));
        continue;
      }
      fail(token.kind == TokenKind::Close ? "unbalanced }" : "block without a key");
      break;
    }
    if (++nodes > limits.maxNodes) {
      fail("more than " + std::to_string(limits.maxNodes) + " keys");
      break;
    }
    if (token.kind == TokenKind::String) {
      open.back().children.push_back({std::move(*pendingKey), std::move(token.text), {}, false});
      pendingKey.reset();
      continue;
    }
    if (token.kind == TokenKind::Open) {
      if (open.size() > limits.maxDepth) {
        fail("blocks nested deeper than " + std::to_string(limits.maxDepth));
        break;
      }
      KeyValue block;
      block.key = std::move(*pendingKey);
      block.block = true;
      open.push_back(std::move(block));
      pendingKey.reset();
      continue;
    }
    fail("key without a value");
    break;
  }
  // Whatever was read stays: the blocks left open close where the input stopped.
  while (open.size() > 1) {
    KeyValue done = std::move(open.back());
    open.pop_back();
    open.back().children.push_back(std::move(done));
  }
  result.roots = std::move(open[0].children);
  return result;
}

} // namespace texkit2::locate
