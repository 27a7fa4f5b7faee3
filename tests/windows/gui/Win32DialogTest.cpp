// The Win32 backend's dialogs, driven through the neutral framework and, as a user or a test
// of the program would, by window handle and control id.
#include "framework/Resources.h"
#include "framework/win32/Win32CommonControls.h"
#include "framework/win32/Win32Dpi.h"
#include "framework/win32/Win32Screenshot.h"
#include "tests/windows/gui/GuiTestSupport.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>

namespace texkit2::tests {
namespace {

using framework::CDialog;
using framework::DataExchange;
using framework::win32::windowOf;

class ControlsDialog : public CDialog {
 public:
  explicit ControlsDialog(CDialog* owner = nullptr) : CDialog(kControlsLayout, owner) {}

  void DoDataExchange(DataExchange& dx) override {
    framework::DDX_Text(dx, 1006, status);
    framework::DDX_Radio(dx, 1033, game);
    framework::DDX_Check(dx, 1030, hardDrives);
  }
  void OnCommand(int controlId) override {
    commands.push_back(controlId);
    CDialog::OnCommand(controlId);
  }
  void OnSysCommand(int command) override {
    sysCommands.push_back(command);
    CDialog::OnSysCommand(command);
  }
  void OnClose() override {
    ++closes;
    CDialog::OnClose();
  }
  void OnTimer(int id) override { ticks.push_back(id); }
  void OnHelp() override { ++helps; }
  bool OnToolTipNeedText(int controlId, std::string& text) override {
    if (controlId != 1002) {
      return false;
    }
    text = framework::LoadString(controlId).value_or("");
    return true;
  }

  HWND hwnd() const { return windowOf(this); }
  HWND item(int id) const { return ::GetDlgItem(hwnd(), id); }

  std::string status = "Welcome";
  int game = 1;
  int hardDrives = 1;
  std::vector<int> commands;
  std::vector<int> sysCommands;
  std::vector<int> ticks;
  int closes = 0;
  int helps = 0;
};

TEST(Win32DialogTest, CreateMakesTheLayoutHiddenCentredAndPushesTheMembers) {
  ControlsDialog dialog;
  dialog.Create();
  HWND window = dialog.hwnd();
  ASSERT_NE(window, nullptr);
  // The layout is marked visible; it shows only once it runs.
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_EQ(windowText(window), "Controls");
  EXPECT_EQ(itemText(window, 1006), "Welcome");
  EXPECT_EQ(::IsDlgButtonChecked(window, 1034), BST_CHECKED);
  EXPECT_EQ(::IsDlgButtonChecked(window, 1030), BST_CHECKED);

  RECT frame{};
  RECT screen{};
  ::GetWindowRect(window, &frame);
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
  EXPECT_LE(std::abs((frame.left + frame.right) - (screen.left + screen.right)), 2);
  EXPECT_LE(std::abs((frame.top + frame.bottom) - (screen.top + screen.bottom)), 2);
}

TEST(Win32DialogTest, AMissingLayoutGivesAnEmptyDialog) {
  CDialog dialog(4321);
  dialog.Create();
  HWND window = windowOf(&dialog);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(::GetWindow(window, GW_CHILD), nullptr);
  dialog.SetDlgItemText(1006, "nowhere");
  EXPECT_EQ(dialog.GetDlgItemText(1006), "");
  EXPECT_EQ(dialog.radioGroup(1033), std::vector<int>{});
}

TEST(Win32DialogTest, TextsStatesAndChecksGoBothWays) {
  ControlsDialog dialog;
  dialog.Create();
  HWND window = dialog.hwnd();

  dialog.SetDlgItemText(1012, "C:\\Games\\Quake");
  EXPECT_EQ(itemText(window, 1012), "C:\\Games\\Quake");
  ::SetDlgItemTextA(window, 1006, "File found");
  EXPECT_EQ(dialog.GetDlgItemText(1006), "File found");
  // Bytes of the code page, as the file system names folders, come back unchanged.
  dialog.SetDlgItemText(1012, "caf\xe9");
  EXPECT_EQ(dialog.GetDlgItemText(1012), "caf\xe9");

  dialog.EnableItem(1004, false);
  EXPECT_FALSE(::IsWindowEnabled(dialog.item(1004)));
  EXPECT_FALSE(dialog.isItemEnabled(1004));
  ::EnableWindow(dialog.item(1004), TRUE);
  EXPECT_TRUE(dialog.isItemEnabled(1004));

  // Shown by the dialog while the dialog itself is hidden.
  EXPECT_TRUE(dialog.isItemShown(1035));
  dialog.ShowItem(1035, false);
  EXPECT_FALSE(::GetWindowLongPtrA(dialog.item(1035), GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(dialog.isItemShown(1035));

  dialog.CheckDlgButton(1030, false);
  EXPECT_EQ(::IsDlgButtonChecked(window, 1030), BST_UNCHECKED);
  ::CheckDlgButton(window, 1030, BST_CHECKED);
  EXPECT_TRUE(dialog.IsDlgButtonChecked(1030));

  // Controls the layout lacks: nothing happens.
  dialog.SetDlgItemText(4321, "nowhere");
  EXPECT_EQ(dialog.GetDlgItemText(4321), "");
  EXPECT_FALSE(dialog.isItemEnabled(4321));
}

TEST(Win32DialogTest, RadioGroupEndsAtTheFirstControlThatIsNoRadioButton) {
  ControlsDialog dialog;
  dialog.Create();
  EXPECT_EQ(dialog.radioGroup(1033), (std::vector<int>{1033, 1034}));
  EXPECT_TRUE(dialog.radioGroup(1004).empty());

  ::SendMessageA(dialog.item(1033), BM_CLICK, 0, 0);
  EXPECT_EQ(::IsDlgButtonChecked(dialog.hwnd(), 1034), BST_UNCHECKED);
  dialog.UpdateData(true);
  EXPECT_EQ(dialog.game, 0);
  EXPECT_EQ(dialog.status, "Welcome");
  dialog.game = -1;
  dialog.UpdateData(false);
  EXPECT_EQ(::IsDlgButtonChecked(dialog.hwnd(), 1033), BST_UNCHECKED);
  EXPECT_EQ(::IsDlgButtonChecked(dialog.hwnd(), 1034), BST_UNCHECKED);
}

TEST(Win32DialogTest, ButtonClicksReachOnCommand) {
  ControlsDialog dialog;
  dialog.Create();
  for (const int id : {1004, 1033, 1030, 1002}) {
    SCOPED_TRACE(id);
    dialog.commands.clear();
    ::SendMessageA(dialog.item(id), BM_CLICK, 0, 0);
    EXPECT_EQ(dialog.commands, std::vector<int>{id});
  }
  ::SendMessageA(dialog.hwnd(), WM_COMMAND, MAKEWPARAM(1004, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dialog.item(1004)));
  EXPECT_EQ(dialog.commands.back(), 1004);
}

struct ModalCase {
  const char* name;
  std::function<void(HWND)> act;
  int result;
  std::vector<int> commands;
};

TEST(Win32DialogTest, TheModalRunEndsWithTheResultOfTheWayItIsClosed) {
  const auto key = [](WPARAM code) {
    return [code](HWND window) {
      HWND focus = ::GetFocus();
      ::PostMessageA(focus != nullptr ? focus : window, WM_KEYDOWN, code, 0);
    };
  };
  const std::vector<ModalCase> cases = {
      {"OK clicked", [](HWND w) { ::SendMessageA(::GetDlgItem(w, 1), BM_CLICK, 0, 0); }, 1, {1}},
      {"Enter presses the default button", key(VK_RETURN), 1, {1}},
      {"Escape cancels", key(VK_ESCAPE), 2, {2}},
      {"the close box", [](HWND w) { ::PostMessageA(w, WM_SYSCOMMAND, 0xF060, 0); }, 2, {}},
      {"WM_CLOSE", [](HWND w) { ::PostMessageA(w, WM_CLOSE, 0, 0); }, 2, {}},
  };
  for (const ModalCase& modalCase : cases) {
    SCOPED_TRACE(modalCase.name);
    ControlsDialog dialog;
    whenModal(modalCase.act);
    EXPECT_EQ(dialog.DoModal(), modalCase.result);
    EXPECT_EQ(dialog.commands, modalCase.commands);
    EXPECT_FALSE(::IsWindowVisible(dialog.hwnd()));
  }
}

TEST(Win32DialogTest, AQuitRequestEndsTheModalRunAndReachesTheProgramsLoop) {
  ControlsDialog dialog;
  whenModal([](HWND) { ::PostQuitMessage(3); });
  EXPECT_EQ(dialog.DoModal(), -1);
  MSG msg{};
  ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(Win32DialogTest, AModalDialogDisablesItsOwnerWhileItRuns) {
  ControlsDialog owner;
  owner.Create();
  ControlsDialog child(&owner);
  bool ownerEnabled = true;
  HWND childOwner = nullptr;
  whenModal([&](HWND window) {
    ownerEnabled = ::IsWindowEnabled(owner.hwnd()) != FALSE;
    childOwner = ::GetWindow(window, GW_OWNER);
    ::PostMessageA(window, WM_COMMAND, CDialog::IDCANCEL, 0);
  });
  EXPECT_EQ(child.DoModal(), 2);
  EXPECT_FALSE(ownerEnabled);
  EXPECT_EQ(childOwner, owner.hwnd());
  EXPECT_TRUE(::IsWindowEnabled(owner.hwnd()));
}

TEST(Win32DialogTest, TimersTickUntilKilledAndEndWithTheDialog) {
  ControlsDialog dialog;
  dialog.Create();
  dialog.SetTimer(7, 20);
  EXPECT_TRUE(dialog.hasTimer(7));
  ASSERT_TRUE(pumpUntil([&] { return dialog.ticks.size() >= 3; }));
  EXPECT_EQ(std::count(dialog.ticks.begin(), dialog.ticks.end(), 7),
            static_cast<long>(dialog.ticks.size()));
  dialog.KillTimer(7);
  const std::size_t ticks = dialog.ticks.size();
  pumpFor(100);
  EXPECT_EQ(dialog.ticks.size(), ticks);

  dialog.SetTimer(1, 20);
  dialog.EndDialog(CDialog::IDOK);
  EXPECT_FALSE(dialog.hasTimer(1));
  pumpFor(100);
  EXPECT_EQ(dialog.ticks.size(), ticks);
}

TEST(Win32DialogTest, TheSystemMenuHoldsTheAppendedEntriesAndReportsTheirCommands) {
  ControlsDialog dialog;
  dialog.Create();
  const std::vector<int> before = dialog.menuCommands();
  ASSERT_FALSE(before.empty());
  dialog.AppendMenuSeparator();
  dialog.AppendMenuCommand(16, *framework::LoadString(101));
  std::vector<int> after = dialog.menuCommands();
  ASSERT_EQ(after.size(), before.size() + 2);
  EXPECT_EQ(after[after.size() - 2], 0);
  EXPECT_EQ(after.back(), 16);
  char text[64] = {};
  ::GetMenuStringA(::GetSystemMenu(dialog.hwnd(), FALSE), 16, text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ(text, "&About Texkit...");

  dialog.DeleteMenuItem(0);
  after = dialog.menuCommands();
  EXPECT_EQ(after.size(), before.size() + 1);
  EXPECT_EQ(after.front(), before[1]);

  ::SendMessageA(dialog.hwnd(), WM_SYSCOMMAND, 16, 0);
  ::SendMessageA(dialog.hwnd(), WM_SYSCOMMAND, 0xF060, 0);
  EXPECT_EQ(dialog.sysCommands, (std::vector<int>{16, 0xF060}));
  EXPECT_EQ(dialog.closes, 1);
}

TEST(Win32DialogTest, IconsReachTheButtonAndTheWindow) {
  ControlsDialog dialog;
  dialog.Create();
  EXPECT_EQ(::SendMessageA(dialog.item(1002), BM_GETIMAGE, IMAGE_ICON, 0), 0);
  dialog.SetButtonIcon(1002, kIcon);
  EXPECT_NE(::SendMessageA(dialog.item(1002), BM_GETIMAGE, IMAGE_ICON, 0), 0);
  dialog.SetIcon(kIcon);
  EXPECT_NE(::SendMessageA(dialog.hwnd(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(::SendMessageA(dialog.hwnd(), WM_GETICON, ICON_SMALL, 0), 0);
}

// Square pixels of an icon, as its colour bitmap has them.
int iconSide(HICON icon) {
  ICONINFO info{};
  if (icon == nullptr || !::GetIconInfo(icon, &info)) {
    return 0;
  }
  BITMAP bitmap{};
  ::GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  for (HBITMAP made : {info.hbmColor, info.hbmMask}) {
    if (made != nullptr) {
      ::DeleteObject(made);
    }
  }
  return bitmap.bmWidth;
}

TEST(Win32DialogTest, AnIconComesAtTheSizeAskedForDrawnOrScaled) {
  // The icon's art is drawn at 16, 32, 48 and 256 pixels.
  for (const int size : {16, 20, 24, 32, 40, 48, 64, 96, 128}) {
    SCOPED_TRACE(size);
    HICON icon = framework::win32::loadIconForSize(kit().module(), kIcon, size);
    EXPECT_EQ(iconSide(icon), size);
    ::DestroyIcon(icon);
  }
  EXPECT_EQ(framework::win32::loadIconForSize(kit().module(), 4321, 32), nullptr);
}

TEST(Win32DialogTest, PicturesGrowByWholePixelsOrSmoothly) {
  // Black and white halves, one column each.
  const framework::Picture picture{
      2, 2, {0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255}};
  const struct {
    const char* name;
    framework::Picture (*resize)(const framework::Picture&, int, int);
    int width;
    std::vector<std::uint8_t> reds;
  } cases[] = {
      {"twice: pixels repeated", &framework::win32::resized, 4, {0, 0, 255, 255}},
      {"smoothly twice: grey in between", &framework::win32::smoothlyResized, 4, {0, 64, 191, 255}},
      {"one and a half: grey in between", &framework::win32::resized, 3, {0, 128, 255}},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    const framework::Picture out = row.resize(picture, row.width, row.width);
    ASSERT_EQ(out.width, row.width);
    ASSERT_EQ(out.height, row.width);
    std::vector<std::uint8_t> reds;
    for (std::size_t i = 0; i < static_cast<std::size_t>(row.width) * 4; i += 4) {
      reds.push_back(out.rgba[i]);
      EXPECT_EQ(out.rgba[i + 3], 255);
    }
    EXPECT_EQ(reds, row.reds);
  }
}

TEST(Win32DialogTest, MovedToAMonitorOfAnotherDpiTheDialogLaysItselfOutAgain) {
  for (const int dpi : {144, 192}) {
    SCOPED_TRACE(dpi);
    ControlsDialog dialog;
    dialog.Create();
    dialog.SetButtonIcon(1002, kIcon);
    const auto placeOf = [&dialog](int id) {
      RECT place{};
      ::GetWindowRect(dialog.item(id), &place);
      ::MapWindowPoints(nullptr, dialog.hwnd(), reinterpret_cast<POINT*>(&place), 2);
      return place;
    };
    const auto fontHeight = [](HWND window) {
      LOGFONTA font{};
      ::GetObjectA(reinterpret_cast<HGDIOBJ>(::SendMessageA(window, WM_GETFONT, 0, 0)), sizeof font,
                   &font);
      return font.lfHeight;
    };
    const RECT exit = placeOf(1004);
    const LONG height = fontHeight(dialog.item(1004));
    RECT frame{};
    ::GetWindowRect(dialog.hwnd(), &frame);
    moveToDpi(dialog.hwnd(), dpi, 96);

    RECT now{};
    ::GetWindowRect(dialog.hwnd(), &now);
    EXPECT_EQ(now.left, frame.left);
    EXPECT_EQ(now.right - now.left, ::MulDiv(frame.right - frame.left, dpi, 96));
    EXPECT_EQ(now.bottom - now.top, ::MulDiv(frame.bottom - frame.top, dpi, 96));
    const RECT moved = placeOf(1004);
    EXPECT_EQ(moved.left, ::MulDiv(exit.left, dpi, 96));
    EXPECT_EQ(moved.right, ::MulDiv(exit.right, dpi, 96));
    EXPECT_EQ(moved.bottom, ::MulDiv(exit.bottom, dpi, 96));
    EXPECT_EQ(fontHeight(dialog.item(1004)), ::MulDiv(height, dpi, 96));
    EXPECT_EQ(iconSide(reinterpret_cast<HICON>(
                  ::SendMessageA(dialog.item(1002), BM_GETIMAGE, IMAGE_ICON, 0))),
              ::MulDiv(32, dpi, 96));
  }
}

TEST(Win32DialogTest, TheCommonControlsAreVersion6) {
  // The manifest the test program carries, as the application does.
  const auto version = framework::win32::commonControlsVersion();
  SCOPED_TRACE(framework::win32::describe(version));
  EXPECT_EQ(version.classes.substr(0, 4), "6.0.");
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  if (::GetProcAddress(ntdll, "wine_get_version") == nullptr) {
    EXPECT_GE(version.major, 6u);
  } else {
    // Wine's one comctl32 answers 5.81 as version 6 too.
    EXPECT_GE(version.major, 5u);
  }
}

TEST(Win32DialogTest, TheProgressBarKeepsRangeAndPosition) {
  ControlsDialog dialog;
  dialog.Create();
  HWND bar = dialog.item(1000);
  dialog.SetProgressRange(1000, 250);
  dialog.SetProgressPos(1000, 120);
  EXPECT_EQ(::SendMessageA(bar, PBM_GETPOS, 0, 0), 120);
  EXPECT_EQ(::SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 250);
  ::SendMessageA(bar, PBM_SETPOS, 30, 0);
  EXPECT_EQ(dialog.GetProgressPos(1000), 30);
  EXPECT_EQ(dialog.GetProgressMax(1000), 250);
}

BOOL CALLBACK findToolTip(HWND window, LPARAM found) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  if (::lstrcmpiA(name, TOOLTIPS_CLASSA) == 0) {
    *reinterpret_cast<HWND*>(found) = window;
  }
  return TRUE;
}

TEST(Win32DialogTest, ToolTipsAskTheDialogForTheirText) {
  ControlsDialog dialog;
  dialog.Create();
  dialog.EnableToolTips();
  HWND tip = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &findToolTip, reinterpret_cast<LPARAM>(&tip));
  ASSERT_NE(tip, nullptr);
  // A control's own tool, and its area of the dialog (where a disabled control's mouse goes).
  const auto textOf = [&](int id, bool area = false) {
    char text[80] = {};
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = dialog.hwnd();
    tool.uId = area ? static_cast<UINT_PTR>(id) : reinterpret_cast<UINT_PTR>(dialog.item(id));
    tool.lpszText = text;
    ::SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    return std::string(text);
  };
  EXPECT_EQ(textOf(1002), "Manual Locate...");
  EXPECT_EQ(textOf(1002, true), "Manual Locate...");
  EXPECT_EQ(textOf(1004), "");
  EXPECT_EQ(textOf(1004, true), "");
}

TEST(Win32DialogTest, HelpReachesOnHelp) {
  ControlsDialog dialog;
  dialog.Create();
  HELPINFO help{};
  help.cbSize = sizeof help;
  ::SendMessageA(dialog.hwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
  EXPECT_EQ(dialog.helps, 1);
}

TEST(Win32DialogTest, TheAnimationOpensPlaysAndStops) {
  ControlsDialog dialog;
  dialog.Create();
  EXPECT_FALSE(dialog.AnimateOpen(1005, 4321));
  ASSERT_TRUE(dialog.AnimateOpen(1005, kClip));
  EXPECT_TRUE(dialog.IsAnimationOpen(1005));
  EXPECT_FALSE(dialog.IsAnimationPlaying(1005));
  ASSERT_TRUE(dialog.AnimatePlay(1005, 0, -1, -1));
  EXPECT_TRUE(dialog.IsAnimationPlaying(1005));
  dialog.AnimateStop(1005);
  EXPECT_FALSE(dialog.IsAnimationPlaying(1005));
  // The stop notification, posted by the control, does not end the next play.
  ASSERT_TRUE(dialog.AnimatePlay(1005, 0, -1, -1));
  pumpFor(50);
  EXPECT_TRUE(dialog.IsAnimationPlaying(1005));
  // A counted play ends by itself: 6 frames of 100 ms.
  ASSERT_TRUE(dialog.AnimatePlay(1005, 0, -1, 1));
  EXPECT_TRUE(pumpUntil([&] { return !dialog.IsAnimationPlaying(1005); }, 3000));
  dialog.AnimateClose(1005);
  EXPECT_FALSE(dialog.IsAnimationOpen(1005));
  EXPECT_FALSE(dialog.AnimatePlay(1005, 0, -1, -1));
}

TEST(Win32DialogTest, AScreenshotIsABitmapOfTheWindow) {
  ControlsDialog dialog;
  dialog.Create();
  ::ShowWindow(dialog.hwnd(), SW_SHOWNA);
  pumpFor(50);
  const framework::win32::WindowPixels pixels = framework::win32::captureWindow(dialog.hwnd());
  RECT frame{};
  ::GetWindowRect(dialog.hwnd(), &frame);
  ASSERT_EQ(pixels.width, frame.right - frame.left);
  ASSERT_EQ(pixels.height, frame.bottom - frame.top);
  // The caption's text and the buttons' frames: more than one colour.
  EXPECT_GT(std::count_if(pixels.rgb.begin(), pixels.rgb.end(),
                          [&](std::uint32_t pixel) { return pixel != pixels.rgb[0]; }),
            100);

  char folder[MAX_PATH] = {};
  ::GetTempPathA(sizeof folder, folder);
  const std::string path = std::string(folder) + "texkit2-gui-test.bmp";
  ASSERT_TRUE(framework::win32::saveBitmap(pixels, path));
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), {});
  file.close();
  ::DeleteFileA(path.c_str());
  const std::size_t stride = (static_cast<std::size_t>(pixels.width) * 3 + 3) & ~std::size_t{3};
  ASSERT_EQ(bytes.size(), 54 + stride * static_cast<std::size_t>(pixels.height));
  EXPECT_EQ(bytes.substr(0, 2), "BM");
}

} // namespace
} // namespace texkit2::tests
