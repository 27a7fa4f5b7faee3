#include "locate/SearchDlg.h"

#include "app/ExtractDlg.h"
#include "app/LocateCommands.h"
#include "framework/qt/AnimationControl.h"
#include "platform/MemoryDrives.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/GuiSupport.h"
#include "tests/support/SampleGame.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QRadioButton>
#include <QTest>

namespace texkit2::locate {
namespace {

using testing::OnNextModal;
using testing::TempFolder;

class SearchDlgTest : public ::testing::Test {
 protected:
  SearchDlgTest() {
    // A fixed drive with the game, a CD-ROM that also holds one (never searched), a network
    // drive without it.
    fixtures::writeSampleGame(folder / "fixed/games", fixtures::Game::Quake);
    fixtures::writeSampleGame(folder / "cdrom", fixtures::Game::Quake);
    testing::writeText(folder / "net/readme.txt", "x");
    drives.addDrive(folder / "net", platform::DriveType::Remote);
    drives.addDrive(folder / "cdrom", platform::DriveType::CdRom);
    drives.addDrive(folder / "fixed", platform::DriveType::Fixed);
  }
  ~SearchDlgTest() override { testing::expectNoTopLevelWindows(); }

  static void tick(CSearchDlg& dialog, int box) {
    testing::window(dialog).item<QCheckBox>(box)->click();
  }
  static void click(framework::CDialog& dialog, int button) {
    testing::window(dialog).item<QAbstractButton>(button)->click();
  }

  std::string expectedDataFolder() const {
    return (std::filesystem::canonical(folder.path()) / "fixed/games/quake/id1").string() + "/";
  }

  TempFolder folder;
  platform::MemoryDrives drives;
  platform::FileSystem& files = platform::hostFileSystem();
  std::string dataFolder;
};

TEST_F(SearchDlgTest, BeginSearchNeedsAnOption) {
  CSearchDlg dialog(drives, files);
  dialog.SetSearchTarget("quake.exe", dataFolder, extract::kGameQuake);
  dialog.Create();
  EXPECT_FALSE(dialog.isItemEnabled(1026));
  EXPECT_EQ(dialog.GetDlgItemText(1021), "");
  EXPECT_EQ(dialog.GetDlgItemText(1032), "&Cancel");
  EXPECT_TRUE(dialog.IsAnimationOpen(1027));
  EXPECT_FALSE(dialog.IsAnimationPlaying(1027));
  for (const int box : {1030, 1031, 1029, 1039}) {
    SCOPED_TRACE(box);
    tick(dialog, box);
    EXPECT_TRUE(dialog.isItemEnabled(1026));
    tick(dialog, box);
    EXPECT_FALSE(dialog.isItemEnabled(1026));
  }
}

// Ticked, Game Libraries answers first; the drives are walked only when the libraries record
// nothing. Its tooltip is the only one the dialog shows.
TEST_F(SearchDlgTest, GameLibrariesComeBeforeTheDrives) {
  const auto rerelease = std::filesystem::canonical(folder.path()) / "steam/Quake/rerelease/id1";
  testing::writeText(rerelease / "pak0.pak", "PACK");
  struct Case {
    const char* what;
    std::vector<int> boxes;
    std::optional<std::string> recorded;
    std::string found; // "" for "File not found"
  };
  const Case cases[] = {
      {"libraries alone", {1039}, rerelease.string() + "/", rerelease.string() + "/"},
      {"libraries before the drive",
       {1039, 1030},
       rerelease.string() + "/",
       rerelease.string() + "/"},
      {"nothing recorded, then the drive", {1039, 1030}, std::nullopt, expectedDataFolder()},
      {"nothing recorded, no drive", {1039}, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    drives.clearListed();
    CSearchDlg dialog(drives, files, nullptr, [&](extract::GameKind game) {
      EXPECT_EQ(game, extract::kGameQuake);
      return c.recorded;
    });
    dataFolder.clear();
    dialog.SetSearchTarget("quake.exe", dataFolder, extract::kGameQuake);
    dialog.Create();
    EXPECT_EQ(dialog.toolTipText(1039),
              "Look where Steam, GOG, Epic and installed packages keep the game");
    EXPECT_EQ(dialog.toolTipText(1030), "");
    for (const int box : c.boxes) {
      tick(dialog, box);
    }
    click(dialog, 1026);
    EXPECT_EQ(dialog.GetDlgItemText(1021), c.found.empty() ? "File not found" : "File found");
    EXPECT_EQ(dialog.found(), !c.found.empty());
    EXPECT_EQ(dialog.isItemEnabled(1039), c.found.empty());
    if (!c.found.empty()) {
      EXPECT_EQ(dataFolder, c.found);
    }
    EXPECT_EQ(drives.listedFolders().empty(), c.recorded.has_value() || c.boxes.size() == 1);
  }
}

TEST_F(SearchDlgTest, AFailedSearchThenASuccessfulOne) {
  CSearchDlg::flashCounter() = 0;
  CSearchDlg dialog(drives, files);
  dialog.SetSearchTarget("quake.exe", dataFolder, extract::kGameQuake);
  testing::window(dialog).show();

  tick(dialog, 1031); // network only: nothing there
  click(dialog, 1026);
  EXPECT_EQ(dialog.GetDlgItemText(1021), "File not found");
  EXPECT_EQ(dialog.GetDlgItemText(1032), "&Cancel");
  EXPECT_FALSE(dialog.found());
  EXPECT_TRUE(dialog.isItemEnabled(1026));
  EXPECT_FALSE(dialog.IsAnimationPlaying(1027));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);

  tick(dialog, 1030); // and hard drives
  click(dialog, 1026);
  EXPECT_EQ(dialog.GetDlgItemText(1021), "File found");
  EXPECT_EQ(dialog.GetDlgItemText(1032), "&Ok");
  EXPECT_TRUE(dialog.found());
  EXPECT_EQ(dataFolder, expectedDataFolder());
  for (const int id : {1026, 1030, 1031, 1029}) {
    EXPECT_FALSE(dialog.isItemEnabled(id)) << id;
  }
  // Five toggles over 1.6 s on the first success of the process, then the normal caption.
  EXPECT_EQ(dialog.flashToggles(), 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.hasTimer(1); }, 5000));
  EXPECT_EQ(dialog.flashToggles(), 5);
  EXPECT_FALSE(dialog.flashState());
  EXPECT_EQ(testing::window(dialog).windowTitle(), "Search");

  testing::window(dialog).hide();
  // A later success in the same process toggles twice.
  std::string again;
  CSearchDlg second(drives, files);
  second.SetSearchTarget("quake.exe", again, extract::kGameQuake);
  tick(second, 1030);
  click(second, 1026);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !second.hasTimer(1); }, 5000));
  EXPECT_EQ(second.flashToggles(), 2);
}

TEST_F(SearchDlgTest, ClosingAnswersByTheFoundFlag) {
  struct Case {
    const char* what;
    bool search;
    std::function<void(CSearchDlg&)> close;
    int result;
  };
  const std::vector<Case> cases = {
      {"cancel at once", false, [](CSearchDlg& d) { click(d, 1032); },
       framework::CDialog::IDCANCEL},
      {"close box at once", false, [](CSearchDlg& d) { testing::window(d).close(); },
       framework::CDialog::IDCANCEL},
      {"ok after success", true, [](CSearchDlg& d) { click(d, 1032); }, framework::CDialog::IDOK},
      {"close box after success", true, [](CSearchDlg& d) { testing::window(d).close(); },
       framework::CDialog::IDOK},
      {"escape after success", true,
       [](CSearchDlg& d) { QTest::keyClick(&testing::window(d), Qt::Key_Escape); },
       framework::CDialog::IDCANCEL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string target;
    CSearchDlg dialog(drives, files);
    dialog.SetSearchTarget("quake.exe", target, extract::kGameQuake);
    OnNextModal act([&](QWidget*) {
      if (c.search) {
        tick(dialog, 1030);
        click(dialog, 1026);
      }
      c.close(dialog);
    });
    EXPECT_EQ(dialog.DoModal(), c.result);
    EXPECT_TRUE(act.ran());
  }
}

TEST_F(SearchDlgTest, TheMainDialogReachesTheFolderLocatedState) {
  testing::RecordingMessageBoxes messages;
  app::AppServices services{files, messages, {}, {}, {}, {}, {}};
  app::installLocateCommands(services, drives);
  struct Case {
    const char* what;
    bool accept;
  };
  for (const Case c : {Case{"ok after success", true}, Case{"escape after success", false}}) {
    SCOPED_TRACE(c.what);
    app::CExtractDlg main(services);
    testing::window(main).item<QRadioButton>(1033)->click();
    OnNextModal act([&](QWidget* modal) {
      auto* search = testing::dialogOf<CSearchDlg>(modal);
      ASSERT_NE(search, nullptr);
      tick(*search, 1030);
      click(*search, 1026);
      if (c.accept) {
        click(*search, 1032);
      } else {
        QTest::keyClick(modal, Qt::Key_Escape);
      }
    });
    click(main, 1026);
    ASSERT_TRUE(act.ran());
    // The search writes the folder in place, whatever the dialog's answer.
    EXPECT_EQ(main.dataFolder(), expectedDataFolder());
    EXPECT_EQ(main.isItemEnabled(1007), c.accept);
    EXPECT_EQ(main.GetDlgItemText(1006),
              c.accept ? "Found pak0.pak and pak1.pak"
                       : "Please choose either manual search or auto search.");
  }
  // Without a game the command shows nothing.
  app::CExtractDlg idle(services);
  idle.Create();
  idle.OnSearch();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
} // namespace texkit2::locate
