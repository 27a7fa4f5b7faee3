// texkit2.exe's dialogs as a user works them, by window handle and control id: Quake, then the
// game's folder by hand in the Locate tree or by the Search dialog, then Begin on the sample
// game, the WAD File Info box, and the texture pack read back with Wine's own reg.exe.
#include "app/ExtractApp.h"
#include "app/ExtractDlg.h"
#include "app/LocateCommands.h"
#include "app/TextureBrowserDlg.h"
#include "extract/TexturePack.h"
#include "framework/win32/Win32Screenshot.h"
#include "locate/GameLibraries.h"
#include "platform/MemoryDrives.h"
#include "tests/common/SlowFileSystem.h"
#include "tests/common/TempFolder.h"
#include "tests/support/Builders.h"
#include "tests/support/GameLibraryFixtures.h"
#include "tests/support/SampleGame.h"
#include "tests/windows/Win32Registry.h"
#include "tests/windows/gui/GuiTestSupport.h"

#include <gtest/gtest.h>
#include <set>

namespace texkit2 {
namespace {

using app::CExtractDlg;
using framework::win32::windowOf;
using tests::itemText;
using tests::whenModal;

class RecordedMessages final : public framework::MessageBoxService {
 public:
  void show(framework::CDialog* /*owner*/, const std::string& text, const std::string& caption,
            framework::BoxIcon /*icon*/) override {
    shown.push_back(caption + ": " + text);
  }
  std::vector<std::string> shown;
};

// What reg.exe prints for a key of the current user.
std::string regQuery(const std::string& key) {
  testing::TempFolder scratch;
  const std::string out = (scratch / "reg.txt").string();
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE file = ::CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file;
  startup.hStdError = file;
  PROCESS_INFORMATION process{};
  std::string command = "reg.exe query \"HKCU\\" + key + "\"";
  if (::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &process)) {
    ::WaitForSingleObject(process.hProcess, 30000);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  ::CloseHandle(file);
  const auto bytes = testing::readAll(out);
  return {bytes.begin(), bytes.end()};
}

void click(HWND dialog, int controlId) {
  HWND button = ::GetDlgItem(dialog, controlId);
  ASSERT_NE(button, nullptr) << controlId;
  ASSERT_TRUE(::IsWindowEnabled(button)) << controlId;
  ::SendMessageA(button, BM_CLICK, 0, 0);
}

HTREEITEM treeItem(HWND tree, HTREEITEM item, UINT relation) {
  return reinterpret_cast<HTREEITEM>(
      ::SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

std::string treeText(HWND tree, HTREEITEM item) {
  char text[MAX_PATH] = {};
  TVITEMA data{};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = MAX_PATH;
  ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
  return text;
}

// The pictures an animation control showed, looked at on a timer.
struct Frames {
  static inline HWND clip = nullptr;
  static inline std::set<std::vector<std::uint32_t>> seen;
  static void CALLBACK look(HWND, UINT, UINT_PTR, DWORD) {
    if (::IsWindowVisible(clip)) {
      seen.insert(framework::win32::captureWindow(clip).rgb);
    }
  }
};

class AppWalkTest : public ::testing::Test {
 protected:
  AppWalkTest() {
    sample = fixtures::writeSampleGame(folder / "disk", fixtures::Game::Quake);
    disk = drives.addDrive(folder / "disk", platform::DriveType::Fixed);
    if (!settings.preexisting()) {
      testing::createKey(std::string(extract::kTexturePackBase) + "0");
    }
  }

  // The main dialog over `files`, shown, with Quake chosen.
  std::unique_ptr<CExtractDlg> open(platform::FileSystem& files) {
    services = std::make_unique<app::AppServices>(app::AppServices{
        files, messages, [] { return platform::openHostRegistry(); }, {}, {}, {}, {}});
    librarySources.home = folder / "home";
    app::installLocateCommands(*services, drives, locate::libraryLookup(librarySources));
    auto dialog = std::make_unique<CExtractDlg>(*services);
    dialog->Create();
    main = windowOf(dialog.get());
    ::ShowWindow(main, SW_SHOW);
    click(main, CExtractDlg::kQuake);
    return dialog;
  }

  // Begin, and the WAD File Info box's texts as it shows them, closed with its OK button.
  std::map<int, std::string> begin() {
    std::map<int, std::string> shown;
    whenModal([&](HWND box) {
      for (const int id : {1016, 1017, 1018, 1019, 1021}) {
        shown[id] = itemText(box, id);
      }
      click(box, framework::CDialog::IDOK);
    });
    click(main, CExtractDlg::kBegin);
    return shown;
  }

  void expectExtractedAndRegistered(const std::map<int, std::string>& shown,
                                    const std::string& dataFolder) {
    const std::map<int, std::string> expected = {
        {1021, "Quake.wad"},
        {1016, std::to_string(sample.wadLength / 1024) + " KB"},
        {1017, std::to_string(sample.uniqueTextures)},
        {1018, std::to_string(sample.simpleTextures)},
        {1019, std::to_string(sample.animatedTextures)}};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(itemText(main, CExtractDlg::kStatus), "Extraction complete!");
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    const std::string query = regQuery(std::string(extract::kTexturePackBase) + "0");
    EXPECT_NE(query.find("path    REG_SZ    " + dataFolder + "Quake.wad"), std::string::npos)
        << query;
    EXPECT_NE(query.find("type    REG_DWORD    0x1"), std::string::npos) << query;
  }

  testing::TempFolder folder;
  fixtures::SampleGameInfo sample;
  platform::MemoryDrives drives;
  locate::GameLibrarySources librarySources; // a home of the test's own
  std::string disk;
  testing::EditorSettings settings;
  RecordedMessages messages;
  std::unique_ptr<app::AppServices> services;
  HWND main = nullptr;
};

TEST_F(AppWalkTest, QuakeManualLocateBeginAndTheRegisteredPack) {
  if (settings.preexisting()) {
    GTEST_SKIP() << "the level editor's own settings are here";
  }
  auto dialog = open(platform::hostFileSystem());
  EXPECT_EQ(tests::windowText(main), "Extract Pak Textures");
  EXPECT_EQ(itemText(main, CExtractDlg::kStatus),
            "Please choose either manual search or auto search.");
  EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(main, CExtractDlg::kArrowLocate)));
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(main, CExtractDlg::kBegin)));

  bool located = false;
  whenModal([&](HWND locate) {
    HWND tree = ::GetDlgItem(locate, 1022);
    HTREEITEM root = treeItem(tree, nullptr, TVGN_ROOT);
    EXPECT_EQ(treeText(tree, root), disk);
    EXPECT_TRUE(
        ::SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(root), TVIS_EXPANDED) &
        TVIS_EXPANDED);
    HTREEITEM game = treeItem(tree, root, TVGN_CHILD);
    ASSERT_EQ(treeText(tree, game), "quake");
    ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(game));
    EXPECT_EQ(itemText(locate, 1012), "File(s) found");
    EXPECT_FALSE(::IsWindowEnabled(tree));
    located = itemText(locate, 1032) == "&Ok";
    click(locate, 1032);
  });
  click(main, CExtractDlg::kManualLocate);
  ASSERT_TRUE(located);
  EXPECT_EQ(itemText(main, CExtractDlg::kStatus), " Found pak0.pak and pak1.pak");
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(main, CExtractDlg::kBegin)));

  expectExtractedAndRegistered(begin(), disk + "quake\\id1\\");
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(main, CExtractDlg::kBegin)));
}

TEST_F(AppWalkTest, SearchOnASlowDiscWhileTheAnimationPlays) {
  if (settings.preexisting()) {
    GTEST_SKIP() << "the level editor's own settings are here";
  }
  testing::SlowFileSystem slow(std::chrono::milliseconds(40));
  auto dialog = open(slow);
  whenModal([&](HWND search) {
    EXPECT_EQ(tests::windowText(search), "Search");
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(search, 1026)));
    click(search, 1030); // hard drives
    click(search, 1026);
    EXPECT_EQ(itemText(search, 1021), "File found");
    click(search, 1032);
  });
  click(main, CExtractDlg::kSearch);
  ASSERT_EQ(itemText(main, CExtractDlg::kStatus), "Found pak0.pak and pak1.pak");

  // The clip plays by itself while the dialog's thread waits for the run: its pictures change.
  Frames::clip = ::GetDlgItem(main, CExtractDlg::kAnimation);
  Frames::seen.clear();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &Frames::look);
  const auto shown = begin();
  ::KillTimer(nullptr, timer);
  EXPECT_GE(Frames::seen.size(), 3u) << "the animation did not move during the run";
  expectExtractedAndRegistered(shown, disk + "quake\\id1\\");
}

// Steam's re-release, found from Steam's records alone and extracted from its one archive.
TEST_F(AppWalkTest, SearchTheGameLibrariesForASteamRerelease) {
  if (settings.preexisting()) {
    GTEST_SKIP() << "the level editor's own settings are here";
  }
  const auto steam = folder / "home" / ".local" / "share" / "Steam";
  const auto rerelease = steam / "steamapps" / "common" / "Quake" / "rerelease" / "id1";
  testing::writeText(steam / "steamapps" / "libraryfolders.vdf",
                     fixtures::libraryFoldersVdf({steam.string()}));
  testing::writeText(steam / "steamapps" / "appmanifest_2310.acf",
                     fixtures::appManifest("2310", "Quake"));
  std::filesystem::create_directories(rerelease);
  std::filesystem::copy_file(sample.dataFolder / "PAK0.PAK", rerelease / "pak0.pak");
  auto dialog = open(platform::hostFileSystem());
  whenModal([&](HWND search) {
    click(search, 1039); // game libraries
    click(search, 1026);
    EXPECT_EQ(itemText(search, 1021), "File found");
    click(search, 1032);
  });
  click(main, CExtractDlg::kSearch);
  ASSERT_EQ(itemText(main, CExtractDlg::kStatus), "Found pak0.pak");
  const auto shown = begin();
  EXPECT_FALSE(shown.empty());
  EXPECT_EQ(itemText(main, CExtractDlg::kStatus), "Extraction complete!");
  EXPECT_TRUE(std::filesystem::is_regular_file(rerelease / "Quake.wad"));
}

TEST_F(AppWalkTest, TheSystemMenuOpensTheAbout) {
  auto dialog = open(platform::hostFileSystem());
  HMENU menu = ::GetSystemMenu(main, FALSE);
  const int count = ::GetMenuItemCount(menu);
  ASSERT_GT(count, 0);
  EXPECT_EQ(::GetMenuItemID(menu, count - 1), static_cast<UINT>(CExtractDlg::kAboutCommand));
  std::string caption;
  whenModal([&](HWND about) {
    caption = tests::windowText(about);
    click(about, framework::CDialog::IDOK);
  });
  ::SendMessageA(main, WM_SYSCOMMAND, CExtractDlg::kAboutCommand, 0);
  EXPECT_EQ(caption, "About Texkit");
}

// texkit2.exe FILE.wad: the texture browser alone, owned by no window; a file that is not WAD2
// gets the browser's own message and no window.
TEST(AppStartTest, OnAWadFileOpensTheBrowserAlone) {
  testing::TempFolder folder;
  const auto sample = fixtures::writeSampleGame(folder.path(), fixtures::Game::Quake);
  const auto wad = sample.dataFolder / "mine.wad";
  fixtures::writeFile(
      wad,
      fixtures::makeWad({{fixtures::textureName("wall1"),
                          fixtures::makeMipTexture(fixtures::textureName("wall1"), 16, 16, 3)}}));
  const auto notWad2 = sample.dataFolder / "notes.WAD";
  fixtures::writeFile(notWad2, fixtures::Bytes(64, 'x'));
  struct Case {
    std::string wad;
    bool browses;
  };
  const std::vector<Case> cases = {{wad.string(), true}, {notWad2.string(), false}};
  RecordedMessages messages;
  app::BrowserServices browser{platform::hostFileSystem(), messages, {}, {}};
  browser.chooseFile = [](framework::CDialog*, const std::string&, const std::string&,
                          const std::string&) { return std::optional<std::string>(); };
  app::AppServices services{platform::hostFileSystem(), messages, {}, {}, {}, {}, {}};
  services.browseTextures = [&browser](framework::CDialog* owner, const std::string& path) {
    app::BrowseTextures(browser, owner, path);
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wad);
    messages.shown.clear();
    app::CExtractApp application({"texkit2.exe", c.wad}, services);
    std::string caption;
    std::string count;
    HWND owner = reinterpret_cast<HWND>(1);
    whenModal([&](HWND window) {
      caption = tests::windowText(window);
      count = itemText(window, app::CTextureBrowserDlg::kCount);
      owner = ::GetWindow(window, GW_OWNER);
      ::PostMessageA(window, WM_COMMAND, framework::CDialog::IDCANCEL, 0);
    });
    EXPECT_FALSE(application.InitInstance());
    tests::ModalAction::pending = nullptr; // no window came: the action must not wait for the next
    if (c.browses) {
      EXPECT_EQ(caption, "Textures");
      EXPECT_EQ(count, "1 texture in mine.wad");
      EXPECT_EQ(owner, nullptr);
      EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    } else {
      EXPECT_EQ(caption, "");
      ASSERT_EQ(messages.shown.size(), 1u);
      EXPECT_NE(messages.shown[0].find(c.wad + " is not a valid WAD2 file"), std::string::npos)
          << messages.shown[0];
    }
  }
}

} // namespace
} // namespace texkit2
