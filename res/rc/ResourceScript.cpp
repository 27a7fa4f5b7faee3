#include "res/rc/ResourceScript.h"

#include <map>

namespace texkit2::rc {
namespace {

std::string joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& part : parts) {
    out += (out.empty() ? "" : " | ") + part;
  }
  return out.empty() ? "0" : out;
}

// The window class and the styles that make a control of each layout type. Every control
// is written as a CONTROL statement with all of its styles: the short forms (LTEXT,
// PUSHBUTTON, ...) add default styles that differ between resource compilers (LTEXT adds
// WS_GROUP, EDITTEXT WS_TABSTOP), and the layout says exactly which it wants.
struct Kind {
  std::string windowClass;
  std::vector<std::string> styles;
};

Kind kindOf(const ControlLayout& c) {
  if (c.type == "radio") {
    return {"Button", {"BS_AUTORADIOBUTTON"}};
  }
  if (c.type == "check") {
    return {"Button", {"BS_AUTOCHECKBOX"}};
  }
  if (c.type == "button") {
    return {"Button", {"BS_PUSHBUTTON"}};
  }
  if (c.type == "defbutton") {
    return {"Button", {"BS_DEFPUSHBUTTON"}};
  }
  if (c.type == "iconbutton") {
    // The text stays, for the mnemonic and for readers of the window text; the dialog gives
    // the button its picture at run time (BM_SETIMAGE).
    return {"Button", {"BS_PUSHBUTTON", "BS_ICON"}};
  }
  if (c.type == "groupbox") {
    return {"Button", {"BS_GROUPBOX"}};
  }
  if (c.type == "static") {
    const std::map<std::string, std::string> align = {
        {"left", "SS_LEFT"}, {"right", "SS_RIGHT"}, {"center", "SS_CENTER"}};
    Kind k{"Static", {align.at(c.align)}};
    if (c.noPrefix) {
      k.styles.push_back("SS_NOPREFIX");
    }
    return k;
  }
  if (c.type == "icon") {
    Kind k{"Static", {"SS_ICON"}};
    if (c.centerImage) {
      k.styles.push_back("SS_CENTERIMAGE");
    }
    return k;
  }
  if (c.type == "edit") {
    // A one-line box scrolls its text sideways rather than refusing what does not fit.
    Kind k{"Edit", {"ES_LEFT", "ES_AUTOHSCROLL"}};
    if (c.readOnly) {
      k.styles.push_back("ES_READONLY");
    }
    return k;
  }
  if (c.type == "progress") {
    return {"msctls_progress32", {}};
  }
  if (c.type == "animation") {
    // Never ACS_TIMER: without it the control plays its clip on a thread of its own, which
    // keeps it moving while the dialog's thread runs a long operation.
    Kind k{"SysAnimate32", {}};
    if (c.center) {
      k.styles.push_back("ACS_CENTER");
    }
    if (c.transparent) {
      k.styles.push_back("ACS_TRANSPARENT");
    }
    return k;
  }
  if (c.type == "tree") {
    return {"SysTreeView32", {"TVS_HASBUTTONS", "TVS_HASLINES", "TVS_LINESATROOT"}};
  }
  if (c.type == "thumbnails") {
    // Owner data: the list holds no items of its own and asks for those it draws, so that a
    // WAD of thousands of textures opens at once.
    return {"SysListView32", {"LVS_ICON", "LVS_OWNERDATA", "LVS_SHOWSELALWAYS", "LVS_AUTOARRANGE"}};
  }
  if (c.type == "picture") {
    // The dialog draws it (WM_DRAWITEM): a static has no way to show an RGBA picture.
    return {"Static", {"SS_OWNERDRAW"}};
  }
  throw LayoutError("control " + std::to_string(c.id) + " has the unknown type \"" + c.type + "\"");
}

void dialogStyle(const std::string& name, std::vector<std::string>& styles,
                 std::vector<std::string>& exStyles) {
  static const std::map<std::string, std::string> kStyles = {{"popup", "WS_POPUP"},
                                                             {"caption", "WS_CAPTION"},
                                                             {"sysmenu", "WS_SYSMENU"},
                                                             {"modalframe", "DS_MODALFRAME"},
                                                             {"visible", "WS_VISIBLE"},
                                                             {"minimizebox", "WS_MINIMIZEBOX"},
                                                             {"maximizebox", "WS_MAXIMIZEBOX"}};
  if (name == "appwindow") {
    exStyles.push_back("WS_EX_APPWINDOW");
    return;
  }
  const auto style = kStyles.find(name);
  if (style == kStyles.end()) {
    throw LayoutError("unknown dialog style \"" + name + "\"");
  }
  styles.push_back(style->second);
}

} // namespace

const std::vector<ArtworkResource>& artworkResources() {
  static const std::vector<ArtworkResource> kArtwork = {
      {128, "ICON", "icon128.ico"}, {135, "ICON", "icon135.ico"}, {136, "ICON", "icon136.ico"},
      {137, "ICON", "icon137.ico"}, {139, "ICON", "icon139.ico"}, {134, "BITMAP", "bitmap134.bmp"},
      {129, "AVI", "clip129.avi"},  {132, "AVI", "clip132.avi"}};
  return kArtwork;
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
    case '"':
      out += "\"\"";
      break;
    case '\\':
      out += "\\\\";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\t':
      out += "\\t";
      break;
    default:
      if (static_cast<unsigned char>(c) < 0x20) {
        throw LayoutError("a control character in the text \"" + text + "\"");
      }
      out += c;
    }
  }
  return out + "\"";
}

std::string controlStatement(const ControlLayout& c) {
  const Kind kind = kindOf(c);
  std::vector<std::string> styles = kind.styles;
  if (c.border) {
    styles.push_back("WS_BORDER");
  }
  if (c.group) {
    styles.push_back("WS_GROUP");
  }
  if (c.tabStop) {
    styles.push_back("WS_TABSTOP");
  }
  // An icon control's text names its picture by resource number.
  const std::string text = c.type == "icon" ? std::to_string(c.icon) : quoted(c.text);
  std::string line = "    CONTROL " + text + ", " + std::to_string(c.id) + ", " +
                     quoted(kind.windowClass) + ", " + joined(styles) + ", " + std::to_string(c.x) +
                     ", " + std::to_string(c.y) + ", " + std::to_string(c.width) + ", " +
                     std::to_string(c.height);
  if (c.staticEdge) {
    line += ", WS_EX_STATICEDGE";
  }
  return line + "\n";
}

std::string dialogScript(const DialogLayout& d) {
  std::vector<std::string> styles;
  std::vector<std::string> exStyles;
  for (const std::string& name : d.styles) {
    dialogStyle(name, styles, exStyles);
  }
  std::string out = std::to_string(d.id) + " DIALOGEX 0, 0, " + std::to_string(d.width) + ", " +
                    std::to_string(d.height) + "\n";
  out += "STYLE " + joined(styles) + "\n";
  if (!exStyles.empty()) {
    out += "EXSTYLE " + joined(exStyles) + "\n";
  }
  out += "CAPTION " + quoted(d.caption) + "\n";
  // Weight 0 and no italics; DEFAULT_CHARSET lets the system pick the face's own.
  out += "FONT " + std::to_string(d.pointSize) + ", " + quoted(d.fontFamily) + ", 0, 0, 0x1\n";
  out += "BEGIN\n";
  for (const ControlLayout& c : d.controls) {
    out += controlStatement(c);
  }
  return out + "END\n";
}

std::string stringTableScript(const StringTable& strings) {
  std::string out = "STRINGTABLE\nBEGIN\n";
  for (const auto& [id, text] : strings) {
    out += "    " + std::to_string(id) + ", " + quoted(text) + "\n";
  }
  return out + "END\n";
}

std::string resourceScript(const ScriptInputs& inputs) {
  std::string out =
      "// Generated by texkit2-make-rc from res/dialogs/*.json and res/strings.json.\n"
      "#pragma code_page(65001)\n"
      "#include <windows.h>\n"
      "#include <commctrl.h>\n\n";
  for (const DialogLayout& d : inputs.dialogs) {
    out += dialogScript(d) + "\n";
  }
  if (!inputs.strings.empty()) {
    out += stringTableScript(inputs.strings) + "\n";
  }
  for (const ArtworkResource& art : artworkResources()) {
    out += std::to_string(art.id) + " " + art.type + " " +
           quoted(inputs.artworkFolder + "/" + art.file) + "\n";
  }
  if (!inputs.versionInclude.empty()) {
    out += "\n#include " + quoted(inputs.versionInclude) + "\n";
  }
  return out;
}

} // namespace texkit2::rc
