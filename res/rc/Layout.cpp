#include "res/rc/Layout.h"

#include "res/rc/Json.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace texkit2::rc {
namespace {

constexpr std::array kControlTypes = {"radio",  "check",    "button",     "defbutton", "iconbutton",
                                      "static", "groupbox", "edit",       "progress",  "animation",
                                      "icon",   "tree",     "thumbnails", "picture"};

// Reads one member through `read`, naming the member when its value is of the wrong kind.
template <typename Read>
void member(const JsonValue& value, const std::string& where, const std::string& name, Read read) {
  try {
    read(value);
  } catch (const std::invalid_argument& error) {
    throw LayoutError(where + ": \"" + name + "\" is " + error.what());
  }
}

std::array<int, 4> rectOf(const JsonValue& value) {
  const auto& list = items(value);
  if (list.size() != 4) {
    throw std::invalid_argument("not [x, y, width, height]");
  }
  return {toInt(list[0]), toInt(list[1]), toInt(list[2]), toInt(list[3])};
}

ControlLayout controlOf(const JsonValue& value, std::size_t index) {
  const std::string where = "control " + std::to_string(index);
  if (!value.is_object()) {
    throw LayoutError(where + " is not an object");
  }
  ControlLayout c;
  bool hasRect = false;
  const std::map<std::string, bool ControlLayout::*> flags = {
      {"group", &ControlLayout::group},       {"tabstop", &ControlLayout::tabStop},
      {"noprefix", &ControlLayout::noPrefix}, {"staticedge", &ControlLayout::staticEdge},
      {"center", &ControlLayout::center},     {"transparent", &ControlLayout::transparent},
      {"border", &ControlLayout::border},     {"centerimage", &ControlLayout::centerImage},
      {"readonly", &ControlLayout::readOnly}};
  for (const auto& [name, v] : members(value)) {
    if (const auto flag = flags.find(name); flag != flags.end()) {
      member(v, where, name, [&](const JsonValue& j) { c.*(flag->second) = toBool(j); });
    } else if (name == "id") {
      member(v, where, name, [&](const JsonValue& j) { c.id = toInt(j); });
    } else if (name == "type") {
      member(v, where, name, [&](const JsonValue& j) { c.type = toString(j); });
    } else if (name == "text") {
      member(v, where, name, [&](const JsonValue& j) { c.text = toString(j); });
    } else if (name == "icon") {
      member(v, where, name, [&](const JsonValue& j) { c.icon = toInt(j); });
    } else if (name == "align") {
      member(v, where, name, [&](const JsonValue& j) { c.align = toString(j); });
    } else if (name == "rect") {
      member(v, where, name, [&](const JsonValue& j) {
        const auto r = rectOf(j);
        c.x = r[0];
        c.y = r[1];
        c.width = r[2];
        c.height = r[3];
      });
      hasRect = true;
    } else {
      throw LayoutError(where + " has the unknown member \"" + name + "\"");
    }
  }
  if (std::find(kControlTypes.begin(), kControlTypes.end(), c.type) == kControlTypes.end()) {
    throw LayoutError(where + " has the unknown type \"" + c.type + "\"");
  }
  if (!hasRect || c.width <= 0 || c.height <= 0) {
    throw LayoutError(where + " has no size");
  }
  if (c.align != "left" && c.align != "right" && c.align != "center") {
    throw LayoutError(where + " has the unknown align \"" + c.align + "\"");
  }
  if (c.id < -1 || c.id > 0xFFFF) {
    throw LayoutError(where + " has an id outside 0 to 65535");
  }
  if (c.type == "icon" && c.icon <= 0) {
    throw LayoutError(where + " is an icon without \"icon\"");
  }
  return c;
}

} // namespace

DialogLayout parseDialogLayout(const std::string& json) {
  const JsonValue root = parseJson(json);
  if (!root.is_object()) {
    throw LayoutError("the layout is not an object");
  }
  DialogLayout d;
  bool hasSize = false;
  for (const auto& [name, v] : members(root)) {
    const std::string where = "dialog";
    if (name == "id") {
      member(v, where, name, [&](const JsonValue& j) { d.id = toInt(j); });
    } else if (name == "caption") {
      member(v, where, name, [&](const JsonValue& j) { d.caption = toString(j); });
    } else if (name == "font") {
      member(v, where, name, [&](const JsonValue& j) {
        for (const auto& [key, f] : members(j)) {
          if (key == "family") {
            d.fontFamily = toString(f);
          } else if (key == "pointSize") {
            d.pointSize = toInt(f);
          } else {
            throw std::invalid_argument("an object with the unknown member \"" + key + "\"");
          }
        }
      });
    } else if (name == "size") {
      member(v, where, name, [&](const JsonValue& j) {
        if (items(j).size() != 2) {
          throw std::invalid_argument("not [width, height]");
        }
        d.width = toInt(items(j)[0]);
        d.height = toInt(items(j)[1]);
      });
      hasSize = true;
    } else if (name == "styles") {
      member(v, where, name, [&](const JsonValue& j) {
        for (const JsonValue& style : items(j)) {
          d.styles.push_back(toString(style));
        }
      });
    } else if (name == "controls") {
      member(v, where, name, [&](const JsonValue& j) { items(j); });
      for (const JsonValue& control : items(v)) {
        d.controls.push_back(controlOf(control, d.controls.size()));
      }
    } else {
      throw LayoutError("the dialog has the unknown member \"" + name + "\"");
    }
  }
  if (d.id <= 0 || d.id > 0xFFFF) {
    throw LayoutError("the dialog has no id from 1 to 65535");
  }
  if (!hasSize || d.width <= 0 || d.height <= 0) {
    throw LayoutError("the dialog has no size");
  }
  if (d.fontFamily.empty() || d.pointSize <= 0) {
    throw LayoutError("the dialog has no font");
  }
  return d;
}

StringTable parseStringTable(const std::string& json) {
  const JsonValue root = parseJson(json);
  if (!root.is_object()) {
    throw LayoutError("the string table is not an object");
  }
  StringTable table;
  for (const auto& [name, v] : members(root)) {
    int id = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), id);
    if (error != std::errc() || end != name.data() + name.size() || id < 0 || id > 0xFFFF) {
      throw LayoutError("string \"" + name + "\" is not named by a number from 0 to 65535");
    }
    member(v, "string " + name, name, [&](const JsonValue& j) { table[id] = toString(j); });
  }
  return table;
}

} // namespace texkit2::rc
