// What texkit2.exe's windows show around their texts, by window handle: no tooltip left over a
// dialog that opened above it, the search clip whole in its frame, and no scroll bar the
// thumbnails do not need.
#include "app/ExtractDlg.h"
#include "app/TextureBrowserDlg.h"
#include "framework/win32/Win32Dialog.h"
#include "framework/win32/Win32Fonts.h"
#include "locate/SearchDlg.h"
#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"
#include "tests/support/Builders.h"
#include "tests/support/SampleGame.h"
#include "tests/windows/gui/GuiTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>

namespace texkit2 {
namespace {

using framework::CDialog;
using framework::win32::windowOf;

struct NoMessages final : framework::MessageBoxService {
  void show(CDialog*, const std::string&, const std::string&, framework::BoxIcon) override {}
};

// The tooltip window a dialog made for its controls.
HWND toolTipOf(HWND dialog) {
  for (HWND window = ::GetWindow(::GetDesktopWindow(), GW_CHILD); window != nullptr;
       window = ::GetWindow(window, GW_HWNDNEXT)) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (::lstrcmpiA(name, TOOLTIPS_CLASSA) == 0 && ::GetWindow(window, GW_OWNER) == dialog) {
      return window;
    }
  }
  return nullptr;
}

TEST(WindowDetailsTest, ATooltipGoesWhenADialogOpensAboveIt) {
  NoMessages messages;
  platform::MemoryDrives drives;
  app::AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  app::CExtractDlg main(services);
  main.Create();
  HWND window = windowOf(&main);
  ::ShowWindow(window, SW_SHOW);
  HWND tip = toolTipOf(window);
  ASSERT_NE(tip, nullptr);
  // The tip of the Search button, up as the pointer rests on it.
  ::ShowWindow(tip, SW_SHOWNOACTIVATE);
  ASSERT_TRUE(::IsWindowVisible(tip));
  bool tipShown = true;
  tests::whenModal([&](HWND search) {
    tipShown = ::IsWindowVisible(tip) != FALSE;
    ::SendMessageA(search, WM_COMMAND, CDialog::IDCANCEL, 0);
  });
  locate::CSearchDlg search(drives, platform::hostFileSystem(), &main);
  search.DoModal();
  EXPECT_FALSE(tipShown);
  ::ShowWindow(window, SW_HIDE);
}

// The size of a frame of the program's AVI resource `id`, from its main header.
SIZE clipFrameSize(int id) {
  HMODULE module = ::GetModuleHandleA(nullptr);
  HRSRC resource = ::FindResourceA(module, framework::win32::resourceName(id), "AVI");
  const auto* bytes =
      resource != nullptr
          ? static_cast<const char*>(::LockResource(::LoadResource(module, resource)))
          : nullptr;
  const DWORD size = resource != nullptr ? ::SizeofResource(module, resource) : 0;
  for (DWORD at = 0; bytes != nullptr && at + 48 <= size; ++at) {
    if (std::memcmp(bytes + at, "avih", 4) == 0) {
      DWORD width = 0;
      DWORD height = 0;
      std::memcpy(&width, bytes + at + 8 + 32, 4);
      std::memcpy(&height, bytes + at + 8 + 36, 4);
      return {static_cast<LONG>(width), static_cast<LONG>(height)};
    }
  }
  return {};
}

// With the layout's font or without it.
TEST(WindowDetailsTest, TheSearchClipFitsItsFrame) {
  const SIZE frame = clipFrameSize(129); // the search clip
  ASSERT_GT(frame.cx, 0);
  for (const bool fontMissing : {false, true}) {
    SCOPED_TRACE(fontMissing ? "without MS Sans Serif" : "with MS Sans Serif");
    framework::win32::treatFontsAsMissing(fontMissing ? std::vector<std::wstring>{L"MS Sans Serif"}
                                                      : std::vector<std::wstring>{});
    platform::MemoryDrives drives;
    locate::CSearchDlg search(drives, platform::hostFileSystem());
    search.Create();
    HWND animation = ::GetDlgItem(windowOf(&search), locate::CSearchDlg::kAnimation);
    ASSERT_NE(animation, nullptr);
    RECT inside{};
    ::GetClientRect(animation, &inside);
    EXPECT_GE(inside.right, frame.cx);
    EXPECT_GE(inside.bottom, frame.cy);
  }
  framework::win32::treatFontsAsMissing({});
}

// With the layout's font or without it.
TEST(WindowDetailsTest, TheThumbnailsShowNoHorizontalScrollBar) {
  testing::TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  std::vector<fixtures::WadFileEntry> entries;
  for (int i = 0; i < 40; ++i) {
    const std::string name = "texture_" + std::to_string(i);
    entries.push_back({fixtures::textureName(name),
                       fixtures::makeMipTexture(fixtures::textureName(name), 64, 64, 3)});
  }
  const auto wad = sample.dataFolder / "mine.wad";
  fixtures::writeFile(wad, fixtures::makeWad(entries));
  const auto palette =
      extract::FindGamePalette(platform::hostFileSystem(), sample.dataFolder.string());
  ASSERT_TRUE(palette.palette);
  images::TextureCatalog catalog(platform::hostFileSystem(), wad.string(), *palette.palette);
  NoMessages messages;
  app::BrowserServices services{platform::hostFileSystem(), messages, {}, {}};
  for (const bool fontMissing : {false, true}) {
    SCOPED_TRACE(fontMissing ? "without MS Sans Serif" : "with MS Sans Serif");
    framework::win32::treatFontsAsMissing(fontMissing ? std::vector<std::wstring>{L"MS Sans Serif"}
                                                      : std::vector<std::wstring>{});
    app::CTextureBrowserDlg browser(catalog, services);
    browser.Create();
    HWND window = windowOf(&browser);
    ::ShowWindow(window, SW_SHOW);
    tests::pumpFor(100);
    HWND list = ::GetDlgItem(window, app::CTextureBrowserDlg::kThumbnails);
    ASSERT_NE(list, nullptr);
    const auto style = ::GetWindowLongPtrA(list, GWL_STYLE);
    EXPECT_NE(style & WS_VSCROLL, 0) << "40 textures fill more than the list";
    EXPECT_EQ(style & WS_HSCROLL, 0);
    ::ShowWindow(window, SW_HIDE);
  }
  framework::win32::treatFontsAsMissing({});
}

} // namespace
} // namespace texkit2
