#include "platform/WineRegistryStore.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <pwd.h>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace texkit2::platform {

namespace fs = std::filesystem;

struct WineRegistryStore::Document {
  struct Line {
    std::string text; // without its line ending
    std::string eol;  // "\n", "\r\n", or empty for a last line without one
  };
  struct Value {
    std::u16string name; // as the file spells it
    std::u16string folded;
    std::size_t first = 0; // line span, continuation lines included
    std::size_t last = 0;
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data; // as Wine holds it: strings in UTF-16LE with their NUL
    bool cutShort = false;          // hex data whose continuation line never came
  };
  struct Section {
    std::u16string folded; // key path below the user's root
    std::size_t header = 0;
    std::size_t end = 0; // last header, option or value line: new values go after it
    std::optional<std::size_t> timeLine;
    bool link = false;
    std::vector<Value> values;
  };

  std::vector<Line> lines;
  std::vector<Section> sections;
  std::string eol = "\n";
  // What was read, to notice someone else replacing the file before we do.
  struct stat identity {};
};

namespace {

using Document = WineRegistryStore::Document;

constexpr std::string_view kSignature = "WINE REGISTRY Version 2";
constexpr RegResult kRegNoAccess = 998;     // ERROR_NOACCESS: data missing for a non-zero size
constexpr RegResult kChangedMeanwhile = -1; // internal: user.reg changed under us, start over
constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kTicks1601To1970 = 116'444'736'000'000'000; // FILETIME of the Unix epoch
constexpr int kWriteAttempts = 3;

// Windows-1252 bytes 0x80-0x9F; the five unassigned ones map to the same code point, as
// Windows and Wine do, so every byte survives a round trip.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t ansiToUnit(std::uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) {
    return kCp1252High[static_cast<std::size_t>(byte - 0x80)];
  }
  return static_cast<char16_t>(byte);
}

// Unmappable characters become '?', Wine's default character for the ANSI code page.
std::uint8_t unitToAnsi(char32_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
    return static_cast<std::uint8_t>(unit);
  }
  for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
    if (kCp1252High[i] == unit) {
      return static_cast<std::uint8_t>(0x80 + i);
    }
  }
  return '?';
}

std::u16string ansiToUtf16(const std::uint8_t* data, std::size_t size) {
  std::u16string out;
  out.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    out += ansiToUnit(data[i]);
  }
  return out;
}

std::u16string ansiToUtf16(const std::string& text) {
  return ansiToUtf16(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

std::vector<std::uint8_t> toUtf16Le(const std::u16string& text) {
  std::vector<std::uint8_t> out;
  out.reserve(text.size() * 2);
  for (char16_t unit : text) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return out;
}

std::vector<std::uint8_t> utf16LeToAnsi(const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out;
  out.reserve(data.size() / 2);
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    out.push_back(unitToAnsi(static_cast<char32_t>(data[i] | (data[i + 1] << 8))));
  }
  return out;
}

bool isStringType(std::uint32_t type) {
  return type == 1 || type == 2 || type == 7;
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned hexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return static_cast<unsigned>(c - '0');
  }
  return static_cast<unsigned>((c | 0x20) - 'a' + 10);
}

std::size_t skipSpaces(std::string_view text, std::size_t pos) {
  while (pos < text.size() && isSpace(text[pos])) {
    ++pos;
  }
  return pos;
}

std::string hex(std::uint64_t value) {
  std::array<char, 20> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, 16);
  return std::string(buffer.data(), result.ptr);
}

std::string hexPadded(std::uint64_t value, std::size_t width) {
  std::string digits = hex(value);
  return digits.size() < width ? std::string(width - digits.size(), '0') + digits : digits;
}

// Unix file names are UTF-8; a Windows program sees them as Unicode, which the ANSI API shows in
// Windows-1252. Empty when a character has no place there (an ANSI program could not open the
// file by that name), with the character, as the file name spells it, in `missing`.
std::optional<std::string> utf8ToAnsi(const std::string& text, std::string& missing) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    std::size_t length = lead < 0x80    ? 1
                         : lead >= 0xF0 ? 4
                         : lead >= 0xE0 ? 3
                         : lead >= 0xC0 ? 2
                                        : 0;
    char32_t code = length == 1   ? lead
                    : length == 2 ? lead & 0x1Fu
                    : length == 3 ? lead & 0x0Fu
                                  : lead & 0x07u;
    bool valid = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<std::uint8_t>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3Fu);
    }
    if (!valid) {
      missing = "\\x" + hexPadded(lead, 2);
      return std::nullopt;
    }
    const std::uint8_t ansi = unitToAnsi(code);
    if (ansi == '?' && code != U'?') {
      missing = text.substr(i, length);
      return std::nullopt;
    }
    out += static_cast<char>(ansi);
    i += length;
  }
  return out;
}

// Key and value names match without regard to case, as in Wine; this folds ASCII and Latin-1.
char16_t foldUnit(char16_t unit) {
  if ((unit >= u'A' && unit <= u'Z') || (unit >= 0xC0 && unit <= 0xDE && unit != 0xD7)) {
    return static_cast<char16_t>(unit + 0x20);
  }
  return unit;
}

std::u16string foldName(std::u16string_view name) {
  std::u16string out(name);
  std::transform(out.begin(), out.end(), out.begin(), foldUnit);
  return out;
}

// Repeated and trailing backslashes separate nothing, as in Wine's path tokenizer.
std::u16string foldPath(std::u16string_view path) {
  std::u16string out;
  std::size_t pos = 0;
  while (pos < path.size()) {
    const std::size_t next = std::min(path.find(u'\\', pos), path.size());
    if (next > pos) {
      if (!out.empty()) {
        out += u'\\';
      }
      out += foldName(path.substr(pos, next - pos));
    }
    pos = next + 1;
  }
  return out;
}

std::u16string joinPath(const std::u16string& base, const std::u16string& relative) {
  if (base.empty() || relative.empty()) {
    return base.empty() ? relative : base;
  }
  return base + u'\\' + relative;
}

// Reads escaped text up to the unescaped `end`, as Wine's parse_strW does, and returns the index
// just past `end`, or npos when `end` never comes. Raw bytes above 127, which Wine never
// writes, are taken as Latin-1.
std::size_t parseEscaped(std::string_view text, std::size_t pos, char end, std::u16string& out) {
  out.clear();
  while (pos < text.size() && text[pos] != end) {
    if (text[pos] != '\\') {
      out += static_cast<char16_t>(static_cast<std::uint8_t>(text[pos++]));
      continue;
    }
    if (++pos >= text.size()) {
      return std::string_view::npos;
    }
    static constexpr std::string_view kLetters = "abefnrtv";
    static constexpr std::u16string_view kControls = u"\a\b\x1b\f\n\r\t\v";
    const char c = text[pos];
    if (const auto letter = kLetters.find(c); letter != std::string_view::npos) {
      out += kControls[letter];
      ++pos;
    } else if (c == 'x') {
      ++pos;
      if (pos >= text.size() || !isHexDigit(text[pos])) {
        out += u'x';
        continue;
      }
      unsigned value = 0;
      for (int i = 0; i < 4 && pos < text.size() && isHexDigit(text[pos]); ++i) {
        value = value * 16 + hexDigit(text[pos++]);
      }
      out += static_cast<char16_t>(value);
    } else if (c >= '0' && c <= '7') {
      unsigned value = static_cast<unsigned>(text[pos++] - '0');
      for (int i = 0; i < 2 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7'; ++i) {
        value = value * 8 + static_cast<unsigned>(text[pos++] - '0');
      }
      out += static_cast<char16_t>(value);
    } else {
      out += static_cast<char16_t>(static_cast<std::uint8_t>(text[pos++]));
    }
  }
  return pos < text.size() ? pos + 1 : std::string_view::npos;
}

// Escapes as Wine's dump_strW: C escapes or octal below 32, \x above 127 (four digits when a
// hex digit follows, so it is not read as part of the escape), backslash before `\` and the
// two delimiters.
std::string dumpEscaped(std::u16string_view text, char delimiter1, char delimiter2) {
  static constexpr std::string_view kEscapes = ".......abtnvfr.............e....";
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool hasNext = i + 1 < text.size();
    if (unit > 127) {
      const bool hexFollows =
          hasNext && text[i + 1] < 128 && isHexDigit(static_cast<char>(text[i + 1]));
      out += "\\x" + (hexFollows ? hexPadded(unit, 4) : hex(unit));
    } else if (unit < 32) {
      const char escape = kEscapes[unit];
      if (escape != '.') {
        out += '\\';
        out += escape;
      } else {
        const bool octalFollows = hasNext && text[i + 1] >= u'0' && text[i + 1] <= u'7';
        std::array<char, 4> digits{};
        const auto result =
            std::to_chars(digits.data(), digits.data() + digits.size(), unsigned{unit}, 8);
        std::string octal(digits.data(), result.ptr);
        if (octalFollows) {
          octal.insert(0, 3 - octal.size(), '0');
        }
        out += '\\' + octal;
      }
    } else {
      const char c = static_cast<char>(unit);
      if (c == '\\' || c == delimiter1 || c == delimiter2) {
        out += '\\';
      }
      out += c;
    }
  }
  return out;
}

// One value as Wine's dump_value writes it; long hex data continues on further lines.
std::string formatValue(const std::u16string& name, std::uint32_t type,
                        const std::vector<std::uint8_t>& data, const std::string& eol) {
  std::string out;
  if (name.empty()) {
    out = "@=";
  } else {
    out = "\"" + dumpEscaped(name, '"', '"') + "\"=";
  }
  std::size_t count = out.size();
  if (isStringType(type) && data.size() >= 2 && data.size() % 2 == 0 &&
      data[data.size() - 1] == 0 && data[data.size() - 2] == 0) {
    std::u16string text;
    for (std::size_t i = 0; i + 2 < data.size(); i += 2) {
      text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    if (type != kRegString) {
      out += "str(" + hex(type) + "):";
    }
    return out + "\"" + dumpEscaped(text, '"', '"') + "\"";
  }
  if (type == kRegDword && data.size() == 4) {
    const std::uint32_t value = static_cast<std::uint32_t>(data[0]) |
                                (std::uint32_t{data[1]} << 8) | (std::uint32_t{data[2]} << 16) |
                                (std::uint32_t{data[3]} << 24);
    return out + "dword:" + hexPadded(value, 8);
  }
  const std::string tag = type == 3 ? "hex:" : "hex(" + hex(type) + "):";
  out += tag;
  count += tag.size();
  for (std::size_t i = 0; i < data.size(); ++i) {
    out += hexPadded(data[i], 2);
    count += 2;
    if (i + 1 < data.size()) {
      out += ',';
      if (++count > 76) {
        out += "\\" + eol + "  ";
        count = 2;
      }
    }
  }
  return out;
}

// Comma-separated hex bytes as Wine's parse_hex reads them; false on a malformed byte.
bool parseHexBytes(std::string_view text, std::size_t& pos, std::vector<std::uint8_t>& out) {
  while (pos < text.size() && isHexDigit(text[pos])) {
    unsigned value = 0;
    while (pos < text.size() && isHexDigit(text[pos])) {
      value = std::min(value * 16 + hexDigit(text[pos++]), 0x100u);
    }
    if (value > 0xFF) {
      return false;
    }
    out.push_back(static_cast<std::uint8_t>(value));
    pos = skipSpaces(text, pos);
    if (pos < text.size() && text[pos] == ',') {
      ++pos;
    }
    pos = skipSpaces(text, pos);
  }
  return true;
}

// Parses the data after `name=`, as Wine's load_value: false when malformed. Hex data may take
// further lines, and `index` then moves to the last one.
bool parseData(const std::vector<Document::Line>& lines, std::size_t& index, std::size_t pos,
               std::uint32_t& type, std::vector<std::uint8_t>& data, bool& cutShort) {
  std::string_view text = lines[index].text;
  const std::string_view rest = text.substr(pos);
  struct Tag {
    std::string_view text;
    std::uint32_t type;
    bool isString;
  };
  static constexpr std::array<Tag, 6> kTags = {{{"\"", 1, true},
                                                {"str:\"", 1, true},
                                                {"str(2):\"", 2, true},
                                                {"str(7):\"", 7, true},
                                                {"hex:", 3, false},
                                                {"dword:", 4, false}}};
  for (const Tag& tag : kTags) {
    if (!rest.starts_with(tag.text)) {
      continue;
    }
    pos += tag.text.size();
    type = tag.type;
    if (tag.isString) {
      std::u16string value;
      if (parseEscaped(text, pos, '"', value) == std::string_view::npos) {
        return false;
      }
      value += u'\0';
      data = toUtf16Le(value);
      return true;
    }
    if (tag.type == kRegDword) {
      pos = skipSpaces(text, pos);
      if (text.substr(pos).starts_with("0x") || text.substr(pos).starts_with("0X")) {
        pos += 2;
      }
      std::uint64_t value = 0;
      while (pos < text.size() && isHexDigit(text[pos])) {
        value = std::min<std::uint64_t>(value * 16 + hexDigit(text[pos++]), 0xFFFFFFFFu);
      }
      const auto dword = static_cast<std::uint32_t>(value);
      data = {static_cast<std::uint8_t>(dword), static_cast<std::uint8_t>(dword >> 8),
              static_cast<std::uint8_t>(dword >> 16), static_cast<std::uint8_t>(dword >> 24)};
      return true;
    }
    break; // hex: below
  }
  if (!rest.starts_with("hex:")) {
    if (!rest.starts_with("hex(")) {
      return false;
    }
    pos += 4;
    std::uint64_t value = 0;
    while (pos < text.size() && isHexDigit(text[pos])) {
      value = std::min<std::uint64_t>(value * 16 + hexDigit(text[pos++]), 0xFFFFFFFFu);
    }
    if (!text.substr(pos).starts_with("):")) {
      return false;
    }
    pos += 2;
    type = static_cast<std::uint32_t>(value);
  }
  data.clear();
  for (;;) {
    if (!parseHexBytes(text, pos, data)) {
      return false;
    }
    pos = skipSpaces(text, pos);
    if (pos >= text.size()) {
      return true;
    }
    // Wine takes the next line as the continuation whatever it holds.
    if (text[pos] != '\\' || index + 1 >= lines.size()) {
      cutShort = text[pos] == '\\';
      return false;
    }
    text = lines[++index].text;
    pos = skipSpaces(text, 0);
  }
}

// A value line starting at `index`; nullopt when its name is malformed (Wine then ignores it).
std::optional<Document::Value> parseValue(const std::vector<Document::Line>& lines,
                                          std::size_t& index) {
  const std::string_view text = lines[index].text;
  Document::Value value;
  value.first = index;
  std::size_t pos = skipSpaces(text, 0);
  if (text[pos] == '@') {
    ++pos;
  } else {
    pos = parseEscaped(text, pos + 1, '"', value.name);
    if (pos == std::string_view::npos) {
      return std::nullopt;
    }
  }
  pos = skipSpaces(text, pos);
  if (pos >= text.size() || text[pos] != '=') {
    return std::nullopt;
  }
  pos = skipSpaces(text, pos + 1);
  value.folded = foldName(value.name);
  if (!parseData(lines, index, pos, value.type, value.data, value.cutShort)) {
    value.type = kRegNone; // as Wine leaves a malformed value
    value.data.clear();
  }
  value.last = index;
  return value;
}

// The key path of a section header line, or nullopt when malformed. `afterName` is set to the
// index just past the closing bracket.
std::optional<std::u16string> parseHeader(std::string_view text, std::size_t& afterName) {
  std::u16string name;
  afterName = parseEscaped(text, skipSpaces(text, 0) + 1, ']', name);
  if (afterName == std::string_view::npos || (!name.empty() && name[0] == u'\\')) {
    return std::nullopt;
  }
  return foldPath(name);
}

std::vector<Document::Line> splitLines(const std::string& bytes) {
  std::vector<Document::Line> lines;
  // A prefix's system.reg runs to tens of thousands of lines: grow the vector once.
  lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t newline = bytes.find('\n', start);
    if (newline == std::string::npos) {
      lines.push_back({bytes.substr(start), ""});
      break;
    }
    std::size_t end = newline;
    const bool crlf = end > start && bytes[end - 1] == '\r';
    if (crlf) {
      --end;
    }
    lines.push_back({bytes.substr(start, end - start), crlf ? "\r\n" : "\n"});
    start = newline + 1;
  }
  return lines;
}

// The file's first lines and the sections of the keys at or below `keys` (paths as openKey takes
// them), the rest dropped unparsed: a prefix's system.reg holds tens of thousands of keys, and a
// lookup that wants a handful should not pay for them all. Headers are compared as Wine writes
// them, separators escaped, without regard to ASCII case.
std::string keepSections(const std::string& bytes, const std::vector<std::string>& keys) {
  std::vector<std::string> wanted;
  for (const auto& key : keys) {
    std::string escaped = "[";
    for (const char c : key) {
      escaped +=
          c == '\\'
              ? std::string("\\\\")
              : std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    wanted.push_back(std::move(escaped));
  }
  std::string kept;
  bool keeping = true; // the signature and options before the first section
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t newline = bytes.find('\n', start);
    const std::size_t end = newline == std::string::npos ? bytes.size() : newline + 1;
    if (bytes[start] == '[') {
      keeping = std::any_of(wanted.begin(), wanted.end(), [&](const std::string& prefix) {
        if (end - start < prefix.size() + 1) {
          return false;
        }
        for (std::size_t i = 0; i < prefix.size(); ++i) {
          if (std::tolower(static_cast<unsigned char>(bytes[start + i])) !=
              static_cast<unsigned char>(prefix[i])) {
            return false;
          }
        }
        const char next = bytes[start + prefix.size()];
        return next == ']' || next == '\\';
      });
    }
    if (keeping) {
      kept.append(bytes, start, end - start);
    }
    start = end;
  }
  return kept;
}

std::optional<Document> parseDocument(const std::string& bytes) {
  Document doc;
  doc.lines = splitLines(bytes);
  doc.sections.reserve(static_cast<std::size_t>(
      std::count_if(doc.lines.begin(), doc.lines.end(),
                    [](const Document::Line& line) { return line.text.starts_with('['); })));
  if (doc.lines.empty() || doc.lines[0].text != kSignature) {
    return std::nullopt;
  }
  if (!doc.lines[0].eol.empty()) {
    doc.eol = doc.lines[0].eol;
  }
  Document::Section* section = nullptr;
  for (std::size_t i = 1; i < doc.lines.size(); ++i) {
    const std::string_view text = doc.lines[i].text;
    const std::size_t pos = skipSpaces(text, 0);
    const char first = pos < text.size() ? text[pos] : '\0';
    if (first == '[') {
      std::size_t afterName = 0;
      section = nullptr;
      if (auto path = parseHeader(text, afterName)) {
        doc.sections.push_back({std::move(*path), i, i, std::nullopt, false, {}});
        section = &doc.sections.back();
      }
    } else if ((first == '@' || first == '"') && section != nullptr) {
      const std::size_t start = i;
      if (auto value = parseValue(doc.lines, i)) {
        section->values.push_back(std::move(*value));
      }
      section->end = std::max(start, i);
    } else if (first == '#' && section != nullptr) {
      const std::string_view option = text.substr(pos);
      if (option.starts_with("#time=")) {
        section->timeLine = i;
      } else if (option.starts_with("#link")) {
        section->link = true;
      }
      section->end = i;
    } else if (first == '#' && text.substr(pos).starts_with("#arch=")) {
      // Wine refuses the whole file over an architecture it does not know.
      const std::string_view arch = text.substr(pos + 6);
      if (arch != "win32" && arch != "win64") {
        return std::nullopt;
      }
    }
  }
  return doc;
}

std::string serialize(const std::vector<Document::Line>& lines) {
  std::string out;
  for (const auto& line : lines) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

std::string retimeHeader(const std::string& text, std::uint64_t unixSeconds) {
  std::size_t afterName = 0;
  parseHeader(text, afterName);
  const std::size_t digits = skipSpaces(text, afterName);
  std::size_t end = digits;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
    ++end;
  }
  if (end == digits) {
    return text.substr(0, afterName) + " " + std::to_string(unixSeconds) + text.substr(afterName);
  }
  return text.substr(0, digits) + std::to_string(unixSeconds) + text.substr(end);
}

std::string retimeOption(const std::string& text, std::uint64_t fileTime) {
  const std::size_t start = text.find("#time=") + 6;
  std::size_t end = start;
  while (end < text.size() && isHexDigit(text[end])) {
    ++end;
  }
  // Wine writes %x%08x of the two halves, which is plain hex for any time after 1601.
  const std::string stamp = hex(fileTime >> 32) + hexPadded(fileTime & 0xFFFFFFFFu, 8);
  return text.substr(0, start) + stamp + text.substr(end);
}

struct Found {
  const Document::Section* section = nullptr; // the last section of the key
  const Document::Value* value = nullptr;     // the value Wine would keep: its last occurrence
  std::size_t sectionIndex = 0;
  std::size_t valueSection = 0;
};

Found find(const Document& doc, const std::u16string& key, const std::u16string& foldedName) {
  Found found;
  for (std::size_t s = 0; s < doc.sections.size(); ++s) {
    const auto& section = doc.sections[s];
    if (section.folded != key) {
      continue;
    }
    found.section = &section;
    found.sectionIndex = s;
    for (const auto& value : section.values) {
      if (value.folded == foldedName) {
        found.value = &value;
        found.valueSection = s;
      }
    }
  }
  return found;
}

bool hasLink(const Document& doc, const std::u16string& key) {
  return std::any_of(doc.sections.begin(), doc.sections.end(),
                     [&](const auto& section) { return section.folded == key && section.link; });
}

struct Edit {
  RegResult result = kRegSuccess;
  bool unchanged = false;
  std::string text;
};

Edit editDocument(const Document& doc, const std::u16string& key, const std::u16string& name,
                  std::uint32_t type, const std::vector<std::uint8_t>& data,
                  std::chrono::system_clock::time_point now) {
  const Found found = find(doc, key, foldName(name));
  if (found.section == nullptr) {
    return {kRegFileNotFound, false, {}};
  }
  if (found.value != nullptr && found.value->type == type && found.value->data == data) {
    return {kRegSuccess, true, {}}; // Wine leaves the key untouched too
  }
  std::vector<Document::Line> lines = doc.lines;
  const Document::Section& section =
      doc.sections[found.value != nullptr ? found.valueSection : found.sectionIndex];
  std::optional<std::size_t> timeLine = section.timeLine;
  if (found.value != nullptr) {
    const std::size_t first = found.value->first;
    const std::size_t last = found.value->last;
    const std::string eol = lines[last].eol;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(first + 1),
                lines.begin() + static_cast<std::ptrdiff_t>(last + 1));
    lines[first] = {formatValue(found.value->name, type, data, doc.eol), eol};
    if (timeLine && *timeLine > last) {
      *timeLine -= last - first;
    }
  } else if (const auto* last = section.values.empty() ? nullptr : &section.values.back();
             last != nullptr && last->cutShort && last->last == section.end) {
    // A line put after a value cut short at the end of the file would be read as its
    // continuation, and the new value lost; it goes before that value instead.
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last->first),
                 {formatValue(name, type, data, doc.eol), doc.eol});
  } else {
    const std::size_t after = section.end;
    std::string eol = lines[after].eol;
    if (eol.empty()) { // the file ended without a line ending: give it one, keep none at the end
      lines[after].eol = doc.eol;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after + 1),
                 {formatValue(name, type, data, doc.eol), eol});
  }
  using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, kTicksPerSecond>>;
  const std::int64_t ticks =
      std::max<std::int64_t>(std::chrono::duration_cast<Ticks>(now.time_since_epoch()).count(), 0);
  const auto fileTime = static_cast<std::uint64_t>(ticks + kTicks1601To1970);
  const auto unixSeconds = static_cast<std::uint64_t>(ticks / kTicksPerSecond);
  lines[section.header].text = retimeHeader(lines[section.header].text, unixSeconds);
  if (timeLine) {
    lines[*timeLine].text = retimeOption(lines[*timeLine].text, fileTime);
  }
  return {kRegSuccess, false, serialize(lines)};
}

RegResult resultFromErrno(int error) {
  if (error == EACCES || error == EPERM || error == EROFS) {
    return kRegAccessDenied;
  }
  return kRegWriteFault;
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

bool writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// wineserver holds a write lock on the first byte of this file for as long as it runs.
bool lockHeld(const fs::path& lockFile) {
  const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    return false;
  }
  struct flock query {};
  query.l_type = F_WRLCK;
  query.l_whence = SEEK_SET;
  query.l_start = 0;
  query.l_len = 1;
  const bool held = ::fcntl(fd, F_GETLK, &query) == 0 && query.l_type != F_UNLCK;
  ::close(fd);
  return held;
}

// A listening wineserver accepts; a stale socket refuses. Non-blocking, so a full backlog
// (EAGAIN, which also means alive) cannot hang us.
bool socketAccepts(const fs::path& socketFile) {
  const std::string path = socketFile.string();
  sockaddr_un address{};
  if (path.size() >= sizeof(address.sun_path)) {
    return false; // too long to address; the lock check covers it
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    return false;
  }
  address.sun_family = AF_UNIX;
  std::copy(path.begin(), path.end(), address.sun_path);
  const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  const bool alive = rc == 0 || errno == EAGAIN || errno == EINPROGRESS;
  ::close(fd);
  return alive;
}

// The first line of a small text file, trimmed; empty if there is none.
std::string readNameFile(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec) || fs::file_size(file, ec) > 4096 || ec) {
    return {};
  }
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return {};
  }
  std::array<char, 4096> buffer{};
  const ssize_t got = ::read(fd, buffer.data(), buffer.size());
  ::close(fd);
  if (got <= 0) {
    return {};
  }
  std::string text(buffer.data(), static_cast<std::size_t>(got));
  text = text.substr(0, text.find('\n'));
  while (!text.empty() && isSpace(text.back())) {
    text.pop_back();
  }
  const bool printable = std::all_of(text.begin(), text.end(),
                                     [](char c) { return static_cast<unsigned char>(c) >= 32; });
  return printable ? text : std::string{};
}

std::vector<std::string> components(const fs::path& path) {
  std::vector<std::string> out;
  for (const auto& part : path) {
    if (!part.empty()) {
      out.push_back(part.string());
    }
  }
  return out;
}

fs::path absoluteNormal(const fs::path& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  if (ec) {
    absolute = path;
  }
  absolute = absolute.lexically_normal();
  if (absolute.has_relative_path() && absolute.filename().empty()) {
    absolute = absolute.parent_path(); // no trailing separator
  }
  return absolute;
}

} // namespace

WineRegistryStore::WineRegistryStore(fs::path prefix, WineRegistryOptions options)
    : m_prefix(absoluteNormal(prefix)), m_options(std::move(options)) {
  if (m_options.serverRoot.empty()) {
    m_options.serverRoot = "/tmp/.wine-" + std::to_string(::getuid());
  }
  if (m_options.tmpRoot.empty()) {
    m_options.tmpRoot = "/tmp";
  }
  if (!m_options.clock) {
    m_options.clock = [] { return std::chrono::system_clock::now(); };
  }
}

WineRegistryStore::~WineRegistryStore() = default;

fs::path WineRegistryStore::defaultPrefix() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0') {
    return prefix;
  }
  std::string home;
  if (const char* env = std::getenv("HOME"); env != nullptr) {
    home = env;
  }
  if (home.empty()) {
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr) {
      home = entry->pw_dir;
    }
  }
  return fs::path(home) / ".wine";
}

bool WineRegistryStore::wineserverRunning() const {
  struct stat info {};
  if (::stat(m_prefix.c_str(), &info) != 0) {
    return false;
  }
  // Wine names the server folder after the prefix folder's device and inode, in hex.
  const std::string name = "server-" + hex(static_cast<std::uint64_t>(info.st_dev)) + "-" +
                           hex(static_cast<std::uint64_t>(info.st_ino));
  std::vector<fs::path> folders = {m_options.serverRoot / name};
  // Debian's packaging may keep the server in a /tmp folder named in <prefix>/wineserver;
  // that folder may be the server folder itself or hold one.
  if (const std::string named = readNameFile(m_prefix / "wineserver"); !named.empty()) {
    fs::path folder = named;
    if (folder.is_relative()) {
      folder = m_options.tmpRoot / folder;
    }
    folders.push_back(folder);
    folders.push_back(folder / name);
  }
  return std::any_of(folders.begin(), folders.end(), [](const fs::path& folder) {
    return lockHeld(folder / "lock") || socketAccepts(folder / "socket");
  });
}

WineRegistryStore::Check WineRegistryStore::load(Document& doc) const {
  const std::string where = m_prefix.string();
  std::error_code ec;
  if (!fs::is_directory(m_prefix, ec)) {
    return {kRegFileNotFound, "no Wine prefix at " + where + " (folder missing)"};
  }
  // A running server may not have saved user.reg yet: say so before calling the file missing.
  if (!m_options.readOnly && wineserverRunning()) {
    return {kRegAccessDenied,
            "wineserver is running for " + where + "; stop it with `wineserver -k`"};
  }
  const fs::path file = userReg();
  if (fs::status(file, ec).type() == fs::file_type::not_found) {
    return {kRegFileNotFound, "no Wine prefix at " + where + " (user.reg missing)"};
  }
  const std::string unreadable = "cannot read " + file.string() + ": ";
  // Non-blocking: opening a FIFO named user.reg would otherwise wait for a writer forever.
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    return {kRegAccessDenied, unreadable + std::strerror(errno)};
  }
  struct stat info {};
  std::string bytes;
  int error = 0;
  if (::fstat(fd, &info) != 0) {
    error = errno;
  } else if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    return {kRegAccessDenied,
            unreadable + (S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file")};
  } else {
    std::array<char, 65536> buffer{};
    bytes.reserve(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)) + 1);
    for (;;) {
      const ssize_t got = ::read(fd, buffer.data(), buffer.size());
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got < 0) {
        error = errno;
      }
      if (got <= 0) {
        break;
      }
      bytes.append(buffer.data(), static_cast<std::size_t>(got));
    }
  }
  ::close(fd);
  if (error != 0) {
    return {kRegAccessDenied, unreadable + std::strerror(error)};
  }
  if (m_options.readOnly && !m_options.keys.empty()) {
    bytes = keepSections(bytes, m_options.keys);
  }
  auto parsed = parseDocument(bytes);
  if (!parsed) {
    return {kRegAccessDenied, file.string() + " is not a Wine registry file"};
  }
  doc = std::move(*parsed);
  doc.identity = info;
  return {};
}

std::string WineRegistryStore::unavailableReason() const {
  Document doc;
  return load(doc).reason;
}

bool WineRegistryStore::resolve(RegKeyHandle handle, std::u16string& folded) const {
  if (handle == root()) {
    folded.clear();
    return true;
  }
  const auto it = m_handles.find(handle);
  if (it == m_handles.end()) {
    return false;
  }
  folded = it->second;
  return true;
}

RegResult WineRegistryStore::openKey(RegKeyHandle root, const std::string& subKey,
                                     RegKeyHandle& key) {
  if ((root == kRegLocalMachine || root == kRegCurrentUser) && root != this->root()) {
    return kRegFileNotFound; // the other hive is the other file, which this store does not read
  }
  std::u16string base;
  if (!resolve(root, base)) {
    return kRegInvalidHandle;
  }
  // A lookup reads the file once: it writes nothing that a fresh read would have to see.
  std::unique_ptr<Document> doc;
  if (m_options.readOnly && m_doc) {
    doc = std::move(m_doc);
  } else {
    doc = std::make_unique<Document>();
    if (const Check check = load(*doc); check.result != kRegSuccess) {
      return check.result;
    }
  }
  const std::u16string folded = joinPath(base, foldPath(ansiToUtf16(subKey)));
  // Wine writes no section for a key that holds only sub-keys; a lookup may still list them.
  const auto isParent = [&](const Document::Section& section) {
    return section.folded.size() > folded.size() && section.folded.starts_with(folded) &&
           (folded.empty() || section.folded[folded.size()] == u'\\');
  };
  if (find(*doc, folded, {}).section == nullptr &&
      !(m_options.readOnly && std::any_of(doc->sections.begin(), doc->sections.end(), isParent))) {
    if (m_options.readOnly) {
      m_doc = std::move(doc);
    }
    return kRegFileNotFound;
  }
  if (hasLink(*doc, folded)) {
    return kRegAccessDenied; // a registry link points elsewhere; never write beside it
  }
  m_doc = std::move(doc);
  key = m_nextHandle;
  m_nextHandle += 4;
  m_handles.emplace(key, folded);
  return kRegSuccess;
}

RegResult WineRegistryStore::loadOnce() {
  if (!m_doc) {
    auto doc = std::make_unique<Document>();
    if (const Check check = load(*doc); check.result != kRegSuccess) {
      return check.result;
    }
    m_doc = std::move(doc);
  }
  return kRegSuccess;
}

RegResult WineRegistryStore::queryValue(RegKeyHandle key, const std::string& name,
                                        std::uint32_t& type, std::uint8_t* data,
                                        std::uint32_t& size) {
  std::u16string folded;
  if (!resolve(key, folded)) {
    return kRegInvalidHandle;
  }
  if (const RegResult loaded = loadOnce(); loaded != kRegSuccess) {
    return loaded;
  }
  const Found found = find(*m_doc, folded, foldName(ansiToUtf16(name)));
  if (found.value == nullptr) {
    return kRegFileNotFound;
  }
  const std::vector<std::uint8_t> bytes =
      isStringType(found.value->type) ? utf16LeToAnsi(found.value->data) : found.value->data;
  return deliverValue(found.value->type, bytes, type, data, size);
}

RegResult WineRegistryStore::setValue(RegKeyHandle key, const std::string& name, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t size) {
  std::u16string folded;
  if (!resolve(key, folded)) {
    return kRegInvalidHandle;
  }
  if (size > 0 && data == nullptr) {
    return kRegNoAccess;
  }
  if (m_options.readOnly) {
    return kRegAccessDenied;
  }
  std::vector<std::uint8_t> stored;
  if (size > 0) {
    stored = isStringType(type) ? toUtf16Le(ansiToUtf16(data, size))
                                : std::vector<std::uint8_t>(data, data + size);
  }
  const std::u16string valueName = ansiToUtf16(name);
  for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
    // Read afresh, so a change made since openKey is kept, and the server check is current.
    auto doc = std::make_unique<Document>();
    if (const Check check = load(*doc); check.result != kRegSuccess) {
      return check.result;
    }
    if (hasLink(*doc, folded)) {
      return kRegAccessDenied;
    }
    const Edit edit = editDocument(*doc, folded, valueName, type, stored, m_options.clock());
    if (edit.result != kRegSuccess || edit.unchanged) {
      m_doc = std::move(doc);
      return edit.result;
    }
    const RegResult written = writeDocument(*doc, edit.text);
    if (written == kChangedMeanwhile) {
      continue;
    }
    if (written != kRegSuccess) {
      return written;
    }
    if (auto reparsed = parseDocument(edit.text)) {
      *doc = std::move(*reparsed);
      m_doc = std::move(doc);
    } else {
      m_doc.reset(); // cannot happen: the edit keeps the signature line
    }
    return kRegSuccess;
  }
  return kRegWriteFault;
}

// Replaces user.reg by a complete new file: write a temporary file beside it, flush it to disk,
// then rename it over the old one, so a crash leaves either the old file or the new one.
RegResult WineRegistryStore::writeDocument(const Document& doc, const std::string& text) const {
  std::error_code ec;
  fs::path target = fs::canonical(userReg(), ec); // through a symlinked user.reg, keep the link
  if (ec) {
    target = userReg();
  }
  struct stat before {};
  if (::stat(target.c_str(), &before) != 0) {
    return resultFromErrno(errno);
  }
  if (!sameFile(before, doc.identity)) {
    return kChangedMeanwhile;
  }
  const fs::path folder = target.parent_path();
  fs::path temp;
  int fd = -1;
  for (unsigned n = 0; n < 100 && fd < 0; ++n) {
    temp = folder / (target.filename().string() + "." + std::to_string(::getpid()) + "." +
                     std::to_string(n) + ".tmp");
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) {
      break;
    }
  }
  if (fd < 0) {
    return resultFromErrno(errno);
  }
  int error = 0;
  if (::fchmod(fd, before.st_mode & 07777) != 0) {
    error = errno;
  }
  if (error == 0 && (before.st_uid != ::geteuid() || before.st_gid != ::getegid())) {
    // Keep the owner when run by someone else (root); only possible with the right to do so.
    if (::fchown(fd, before.st_uid, before.st_gid) != 0 && errno != EPERM) {
      error = errno;
    }
  }
  if (error == 0 && !writeAll(fd, text)) {
    error = errno;
  }
  if (error == 0 && ::fsync(fd) != 0) {
    error = errno;
  }
  if (::close(fd) != 0 && error == 0) {
    error = errno;
  }
  struct stat now {};
  if (error == 0 && (::stat(target.c_str(), &now) != 0 || !sameFile(now, before))) {
    ::unlink(temp.c_str());
    return kChangedMeanwhile;
  }
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) {
    error = errno;
  }
  if (error != 0) {
    ::unlink(temp.c_str());
    return resultFromErrno(error);
  }
  // Make the rename itself durable.
  if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return kRegSuccess;
}

RegResult WineRegistryStore::closeKey(RegKeyHandle key) {
  if (key == kRegCurrentUser || key == kRegLocalMachine) {
    return kRegSuccess; // closing a predefined root is allowed and does nothing
  }
  return m_handles.erase(key) == 1 ? kRegSuccess : kRegInvalidHandle;
}

std::optional<std::string> WineRegistryStore::windowsPathFor(const fs::path& unixPath,
                                                             std::string& whyNot) const {
  const fs::path absolute = absoluteNormal(unixPath);
  const std::vector<std::string> parts = components(absolute);
  const fs::path devices = m_prefix / "dosdevices";
  char bestLetter = 0;
  std::size_t bestLength = 0;
  std::error_code ec;
  for (fs::directory_iterator it(devices, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() != 2 || name[1] != ':' || !std::isalpha(static_cast<unsigned char>(name[0]))) {
      continue; // not a drive: com1, c:: (raw device) and the like
    }
    std::error_code linkError;
    fs::path target = fs::read_symlink(it->path(), linkError);
    if (linkError) {
      continue;
    }
    if (target.is_relative()) {
      target = devices / target;
    }
    const std::vector<std::string> root = components(target.lexically_normal());
    if (root.empty() || root.size() > parts.size() ||
        !std::equal(root.begin(), root.end(), parts.begin())) {
      continue;
    }
    const auto letter = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    if (root.size() > bestLength || (root.size() == bestLength && letter < bestLetter)) {
      bestLetter = letter;
      bestLength = root.size();
    }
  }
  if (bestLetter == 0) {
    whyNot = "no drive letter of the Wine prefix (" + devices.string() + ") reaches " +
             absolute.string();
    return std::nullopt;
  }
  std::string out(1, static_cast<char>(std::toupper(static_cast<unsigned char>(bestLetter))));
  out += ":\\";
  for (std::size_t i = bestLength; i < parts.size(); ++i) {
    if (i > bestLength) {
      out += '\\';
    }
    out += parts[i];
  }
  std::string missing;
  auto ansi = utf8ToAnsi(out, missing);
  if (!ansi) {
    whyNot = absolute.string() + " has a character that the level editor cannot read (" + missing +
             ": not in Windows code page 1252)";
  }
  return ansi;
}

RegResult WineRegistryStore::enumSubKey(RegKeyHandle key, std::uint32_t index, std::string& name) {
  name.clear();
  std::u16string folded;
  if (!resolve(key, folded)) {
    return kRegInvalidHandle;
  }
  if (const RegResult loaded = loadOnce(); loaded != kRegSuccess) {
    return loaded;
  }
  const std::u16string prefix = folded.empty() ? folded : folded + u'\\';
  std::vector<std::u16string> children;
  for (const auto& section : m_doc->sections) {
    if (section.folded.size() <= prefix.size() || !section.folded.starts_with(prefix)) {
      continue;
    }
    const std::size_t end = section.folded.find(u'\\', prefix.size());
    std::u16string child = section.folded.substr(prefix.size(), end - prefix.size());
    if (std::find(children.begin(), children.end(), child) == children.end()) {
      children.push_back(std::move(child));
    }
  }
  if (index >= children.size()) {
    return kRegNoMoreItems;
  }
  for (const char16_t unit : children[index]) {
    name += static_cast<char>(unitToAnsi(unit));
  }
  return kRegSuccess;
}

} // namespace texkit2::platform
