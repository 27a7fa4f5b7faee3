// The desktop application's resources as Windows itself reads them: the dialog templates against
// their layouts (res/dialogs/*.json), the string table, the icon groups, the tree bitmap, the
// AVI clips in their animation controls, and the version resource. Needs a display (Wine draws
// through X): run_with_display.sh gives it one.
#include "res/rc/Layout.h"

// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using texkit2::rc::ControlLayout;
using texkit2::rc::DialogLayout;

HINSTANCE instance() {
  return GetModuleHandleA(nullptr);
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::filesystem::path resFolder() {
  return TEXKIT2_RES_SOURCE_DIR;
}

DialogLayout layout(int id) {
  return texkit2::rc::parseDialogLayout(
      readFile(resFolder() / "dialogs" / (std::to_string(id) + ".json")));
}

// The bytes of a resource of this program, or an empty span.
struct Resource {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
};

Resource findResource(int id, LPCSTR type) {
  HRSRC found = FindResourceA(instance(), MAKEINTRESOURCEA(id), type);
  if (found == nullptr) {
    return {};
  }
  HGLOBAL loaded = LoadResource(instance(), found);
  return {static_cast<const std::uint8_t*>(LockResource(loaded)),
          SizeofResource(instance(), found)};
}

// A dialog template (DLGTEMPLATEEX) as the resource compiler wrote it.
class TemplateReader {
 public:
  explicit TemplateReader(Resource r) : m_r(r) {}

  bool ok() const { return m_ok; }
  std::uint32_t u16() {
    if (m_at + 2 > m_r.size) {
      m_ok = false;
      return 0;
    }
    const std::uint32_t v = m_r.data[m_at] | static_cast<std::uint32_t>(m_r.data[m_at + 1]) << 8;
    m_at += 2;
    return v;
  }
  std::uint32_t u32() { return u16() | u16() << 16; }
  std::int32_t i16() { return static_cast<std::int16_t>(u16()); }
  void align4() { m_at = (m_at + 3) & ~std::size_t{3}; }
  void skip(std::size_t n) { m_at += n; }
  std::string text() {
    std::string out;
    for (std::uint32_t c = u16(); c != 0 && m_ok; c = u16()) {
      out += static_cast<char>(c); // the layouts' texts are ASCII
    }
    return out;
  }
  // A name or a number: "#128" for a number, as resource names are written.
  std::string nameOrNumber() {
    const std::uint32_t first = u16();
    if (first == 0xFFFF) {
      return "#" + std::to_string(u16());
    }
    if (first == 0) {
      return {};
    }
    m_at -= 2;
    return text();
  }

 private:
  Resource m_r;
  std::size_t m_at = 0;
  bool m_ok = true;
};

struct TemplateItem {
  std::uint32_t exStyle, style;
  int x, y, cx, cy;
  int id;
  std::string windowClass, title;
};

std::string predefinedClass(const std::string& name) {
  // The dialog manager's numbered classes, which resource compilers may write instead.
  const std::pair<const char*, const char*> kNumbered[] = {
      {"#128", "button"}, {"#129", "edit"}, {"#130", "static"}};
  for (const auto& [number, className] : kNumbered) {
    if (name == number) {
      return className;
    }
  }
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// What the layout asks of each control type: its window class and its own styles.
struct Expected {
  std::string windowClass;
  DWORD style;
};

Expected expectedFor(const ControlLayout& c) {
  const DWORD align = c.align == "right" ? SS_RIGHT : c.align == "center" ? SS_CENTER : SS_LEFT;
  const struct {
    const char* type;
    Expected expected;
  } kTypes[] = {
      {"radio", {"button", BS_AUTORADIOBUTTON}},
      {"check", {"button", BS_AUTOCHECKBOX}},
      {"button", {"button", BS_PUSHBUTTON}},
      {"defbutton", {"button", BS_DEFPUSHBUTTON}},
      {"iconbutton", {"button", BS_PUSHBUTTON | BS_ICON}},
      {"groupbox", {"button", BS_GROUPBOX}},
      {"static", {"static", align | (c.noPrefix ? SS_NOPREFIX : 0u)}},
      {"icon", {"static", SS_ICON | (c.centerImage ? SS_CENTERIMAGE : 0u)}},
      {"edit", {"edit", ES_LEFT | ES_AUTOHSCROLL | (c.readOnly ? ES_READONLY : 0u)}},
      {"progress", {"msctls_progress32", 0}},
      {"animation",
       {"sysanimate32", (c.center ? ACS_CENTER : 0u) | (c.transparent ? ACS_TRANSPARENT : 0u)}},
      {"tree", {"systreeview32", TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT}},
      {"thumbnails",
       {"syslistview32", LVS_ICON | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE}},
      {"picture", {"static", SS_OWNERDRAW}},
  };
  for (const auto& row : kTypes) {
    if (c.type == row.type) {
      Expected e = row.expected;
      e.style |= WS_CHILD | WS_VISIBLE | (c.border ? WS_BORDER : 0u) | (c.group ? WS_GROUP : 0u) |
                 (c.tabStop ? WS_TABSTOP : 0u);
      return e;
    }
  }
  ADD_FAILURE() << "no expectation for type " << c.type;
  return {};
}

const int kDialogIds[] = {100, 102, 130, 133, 138, 140};

class Win32Resources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_STANDARD_CLASSES | ICC_ANIMATE_CLASS |
                                                      ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&classes));
  }
};

class DialogTemplates : public Win32Resources, public ::testing::WithParamInterface<int> {};

TEST_P(DialogTemplates, TemplateHoldsItsLayout) {
  const DialogLayout d = layout(GetParam());
  TemplateReader t(findResource(d.id, MAKEINTRESOURCEA(5))); // RT_DIALOG
  ASSERT_EQ(t.u16(), 1u);                                    // DLGTEMPLATEEX
  ASSERT_EQ(t.u16(), 0xFFFFu);                               // its signature
  t.u32();                                                   // help id
  const DWORD exStyle = t.u32();
  const DWORD style = t.u32();
  const std::uint32_t count = t.u16();
  const int x = t.i16(), y = t.i16(), cx = t.i16(), cy = t.i16();
  EXPECT_EQ(t.nameOrNumber(), ""); // no menu
  EXPECT_EQ(t.nameOrNumber(), ""); // the dialog class
  EXPECT_EQ(t.text(), d.caption);
  ASSERT_TRUE(style & DS_SETFONT);
  EXPECT_EQ(static_cast<int>(t.u16()), d.pointSize);
  t.u16();   // weight
  t.skip(2); // italic, character set
  EXPECT_EQ(t.text(), d.fontFamily);
  ASSERT_TRUE(t.ok());

  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(cx, d.width);
  EXPECT_EQ(cy, d.height);
  auto wants = [&](const char* name) {
    return std::find(d.styles.begin(), d.styles.end(), name) != d.styles.end();
  };
  EXPECT_EQ((style & WS_POPUP) != 0, wants("popup"));
  EXPECT_EQ((style & WS_CAPTION) == WS_CAPTION, wants("caption"));
  EXPECT_EQ((style & WS_SYSMENU) != 0, wants("sysmenu"));
  EXPECT_EQ((style & DS_MODALFRAME) != 0, wants("modalframe"));
  EXPECT_EQ((style & WS_VISIBLE) != 0, wants("visible"));
  EXPECT_EQ((exStyle & WS_EX_APPWINDOW) != 0, wants("appwindow"));
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);

  ASSERT_EQ(count, d.controls.size());
  for (const ControlLayout& c : d.controls) {
    SCOPED_TRACE("control " + std::to_string(c.id) + " \"" + c.text + "\"");
    t.align4();
    TemplateItem item{};
    t.u32(); // help id
    item.exStyle = t.u32();
    item.style = t.u32();
    item.x = t.i16();
    item.y = t.i16();
    item.cx = t.i16();
    item.cy = t.i16();
    item.id = static_cast<std::int32_t>(t.u32());
    item.windowClass = t.nameOrNumber();
    item.title = t.nameOrNumber();
    t.skip(t.u16()); // creation data
    ASSERT_TRUE(t.ok());

    const Expected expected = expectedFor(c);
    EXPECT_EQ(item.id, c.id);
    EXPECT_EQ(predefinedClass(item.windowClass), expected.windowClass);
    EXPECT_EQ(item.style, expected.style) << std::hex << (item.style ^ expected.style);
    EXPECT_EQ(item.exStyle, c.staticEdge ? DWORD{WS_EX_STATICEDGE} : DWORD{0});
    EXPECT_EQ(item.title, c.type == "icon" ? "#" + std::to_string(c.icon) : c.text);
    EXPECT_EQ(item.x, c.x);
    EXPECT_EQ(item.y, c.y);
    EXPECT_EQ(item.cx, c.width);
    EXPECT_EQ(item.cy, c.height);
  }
}

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) {
  // FALSE to WM_INITDIALOG: the dialog manager leaves the focus alone.
  (void)message;
  return FALSE;
}

std::string classOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return predefinedClass(name);
}

std::string textOf(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

TEST_P(DialogTemplates, DialogShowsEveryControlOfItsLayout) {
  const DialogLayout d = layout(GetParam());
  HWND dialog = CreateDialogParamA(instance(), MAKEINTRESOURCEA(d.id), nullptr, quietDialog, 0);
  ASSERT_NE(dialog, nullptr) << GetLastError();
  EXPECT_EQ(textOf(dialog), d.caption);
  RECT client{};
  GetClientRect(dialog, &client);
  RECT size{0, 0, d.width, d.height};
  MapDialogRect(dialog, &size);
  EXPECT_EQ(client.right, size.right);
  EXPECT_EQ(client.bottom, size.bottom);

  // Controls are made in template order, which is also their order among the dialog's children.
  HWND child = GetWindow(dialog, GW_CHILD);
  for (const ControlLayout& c : d.controls) {
    SCOPED_TRACE("control " + std::to_string(c.id) + " \"" + c.text + "\"");
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetDlgCtrlID(child), c.id == -1 ? -1 : c.id);
    if (c.id != -1) {
      EXPECT_EQ(GetDlgItem(dialog, c.id), child);
    }
    EXPECT_EQ(classOf(child), expectedFor(c).windowClass);
    if (c.type == "icon") {
      EXPECT_NE(SendMessageA(child, STM_GETICON, 0, 0), 0) << "icon " << c.icon;
    } else if (c.type != "animation" && c.type != "progress") {
      EXPECT_EQ(textOf(child), c.text);
    }
    // The dialog manager converts position and size each on its own.
    RECT at{c.x, c.y, c.width, c.height};
    MapDialogRect(dialog, &at);
    RECT actual{};
    GetWindowRect(child, &actual);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, at.left);
    EXPECT_EQ(actual.top, at.top);
    if (c.type != "icon" || c.centerImage) { // a plain icon static takes its icon's size
      EXPECT_EQ(actual.right - actual.left, at.right);
      EXPECT_EQ(actual.bottom - actual.top, at.bottom);
    }
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr) << "a control that its layout lacks";
  DestroyWindow(dialog);
}

INSTANTIATE_TEST_SUITE_P(Win32Resources, DialogTemplates, ::testing::ValuesIn(kDialogIds),
                         [](const ::testing::TestParamInfo<int>& id) {
                           return "Dialog" + std::to_string(id.param);
                         });

TEST_F(Win32Resources, StringTableHoldsStringsJson) {
  const auto strings = texkit2::rc::parseStringTable(readFile(resFolder() / "strings.json"));
  ASSERT_FALSE(strings.empty());
  for (const auto& [id, text] : strings) {
    SCOPED_TRACE(id);
    char loaded[512] = {};
    const int length = LoadStringA(instance(), static_cast<UINT>(id), loaded, sizeof loaded);
    EXPECT_EQ(length, static_cast<int>(text.size()));
    EXPECT_EQ(std::string(loaded), text);
  }
  char none[16] = {};
  EXPECT_EQ(LoadStringA(instance(), 1004, none, sizeof none), 0); // Exit has no tooltip
}

struct IconCase {
  int id;
  std::vector<int> sizes; // as the group lists them; 256 is written as 0
};

void PrintTo(const IconCase& icon, std::ostream* out) {
  *out << "icon " << icon.id;
}

class IconGroups : public Win32Resources, public ::testing::WithParamInterface<IconCase> {};

TEST_P(IconGroups, GroupListsItsSizesAndLoadsAtSixteenAndThirtyTwo) {
  const IconCase& icon = GetParam();
  const Resource group = findResource(icon.id, MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
  ASSERT_NE(group.data, nullptr);
  TemplateReader r(group);
  r.u16();
  EXPECT_EQ(r.u16(), 1u); // icons, not cursors
  const std::uint32_t count = r.u16();
  std::vector<int> sizes;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t width = r.u16() & 0xFF; // width, then height in the high byte
    sizes.push_back(width == 0 ? 256 : static_cast<int>(width));
    r.skip(10); // colours, reserved, planes, bits, bytes (4)
    r.u16();    // the image's RT_ICON number
  }
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(sizes, icon.sizes);

  for (const int size : {16, 32}) {
    SCOPED_TRACE(size);
    HICON loaded = static_cast<HICON>(
        LoadImageA(instance(), MAKEINTRESOURCEA(icon.id), IMAGE_ICON, size, size, 0));
    ASSERT_NE(loaded, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(loaded, &info));
    BITMAP colour{};
    ASSERT_NE(info.hbmColor, nullptr);
    GetObjectA(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, size);
    EXPECT_EQ(colour.bmHeight, size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(loaded);
  }
}

INSTANTIATE_TEST_SUITE_P(Win32Resources, IconGroups,
                         ::testing::Values(IconCase{128, {16, 32, 48, 256}}, IconCase{135, {32}},
                                           IconCase{136, {32}}, IconCase{137, {32}},
                                           IconCase{139, {16, 32}}),
                         [](const ::testing::TestParamInfo<IconCase>& icon) {
                           return "Icon" + std::to_string(icon.param.id);
                         });

TEST_F(Win32Resources, TreeBitmapCutsIntoSevenMaskedImages) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageA(instance(), MAKEINTRESOURCEA(134), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(bitmap, nullptr);
  BITMAP info{};
  GetObjectA(bitmap, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 112);
  EXPECT_EQ(info.bmHeight, 16);
  DeleteObject(bitmap);

  HIMAGELIST images = ImageList_LoadImageA(instance(), MAKEINTRESOURCEA(134), 16, 1,
                                           RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(images), 7);
  // Drawn over green, magenta is left out and a drawn pixel is not: the hard disk's outline.
  BITMAPINFO bmi{};
  bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP target = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, target);
  RECT all{0, 0, 16, 16};
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  FillRect(dc, &all, green);
  DeleteObject(green);
  ASSERT_TRUE(ImageList_Draw(images, 0, dc, 0, 0, ILD_TRANSPARENT));
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(dc, 4, 5), RGB(0, 0, 0));
  SelectObject(dc, old);
  DeleteObject(target);
  DeleteDC(dc);
  ImageList_Destroy(images);
}

struct ClipCase {
  int dialog;
  int control;
  int clip;
  int width;
  int height;
  int frameMs;
};

void PrintTo(const ClipCase& clip, std::ostream* out) {
  *out << "clip " << clip.clip;
}

class Clips : public Win32Resources, public ::testing::WithParamInterface<ClipCase> {};

// The control's picture of its current frame, as WM_PRINTCLIENT draws it, in the frame's area.
std::vector<COLORREF> printFrame(HWND animation, const ClipCase& clip) {
  RECT window{};
  GetWindowRect(animation, &window);
  const int w = window.right - window.left;
  const int h = window.bottom - window.top;
  BITMAPINFO bmi{};
  bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP target = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, target);
  SendMessageA(animation, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  std::vector<COLORREF> frame;
  // Centred as the control centres it (on its window rectangle).
  const int left = (w - clip.width) / 2;
  const int top = (h - clip.height) / 2;
  for (int y = top; y < top + clip.height; ++y) {
    for (int x = left; x < left + clip.width; ++x) {
      frame.push_back(GetPixel(dc, x, y));
    }
  }
  SelectObject(dc, old);
  DeleteObject(target);
  DeleteDC(dc);
  return frame;
}

TEST_P(Clips, ClipOpensTransparentAndPlaysByItselfWhileTheThreadIsBusy) {
  const ClipCase& clip = GetParam();
  HWND dialog =
      CreateDialogParamA(instance(), MAKEINTRESOURCEA(clip.dialog), nullptr, quietDialog, 0);
  ASSERT_NE(dialog, nullptr);
  HWND animation = GetDlgItem(dialog, clip.control);
  ASSERT_NE(animation, nullptr);
  ASSERT_TRUE(SendMessageA(animation, ACM_OPENA, reinterpret_cast<WPARAM>(instance()),
                           reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(clip.clip))));

  // Frame 0: the magenta background is left out, the face colour shows through; something
  // is drawn.
  ASSERT_TRUE(SendMessageA(animation, ACM_PLAY, 1, MAKELPARAM(0, 0)));
  const std::vector<COLORREF> first = printFrame(animation, clip);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(first.front(), face);
  EXPECT_EQ(first.back(), face);
  EXPECT_EQ(std::count(first.begin(), first.end(), RGB(255, 0, 255)), 0);
  EXPECT_GT(static_cast<std::size_t>(
                std::count_if(first.begin(), first.end(), [&](COLORREF c) { return c != face; })),
            first.size() / 50);

  // Played without end; this thread only sleeps, handling no messages, and the frames go on.
  ASSERT_TRUE(SendMessageA(animation, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, 0xFFFF)));
  std::set<std::vector<COLORREF>> seen;
  for (int sample = 0; sample < 8; ++sample) {
    Sleep(static_cast<DWORD>(clip.frameMs));
    seen.insert(printFrame(animation, clip));
  }
  EXPECT_GE(seen.size(), 4u);
  EXPECT_TRUE(SendMessageA(animation, ACM_STOP, 0, 0));
  EXPECT_TRUE(SendMessageA(animation, ACM_OPENA, 0, 0)); // closes the clip
  DestroyWindow(dialog);
}

INSTANTIATE_TEST_SUITE_P(Win32Resources, Clips,
                         ::testing::Values(ClipCase{102, 1005, 132, 260, 40, 100},
                                           ClipCase{138, 1027, 129, 48, 45, 200}),
                         [](const ::testing::TestParamInfo<ClipCase>& clip) {
                           return "Clip" + std::to_string(clip.param.clip);
                         });

TEST_F(Win32Resources, VersionResourceCarriesTheProjectVersion) {
  const Resource version = findResource(1, MAKEINTRESOURCEA(16)); // RT_VERSION
  ASSERT_NE(version.data, nullptr);
  // VS_FIXEDFILEINFO starts with its signature, on a 32-bit boundary.
  const std::uint8_t signature[] = {0xBD, 0x04, 0xEF, 0xFE};
  const std::uint8_t* fixed = std::search(version.data, version.data + version.size,
                                          std::begin(signature), std::end(signature));
  ASSERT_LE(fixed + 24, version.data + version.size);
  TemplateReader r({fixed + 8, 16});
  const std::uint32_t fileMs = r.u32();
  const std::uint32_t fileLs = r.u32();
  const std::uint32_t productMs = r.u32();
  const std::uint32_t productLs = r.u32();
  EXPECT_EQ(fileMs, std::uint32_t{TEXKIT2_VERSION_MAJOR} << 16 | TEXKIT2_VERSION_MINOR);
  EXPECT_EQ(fileLs, std::uint32_t{TEXKIT2_VERSION_PATCH} << 16 | TEXKIT2_VERSION_TWEAK);
  EXPECT_EQ(productMs, fileMs);
  EXPECT_EQ(productLs, fileLs);
}

} // namespace
