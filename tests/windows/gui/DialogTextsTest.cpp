// Every text of every dialog of texkit2.exe, measured by window handle in its control's own
// font against the control: nothing clipped, nothing off the dialog's edge. Once with the fonts
// the layouts name, once as on a system without them; at 96 DPI, and under Wine at 144 and 192.
#include "app/ExtractDlg.h"
#include "app/TextureBrowserDlg.h"
#include "app/WadInfoDlg.h"
#include "extract/GameKind.h"
#include "framework/win32/Win32Dialog.h"
#include "framework/win32/Win32Dpi.h"
#include "framework/win32/Win32Fonts.h"
#include "locate/LocateDlg.h"
#include "locate/SearchDlg.h"
#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"
#include "tests/support/Builders.h"
#include "tests/support/SampleGame.h"
#include "tests/windows/gui/GuiTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace texkit2 {
namespace {

using framework::CDialog;

std::string className(HWND window) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

void expectTextsFit(HWND dialog) {
  RECT client{};
  ::GetClientRect(dialog, &client);
  for (HWND control = ::GetWindow(dialog, GW_CHILD); control != nullptr;
       control = ::GetWindow(control, GW_HWNDNEXT)) {
    const std::string what =
        std::to_string(::GetDlgCtrlID(control)) + " \"" + tests::windowText(control) + "\"";
    RECT place{};
    ::GetWindowRect(control, &place);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= client.right &&
                place.bottom <= client.bottom)
        << what << " lies outside the dialog";
    const std::string text = tests::windowText(control);
    const auto style = static_cast<DWORD>(::GetWindowLongPtrA(control, GWL_STYLE));
    const std::string kind = className(control);
    if (text.empty() || (kind != "Static" && kind != "Button")) {
      continue;
    }
    RECT area{};
    ::GetClientRect(control, &area);
    HDC dc = ::GetDC(control);
    HGDIOBJ before =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc, &metrics);
    std::string plain = text;
    plain.erase(std::remove(plain.begin(), plain.end(), '&'), plain.end());
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, plain.c_str(), static_cast<int>(plain.size()), &extent);
    if (kind == "Static") {
      const DWORD type = style & SS_TYPEMASK;
      if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || type == SS_OWNERDRAW) {
        RECT wrapped{0, 0, area.right, 0};
        ::DrawTextA(dc, text.c_str(), -1, &wrapped,
                    DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS |
                        ((style & SS_NOPREFIX) != 0 || type == SS_OWNERDRAW ? DT_NOPREFIX : 0));
        EXPECT_LE(wrapped.right, area.right) << what;
        // The last line's letters stand inside; its descenders may touch the edge, as a
        // two-line text in a control of 15 units (1.9 lines) has them on every system.
        EXPECT_LE(wrapped.bottom - metrics.tmDescent, area.bottom)
            << what << ": " << extent.cx << " pixels in " << area.right;
      } else if (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE) {
        EXPECT_LE(extent.cx, area.right) << what;
        EXPECT_LE(metrics.tmHeight, area.bottom) << what;
      }
    } else if ((style & (BS_ICON | BS_BITMAP)) == 0) {
      const DWORD type = style & BS_TYPEMASK;
      if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
        EXPECT_LE(extent.cx + 4 * ::GetSystemMetrics(SM_CXEDGE), area.right) << what;
        EXPECT_LE(metrics.tmHeight, area.bottom) << what;
      } else if (type == BS_GROUPBOX) {
        EXPECT_LE(extent.cx + metrics.tmAveCharWidth, area.right) << what;
      } else {
        // The box of a check box or radio button: 13 pixels at 96 DPI, grown with the DPI.
        // (Wine's SM_CYMENUCHECK, the menu's, outgrows it above 96.)
        const int box = ::MulDiv(13, framework::win32::dpiOf(nullptr), 96);
        EXPECT_LE(box + metrics.tmAveCharWidth / 2 + extent.cx, area.right) << what;
        EXPECT_LE(std::max<LONG>(metrics.tmHeight, box), area.bottom)
            << what << ": lines of " << metrics.tmHeight << ", box of " << box;
      }
    }
    ::SelectObject(dc, before);
    ::ReleaseDC(control, dc);
  }
}

// Set by EveryTextFitsAtEachDpi for the run of this program it starts at that DPI.
constexpr const char* kExpectedDpi = "TEXKIT2_EXPECTED_DPI";

TEST(DialogTextsTest, EveryTextFitsItsControlWithTheFontsOrWithout) {
  if (const char* expected = std::getenv(kExpectedDpi)) {
    // The setting took: the program is aware of the DPI, and Windows stretches nothing.
    ASSERT_EQ(framework::win32::dpiOf(nullptr), std::atoi(expected));
  }
  testing::TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  // A texture stored as its header alone, as maps compiled with external textures keep them.
  const auto whole = fixtures::makeMipTexture(fixtures::textureName("wall1"), 64, 64, 3);
  const auto wad = sample.dataFolder / "mine_textures.wad";
  fixtures::writeFile(wad, fixtures::makeWad({{fixtures::textureName("wall1"),
                                               fixtures::Bytes(whole.begin(), whole.begin() + 40)},
                                              {fixtures::textureName("+0slime"), whole}}));
  const auto palette =
      extract::FindGamePalette(platform::hostFileSystem(), sample.dataFolder.string());
  ASSERT_TRUE(palette.palette);
  images::TextureCatalog catalog(platform::hostFileSystem(), wad.string(), *palette.palette);

  struct Messages final : framework::MessageBoxService {
    void show(CDialog*, const std::string&, const std::string&, framework::BoxIcon) override {}
  } messages;
  app::AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  app::BrowserServices browserServices{platform::hostFileSystem(), messages, {}, {}};
  platform::MemoryDrives drives;
  struct Case {
    const char* name;
    std::function<std::unique_ptr<CDialog>()> make;
  };
  const std::vector<Case> cases = {
      {"main, welcome", [&] { return std::make_unique<app::CExtractDlg>(services); }},
      {"main, folder located",
       [&] {
         auto dialog = std::make_unique<app::CExtractDlg>(services);
         dialog->Create();
         dialog->ShowFolderLocated(" Found pak0.pak and pak1.pak");
         return dialog;
       }},
      {"main, asking for a way",
       [&] {
         auto dialog = std::make_unique<app::CExtractDlg>(services);
         dialog->Create();
         dialog->SetStatusText("Please choose either manual search or auto search.");
         return dialog;
       }},
      {"WAD File Info",
       [&] {
         auto dialog = std::make_unique<app::CWadInfoDlg>();
         dialog->SetSummary("Hexen2.wad", 4294967295u, 2147483647, 2147483647, 2147483647);
         return dialog;
       }},
      {"About", [&] { return std::make_unique<app::CAboutDlg>(); }},
      {"Locate, Quake",
       [&] {
         auto dialog = std::make_unique<locate::CLocateDlg>(drives, services.files);
         dialog->SetPrompt(extract::gameInfo(extract::kGameQuake)->locatePrompt,
                           extract::kGameQuake);
         return dialog;
       }},
      {"Locate, Hexen II",
       [&] {
         auto dialog = std::make_unique<locate::CLocateDlg>(drives, services.files);
         dialog->SetPrompt(extract::gameInfo(extract::kGameHexen2)->locatePrompt,
                           extract::kGameHexen2);
         return dialog;
       }},
      {"Search",
       [&] {
         auto dialog = std::make_unique<locate::CSearchDlg>(drives, services.files);
         dialog->Create();
         dialog->SetDlgItemText(locate::CSearchDlg::kStatus, "File not found");
         return dialog;
       }},
      {"Textures, a texture without pixels chosen",
       [&] {
         auto dialog = std::make_unique<app::CTextureBrowserDlg>(catalog, browserServices);
         dialog->Create();
         dialog->SetThumbnailSelection(app::CTextureBrowserDlg::kThumbnails, {0});
         return dialog;
       }},
      {"Textures, an animated texture chosen",
       [&] {
         auto dialog = std::make_unique<app::CTextureBrowserDlg>(catalog, browserServices);
         dialog->Create();
         dialog->SetThumbnailSelection(app::CTextureBrowserDlg::kThumbnails, {1});
         return dialog;
       }},
  };
  for (const bool fontsMissing : {false, true}) {
    SCOPED_TRACE(fontsMissing ? "without the layouts' fonts" : "with the layouts' fonts");
    framework::win32::treatFontsAsMissing(
        fontsMissing ? std::vector<std::wstring>{L"MS Sans Serif", L"Times New Roman"}
                     : std::vector<std::wstring>{});
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      const auto dialog = c.make();
      dialog->Create();
      expectTextsFit(framework::win32::windowOf(dialog.get()));
    }
  }
  framework::win32::treatFontsAsMissing({});
}

bool underWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// The screen's DPI as the user sets it (Wine reads it as a program starts); -1 for none.
DWORD logPixels() {
  DWORD value = 0;
  DWORD size = sizeof value;
  const LSTATUS read = ::RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels",
                                      RRF_RT_REG_DWORD, nullptr, &value, &size);
  return read == ERROR_SUCCESS ? value : static_cast<DWORD>(-1);
}

void setLogPixels(DWORD dpi) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  if (dpi == static_cast<DWORD>(-1)) {
    ::RegDeleteValueA(key, "LogPixels");
  } else {
    ::RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                     sizeof dpi);
  }
  ::RegCloseKey(key);
}

// This program again, running the test above alone at `dpi`; its exit code.
DWORD runTextsTestAt(int dpi) {
  char self[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command =
      std::string("\"") + self +
      "\" --gtest_filter=DialogTextsTest.EveryTextFitsItsControlWithTheFontsOrWithout";
  ::SetEnvironmentVariableA(kExpectedDpi, std::to_string(dpi).c_str());
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
  ::SetEnvironmentVariableA(kExpectedDpi, nullptr);
  if (!started) {
    return static_cast<DWORD>(-1);
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = static_cast<DWORD>(-1);
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return code;
}

// At 150% and 200%, as the display settings set them. The setting is the user's, read as a
// program starts (Windows reads it only at sign-in): CTest runs this test alone.
TEST(DialogTextsTest, EveryTextFitsAtEachDpi) {
  if (!underWine()) {
    GTEST_SKIP() << "the DPI changes only at sign-in outside Wine";
  }
  const DWORD before = logPixels();
  for (const int dpi : {144, 192}) {
    SCOPED_TRACE(std::to_string(dpi) + " DPI");
    setLogPixels(static_cast<DWORD>(dpi));
    EXPECT_EQ(runTextsTestAt(dpi), 0u);
  }
  setLogPixels(before);
}

// Without the font a layout names, the dialog gets an installed stand-in no wider than it.
TEST(DialogTextsTest, AMissingFontGetsAStandInOfItsMetrics) {
  framework::win32::treatFontsAsMissing({L"MS Sans Serif"});
  app::CAboutDlg about;
  about.Create();
  HWND window = framework::win32::windowOf(&about);
  LOGFONTA font{};
  ::GetObjectA(reinterpret_cast<HGDIOBJ>(::SendMessageA(window, WM_GETFONT, 0, 0)), sizeof font,
               &font);
  framework::win32::treatFontsAsMissing({});
  EXPECT_STRNE(font.lfFaceName, "MS Sans Serif");
  HDC dc = ::GetDC(window);
  HFONT made = ::CreateFontIndirectA(&font);
  HGDIOBJ before = ::SelectObject(dc, made);
  SIZE letters{};
  ::GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
  ::SelectObject(dc, before);
  ::DeleteObject(made);
  ::ReleaseDC(window, dc);
  // MS Sans Serif 8 point spans 323 pixels at 96 dots per inch.
  EXPECT_LE(letters.cx, 323) << font.lfFaceName;
}

} // namespace
} // namespace texkit2
