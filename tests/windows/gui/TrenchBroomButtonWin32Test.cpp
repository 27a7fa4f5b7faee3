// The WAD File Info box's Set up TrenchBroom button on the Win32 front end, by window handle and
// control id: its question and its report are the system's own message boxes, answered here,
// and TrenchBroom's preferences live in a temporary %APPDATA%.
#include "app/ExtractDlg.h"
#include "app/WadInfoDlg.h"
#include "extract/TrenchBroomPreferences.h"
#include "framework/win32/Win32Dialog.h"
#include "tests/common/TempFolder.h"
#include "tests/support/SampleGame.h"
#include "tests/windows/gui/GuiTestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>

namespace texkit2 {
namespace {

using app::CExtractDlg;
using app::CWadInfoDlg;
using framework::CDialog;
using framework::win32::windowOf;

constexpr const char* kCaption = "Set up TrenchBroom";

void click(HWND dialog, int controlId) {
  HWND button = ::GetDlgItem(dialog, controlId);
  ASSERT_NE(button, nullptr) << controlId;
  ASSERT_TRUE(::IsWindowEnabled(button)) << controlId;
  ::SendMessageA(button, BM_CLICK, 0, 0);
}

// The place of a control in its dialog's client area.
RECT placeOf(HWND dialog, int controlId) {
  RECT place{};
  ::GetWindowRect(::GetDlgItem(dialog, controlId), &place);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
  return place;
}

// The message boxes that come up with the TrenchBroom caption, answered in turn: each is
// recorded as its text, with "?" in front when it asks (it has a Cancel button).
struct Boxes {
  static inline std::vector<int> answers;
  static inline std::vector<std::string> seen;

  static BOOL CALLBACK find(HWND window, LPARAM found) {
    char name[16] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (std::string(name) == "#32770" && ::IsWindowVisible(window) &&
        tests::windowText(window) == kCaption) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }

  // The longest of the box's static texts: the message, whatever id the system gave it.
  static std::string textOf(HWND box) {
    std::string text;
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      char name[16] = {};
      ::GetClassNameA(child, name, sizeof name);
      const std::string shown = tests::windowText(child);
      if (std::string(name) == "Static" && shown.size() > text.size()) {
        text = shown;
      }
    }
    return text;
  }

  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &find, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr || answers.empty()) {
      return;
    }
    HWND cancel = ::GetDlgItem(box, CDialog::IDCANCEL);
    const bool asks = cancel != nullptr && ::IsWindowVisible(cancel);
    seen.push_back((asks ? "? " : "") + textOf(box));
    const int answer = answers.front();
    answers.erase(answers.begin());
    ::PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
  }
};

class TrenchBroomButtonWin32 : public ::testing::Test {
 protected:
  TrenchBroomButtonWin32()
      : sample(fixtures::writeSampleGame(folder / "disk", fixtures::Game::Quake)) {
    if (const char* appData = std::getenv("APPDATA")) {
      savedAppData = appData;
    }
    _putenv(("APPDATA=" + (folder / "appdata").string()).c_str());
    Boxes::answers.clear();
    Boxes::seen.clear();
  }
  ~TrenchBroomButtonWin32() override { _putenv(("APPDATA=" + savedAppData.value_or("")).c_str()); }

  // Extracts the sample game with the services of texkit2.exe and, in the WAD File Info box,
  // presses the button, answering the boxes that come up with `answers`.
  void pressInWadInfoBox(std::vector<int> answers) {
    app::AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
    services.trenchBroomPreferences = [](std::string& whyNot) {
      return extract::TrenchBroomPreferencesFile([](const char* name) { return std::getenv(name); },
                                                 whyNot);
    };
    services.confirm = framework::win32::askOkCancel;
    CExtractDlg dialog(services);
    dialog.Create();
    HWND main = windowOf(&dialog);
    ::ShowWindow(main, SW_SHOW);
    click(main, CExtractDlg::kQuake);
    dialog.dataFolderRef() = sample.dataFolder.string() + "\\";
    dialog.ShowFolderLocated(" Found pak0.pak and pak1.pak");
    dialog.UpdateData(false);

    Boxes::answers = std::move(answers);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &Boxes::tick);
    bool shown = false;
    tests::whenModal([&](HWND info) {
      shown = true;
      EXPECT_EQ(tests::itemText(info, CWadInfoDlg::kTrenchBroom), "Set up &TrenchBroom...");
      click(info, CWadInfoDlg::kTrenchBroom);
      click(info, CDialog::IDOK);
    });
    click(main, CExtractDlg::kBegin);
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(Boxes::answers.empty()) << "boxes left unanswered";
  }

  std::string preferencesText() const {
    const auto bytes = testing::readAll(preferences);
    return {bytes.begin(), bytes.end()};
  }

  testing::TempFolder folder;
  fixtures::SampleGameInfo sample;
  std::optional<std::string> savedAppData;
  std::filesystem::path preferences = folder / "appdata" / "TrenchBroom" / "Preferences.json";
  framework::SystemMessageBoxService messages;
};

TEST_F(TrenchBroomButtonWin32, SitsUnderTexturesAndIsDisabledWhenNothingCanSetTrenchBroomUp) {
  CWadInfoDlg info;
  info.SetSummary("Quake.wad", 12, 0, 0, 0);
  info.Create();
  HWND box = windowOf(&info);
  HWND button = ::GetDlgItem(box, CWadInfoDlg::kTrenchBroom);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(tests::windowText(button), "Set up &TrenchBroom...");
  EXPECT_FALSE(::IsWindowEnabled(button));
  const RECT place = placeOf(box, CWadInfoDlg::kTrenchBroom);
  const RECT textures = placeOf(box, CWadInfoDlg::kTextures);
  const RECT ok = placeOf(box, CDialog::IDOK);
  RECT client{};
  ::GetClientRect(box, &client);
  RECT overlap{};
  EXPECT_EQ(place.left, textures.left);
  EXPECT_GE(place.top, textures.bottom);
  EXPECT_FALSE(::IntersectRect(&overlap, &place, &ok));
  EXPECT_LE(place.bottom, client.bottom);
}

TEST_F(TrenchBroomButtonWin32, OkSetsTheGamePathKeepingTheOtherKeysAndSaysWhatTheCliSays) {
  testing::writeText(preferences, "{\n    \"View/Theme\": \"Dark\",\n    \"Games/Hexen 2/Path\": "
                                  "\"C:\\\\Hexen2\"\n}\n");
  pressInWadInfoBox({CDialog::IDOK, CDialog::IDOK});
  const std::string game = sample.gameFolder.string();
  const std::string file = preferences.string();
  ASSERT_EQ(Boxes::seen.size(), 2u);
  EXPECT_EQ(Boxes::seen[0], "? Set TrenchBroom's Quake game path?\n\n" + file +
                                "\n\"Games/Quake/Path\" becomes " + game +
                                "\n\nTrenchBroom must be closed.");
  EXPECT_EQ(Boxes::seen[1], "TrenchBroom's Quake game path set to " + game + " (" + file +
                                ")\n\nMap wad key for TrenchBroom : id1/Quake.wad\n"
                                "Map wad key, absolute (TrenchBroom and qbsp) : " +
                                sample.dataFolder.string() + "\\Quake.wad\n");
  EXPECT_EQ(preferencesText(), "{\n    \"View/Theme\": \"Dark\",\n    \"Games/Hexen 2/Path\": "
                               "\"C:\\\\Hexen2\",\n    \"Games/Quake/Path\": " +
                                   nlohmann::json(game).dump() + "\n}\n");
}

TEST_F(TrenchBroomButtonWin32, CancelChangesNothing) {
  const std::string before = "{\"View/Theme\": \"Dark\"}";
  testing::writeText(preferences, before);
  pressInWadInfoBox({CDialog::IDCANCEL});
  ASSERT_EQ(Boxes::seen.size(), 1u);
  EXPECT_TRUE(Boxes::seen[0].starts_with("? Set TrenchBroom's Quake game path?")) << Boxes::seen[0];
  EXPECT_EQ(preferencesText(), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(preferences.parent_path()), {}), 1);
}

} // namespace
} // namespace texkit2
