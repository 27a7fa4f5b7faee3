#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace texkit2::rc {

// A layout that does not say what a dialog template needs; names the file's part at fault.
class LayoutError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One control of res/dialogs/<id>.json, in dialog units (the fields the Qt front end reads).
struct ControlLayout {
  int id = -1; // -1: no id of its own (IDC_STATIC)
  std::string type;
  std::string text;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int icon = 0; // resource id of the picture of an "icon" control
  std::string align = "left";
  bool group = false;
  bool tabStop = false;
  bool noPrefix = false;
  bool staticEdge = false;
  bool center = false;
  bool transparent = false;
  bool border = false;
  bool centerImage = false;
  bool readOnly = false;
};

struct DialogLayout {
  int id = 0;
  std::string caption;
  std::string fontFamily;
  int pointSize = 8;
  int width = 0;
  int height = 0;
  std::vector<std::string> styles;
  std::vector<ControlLayout> controls; // template order, which is the tab order
};

// The string table: id -> UTF-8 text.
using StringTable = std::map<int, std::string>;

// Both throw LayoutError (a JsonError for text that is no JSON) on a layout that would make a
// wrong template silently: a missing size, an unknown member or control type, a wrong kind.
DialogLayout parseDialogLayout(const std::string& json);
StringTable parseStringTable(const std::string& json);

} // namespace texkit2::rc
