// The Win32 backend's thumbnail list, picture control and edit notifications, driven by window
// handle and control id as a user would, and the file choosers, answered as a user would.
#include "framework/win32/Win32Screenshot.h"
#include "tests/windows/gui/GuiTestSupport.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <utility>

namespace texkit2::tests {
namespace {

using framework::CDialog;
using framework::Picture;
using framework::win32::windowOf;

constexpr int kFilter = 1040;
constexpr int kList = 1041;
constexpr int kPicture = 1042;

// `width` x `height` of one colour (0xRRGGBB); columns left of `clearColumns` transparent.
Picture solid(int width, int height, std::uint32_t rgb, int clearColumns = 0) {
  Picture picture{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto alpha = static_cast<std::uint8_t>(x < clearColumns ? 0 : 255);
      picture.rgba.insert(picture.rgba.end(), {static_cast<std::uint8_t>(rgb >> 16),
                                               static_cast<std::uint8_t>(rgb >> 8),
                                               static_cast<std::uint8_t>(rgb), alpha});
    }
  }
  return picture;
}

std::uint32_t rgbOf(COLORREF colour) {
  return (colour & 0xFFu) << 16 | (colour & 0xFF00u) | (colour >> 16 & 0xFFu);
}

LPARAM pointParam(LONG x, LONG y) {
  return static_cast<LPARAM>(static_cast<DWORD>(y) << 16 | (static_cast<DWORD>(x) & 0xFFFFu));
}

class TexturesDialog : public CDialog {
 public:
  TexturesDialog() : CDialog(kTexturesLayout) {}

  void OnEditChange(int controlId) override { edits.push_back(controlId); }
  void OnThumbnailNeedItem(int controlId, int index, std::string& caption,
                           Picture& picture) override {
    EXPECT_EQ(controlId, kList);
    asked.push_back(index);
    caption = "tex" + std::to_string(index) + "\n32x16";
    // Its left half transparent.
    picture = solid(32, 16, 0x00FF00, 16);
  }
  void OnThumbnailSelChanged(int controlId) override {
    EXPECT_EQ(controlId, kList);
    ++selectionChanges;
  }
  void OnThumbnailActivate(int controlId, int index) override {
    EXPECT_EQ(controlId, kList);
    activated.push_back(index);
  }
  void OnCommand(int controlId) override { commands.push_back(controlId); }

  HWND hwnd() const { return windowOf(this); }
  HWND item(int id) const { return ::GetDlgItem(hwnd(), id); }
  // What was asked, each once, ascending.
  std::vector<int> askedSet() const {
    std::vector<int> set = asked;
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
    return set;
  }

  std::vector<int> asked;
  std::vector<int> edits;
  std::vector<int> activated;
  std::vector<int> commands;
  int selectionChanges = 0;
};

class Win32ThumbnailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog.Create();
    list = dialog.item(kList);
    ASSERT_NE(list, nullptr);
  }

  // On screen and drawn, as the user sees it.
  void show() {
    ::ShowWindow(dialog.hwnd(), SW_SHOWNA);
    ::RedrawWindow(dialog.hwnd(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }

  RECT iconOf(int index) const {
    RECT icon{};
    icon.left = LVIR_ICON;
    ::SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&icon));
    return icon;
  }

  void setSelected(int index, bool on) const {
    LVITEMA change{};
    change.stateMask = LVIS_SELECTED;
    change.state = on ? LVIS_SELECTED : 0;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(&change));
  }

  TexturesDialog dialog;
  HWND list = nullptr;
};

// The pixel at `x`, `y` of `window`'s client area, as 0xRRGGBB.
std::uint32_t clientPixel(HWND window, LONG x, LONG y) {
  const framework::win32::WindowPixels pixels = framework::win32::captureWindow(window);
  RECT frame{};
  ::GetWindowRect(window, &frame);
  POINT corner{0, 0};
  ::ClientToScreen(window, &corner);
  const LONG column = x + corner.x - frame.left;
  const LONG row = y + corner.y - frame.top;
  if (column < 0 || row < 0 || column >= pixels.width || row >= pixels.height) {
    ADD_FAILURE() << "no pixel at " << x << ", " << y;
    return 0xFFFFFFFFu;
  }
  return pixels.rgb[static_cast<std::size_t>(row * pixels.width + column)];
}

TEST_F(Win32ThumbnailTest, OfTwoThousandItemsOnlyThoseShownAreAskedForAndOnce) {
  dialog.SetThumbnailCount(kList, 2000);
  EXPECT_EQ(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2000);
  EXPECT_EQ(dialog.GetThumbnailCount(kList), 2000);
  EXPECT_TRUE(dialog.asked.empty()); // the dialog is not on screen yet
  show();
  const std::vector<int> visible = dialog.GetVisibleThumbnails(kList);
  ASSERT_FALSE(visible.empty());
  EXPECT_EQ(visible.front(), 0);
  EXPECT_LT(visible.size(), 40u);
  EXPECT_EQ(dialog.askedSet(), visible);
  EXPECT_EQ(dialog.asked.size(), visible.size());

  ::InvalidateRect(list, nullptr, TRUE);
  ::UpdateWindow(list);
  EXPECT_EQ(dialog.asked.size(), visible.size());
  // The caption, line break and all, as the list gives it.
  char text[64] = {};
  LVITEMA query{};
  query.pszText = text;
  query.cchTextMax = sizeof text;
  ::SendMessageA(list, LVM_GETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&query));
  EXPECT_STREQ(text, "tex1\n32x16");
}

TEST_F(Win32ThumbnailTest, ScrollingAsksForWhatComesIntoViewAndANewCountStartsAgainAtTheTop) {
  dialog.SetThumbnailCount(kList, 2000);
  show();
  ::SendMessageA(list, WM_VSCROLL, SB_PAGEDOWN, 0);
  ::UpdateWindow(list);
  std::vector<int> visible = dialog.GetVisibleThumbnails(kList);
  ASSERT_FALSE(visible.empty());
  EXPECT_GT(visible.front(), 0);
  std::vector<int> asked = dialog.askedSet();
  EXPECT_TRUE(std::includes(asked.begin(), asked.end(), visible.begin(), visible.end()));

  dialog.asked.clear();
  dialog.SetThumbnailCount(kList, 2000);
  ::UpdateWindow(list);
  visible = dialog.GetVisibleThumbnails(kList);
  ASSERT_FALSE(visible.empty());
  EXPECT_EQ(visible.front(), 0);
  EXPECT_EQ(dialog.askedSet(), visible); // asked again: a new count forgets every answer
}

TEST_F(Win32ThumbnailTest, AnUpdatedItemIsAskedForAgainWhenItIsDrawn) {
  dialog.SetThumbnailCount(kList, 20);
  show();
  dialog.asked.clear();
  dialog.UpdateThumbnails(kList, 1, 2);
  EXPECT_TRUE(dialog.asked.empty());
  ::UpdateWindow(list);
  EXPECT_EQ(dialog.askedSet(), (std::vector<int>{1, 2}));
}

TEST_F(Win32ThumbnailTest, APictureIsCentredInItsCellAndItsTransparentPixelsShowTheList) {
  dialog.SetThumbnailCount(kList, 3);
  show();
  // 32 x 16 in 64 x 64: from (16, 24), its left half transparent.
  const RECT icon = iconOf(0);
  ASSERT_EQ(icon.right - icon.left, framework::kThumbnailSide);
  const std::uint32_t background =
      rgbOf(static_cast<COLORREF>(::SendMessageA(list, LVM_GETBKCOLOR, 0, 0)));
  EXPECT_EQ(clientPixel(list, icon.left + 40, icon.top + 30), 0x00FF00u);
  EXPECT_EQ(clientPixel(list, icon.left + 20, icon.top + 30), background);
  EXPECT_EQ(clientPixel(list, icon.left + 40, icon.top + 10), background);
}

TEST_F(Win32ThumbnailTest, OnAMonitorOfAnotherDpiThePicturesAndTheirCellsScale) {
  dialog.SetThumbnailCount(kList, 3);
  int dpi = 96;
  for (const int now : {144, 192, 96}) {
    SCOPED_TRACE(now);
    moveToDpi(dialog.hwnd(), now, dpi);
    dpi = now;
    show();
    const RECT icon = iconOf(0);
    ASSERT_EQ(icon.right - icon.left, ::MulDiv(framework::kThumbnailSide, dpi, 96));
    const auto at = [dpi](LONG pixels) { return ::MulDiv(pixels, dpi, 96); };
    const std::uint32_t background =
        rgbOf(static_cast<COLORREF>(::SendMessageA(list, LVM_GETBKCOLOR, 0, 0)));
    EXPECT_EQ(clientPixel(list, icon.left + at(40), icon.top + at(30)), 0x00FF00u);
    EXPECT_EQ(clientPixel(list, icon.left + at(20), icon.top + at(30)), background);
    EXPECT_EQ(clientPixel(list, icon.left + at(40), icon.top + at(10)), background);
  }
}

TEST_F(Win32ThumbnailTest, SelectionChangesReachTheDialog) {
  dialog.SetThumbnailCount(kList, 50);
  setSelected(3, true);
  setSelected(5, true);
  EXPECT_EQ(dialog.selectionChanges, 2);
  EXPECT_EQ(dialog.GetThumbnailSelection(kList), (std::vector<int>{3, 5}));
  setSelected(-1, false);
  EXPECT_EQ(dialog.selectionChanges, 3);
  EXPECT_TRUE(dialog.GetThumbnailSelection(kList).empty());

  dialog.SetThumbnailSelection(kList, {7, 2, 99});
  EXPECT_EQ(dialog.selectionChanges, 4);
  EXPECT_EQ(dialog.GetThumbnailSelection(kList), (std::vector<int>{2, 7}));
  EXPECT_EQ(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 7);

  // A new count clears the selection, as the dialog asked it to.
  dialog.SetThumbnailCount(kList, 50);
  EXPECT_EQ(::SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 0);
  EXPECT_TRUE(dialog.GetThumbnailSelection(kList).empty());
  EXPECT_EQ(dialog.selectionChanges, 4);
}

TEST_F(Win32ThumbnailTest, ADoubleClickOrEnterOpensTheItem) {
  const struct {
    const char* name;
    std::function<void()> act;
  } cases[] = {
      {"double click",
       [this] {
         const RECT icon = iconOf(4);
         ::SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON,
                        pointParam((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2));
       }},
      {"Enter, which does not press the default button",
       [this] {
         dialog.SetThumbnailSelection(kList, {4});
         ::SetFocus(list);
         ::PostMessageA(list, WM_KEYDOWN, VK_RETURN, 1);
         pumpUntil([&] { return !dialog.activated.empty(); }, 1000);
       }},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    dialog.SetThumbnailCount(kList, 20);
    show();
    dialog.activated.clear();
    row.act();
    EXPECT_EQ(dialog.activated, std::vector<int>{4});
    EXPECT_TRUE(dialog.commands.empty());
  }
}

TEST_F(Win32ThumbnailTest, EditChangesOfTheUserAreReportedAndTheDialogsOwnAreNot) {
  HWND edit = dialog.item(kFilter);
  ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("brick"));
  EXPECT_EQ(dialog.edits, std::vector<int>{kFilter});
  ::SendMessageA(edit, WM_CHAR, 's', 1);
  EXPECT_EQ(dialog.edits.size(), 2u);
  dialog.SetDlgItemText(kFilter, "metal");
  EXPECT_EQ(dialog.edits.size(), 2u);
  EXPECT_EQ(itemText(dialog.hwnd(), kFilter), "metal");
}

TEST_F(Win32ThumbnailTest, ThePictureControlDrawsFromItsCornerScaledDownOnlyWhenLarger) {
  HWND control = dialog.item(kPicture);
  RECT client{};
  ::GetClientRect(control, &client);
  const LONG width = client.right;
  const std::uint32_t face = rgbOf(::GetSysColor(COLOR_BTNFACE));
  const struct {
    const char* name;
    Picture picture;
    std::vector<std::pair<POINT, std::uint32_t>> pixels;
  } cases[] = {
      {"its own size, transparent pixels showing the dialog",
       solid(8, 4, 0xFF0000, 2),
       {{{2, 0}, 0xFF0000u}, {{7, 3}, 0xFF0000u}, {{1, 0}, face}, {{8, 0}, face}, {{2, 4}, face}}},
      {"twice as wide as the control: half its height",
       solid(2 * width, 20, 0x0000FF),
       {{{0, 0}, 0x0000FFu}, {{width - 1, 9}, 0x0000FFu}, {{0, 11}, face}}},
      {"empty", Picture{}, {{{0, 0}, face}}},
  };
  show();
  dialog.SetPicture(kList, solid(1, 1, 0)); // no picture control: nothing happens
  EXPECT_EQ(dialog.GetPicture(kList).width, 0);
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    dialog.SetPicture(kPicture, row.picture);
    EXPECT_EQ(dialog.GetPicture(kPicture).rgba, row.picture.rgba);
    for (const auto& [at, colour] : row.pixels) {
      SCOPED_TRACE(std::to_string(at.x) + ", " + std::to_string(at.y));
      EXPECT_EQ(clientPixel(control, at.x, at.y), colour);
    }
  }
}

TEST_F(Win32ThumbnailTest, ThePictureControlScalesThePictureWithTheDpi) {
  HWND control = dialog.item(kPicture);
  const std::uint32_t face = rgbOf(::GetSysColor(COLOR_BTNFACE));
  show();
  moveToDpi(dialog.hwnd(), 192, 96);
  dialog.SetPicture(kPicture, solid(8, 4, 0xFF0000));
  ::UpdateWindow(control);
  // Whole pixels doubled, as a texture's are seen.
  EXPECT_EQ(dialog.GetPicture(kPicture).width, 8);
  EXPECT_EQ(clientPixel(control, 15, 7), 0xFF0000u);
  EXPECT_EQ(clientPixel(control, 16, 0), face);
  EXPECT_EQ(clientPixel(control, 0, 8), face);
}

// Answers the next system chooser (an owned dialog window of this thread): `answer` gets it.
// One still open 5 s later is cancelled, so that a failing test ends.
struct ChooserAnswer {
  static inline std::function<void(HWND)> pending;
  static inline ULONGLONG deadline = 0;

  static BOOL CALLBACK find(HWND window, LPARAM found) {
    char name[16] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (::GetWindow(window, GW_OWNER) != nullptr && ::IsWindowVisible(window) &&
        ::IsWindowEnabled(window) && std::string(name) == "#32770") {
      *reinterpret_cast<HWND*>(found) = window;
    }
    return TRUE;
  }

  static void CALLBACK tick(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND chooser = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &find, reinterpret_cast<LPARAM>(&chooser));
    if (chooser != nullptr && pending) {
      std::exchange(pending, nullptr)(chooser);
    } else if (chooser != nullptr && ::GetTickCount64() > deadline) {
      ::PostMessageA(chooser, WM_COMMAND, CDialog::IDCANCEL, 0);
    } else if (chooser == nullptr && !pending) {
      ::KillTimer(nullptr, timer);
    }
  }

  static void next(std::function<void(HWND)> answer) {
    pending = std::move(answer);
    deadline = ::GetTickCount64() + 5000;
    ::SetTimer(nullptr, 0, 20, &tick);
  }
};

void press(HWND chooser, int button) {
  ::PostMessageA(chooser, WM_COMMAND, static_cast<WPARAM>(button), 0);
}

TEST_F(Win32ThumbnailTest, TheFileChooserGivesTheChosenFileAndNothingWhenCancelled) {
  char folder[MAX_PATH] = {};
  ::GetTempPathA(sizeof folder, folder);
  const std::string path = std::string(folder) + "texkit2-chooser-test.wad";
  std::ofstream(path) << "WAD2";
  std::string title;
  HWND chooserOwner = nullptr;
  ChooserAnswer::next([&](HWND chooser) {
    title = windowText(chooser);
    chooserOwner = ::GetWindow(chooser, GW_OWNER);
    // The file name box (cmb13), typed into.
    HWND name = ::GetDlgItem(chooser, 0x47C);
    ::SetWindowTextA(reinterpret_cast<HWND>(::SendMessageA(name, CBEM_GETEDITCONTROL, 0, 0)),
                     path.c_str());
    press(chooser, CDialog::IDOK);
  });
  const std::optional<std::string> chosen =
      framework::toolkit().chooseFileToOpen(&dialog, "Open WAD", "WAD files", "*.wad");
  ::DeleteFileA(path.c_str());
  EXPECT_EQ(title, "Open WAD");
  EXPECT_EQ(chooserOwner, dialog.hwnd());
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(::lstrcmpiA(chosen->c_str(), path.c_str()), 0) << *chosen;

  ChooserAnswer::next([](HWND chooser) { press(chooser, CDialog::IDCANCEL); });
  EXPECT_FALSE(framework::toolkit().chooseFileToOpen(&dialog, "Open WAD", "WAD files", "*.wad"));
}

TEST_F(Win32ThumbnailTest, TheFolderChooserGivesAFolderAndNothingWhenCancelled) {
  ChooserAnswer::next([](HWND chooser) { press(chooser, CDialog::IDOK); });
  const std::optional<std::string> chosen = framework::toolkit().chooseFolder(&dialog, "Export to");
  ASSERT_TRUE(chosen.has_value());
  const DWORD attributes = ::GetFileAttributesA(chosen->c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << *chosen;
  EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u) << *chosen;

  ChooserAnswer::next([](HWND chooser) { press(chooser, CDialog::IDCANCEL); });
  EXPECT_FALSE(framework::toolkit().chooseFolder(&dialog, "Export to"));
}

} // namespace
} // namespace texkit2::tests
