// The dialog layouts and the string table as resource-script text (texkit2-make-rc).
#include "res/rc/ResourceScript.h"

#include "res/rc/Json.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace texkit2::rc {
namespace {

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A layout of one dialog holding `control`, a JSON object's members.
std::string dialogWith(const std::string& control) {
  return R"j({"id": 7, "caption": "C", "font": {"family": "F", "pointSize": 8},
             "size": [10, 10], "styles": [], "controls": [{)j" +
         control + "}]}";
}

TEST(ResourceScript, ControlTypesBecomeControlStatements) {
  const struct {
    const char* json;
    const char* statement;
  } rows[] = {
      {R"j("id": 1033, "type": "radio", "text": "Quake (tm)", "rect": [15, 10, 70, 8],
          "group": true, "tabstop": false)j",
       R"j(CONTROL "Quake (tm)", 1033, "Button", BS_AUTORADIOBUTTON | WS_GROUP, 15, 10, 70, 8)j"},
      {R"j("id": 1029, "type": "check", "text": "&Removable", "rect": [1, 2, 3, 4], "tabstop": true)j",
       R"j(CONTROL "&Removable", 1029, "Button", BS_AUTOCHECKBOX | WS_TABSTOP, 1, 2, 3, 4)j"},
      {R"j("id": 1004, "type": "button", "text": "E&xit", "rect": [1, 2, 3, 4])j",
       R"j(CONTROL "E&xit", 1004, "Button", BS_PUSHBUTTON, 1, 2, 3, 4)j"},
      {R"j("id": 1, "type": "defbutton", "text": "OK", "rect": [1, 2, 3, 4])j",
       R"j(CONTROL "OK", 1, "Button", BS_DEFPUSHBUTTON, 1, 2, 3, 4)j"},
      {R"j("id": 1002, "type": "iconbutton", "text": "&Manual", "rect": [1, 2, 3, 4],
          "staticedge": true)j",
       R"j(CONTROL "&Manual", 1002, "Button", BS_PUSHBUTTON | BS_ICON, 1, 2, 3, 4, WS_EX_STATICEDGE)j"},
      {R"j("type": "groupbox", "text": "Options", "rect": [1, 2, 3, 4])j",
       R"j(CONTROL "Options", -1, "Button", BS_GROUPBOX, 1, 2, 3, 4)j"},
      {R"j("id": -1, "type": "static", "text": "Version", "rect": [1, 2, 3, 4], "noprefix": true)j",
       R"j(CONTROL "Version", -1, "Static", SS_LEFT | SS_NOPREFIX, 1, 2, 3, 4)j"},
      {R"j("type": "static", "text": "Size :", "rect": [1, 2, 3, 4], "align": "right")j",
       R"j(CONTROL "Size :", -1, "Static", SS_RIGHT, 1, 2, 3, 4)j"},
      {R"j("type": "static", "text": "", "rect": [1, 2, 3, 4], "align": "center")j",
       R"j(CONTROL "", -1, "Static", SS_CENTER, 1, 2, 3, 4)j"},
      {R"j("id": 1035, "type": "icon", "icon": 139, "rect": [1, 2, 3, 4], "centerimage": true)j",
       R"j(CONTROL 139, 1035, "Static", SS_ICON | SS_CENTERIMAGE, 1, 2, 3, 4)j"},
      {R"j("id": 1012, "type": "edit", "rect": [1, 2, 3, 4], "readonly": true, "border": true)j",
       R"j(CONTROL "", 1012, "Edit", ES_LEFT | ES_AUTOHSCROLL | ES_READONLY | WS_BORDER, 1, 2, 3, 4)j"},
      {R"j("id": 1000, "type": "progress", "rect": [1, 2, 3, 4], "border": true)j",
       R"j(CONTROL "", 1000, "msctls_progress32", WS_BORDER, 1, 2, 3, 4)j"},
      {R"j("id": 1005, "type": "animation", "rect": [1, 2, 3, 4], "center": true,
          "transparent": true, "tabstop": true)j",
       R"j(CONTROL "", 1005, "SysAnimate32", ACS_CENTER | ACS_TRANSPARENT | WS_TABSTOP, 1, 2, 3, 4)j"},
      {R"j("id": 1022, "type": "tree", "text": "Tree1", "rect": [1, 2, 3, 4], "border": true)j",
       R"j(CONTROL "Tree1", 1022, "SysTreeView32", TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | WS_BORDER, 1, 2, 3, 4)j"},
      {R"j("id": 1041, "type": "thumbnails", "rect": [1, 2, 3, 4], "border": true, "tabstop": true)j",
       R"j(CONTROL "", 1041, "SysListView32", LVS_ICON | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE | WS_BORDER | WS_TABSTOP, 1, 2, 3, 4)j"},
      {R"j("id": 1042, "type": "picture", "rect": [1, 2, 3, 4], "border": true)j",
       R"j(CONTROL "", 1042, "Static", SS_OWNERDRAW | WS_BORDER, 1, 2, 3, 4)j"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.json);
    const DialogLayout d = parseDialogLayout(dialogWith(row.json));
    ASSERT_EQ(d.controls.size(), 1u);
    EXPECT_EQ(controlStatement(d.controls[0]), std::string("    ") + row.statement + "\n");
  }
}

TEST(ResourceScript, DialogCarriesItsStylesCaptionAndFont) {
  const DialogLayout d = parseDialogLayout(R"j({"id": 102, "caption": "Say \"hi\"",
      "font": {"family": "Times New Roman", "pointSize": 10}, "size": [214, 100],
      "styles": ["popup", "caption", "sysmenu", "modalframe", "visible", "appwindow"],
      "controls": []})j");
  EXPECT_EQ(dialogScript(d),
            "102 DIALOGEX 0, 0, 214, 100\n"
            "STYLE WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE\n"
            "EXSTYLE WS_EX_APPWINDOW\n"
            "CAPTION \"Say \"\"hi\"\"\"\n"
            "FONT 10, \"Times New Roman\", 0, 0, 0x1\n"
            "BEGIN\n"
            "END\n");
}

TEST(ResourceScript, StringTableKeepsEveryStringInIdOrder) {
  const StringTable strings =
      parseStringTable(R"j({"1026": "Search...", "101": "&About \"T\"\nback\\slash \u00e9"})j");
  EXPECT_EQ(stringTableScript(strings), "STRINGTABLE\nBEGIN\n"
                                        "    101, \"&About \"\"T\"\"\\nback\\\\slash \xC3\xA9\"\n"
                                        "    1026, \"Search...\"\n"
                                        "END\n");
}

TEST(ResourceScript, ScriptNamesTheArtworkAndIncludesTheVersion) {
  ScriptInputs inputs;
  inputs.artworkFolder = "/art";
  inputs.versionInclude = "VersionInfo.rci";
  const std::string script = resourceScript(inputs);
  for (const char* line : {"128 ICON \"/art/icon128.ico\"\n", "135 ICON \"/art/icon135.ico\"\n",
                           "136 ICON \"/art/icon136.ico\"\n", "137 ICON \"/art/icon137.ico\"\n",
                           "139 ICON \"/art/icon139.ico\"\n", "134 BITMAP \"/art/bitmap134.bmp\"\n",
                           "129 AVI \"/art/clip129.avi\"\n", "132 AVI \"/art/clip132.avi\"\n",
                           "#include \"VersionInfo.rci\"\n", "#include <commctrl.h>\n"}) {
    EXPECT_NE(script.find(line), std::string::npos) << line;
  }
}

TEST(ResourceScript, EveryLayoutOfTheProgramBecomesATemplate) {
  ScriptInputs inputs;
  inputs.artworkFolder = "art";
  for (const int id : {100, 102, 130, 133, 138, 140}) {
    SCOPED_TRACE(id);
    const std::filesystem::path path =
        std::filesystem::path(TEXKIT2_RES_SOURCE_DIR) / "dialogs" / (std::to_string(id) + ".json");
    const DialogLayout d = parseDialogLayout(readFile(path));
    EXPECT_EQ(d.id, id);
    inputs.dialogs.push_back(d);
  }
  inputs.strings =
      parseStringTable(readFile(std::filesystem::path(TEXKIT2_RES_SOURCE_DIR) / "strings.json"));
  const std::string script = resourceScript(inputs);
  EXPECT_NE(script.find("102 DIALOGEX 0, 0, 214, 100\n"), std::string::npos);
  EXPECT_NE(script.find("    101, \"&About Texkit...\"\n"), std::string::npos);
  // The animation controls play on their own thread, never on the dialog's timer.
  EXPECT_EQ(script.find("ACS_TIMER"), std::string::npos);
  EXPECT_EQ(script.find("ACS_AUTOPLAY"), std::string::npos);
}

TEST(ResourceScript, RejectsLayoutsThatWouldMakeAWrongTemplate) {
  const struct {
    const char* name;
    std::string json;
    const char* message;
  } rows[] = {
      {"not JSON", "{\"id\": 7,", "expected a member name at byte 9"},
      {"text after the object", R"j({"id": 7} x)j", "text after the value"},
      {"unknown control type", dialogWith(R"j("type": "slider", "rect": [1, 2, 3, 4])j"),
       "control 0 has the unknown type \"slider\""},
      {"misspelt member", dialogWith(R"j("type": "edit", "rect": [1, 2, 3, 4], "tabStop": true)j"),
       "control 0 has the unknown member \"tabStop\""},
      {"no rect", dialogWith(R"j("type": "edit")j"), "control 0 has no size"},
      {"rect of three", dialogWith(R"j("type": "edit", "rect": [1, 2, 3])j"),
       "\"rect\" is not [x, y, width, height]"},
      {"flag not a boolean", dialogWith(R"j("type": "edit", "rect": [1, 2, 3, 4], "group": 1)j"),
       "control 0: \"group\" is not true or false"},
      {"icon without picture", dialogWith(R"j("type": "icon", "rect": [1, 2, 3, 4])j"),
       "control 0 is an icon without \"icon\""},
      {"unknown align", dialogWith(R"j("type": "static", "rect": [1, 2, 3, 4], "align": "top")j"),
       "has the unknown align \"top\""},
      {"no size", R"j({"id": 7, "font": {"family": "F", "pointSize": 8}, "controls": []})j",
       "the dialog has no size"},
      {"no font", R"j({"id": 7, "size": [1, 1], "controls": []})j", "the dialog has no font"},
      {"duplicate member", R"j({"id": 7, "id": 8})j", "member \"id\" given twice"},
      {"lone surrogate", R"j({"caption": "\ud800"})j", "lone surrogate"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    try {
      parseDialogLayout(row.json);
      ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(row.message), std::string::npos) << error.what();
    }
  }
}

TEST(ResourceScript, RejectsUnknownDialogStylesAndStringNames) {
  DialogLayout d = parseDialogLayout(dialogWith(R"j("type": "edit", "rect": [1, 2, 3, 4])j"));
  d.styles = {"popup", "resizable"};
  EXPECT_THROW(dialogScript(d), LayoutError);
  EXPECT_THROW(parseStringTable(R"j({"about": "x"})j"), LayoutError);
  EXPECT_THROW(parseStringTable(R"j({"70000": "x"})j"), LayoutError);
  EXPECT_THROW(quoted("bell\a"), LayoutError);
}

} // namespace
} // namespace texkit2::rc
